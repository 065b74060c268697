// A sample map filled from an analytic density: every voxel gets the density at its
// fractional coordinates (voxel c of n along an axis sits at c/n), so the map covers one cell.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/state.hpp"

namespace voxmill::samples {

using Fractional = std::array<double, 6>;  // coordinates on axes 1..6, cell edge 1

// Sets sdim, nvox (1 beyond the map's axes) and rho for a map of these voxel
// counts, the density of every voxel computed on all cores.
void fill_map(State& st, const std::vector<std::int32_t>& nvox,
              const std::function<double(const Fractional&)>& density);

// The nearest periodic image of a fractional difference, in -1/2 .. 1/2.
double wrapped(double d);

}  // namespace voxmill::samples
