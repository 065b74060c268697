// The working folder of a fuzzed console session: a few small maps, valid and broken, laid
// out afresh before every session so that no session sees what an earlier one wrote.
//   m3.q47   3D map, 4 x 3 x 2 voxels        cut.q47  m3.q47 cut short inside its layers
//   m4.q47   4D map, 3 x 3 x 2 x 2 voxels    bad.q47  m3.q47 with a layer size of 5
//   m.xplor  3D X-PLOR map, 3 x 2 x 2 voxels
#pragma once

namespace vfuzz {

// Empties the working folder and writes the maps above into it.
void lay_out_scratch_maps();

}  // namespace vfuzz
