// A density array indexed from 0. Allocation leaves the values unset, like the map readers
// expect: every voxel is filled from its file right afterwards, and clearing hundreds of
// megabytes first would only cost time.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace voxmill {

namespace detail {
// Unset storage for `count` floats. Large arrays are aligned to 2 MB and offered to the
// system for huge pages: a map of hundreds of megabytes then costs a few hundred page faults
// on its first filling instead of hundreds of thousands. Small ones are plain allocations.
// Throws std::bad_alloc.
bool takes_huge_pages(std::size_t count);
float* allocate_densities(std::size_t count, bool huge);
void free_densities(float* p, bool huge) noexcept;
struct FreeDensities {
    bool huge = false;
    bool adopted = false;  // the storage of an adopted vector, which frees it
    void operator()(float* p) const noexcept {
        if (!adopted) free_densities(p, huge);
    }
};
}  // namespace detail

class DensityArray {
public:
    DensityArray() = default;

    // Replaces the contents by `count` unset values; throws std::bad_alloc when memory is short.
    void allocate(std::size_t count) {
        release();
        const bool huge = detail::takes_huge_pages(count);
        data_ = std::unique_ptr<float, detail::FreeDensities>(detail::allocate_densities(count, huge),
                                                              detail::FreeDensities{huge});
        size_ = count;
    }
    // Takes over the storage of `values` as the array, without a copy: for densities that
    // another library has read into a vector of its own.
    void adopt(std::vector<float>&& values) {
        release();
        adopted_ = std::move(values);
        data_ = std::unique_ptr<float, detail::FreeDensities>(adopted_.data(), detail::FreeDensities{false, true});
        size_ = adopted_.size();
    }
    void release() {
        data_.reset();
        adopted_ = {};
        size_ = 0;
    }

    bool allocated() const { return data_ != nullptr; }
    std::size_t size() const { return size_; }
    float* data() { return data_.get(); }
    const float* data() const { return data_.get(); }
    float* begin() { return data_.get(); }
    float* end() { return data_.get() + size_; }
    const float* begin() const { return data_.get(); }
    const float* end() const { return data_.get() + size_; }
    float& operator[](std::size_t i) { return data_.get()[i]; }
    const float& operator[](std::size_t i) const { return data_.get()[i]; }

private:
    std::unique_ptr<float, detail::FreeDensities> data_;
    std::vector<float> adopted_;  // empty unless adopted
    std::size_t size_ = 0;
};

}  // namespace voxmill
