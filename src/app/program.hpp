// One whole run of the program on the given console streams; returns the exit status:
// 0 after a quit or a stop, 2 when the console cannot give an answer, 3 when the file layer
// fails where no routine checks it, 4 when memory runs out outside the map readers.
#pragma once

#include <iosfwd>

#include "app/operations.hpp"

namespace voxmill {

enum : int {
    kExitOk = 0,
    kExitConsole = 2,
    kExitFile = 3,
    kExitMemory = 4,
};

int run_program(std::istream& in, std::ostream& out, std::ostream& err);
int run_program(std::istream& in, std::ostream& out, std::ostream& err, const Operations& ops);

}  // namespace voxmill
