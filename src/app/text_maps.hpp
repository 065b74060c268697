// Options E and A: the input map written as text for other programs, one density a line in
// the X-PLOR layout or as the voxel list of MEED/VEND, with the cell the user typed.
#pragma once

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// Both create or replace outrhofile after reading the q47 map infile1 with readorvo (a failed
// read is a plain stop, leaving no output); an output that cannot be written ends the run
// with a FileError.

// The header lines with the user's cell, the sections, "-9999" and the line with the mean
// density and one hundredth of it.
void writexplor(State& st, Console& con);

// Every voxel with its grid coordinates and density, then the cell and the grid. The number
// of coordinates on a voxel line is sdim as the file dialogue's probe left it.
void writevend(State& st, Console& con);

}  // namespace voxmill
