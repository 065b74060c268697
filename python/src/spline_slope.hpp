// The slope of the sections' five-node spline as weights of the node values, beside the
// weights of its value (ops/spline_weights.hpp): read off the spline routines the same way.
#pragma once

#include <cstdint>

#include "ops/spline_weights.hpp"

namespace voxmill::python {

// Weights of the nodes at orig, ..., orig+4 for the spline's derivative at x, per voxel.
NodeWeights stencil_slope_weights(float x, std::int32_t orig);

}  // namespace voxmill::python
