// The start that the two text writers share: the output is created before the map is read,
// so that a failed read leaves it empty.
#pragma once

#include "core/console.hpp"
#include "core/voxmill_mod.hpp"
#include "formats/text_output.hpp"

namespace voxmill {

// Reads infile1 with readorvo. A failed read stops the program without a message of its own
// (readorvo has printed its block). A map that holds fewer voxels than nvoxtot (the count the
// file dialogue's probe left) ends the run with a FileError, before anything is written.
void read_map_for_text(State& st, Console& con, TextOutput& out);

}  // namespace voxmill
