// Menu options 4, 5 and 7: a new q47 map made of the input map in one pass, with its axes
// permuted through the header's axis codes, rolled periodically by whole voxels, and cut to
// a box that may wrap around the cell.
#pragma once

#include <cstdint>
#include <string>

#include "app/console.hpp"
#include "app/state.hpp"
#include "core/tab.hpp"

namespace voxmill {

// Writes the new map outrhofile from infile1. Character j of axord is the axis code that
// output axis j carries, character j of axordorvo the code written for it; the box along
// input axis i starts at voxel iorg(i) and holds iwidth(i) + 1 voxels; onsub is the
// subsystem number written, 0 for the input's own.
//
// An order that leaves an output axis with no input axis, a box of no voxels along an axis,
// or a box too large for a q47 map is refused with one line, and nothing is written.
void q47reorder(State& st, Console& con, const std::string& axord, const std::string& axordorvo,
                const Tab<std::int32_t, 6>& iorg, const Tab<std::int32_t, 6>& iwidth, std::int32_t onsub);

}  // namespace voxmill
