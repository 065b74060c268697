// Two maps of one grid combined voxel by voxel, with the R-value of the pair and the range of
// the result.
#pragma once

#include <cstddef>
#include <optional>

#include "core/map.hpp"
#include "formats/q47_extremes.hpp"

namespace voxmill {

enum class Combination {
    difference,  // a - b
    relative,    // 100 (a - b) / b
    sum,         // a + b
    share,       // |a| / (|a| + |b|), the denominator at least 1e-6
};

// What a combination gathers over the whole map. The sums run in voxel order in double
// precision: summed in single precision, hundreds of millions of voxels would drift in the
// fourth digit.
struct CombinationTotals {
    // Extremes of the stored values from -10000 and 10000; NaN moves neither.
    TrailerExtremes range{ExtremesRule::beyond, 10000.0f};
    double r_numerator = 0.0;    // sum of |a - b|
    double r_denominator = 0.0;  // sum of |b|
    double sum = 0.0;            // sum of the stored values, for the share's average
    std::int64_t voxels = 0;

    double r_value() const { return r_numerator / r_denominator; }
};

// Combines `count` voxels: a becomes the stored values, b is left as it is.
void combine_voxels(Combination how, float* a, const float* b, std::size_t count, CombinationTotals& totals);

struct CombinedMap {
    Map map;  // on b's frame, map code 6
    CombinationTotals totals;
};

// The combination of two maps of the same counts; a MapError for maps of other counts.
CombinedMap combine(const Map& a, const Map& b, Combination how);

// The frame of the combination of a map with b: b's frame, map code 6.
Map combination_frame(const Map& b);

}  // namespace voxmill
