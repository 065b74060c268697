// Fast fixed-width fields for the big text writers: the same characters as fmt_i and fmt_f
// (core/fields.hpp) give, written straight into a buffer with exact integer arithmetic
// instead of printf. Each writes exactly w characters and returns the position after them.
#pragma once

#include <cstdint>

namespace voxmill {

// Iw: right-aligned, asterisks when too wide.
char* put_i(char* p, std::int64_t value, int w);

// Fw.d of a single-precision value, 0 <= d <= 9: its exact binary value rounded half to even,
// the leading zero dropped when only that makes it fit, asterisks when it does not fit,
// NaN and infinities as fmt_f spells them.
char* put_f(char* p, float value, int w, int d);

}  // namespace voxmill
