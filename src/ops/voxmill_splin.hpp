// Density of the current map at any point of its grid space, by one-dimensional natural cubic
// splines through equally spaced nodes, one axis at a time, with first and second derivatives
// per voxel on request.
//
// These are the plain routines: a block of range^dim voxels is copied around the point and
// reduced axis by axis. The sections use a tensor-product form of the same splines (see
// spline_weights.hpp) and are checked against these routines.
#pragma once

#include <cstdint>
#include <span>

#include "core/density_array.hpp"
#include "core/tab.hpp"
#include "core/voxmill_mod.hpp"

namespace voxmill {

// Copies the block of range^dim voxels that starts at voxel org(1..dim) into st.srho, with
// axis axord(1) fastest, each coordinate wrapped periodically. dim must be st.sdim (the voxel
// address covers sdim coordinates) and st.srho must hold at least range^dim values. Returns
// the number of values stored, range^dim.
std::int32_t fillrhocut(State& st, const Tab<std::int32_t, 6>& axord, const Tab<std::int32_t, 6>& org,
                        int dim, int range);

// Reduces the block inrho (as filled by fillrhocut with the same axord and orig) to the value
// at pt, axis axord(1) first. derord(a) picks per axis a the value (0), the first (1) or the
// second (2) derivative per voxel. y and y2 are work arrays of at least range values.
void rhoatpoint(int dim, int range, const Tab<std::int32_t, 6>& derord, const Tab<std::int32_t, 6>& axord,
                const Tab<float, 6>& pt, const Tab<std::int32_t, 6>& orig, const DensityArray& inrho,
                float& rout, std::span<float> y, std::span<float> y2);

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
