// Reading a density map in the X-PLOR text layout into the shared map state.
//
// The layout, one density a line:
//   line 1            skipped
//   line 2            first word: T, the number of title lines that follow (skipped)
//   grid line         N(i), first index, last index for each dimension i = 1..D
//   cell line         skipped
//   order line        "ZYX"
//   per section s     a label line holding s, then L value lines (first word a density)
// with L = N(1)*N(2) (N(1) when D = 1) and sections over the remaining dimensions. Each line
// is seen through the 132-character line buffer; lines may end in CR LF or LF.
#pragma once

#include <string_view>

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// Reads `rhofile` (its first 132 characters) into sdim, nvox and rho; nvox is 1 on
// the axes above the map's dimensions. Leaves in st.buffer what remains of the last line.
// A file that cannot be opened, read or closed, or that breaks the layout, prints its
// messages and stops the program; so does a density beyond single precision, as an
// inconsistency of its line.
//
// A plain file whose first section starts with a line of several densities is first read as
// the command-line tools read the standard layout (read_xplor_map): the state then holds that
// map whole in st.map, its dimension in sdim and a blank buffer. A text that this reading
// refuses, and a box of a larger cell, whose frame the q47 map of option D would lose, are
// read one density a line as above.
void readxplor(State& st, Console& con, std::string_view rhofile);

}  // namespace voxmill
