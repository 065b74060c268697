// Where a maximum of a map peaks between the voxels. The model is the quadratic of
// log(density) fitted in least squares to the maximum's voxel and its 3^A - 1 neighbours
// (NeighbourWalk); its peak is one Newton step away, solving H x = -g. A Gaussian atom's log
// is such a quadratic in any linear coordinates, so the model is exact for a lone atom on any
// grid and cell, where the five-node spline of the sections misses the centre of a top of
// width 0.4 A at steps of 0.3 A by up to 0.03 voxel. The height is the model's too, exp of its
// value at the peak, for the same reason (the spline's is up to 0.5 % low there).
#pragma once

#include <array>
#include <cstdint>

#include "core/grid_walk.hpp"
#include "core/map.hpp"

namespace voxmill {

struct Summit {
    std::array<double, 6> shift{};  // voxels from the maximum's voxel along axes 1 .. 6
    double height = 0;              // the density there
    bool refined = false;
};

// The summit of the maximum at voxel `at`. Along an axis where the voxel's two neighbours equal
// it (inside a flat top) the model is flat and the shift stays 0. Not refined (no shift, the
// voxel's own density as height): a neighbour that is missing (beyond a box's end), NaN or not
// above 0, a model that does not peak (H not negative definite over the axes that are not
// flat, or every axis flat), or a peak more than one voxel away along some axis.
Summit summit(const Map& map, const NeighbourWalk& walk, std::int64_t at);

}  // namespace voxmill
