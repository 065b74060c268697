// Menu option B: a superspace map projected on real space, each voxel of the first three
// stored axes receiving the plain sum of the densities over all further axes.
#pragma once

#include "app/console.hpp"
#include "app/state.hpp"

namespace voxmill {

// Writes the projection of infile1 into the new map outrhofile.
void project(State& st, Console& con);

}  // namespace voxmill
