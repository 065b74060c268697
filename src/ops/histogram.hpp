// Equal-count class limits of a map's densities: the densities at evenly spaced ranks.
#pragma once

#include <cstdint>
#include <vector>

namespace voxmill {

// The positions of the sorted map that the table shows, in the order of its lines. A position
// at or beyond the end (with at least twice as many classes as voxels) shows the largest
// density, so it is given as nvoxtot-1.
std::vector<std::int64_t> class_positions(std::int32_t nvoxtot, std::int32_t hmclasses);

// The lines' densities for rho[0 .. nvoxtot-1] (nvoxtot at least 1): exactly what `heap`
// leaves at those positions. rho may be left reordered.
std::vector<float> class_limits(float* rho, std::int32_t nvoxtot, std::int32_t hmclasses);

}  // namespace voxmill
