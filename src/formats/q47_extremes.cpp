#include "formats/q47_extremes.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include "core/work_sharing.hpp"

namespace voxmill {

namespace {

// A value takes the place of the extreme m by the rule (`above`: m is a maximum).
bool replaces(ExtremesRule rule, float v, float m, bool above) {
    switch (rule) {
        case ExtremesRule::beyond: return above ? v > m : v < m;
        case ExtremesRule::beyond_or_equal: return above ? v >= m : v <= m;
        case ExtremesRule::beyond_or_unordered: return above ? !(v <= m) : !(v >= m);
    }
    return false;
}

void take_one_by_one(ExtremesRule rule, TrailerExtremes& e, const float* v, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (replaces(rule, v[i], e.rmin, false)) e.rmin = v[i];
        if (replaces(rule, v[i], e.rmax, true)) e.rmax = v[i];
    }
}

// Of the values equal to m, the one that stays: the first by the rules where an equal value
// leaves the extreme alone, the last where it takes its place. Only zeros need the search:
// they are the one case where equal values differ in their bits.
float kept_equal(ExtremesRule rule, const float* v, std::size_t count, float m) {
    if (m != 0.0f) return m;
    if (rule == ExtremesRule::beyond_or_equal) {
        return *std::find(std::make_reverse_iterator(v + count), std::make_reverse_iterator(v), m);
    }
    return *std::find(v, v + count, m);
}

constexpr std::size_t kLanes = 16;
constexpr std::size_t kBlock = 4096;

// Without NaNs, in the block or in the extremes, taking a block one by one leaves an extreme
// alone unless the block holds a value beyond it (or equal, by that rule), and then ends at the
// kept one of the values equal to the block's extreme. So the block's extremes can be found
// lane by lane, which the compiler vectorises. A block with a NaN or an infinity (x - x is
// then NaN) goes one by one.
void take_block(ExtremesRule rule, TrailerExtremes& e, const float* v, std::size_t count) {
    // An extreme that is NaN gives way to the next value whatever it is.
    while (count > 0 && (std::isnan(e.rmin) || std::isnan(e.rmax))) {
        take_one_by_one(rule, e, v++, 1);
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
        take_one_by_one(rule, e, v, count);
        return;
    }
    if (replaces(rule, m, e.rmin, false)) e.rmin = kept_equal(rule, v, count, m);
    if (replaces(rule, M, e.rmax, true)) e.rmax = kept_equal(rule, v, count, M);
}

}  // namespace

void TrailerExtremes::take(const float* values, std::size_t count) {
    for (std::size_t at = 0; at < count; at += kBlock) take_block(rule_, *this, values + at, std::min(kBlock, count - at));
}

void TrailerExtremes::take(const TrailerExtremes& later) {
    if (replaces(rule_, later.rmin, rmin, false)) rmin = later.rmin;
    if (replaces(rule_, later.rmax, rmax, true)) rmax = later.rmax;
}

TrailerExtremes trailer_extremes(ExtremesRule rule, float start, const float* values, std::int64_t count) {
    constexpr std::int64_t kPiece = std::int64_t{1} << 16;
    std::vector<TrailerExtremes> pieces(static_cast<std::size_t>((count + kPiece - 1) / kPiece), TrailerExtremes(rule, start));
    share_work(0, count, kPiece, 0, [&](std::int64_t begin, std::int64_t end) {
        pieces[static_cast<std::size_t>(begin / kPiece)].take(values + begin, static_cast<std::size_t>(end - begin));
    });
    TrailerExtremes e(rule, start);
    for (const TrailerExtremes& p : pieces) e.take(p);
    return e;
}

}  // namespace voxmill
