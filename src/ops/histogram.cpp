#include "ops/histogram.hpp"

#include <algorithm>
#include <bit>

#include "core/voxmill_mod.hpp"
#include "ops/heap.hpp"
#include "ops/order_statistics.hpp"

namespace voxmill {

namespace {

struct ValueCensus {
    std::int64_t nan = 0;
    std::int64_t negative = 0;  // below zero
    std::int64_t minus_zero = 0;
    std::int64_t plus_zero = 0;
};

ValueCensus census(const float* v, std::int64_t count) {
    ValueCensus c;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint32_t u = std::bit_cast<std::uint32_t>(v[i]);
        c.nan += (u & 0x7FFFFFFFu) > 0x7F800000u;
        c.negative += v[i] < 0.0f;
        c.minus_zero += u == 0x80000000u;
        c.plus_zero += u == 0u;
    }
    return c;
}

// Without NaN, heap leaves an ascending permutation of the map, and the only different
// values that compare equal are -0.0 and +0.0. So a position outside the run of zeros holds
// the same value after any ascending sort, and so does one inside it when the map has zeros
// of one sign only. Where neither holds, only heap itself knows which zero lands there.
bool any_sort_agrees_with_heap(const ValueCensus& c, const std::vector<std::int64_t>& positions) {
    if (c.nan > 0) return false;
    if (c.minus_zero == 0 || c.plus_zero == 0) return true;
    const std::int64_t zeros_end = c.negative + c.minus_zero + c.plus_zero;
    return std::none_of(positions.begin(), positions.end(),
                        [&](std::int64_t p) { return p >= c.negative && p < zeros_end; });
}

}  // namespace

std::vector<std::int64_t> class_positions(std::int32_t nvoxtot, std::int32_t hmclasses) {
    std::vector<std::int64_t> positions;
    for (std::int32_t i = 0; i < hmclasses; ++i) {
        const double quotient = static_cast<double>(nvoxtot) * i / hmclasses;
        const std::int64_t p = nint(static_cast<float>(quotient));
        positions.push_back(std::min<std::int64_t>(p, nvoxtot - 1));
    }
    positions.push_back(nvoxtot - 1);
    return positions;
}

std::vector<float> class_limits(float* rho, std::int32_t nvoxtot, std::int32_t hmclasses) {
    const std::vector<std::int64_t> positions = class_positions(nvoxtot, hmclasses);
    std::vector<float> limits(positions.size());
    const DensityBuckets buckets(rho, static_cast<std::size_t>(nvoxtot));
    // The census is needed only where the buckets leave room for NaN or for both zeros.
    if ((buckets.may_hold_nan() || buckets.may_hold_both_zeros()) &&
        !any_sort_agrees_with_heap(census(rho, nvoxtot), positions)) {
        heap(nvoxtot, rho);
        for (std::size_t i = 0; i < positions.size(); ++i) limits[i] = rho[positions[i]];
        return limits;
    }
    std::vector<std::int64_t> ranks = positions;
    std::sort(ranks.begin(), ranks.end());
    ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
    const std::vector<float> found = buckets.select(rho, ranks);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto at = std::lower_bound(ranks.begin(), ranks.end(), positions[i]) - ranks.begin();
        limits[i] = found[static_cast<std::size_t>(at)];
    }
    return limits;
}

}  // namespace voxmill
