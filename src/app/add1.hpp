// Menu option 1: copy a q47 map with a closing layer added on every axis.
#pragma once

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// Reads infile1 and writes it closed into the new file outrhofile. A map that cannot be read
// stops the program; a failed write has printed its block and returns like a success.
void add1(State& st, Console& con);

}  // namespace voxmill
