// A density array indexed from 0. Allocation leaves the values unset, like the map readers
// expect: every voxel is filled from its file right afterwards, and clearing hundreds of
// megabytes first would only cost time.
#pragma once

#include <cstddef>
#include <memory>

namespace voxmill {

class DensityArray {
public:
    DensityArray() = default;

    // Replaces the contents by `count` unset values; throws std::bad_alloc when memory is short.
    void allocate(std::size_t count) {
        release();
        data_.reset(new float[count]);
        size_ = count;
    }
    void release() {
        data_.reset();
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
    float& operator[](std::size_t i) { return data_[i]; }
    const float& operator[](std::size_t i) const { return data_[i]; }

private:
    std::unique_ptr<float[]> data_;
    std::size_t size_ = 0;
};

}  // namespace voxmill
