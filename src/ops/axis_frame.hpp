// Where the fractional coordinates of one map axis land among its voxels. A map whose voxels
// cover exactly one cell along an axis repeats with the cell there, so every coordinate lands
// on it; any other map (a box cut from a cell, a CCP4 map of fewer columns than the cell's
// sampling) holds data over its frame only, at its true coordinates, and nowhere else.
#pragma once

#include <cstdint>
#include <utility>

#include "core/map.hpp"

namespace voxmill {

// Whether the map repeats with the cell along axis k: its voxels times its step make one cell
// (to a ten-thousandth), or it has one voxel there, and so is constant along the axis.
bool periodic_axis(const Map& map, int k);

// The fractional coordinates of the first and the last voxel along axis k.
std::pair<double, double> frame_range(const Map& map, int k);

// Whether the map holds data at coordinate x of axis k: anywhere along a periodic axis, within
// the frame (to a ten-thousandth of a voxel) elsewhere.
bool holds_coordinate(const Map& map, int k, double x);

// One axis of a map whose frame passes frame_fault.
struct AxisFrame {
    AxisFrame(const Map& map, int k);

    // x in voxels from the first voxel: on a periodic axis within the cell, [0, n); in a box
    // within [0, n - 1], or NaN beyond its ends. Taken in double from the fraction of the cell
    // on, so that a coordinate a billion cells out lands where its image in the cell does.
    double voxel_coordinate(double x) const;

    double start = 0, step = 1;  // step 1 along an axis of one voxel, whatever the file says
    std::int32_t n = 1;
    bool periodic = true;
};

}  // namespace voxmill
