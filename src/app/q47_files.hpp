// The console's reading of a q47 map into the state, with its failure blocks.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// How the console's reading or writing of a q47 map ended; each failure has printed its block.
enum class FileStatus {
    ok,
    cannot_open,  // or its header cannot be read
    cannot_read_or_write,
    cannot_close,
};

// Loads the q47 map `rhofile` into the shared state: nvox, sdim and rho. Reports a failure
// with a console block and its status; stops the program when memory is short.
FileStatus readorvo(State& st, Console& con, std::string_view rhofile);

// Reads infile1, whose file dialogue probed it, with readorvo: the operation's questions were
// asked, and its sizes worked out, for the voxel counts that the probe found (`probed`). When
// readorvo reports a failure (its block printed) the program stops, with `stop` as the stop's
// message. False, with one free-format line printed, when the header read holds other voxel
// counts than the probe found, so that the file was replaced after its name was accepted.
bool read_input_map(State& st, Console& con, const char* stop = "");

// The stop of the options that rewrite the map, when it cannot be read.
constexpr const char* kDensityReadStop = "Error reading density. Stopping.";

}  // namespace voxmill
