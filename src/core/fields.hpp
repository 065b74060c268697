// Fixed-width number fields of console lines and text files (Iw and Fw.d): right-aligned,
// asterisks filling the field when the number is too wide, NaN and infinities spelled out.
#pragma once

#include <cstdint>
#include <string>

namespace voxmill {

// An integer right-aligned in w characters (Iw).
std::string fmt_i(std::int64_t value, int w);

// A fixed-point number with d decimals right-aligned in w characters (Fw.d). The exact binary
// value is rounded (ties to even); the leading zero of |value| < 1 is dropped when that is
// the only way to fit; a negative value that rounds to zero keeps its sign.
std::string fmt_f(double value, int w, int d);

// The same, appended to `out` without building a temporary string (for the hot text writers).
void append_f(std::string& out, double value, int w, int d);
void append_i(std::string& out, std::int64_t value, int w);

}  // namespace voxmill
