// The local maxima of a map of any dimension, each refined to a sub-voxel position and
// given the charge of its basin.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/map.hpp"

namespace voxmill {

// Which maxima are kept: a refined height of at least `min_height` when it is given, else of
// at least mean + min_sigma * rms of the map's finite voxels; at most `max_count`, highest
// first.
struct PeakCriteria {
    std::optional<double> min_height;
    double min_sigma = 3.0;
    std::optional<std::size_t> max_count;
};

struct Peak {
    std::array<double, 6> position{};  // fractional coordinates on axes 1 .. dimension, each in [0, 1)
    double height = 0;                 // the density at the refined position
    double charge = 0;                 // basin sum x real-space voxel volume / superspace voxels
    std::int64_t voxels = 0;           // voxels of the basin
    bool refined = false;              // false: the refinement left the neighbourhood, grid position kept
};

// The maxima of `map` that the criteria keep, highest first. Throws MapError (refused) for a
// map that cannot be analysed.
std::vector<Peak> find_peaks(const Map& map, const PeakCriteria& criteria);

// The least height the criteria keep: min_height, else mean + min_sigma * rms of the finite
// voxels; none for a map without a finite voxel.
std::optional<double> peak_threshold(const Map& map, const PeakCriteria& criteria);

}  // namespace voxmill
