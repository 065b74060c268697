// The map state shared by every operation of one run, and the voxel index conventions.
//
// A map is a periodic grid over one unit cell with sdim dimensions (1 to 6): three of real
// space, then up to three superspace axes. A voxel's linear index counts from 0 with axis 1
// fastest: L = c(1) + nvox(1) * (c(2) + nvox(2) * (c(3) + ...)).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/map.hpp"
#include "core/tab.hpp"

namespace voxmill {

constexpr int kNameLength = 264;    // file names typed by the user
constexpr int kShortName = 132;     // what the probe, the X-PLOR reader and writeorvo use
constexpr int kBufferLength = 132;  // line buffer of the X-PLOR reader

// The dimension counters of the current map.
struct GlobalDefinitions {
    std::int32_t sdim = 3;     // dimensions of the current map
    std::int32_t nvoxtot = 1;  // voxels of the current map
};

// The current map and everything else that lives for the whole run.
struct GlobalVariables {
    Map map;                           // the current map: voxel counts nvox, frame, codes, densities rho
    std::array<std::int32_t, 7> n{1, 1, 1, 1, 1, 1, 1};  // strides, n[0] = 1
    Tab<float, 7> cell{};              // a, b, c, alpha, beta, gamma
    std::string infile1 = std::string(kNameLength, ' ');
    std::string infile2 = std::string(kNameLength, ' ');
    std::string outrhofile = std::string(kNameLength, ' ');
    std::string buffer = std::string(kBufferLength, ' ');
    std::int32_t allocerror = 0;
};

// One object holds both groups; it is handed by reference to every routine.
struct State : GlobalDefinitions, GlobalVariables {};

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

// The dimension count of a map with these voxel counts: the highest axis with more than one
// voxel, or 0 when there is none.
int dimension_of(const Tab<std::int32_t, 6>& nvox);

}  // namespace voxmill
