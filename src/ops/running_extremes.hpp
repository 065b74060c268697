// The maximum and minimum that a q47 writer records in the trailer of a new map, taken over
// the densities in the order they are written. They start at -100000 and 100000, and a value
// replaces one when it lies beyond it or when the comparison is unordered: a NaN becomes the
// extreme, and the next value replaces it again.
#pragma once

#include <cstddef>

namespace voxmill {

struct RunningExtremes {
    float rmax = -100000.0f;
    float rmin = 100000.0f;

    // Takes the values in order; the result is the one of taking them one by one.
    void take(const float* values, std::size_t count);
};

}  // namespace voxmill
