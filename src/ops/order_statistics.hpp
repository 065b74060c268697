// The densities found at a few ranks of a map's ascending order, without sorting the map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace voxmill {

// The values that positions `ranks` (ascending, no repeats, each in 0 .. count-1) would hold
// if values[0 .. count-1] were sorted ascending. The values must not include NaN. At a rank
// that falls among zeros of both signs the sign of the zero found is not fixed; everywhere
// else the value is the one and only value that any ascending sort puts there.
//
// The values may be left reordered. Extra memory stays below a quarter of the values.
std::vector<float> order_statistics(float* values, std::size_t count, const std::vector<std::int64_t>& ranks);

}  // namespace voxmill
