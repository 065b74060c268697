// Writing the current map as a closed q47 map: one more voxel along every axis of the map,
// the added plane at the far end repeating the plane at the start, so that each axis runs
// from fractional coordinate 0 to 1 inclusive.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/console.hpp"
#include "app/q47_files.hpp"
#include "app/state.hpp"

namespace voxmill {

// Writes rho (the open map of nvox, sdim) closed into the new file `rhofile`; an existing
// file of that name is refused and left as it is.
// Reports failures with a console block and the returned status; stops the program only when
// the layer buffer cannot be allocated.
FileStatus writeorvop1(State& st, Console& con, std::string_view rhofile);

}  // namespace voxmill
