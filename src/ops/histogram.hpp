// Menu option F: equal-count class limits of a map's densities, written as a text table.
#pragma once

#include <cstdint>
#include <vector>

#include "core/console.hpp"
#include "core/voxmill_mod.hpp"

namespace voxmill {

// Reads infile1, and writes to outrhofile the densities found at the positions
// nint(real(nvoxtot * i / hmclasses)), i = 0 .. hmclasses-1, of the map sorted by `heap`,
// then the largest density; one F14.7 line each. A map that cannot be read stops the program.
void histogram(State& st, Console& con, std::int32_t hmclasses);

// The positions of the sorted map that the table shows, in the order of its lines. A position
// at or beyond the end (with at least twice as many classes as voxels) shows the largest
// density, so it is given as nvoxtot-1.
std::vector<std::int64_t> class_positions(std::int32_t nvoxtot, std::int32_t hmclasses);

// The lines' densities for rho[0 .. nvoxtot-1] (nvoxtot at least 1): exactly what `heap`
// leaves at those positions. rho may be left reordered.
std::vector<float> class_limits(float* rho, std::int32_t nvoxtot, std::int32_t hmclasses);

}  // namespace voxmill
