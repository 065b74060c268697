// Small helpers that every layer shares: blank-padded texts and the names typed into them,
// rounding to whole voxels, and the dimension count of voxel counts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/tab.hpp"

namespace voxmill {

constexpr int kNameLength = 264;    // file names typed by the user
constexpr int kShortName = 132;     // what the probe, the X-PLOR reader and writeorvo use
constexpr int kBufferLength = 132;  // line buffer of the X-PLOR reader

// Position (1-based) of the last character of `l` that is not a space, 0 if there is none.
int idel(std::string_view l);

// A blank-padded text without its trailing blanks, at most `limit` characters of it.
std::string name_of(std::string_view text, int limit = kNameLength);
// A name that reaches the file system whole: not empty and without a NUL byte, which would
// cut it short to the name of another file.
bool names_a_file(std::string_view name);

// A text cut or blank-padded to `length` characters.
std::string padded(std::string_view text, int length);

// Nearest whole number, halves away from zero; values beyond the 32-bit range give its ends.
std::int32_t nint(double x);

// A fraction of the cell times the voxel count, as a whole number of voxels: the product in
// double precision, rounded to single precision, then to the nearest integer, as the
// console's dialogues make them.
std::int32_t voxels_of(double fraction_times_count);

// The dimension count of a map with these voxel counts: the highest axis with more than one
// voxel, or 0 when there is none.
int dimension_of(const Tab<std::int32_t, 6>& nvox);

}  // namespace voxmill
