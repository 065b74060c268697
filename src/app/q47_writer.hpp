// Writing the current map as a q47 map file with a header derived from its extents alone.
#pragma once

#include <string_view>

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// Writes rho (sdim, nvox) into `rhofile` (its first 132 characters), opened or
// created without truncation: an older, longer file keeps its bytes after the new trailer.
// Every failure prints its block and stops the program.
void writeorvo(State& st, Console& con, std::string_view rhofile);

}  // namespace voxmill
