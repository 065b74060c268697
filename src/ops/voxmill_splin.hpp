// One-dimensional natural cubic splines through equally spaced nodes, one voxel apart: the
// second derivatives at the nodes, and value and derivatives at any point. The sections
// interpolate with a tensor-product form of these splines (see spline_weights.hpp), whose
// weights are read off these routines.
#pragma once

#include <cstdint>
#include <span>

#include "core/tab.hpp"

namespace voxmill {

// Second derivatives y2(1..n) of the natural cubic spline through (x(i), y(i)), i = 1..n.
void spline(std::span<const float> x, std::span<const float> y, int n, std::span<float> y2);

// The piece klo (1 .. n-1) of a spline through n nodes one voxel apart, starting at x1, that
// is used at x: the piece that holds x, or the nearest end piece for a point outside.
int splint_piece(float x, float x1, int n);

// Value, first and second derivative at x of the spline through nodes xa(1..n) of unit spacing.
// A point outside xa(1) .. xa(n) takes the end piece of the spline, extended.
void splint(std::span<const float> xa, std::span<const float> ya, std::span<const float> y2a, int n, float x,
            Tab<float, 3>& y);

}  // namespace voxmill
