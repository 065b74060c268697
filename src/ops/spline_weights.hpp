// The five-node spline of the sections as weights. A natural cubic spline through equally
// spaced nodes is linear in the node values, so its value at a point is a weighted sum of
// the five values, with weights that depend only on where the point lies among the nodes.
// Along each map axis the weights are computed once per point; the block of 5^sdim voxels
// is then one tensor-product sum instead of 5^(sdim-1) + ... + 1 splines.
#pragma once

#include <array>
#include <cstdint>

namespace voxmill {

constexpr int kStencilNodes = 5;

using NodeWeights = std::array<float, kStencilNodes>;

// Weights of the nodes at orig, orig+1, ..., orig+4 for the spline value at x: the same
// piece, the same A and B and the same second-derivative table as splint and spline on the
// five nodes use, so the result equals theirs to within rounding.
NodeWeights stencil_weights(float x, std::int32_t orig);

}  // namespace voxmill
