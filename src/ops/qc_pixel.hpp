// The density of one section pixel, through the tensor-product sum of qc_stencil.hpp. The
// tests hold it against the plain block-by-block reduction, spline by spline.
#pragma once

#include <cstdint>

#include "ops/qc_geometry.hpp"
#include "ops/qc_stencil.hpp"

namespace voxmill {

// The density at pixel L of the section g.
float fast_pixel(const MapGrid& m, const SectionGeometry& g, std::int32_t L);

}  // namespace voxmill
