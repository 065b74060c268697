#include "ops/running_extremes.hpp"

#include <algorithm>
#include <cmath>

namespace voxmill {

namespace {

// One value at a time, as the trailer rule states it.
void take_one_by_one(RunningExtremes& e, const float* v, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!(v[i] >= e.rmin)) e.rmin = v[i];
        if (!(v[i] <= e.rmax)) e.rmax = v[i];
    }
}

// The first value of the block that compares equal to m. Only zeros need the search: they
// are the one case where equal values differ in their bits, and the first one seen stays.
float first_equal(const float* v, std::size_t count, float m) {
    if (m != 0.0f) return m;
    return *std::find(v, v + count, m);
}

constexpr std::size_t kLanes = 16;
constexpr std::size_t kBlock = 4096;

// Without NaNs, in the block or in the extremes, taking a block one by one leaves an extreme alone unless the block holds a
// value beyond it, and then ends at the first value equal to the block's extreme. So the
// block's extremes can be found lane by lane, which the compiler vectorises. A block with a
// NaN or an infinity (x - x is then NaN) goes one by one.
void take_block(RunningExtremes& e, const float* v, std::size_t count) {
    // An extreme that is NaN gives way to the next value whatever it is.
    while (count > 0 && (std::isnan(e.rmin) || std::isnan(e.rmax))) {
        take_one_by_one(e, v++, 1);
        --count;
    }
    if (count == 0) return;
    float lo[kLanes];
    float hi[kLanes];
    float nan[kLanes];
    std::fill_n(lo, kLanes, v[0]);
    std::fill_n(hi, kLanes, v[0]);
    std::fill_n(nan, kLanes, 0.0f);
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        for (std::size_t k = 0; k < kLanes; ++k) {
            const float x = v[i + k];
            lo[k] = x < lo[k] ? x : lo[k];
            hi[k] = x > hi[k] ? x : hi[k];
            nan[k] += x - x;
        }
    }
    for (; i < count; ++i) {
        lo[0] = v[i] < lo[0] ? v[i] : lo[0];
        hi[0] = v[i] > hi[0] ? v[i] : hi[0];
        nan[0] += v[i] - v[i];
    }
    float m = lo[0];
    float M = hi[0];
    float any = nan[0];
    for (std::size_t k = 1; k < kLanes; ++k) {
        m = std::min(m, lo[k]);
        M = std::max(M, hi[k]);
        any += nan[k];
    }
    if (any != 0.0f) {
        take_one_by_one(e, v, count);
        return;
    }
    if (m < e.rmin) e.rmin = first_equal(v, count, m);
    if (M > e.rmax) e.rmax = first_equal(v, count, M);
}

}  // namespace

void RunningExtremes::take(const float* values, std::size_t count) {
    for (std::size_t at = 0; at < count; at += kBlock) take_block(*this, values + at, std::min(kBlock, count - at));
}

}  // namespace voxmill
