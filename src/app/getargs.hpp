// The file-name dialogue that every option but D runs first, and the header probe behind it.
#pragma once

#include <string_view>

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// Probe results besides the dimension count 1..6.
enum : int {
    kProbeCannotOpen = -1,
    kProbeCannotRead = -2,
    kProbeNoDimension = 0,
};

// Reads the header of the q47 file `rhofile` (the whole name, without trailing blanks) and
// returns the map's dimension count or one of the probe results. Loads probed and nvoxtot from
// a usable header, and from one without an axis of more than one voxel.
int getdim(State& st, std::string_view rhofile);

// key 2: one input map and one output file; key 3: two input maps of the same dimension and
// one output file; any other key only blanks the names.
void getargs(State& st, Console& con, int key);

}  // namespace voxmill
