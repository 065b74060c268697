// Writing a q47 map as X-PLOR text (the layout that readxplor reads), one density a line.
#pragma once

#include "core/console.hpp"
#include "core/voxmill_mod.hpp"

namespace voxmill {

// Creates or replaces outrhofile, reads the q47 map infile1 with readorvo (a failed read is
// a plain stop, leaving the output empty) and writes the header lines with the user's cell,
// the sections, "-9999" and the line with the mean density and one hundredth of it.
// An output that cannot be written ends the run with a FileError.
void writexplor(State& st, Console& con);

}  // namespace voxmill
