// The geometry of a unit cell (a, b, c in A; alpha, beta, gamma in degrees): its volume and
// the orthogonal coordinates of its fractions.
#pragma once

#include <array>

namespace voxmill {

// The volume in A^3 of a sound cell (sound_cell).
double cell_volume(const std::array<double, 6>& cell);

// X, Y, Z in A of the fractional coordinates f, with a along X and b in the XY plane.
std::array<double, 3> orthogonal(const std::array<double, 6>& cell, const std::array<double, 3>& f);

}  // namespace voxmill
