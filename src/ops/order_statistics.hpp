// The densities found at a few ranks of a map's ascending order, without sorting the map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace voxmill {

// The values of a map counted by the upper 16 bits of their position in the float order,
// in one pass. The count tells which ranks each bucket covers, so a rank can be found by
// looking at the values of its bucket only.
class DensityBuckets {
public:
    DensityBuckets(const float* values, std::size_t count);

    // False when no value is NaN: the buckets that NaN can fall in (shared with the
    // infinities) are empty.
    bool may_hold_nan() const;
    // False when the values do not hold zeros of both signs.
    bool may_hold_both_zeros() const;

    // The values that positions `ranks` (ascending, no repeats, each below the count) would
    // hold if the values were sorted ascending. The values must not include NaN. At a rank
    // that falls among zeros of both signs the sign of the zero found is not fixed; at every
    // other rank the value is the one and only value that any ascending sort puts there.
    // `values` are the ones counted; they may be left reordered. Extra memory stays below a
    // quarter of the values.
    std::vector<float> select(float* values, const std::vector<std::int64_t>& ranks) const;

private:
    std::size_t count_;
    std::vector<std::uint32_t> in_bucket_;
    std::vector<std::int64_t> first_rank_;  // rank of the first value of each bucket
};

}  // namespace voxmill
