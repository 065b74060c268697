// The density of one section pixel, two ways. The literal way copies the 5^sdim block around
// the point into srho and reduces it spline by spline, as the interpolation routines do; it
// is the reference. The fast way is the tensor-product sum of qc_stencil.hpp, which the
// sections use; tests and the benchmark hold the two against each other.
#pragma once

#include <cstdint>

#include "core/voxmill_mod.hpp"
#include "ops/qc_geometry.hpp"
#include "ops/qc_stencil.hpp"

namespace voxmill {

// Through fillrhocut and rhoatpoint, in st.srho (allocated here when it is smaller than
// 5^sdim values, and left allocated); g.sdim must be st.sdim.
float literal_pixel(State& st, const SectionGeometry& g, std::int32_t L);

// Through the stencil weights.
float fast_pixel(const MapGrid& m, const SectionGeometry& g, std::int32_t L);

}  // namespace voxmill
