// Where the pixels of a quasicrystal section lie in the map. A section is a box of pixels
// (i, ii, iii) on three section axes; each pixel is a point of the map's grid space, in
// voxels, given by a general affine frame (key '1') or by the decagonal ('2') or icosahedral
// ('A', 'B') embedding of a real-space point. Pixel indices are absolute: pixel 0 is the
// frame's origin whatever the scope.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "core/map.hpp"
#include "core/tab.hpp"

namespace voxmill {

struct SectionGeometry {
    char key = '1';
    int sdim = 3;                  // dimensions of the map the section cuts
    Mat<std::int32_t, 2, 3> qcdim{};  // first and last pixel per section axis
    Tab<std::int32_t, 3> w{};      // pixels per section axis
    std::int32_t nvoxtotr = 0;     // pixels of the section
    Tab<float, 3> pstep{};         // pixel size in map voxels, per section axis
    Tab<float, 6> center{};        // key '1': origin, per map axis
    Mat<float, 6, 3> basvec{};     // key '1': basvec(k, j) is component k of vector j
    Mat<float, 6, 3> wt{};         // other keys: embedding of the real-space point
    Mat<float, 3, 3> rotmat{};     // other keys: rotation before the embedding
};

// The checks of a section's request: each throws a MapError of kind `refused` saying why the
// section cannot be cut.
// A scope with an axis that ends before it starts, or a pixel total beyond 32 bits.
void check_scope(const Mat<std::int32_t, 2, 3>& qcdim);
// A type of section that a map of sdim dimensions cannot give.
void check_dimension(char key, int sdim);

// The geometry of a section whose scope and type passed their checks.
SectionGeometry make_section(char key, int sdim, const Mat<std::int32_t, 2, 3>& qcdim, const Tab<float, 3>& pstep,
                             const Tab<float, 6>& center, const Mat<float, 6, 3>& basvec);

// Points that cannot be interpolated: a corner so far out that single precision no longer
// tells neighbouring voxels apart, or not a number.
void check_reach(const SectionGeometry& g);

// The section as a three-dimensional map of w(1) x w(2) x w(3) voxels, without densities: the
// frame runs from 0 in steps of 1/w, codes 1 to 3, map code 4, subsystem 1, no satellites.
Map section_frame(const SectionGeometry& g);

// Pixel indices of the pixel stored at L (section axis 1 fastest).
void pixel_of(const SectionGeometry& g, std::int32_t L, std::int32_t& i, std::int32_t& ii, std::int32_t& iii);

// The map point of pixel (i, ii, iii), in voxels, in coo(1 .. sdim).
void section_point(const SectionGeometry& g, std::int32_t i, std::int32_t ii, std::int32_t iii, Tab<float, 6>& coo);

// First of the five stencil nodes along an axis for a point at x: floor(x - 1.5), so that the
// point lies within half a voxel of the middle node on either side of the origin alike, and
// the images of a point one cell apart have their nodes one cell apart. Taken in double,
// where x - 1.5 does not round up to a whole number as it can in float.
inline std::int32_t stencil_origin(float x) {
    return static_cast<std::int32_t>(std::floor(static_cast<double>(x) - 1.5));
}

}  // namespace voxmill
