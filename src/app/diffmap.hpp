// Menu option 2: two q47 maps of one grid combined voxel by voxel into a third, with the
// R-value sum|a-b| / sum|b| and the range of the result reported on the console.
#pragma once

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// key '1': a - b; '2': 100 (a - b) / b; '3': a + b; '4': |a| / (|a| + |b|), the denominator
// at least 1e-6 (a share, not a percentage). a is infile1, b infile2, the result outrhofile.
// The maps are streamed one layer of each at a time. Layer sizes or counts that differ stop
// the program; files that cannot be opened, read or written end the run with a FileError.
void diffmap(State& st, Console& con, char key);

}  // namespace voxmill
