// The in-place heapsort of the density histogram.
#pragma once

#include <cstdint>

namespace voxmill {

// Sorts ra(1) .. ra(n), that is ra[0] .. ra[n-1], into ascending order in place. Every
// comparison is a strict less-than on floats: of two equal children the left one is taken,
// and a value equal to the one being sifted does not move up. Where values compare equal but
// differ (-0.0 and +0.0) or do not compare at all (NaN), the order it leaves is this
// routine's own, and the histogram relies on exactly that order.
void heap(std::int32_t n, float* ra);

}  // namespace voxmill
