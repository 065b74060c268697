// The maxima of a map and their basins by steepest ascent on the grid: every voxel steps to
// its highest neighbour (NeighbourWalk) while that is higher, and belongs to the basin of the
// maximum where its steps end. NaN voxels are never maxima, never neighbours and in no basin.
#pragma once

#include <cstdint>
#include <vector>

#include "core/grid_walk.hpp"
#include "core/large_allocator.hpp"
#include "core/map.hpp"

namespace voxmill {

// The uphill step of a voxel that belongs to no basin.
constexpr std::int64_t kNoBasin = -1;
// The uphill step of a voxel that no neighbour tops and one equals, before its plateau is
// settled.
constexpr std::int64_t kFlat = -2;

struct Ascent {
    // The voxels where ascent ends, by increasing index: each voxel with no neighbour as high
    // and one lower, and one voxel of each flat top (a connected plateau of equal voxels with
    // none higher around it and one lower), the one farthest from its rim.
    std::vector<std::int64_t> maxima;
    // For every voxel the next voxel of its ascent: the highest neighbour (the first of equals
    // in the walk's order) when that is higher; across a plateau with a higher voxel on its
    // rim, a step towards the nearest such voxel; on a flat top its chosen voxel; the voxel
    // itself at a maximum. kNoBasin for NaN voxels and for a plateau with no lower neighbour
    // (a constant map). One for each voxel of the map.
    LargeVector<std::int64_t> uphill;
};

// The ascent of every voxel.
Ascent steepest_ascent(const Map& map, const NeighbourWalk& walk);

struct Basin {
    double density = 0;      // the sum of its voxels' densities
    std::int64_t voxels = 0;
};

// The basins of ascent.maxima, in that order; uses up ascent.uphill.
std::vector<Basin> basins(const Map& map, Ascent& ascent);

}  // namespace voxmill
