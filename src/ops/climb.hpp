// The first step of steepest ascent from every voxel of a map: to its highest neighbour when
// that is higher. The highest of the 3^A - 1 neighbours (NeighbourWalk) is the highest voxel
// of the 3^A block around the voxel, and that block's maximum is taken one axis at a time:
// A passes of three candidates each instead of 3^A - 1 comparisons (8 instead of 80 in four
// dimensions). The passes go slab by slab along the last axis, so that what they hold stays
// in the caches, and the slabs are shared over all cores.
#pragma once

#include <cstdint>

#include "core/grid_walk.hpp"
#include "core/map.hpp"

namespace voxmill {

// uphill[i] for every voxel i: its highest neighbour (the first of equals in the walk's order)
// when that is higher than the voxel; kFlat when none is higher and one is as high; i itself
// otherwise, and for a NaN voxel. NaN voxels are never neighbours.
void climb(const Map& map, const NeighbourWalk& walk, std::int64_t* uphill);

}  // namespace voxmill
