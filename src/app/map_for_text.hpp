// The start that the two text writers share: the map is read before the output is created,
// so that a failed read leaves no file behind.
#pragma once

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// Reads infile1 with readorvo. A failed read stops the program without a message of its own
// (readorvo has printed its block). Returns false, with the refusal line printed, when the
// map read is not the one the file dialogue probed.
bool read_map_for_text(State& st, Console& con);

}  // namespace voxmill
