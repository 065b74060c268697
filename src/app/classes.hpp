// Option F: the equal-count class limits of the input map, written as a text table.
#pragma once

#include <cstdint>

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// Reads infile1, and writes to outrhofile the densities found at the positions
// nint(real(voxels * i / hmclasses)), i = 0 .. hmclasses-1, of the map sorted by `heap`,
// then the largest density; one F14.7 line each. A map that cannot be read stops the program.
void histogram(State& st, Console& con, std::int32_t hmclasses);

}  // namespace voxmill
