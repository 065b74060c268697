// Writing a q47 map as the voxel list of the MEED/VEND programs: every voxel with its grid
// coordinates and density, then the cell and the grid.
#pragma once

#include "core/console.hpp"
#include "core/voxmill_mod.hpp"
#include "core/map.hpp"

namespace voxmill {

// Creates or replaces outrhofile, reads the q47 map infile1 with readorvo (a failed read is
// a plain stop, leaving the output empty) and writes the list. The number of coordinates on
// a voxel line is sdim as the file dialogue's probe left it.
// An output that cannot be written ends the run with a FileError.
void writevend(State& st, Console& con);

// The same list of a map value, with its cell. A MapError, before anything is written, for a
// map without a cell and for one with a density, a cell number or a voxel count that its field
// would print as asterisks (option A writes those as they come); a FileError when the file
// cannot be written.
void write_vend_map(const Map& map, const std::string& path);

}  // namespace voxmill
