// The file-name dialogue that every option but D runs first, and the header probe behind it.
#pragma once

#include <string_view>

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// What the probe of a map's header finds.
struct Probe {
    enum class Outcome {
        map,           // a usable header of `dimension` dimensions, 1 to 6
        cannot_open,   // no file of that name, or none that opens
        cannot_read,   // a header that cannot be read, or counts that no map can have
        no_dimension,  // a header without an axis of more than one voxel
    };
    Outcome outcome;
    int dimension = 0;
};

// Reads the header of the q47 file `rhofile` (the whole name, without trailing blanks). Loads
// probed from a usable header, and from one without an axis of more than one voxel.
Probe getdim(State& st, std::string_view rhofile);

// key 2: one input map and one output file; key 3: two input maps of the same dimension and
// one output file; any other key only blanks the names.
void getargs(State& st, Console& con, int key);

}  // namespace voxmill
