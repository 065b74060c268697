// The density of a map at a point the plain way, for the tests and the benchmarks to hold the
// sections against: the block of range^dim voxels that starts at a given voxel is copied out
// voxel by voxel, each coordinate wrapped on its own, and reduced axis by axis, one natural
// cubic spline per row of nodes. Of the program's code it shares only spline and splint, not
// the weights, offsets and strides of the tensor-product sum the sections use; it is slow.
//
// Voxel indices follow the program's convention, axis 1 fastest. The map's own `dimension`
// is not read: the number of axes that a voxel address covers, sdim, is given with the map.
#pragma once

#include <cstdint>
#include <span>

#include "core/map.hpp"
#include "core/tab.hpp"
#include "ops/qc_geometry.hpp"

namespace vtest {

// Linear index of the voxel at coordinates idhkl(1..sdim), each wrapped periodically into
// 0 .. nvox(k)-1, times idelta.
std::int32_t arraylocation(const voxmill::Map& map, int sdim, const voxmill::Tab<std::int32_t, 6>& idhkl,
                           std::int32_t idelta = 1);

// Coordinates of the voxel with linear index iarrloc; axes above sdim get 0.
voxmill::Tab<std::int32_t, 6> coordinates(const voxmill::Map& map, int sdim, std::int32_t iarrloc);

// Odometer step over the box startc .. endc on the axes axord(1..dim), axord(1) fastest.
// Returns false when every listed axis has wrapped back to its start.
bool nextcoo(int dim, const voxmill::Tab<std::int32_t, 6>& startc, const voxmill::Tab<std::int32_t, 6>& endc,
             voxmill::Tab<std::int32_t, 6>& coo, const voxmill::Tab<std::int32_t, 6>& axord);

// Copies the block of range^dim voxels that starts at voxel org(1..dim) into `block`, with
// axis axord(1) fastest, each coordinate wrapped periodically. dim must be sdim (the voxel
// address covers sdim coordinates) and `block` must hold at least range^dim values. Returns
// the number of values stored, range^dim.
std::int32_t fillrhocut(const voxmill::Map& map, int sdim, const voxmill::Tab<std::int32_t, 6>& axord,
                        const voxmill::Tab<std::int32_t, 6>& org, int dim, int range, std::span<float> block);

// Reduces the block inrho (as filled by fillrhocut with the same axord and orig) to the value
// at pt, axis axord(1) first. derord(a) picks per axis a the value (0), the first (1) or the
// second (2) derivative per voxel. y and y2 are work arrays of at least range values.
void rhoatpoint(int dim, int range, const voxmill::Tab<std::int32_t, 6>& derord,
                const voxmill::Tab<std::int32_t, 6>& axord, const voxmill::Tab<float, 6>& pt,
                const voxmill::Tab<std::int32_t, 6>& orig, std::span<const float> inrho, float& rout,
                std::span<float> y, std::span<float> y2);

// The density at pixel L of the section g through fillrhocut and rhoatpoint, over the same
// 5^sdim nodes as the sections take; g.sdim must be sdim.
float literal_pixel(const voxmill::Map& map, int sdim, const voxmill::SectionGeometry& g, std::int32_t L);

}  // namespace vtest
