// The projection of a superspace map on real space: the sum over the superspace axes.
#pragma once

#include "core/map.hpp"

namespace voxmill {

// The real-space axes as in the input, the others of one voxel at 0 with step 1; codes, map
// code, subsystem and cell stay, and the satellite flag keeps telling that the map summed over
// had satellites.
Map project(const Map& map);

}  // namespace voxmill
