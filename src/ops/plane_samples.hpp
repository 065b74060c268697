// The densities of a map on a plane spanned by two of its axes, the other axes held at fixed
// fractional coordinates, over a window that may reach beyond the cell. Along an axis where
// the map covers one whole cell it repeats with the cell; along any other (a box) it holds data
// over its frame only, and the samples beyond are NaN (see axis_frame.hpp). Where the fixed
// coordinates fall on voxels and the window's edges on grid points, the samples are the voxels
// themselves, one per grid point (when there are no more than the samples asked for);
// elsewhere they are the five-node cubic-spline interpolation of the sections, on all cores.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/map.hpp"
#include "ops/axis_frame.hpp"

namespace voxmill {

struct PlaneRequest {
    int across = 1, up = 2;        // the map axes (1-based) along the picture's width and height
    std::array<double, 6> at{};    // fractional coordinate per map axis; those of across and up unused
    double u0 = 0, u1 = 1, v0 = 0, v1 = 1;  // the window on axis `across` and on axis `up`, u1 > u0, v1 > v0
    int most_samples = 800;        // samples along either side of the window
    bool interpolate = false;      // the spline even where the voxels themselves could be shown
};

struct PlaneSamples {
    int nu = 0, nv = 0;        // samples across and up; sample (i, j) lies at u0 + i (u1 - u0) / (nu - 1), ...
    std::vector<float> values;  // values[i + nu * j], j = 0 at the bottom (v0); NaN where the map holds no data
    bool voxels = false;       // the samples are the map's voxels, not interpolated
};

// Whether `x` lies on a grid point of axis k (a map of one voxel along an axis is constant
// along it, so every coordinate counts).
bool on_grid_point(const Map& map, int k, double x);

// The samples of a map whose frame passes frame_fault; all NaN when a fixed coordinate lies
// beyond a box.
PlaneSamples sample_plane(const Map& map, const PlaneRequest& r);

}  // namespace voxmill
