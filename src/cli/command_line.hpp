// The command-line face of the program: `voxmill COMMAND ...` runs one command and exits.
// The console, started without arguments, knows nothing of it.
#pragma once

#include <ostream>

namespace voxmill {

// Exit status: 0 done, 1 a command failed (one line on `err` per failure), 2 a usage error
// (the error and the usage line on `err`).
int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace voxmill
