// The maximum and minimum that a q47 writer records in the trailer of a new map, taken over
// the densities in the order they are written. The console's writers differ in where the
// extremes start and in which values replace them; each names its rule here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace voxmill {

enum class ExtremesRule {
    beyond,               // a value strictly beyond an extreme replaces it; a NaN never does
    beyond_or_equal,      // so does one equal to it (of equal zeros the last stays); a NaN never
    beyond_or_unordered,  // so does an unordered one: a NaN becomes the extreme, and the next
                          // value replaces it again
};

class TrailerExtremes {
public:
    // The extremes start at -start and start.
    TrailerExtremes(ExtremesRule rule, float start) : rmax(-start), rmin(start), rule_(rule) {}

    // Takes the values in order; the result is the one of taking them one by one.
    void take(const float* values, std::size_t count);
    // Takes the extremes of the values that follow those taken so far, gathered from the
    // same start by the same rule: as if those values had been taken. For the rules that a
    // NaN never enters.
    void take(const TrailerExtremes& later);

    float rmax;
    float rmin;

private:
    ExtremesRule rule_;
};

// The extremes of `count` values by a rule that a NaN never enters, gathered in pieces on all
// cores.
TrailerExtremes trailer_extremes(ExtremesRule rule, float start, const float* values, std::int64_t count);

}  // namespace voxmill
