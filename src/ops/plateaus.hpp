// Where steepest ascent goes from the voxels of a plateau (connected voxels of one density)
// that no neighbour tops.
#pragma once

#include <cstdint>
#include <vector>

#include "core/grid_walk.hpp"
#include "core/map.hpp"
#include "ops/basins.hpp"

namespace voxmill {

// Gives every voxel whose step is kFlat its step. On a shelf (a plateau with a voxel of its
// level that leads up) each voxel steps towards the nearest such voxel, counted in steps
// along the axes: next to one, to the first in the walk's order; further in, to the
// neighbour of lowest index among those one step nearer. Where only a diagonal leads on, the
// walk goes through every neighbour. A flat top (none higher around it, one lower) is one
// maximum at its voxel farthest from its rim, to which all its voxels step. A plateau with
// nothing lower around it (a constant map, or one among NaN voxels) gets kNoBasin. Returns
// the flat tops' maxima. `walk` reaches every neighbour.
std::vector<std::int64_t> settle_plateaus(const Map& map, const NeighbourWalk& walk, std::int64_t* uphill);

// Whether a neighbour of voxel `at` is lower than it.
bool has_lower_neighbour(const float* rho, const NeighbourWalk& walk, std::int64_t at);

}  // namespace voxmill
