// Densities as a reader takes them from a file: room at first for what the file can hold, more
// only as the file turns out to hold more, never beyond the map's count. A header that claims
// far more voxels than a file holds (a gzipped one, or one whose size is unknown) then costs
// the memory of what the file really gives, not of what it claims.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

#include "core/density_array.hpp"

namespace voxmill {

// Room at first for the densities a text file can hold (every density takes a character and a
// blank or a line end); a file of unknown size (as files under /proc) starts with a million.
std::size_t first_room(const std::string& path);

class DensitySink {
public:
    // Fills `rho`, which it replaces at once by room for `first_room` densities (at most
    // `count`, the map's count). What has been taken stays there if the reading stops early.
    DensitySink(DensityArray& rho, std::size_t count, std::size_t first_room) : count_(count), rho_(rho) {
        rho_.allocate(std::min(count, first_room));
    }

    void add(float density) {
        if (used_ == rho_.size()) grow(1);
        rho_[used_++] = density;
    }
    // Room for the next `count` densities (within the map's count); kept() then takes what
    // was written there.
    float* room(std::size_t count) {
        if (rho_.size() - used_ < count) grow(count);
        return rho_.data() + used_;
    }
    void kept(std::size_t count) { used_ += count; }
    std::size_t used() const { return used_; }
    // The array sized to the map's count, once every density has been taken.
    void finish() {
        if (rho_.size() != count_) grow(count_ - used_);
    }

private:
    static constexpr std::size_t kLeastGrowth = std::size_t{1} << 16;

    void grow(std::size_t count) {
        DensityArray larger;
        larger.allocate(std::min(count_, used_ + std::max({count, used_, kLeastGrowth})));
        std::copy(rho_.begin(), rho_.begin() + used_, larger.begin());
        rho_ = std::move(larger);
    }

    std::size_t count_;
    std::size_t used_ = 0;
    DensityArray& rho_;
};

}  // namespace voxmill
