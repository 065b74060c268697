// The density at a section point as one tensor-product sum over the 5^sdim voxels around it:
// per map axis five spline weights and five wrapped voxel offsets, worked out once per point;
// then every row of five axis-1 nodes in the block (3125 rows in six dimensions) is scaled by
// the product of its weights on the other axes and added up, the five nodes side by side in
// vector registers, and the axis-1 weights are applied last. The rows of one point lie close
// together in rho, and so do those of neighbouring pixels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/map.hpp"
#include "core/tab.hpp"
#include "ops/spline_weights.hpp"

namespace voxmill {

// The current map as the sections read it.
struct MapGrid {
    const float* rho = nullptr;
    int sdim = 1;
    Tab<std::int32_t, 6> nvox{};
    Tab<std::ptrdiff_t, 6> stride{};  // distance of neighbours along axis k in rho
};

// A map of `sdim` dimensions (its densities stay where they are).
MapGrid map_grid(const Map& map, int sdim);

// The five nodes along one axis: weights and offsets into rho. An axis above sdim has one
// node of weight 1 at offset 0, so every map is contracted as a six-dimensional one.
struct AxisNodes {
    NodeWeights w{};
    std::array<std::ptrdiff_t, kStencilNodes> off{};
    int count = 1;
};

struct Stencil {
    std::array<AxisNodes, 6> axis{};
    // The nodes along axis 1 lie side by side in rho, from `first` on, without a wrap.
    bool contiguous = false;
    std::ptrdiff_t first = 0;
};

// The stencil of the point coo(1 .. sdim), in voxels.
Stencil make_stencil(const MapGrid& m, const Tab<float, 6>& coo);

// The nodes orig .. orig+4 along axis k with these weights: wrapped around the axis, or, along
// an axis where the map is a box rather than a whole cell, held to its first and last voxel
// (the spline near a box's edge then runs flat beyond it, where the box holds no data).
AxisNodes axis_nodes(const MapGrid& m, int k, std::int64_t orig, const NodeWeights& w, bool periodic);

// Sets `first` and `contiguous` once every axis of the stencil has its nodes.
void find_row(Stencil& s);

// The interpolated density of the stencil's point.
float stencil_sum(const MapGrid& m, const Stencil& s);

}  // namespace voxmill
