#include "ops/plane_samples.hpp"

#include <algorithm>
#include <cmath>

#include "core/work_sharing.hpp"
#include "ops/qc_stencil.hpp"

namespace voxmill {

namespace {

constexpr double kOnGrid = 1e-4;         // voxels: closer than this to a grid point is on it
constexpr double kSamplesPerVoxel = 4.0;  // when interpolating, at most this many along an axis

// The coordinate x of axis k in voxels from the map's first voxel.
double in_voxels(const Map& map, int k, double x) { return (x - map.xfmn(k)) / map.xdf(k); }

std::int64_t wrapped(std::int64_t h, std::int32_t n) {
    const std::int64_t r = h % n;
    return r < 0 ? r + n : r;
}

PlaneSamples voxel_samples(const Map& map, const PlaneRequest& r) {
    const MapGrid grid = map_grid(map, map.dimension);
    std::int64_t fixed = 0;  // the linear index of the fixed axes' voxel
    for (int k = 1; k <= map.dimension; ++k) {
        if (k == r.across || k == r.up) continue;
        const auto h = static_cast<std::int64_t>(std::llround(in_voxels(map, k, r.at[static_cast<std::size_t>(k - 1)])));
        fixed += wrapped(h, map.nvox(k)) * grid.stride(k);
    }
    const auto i0 = static_cast<std::int64_t>(std::llround(in_voxels(map, r.across, r.u0)));
    const auto j0 = static_cast<std::int64_t>(std::llround(in_voxels(map, r.up, r.v0)));
    PlaneSamples s;
    s.voxels = true;
    s.nu = static_cast<int>(std::llround(in_voxels(map, r.across, r.u1)) - i0 + 1);
    s.nv = static_cast<int>(std::llround(in_voxels(map, r.up, r.v1)) - j0 + 1);
    s.values.resize(static_cast<std::size_t>(s.nu) * static_cast<std::size_t>(s.nv));
    for (int j = 0; j < s.nv; ++j) {
        const std::int64_t row = fixed + wrapped(j0 + j, map.nvox(r.up)) * grid.stride(r.up);
        for (int i = 0; i < s.nu; ++i) {
            s.values[static_cast<std::size_t>(i + s.nu * j)] =
                map.rho[static_cast<std::size_t>(row + wrapped(i0 + i, map.nvox(r.across)) * grid.stride(r.across))];
        }
    }
    return s;
}

// Samples along an axis when interpolating: a few per voxel of the window, within the limit.
int spline_samples(const Map& map, int k, double w0, double w1, int most) {
    const double voxels = std::abs(w1 - w0) / map.xdf(k);
    return static_cast<int>(std::clamp(std::ceil(voxels * kSamplesPerVoxel) + 1.0, 2.0, static_cast<double>(most)));
}

PlaneSamples spline_plane(const Map& map, const PlaneRequest& r) {
    const MapGrid grid = map_grid(map, map.dimension);
    PlaneSamples s;
    s.nu = spline_samples(map, r.across, r.u0, r.u1, r.most_samples);
    s.nv = spline_samples(map, r.up, r.v0, r.v1, r.most_samples);
    s.values.resize(static_cast<std::size_t>(s.nu) * static_cast<std::size_t>(s.nv));
    Tab<float, 6> fixed{};
    for (int k = 1; k <= map.dimension; ++k) {
        fixed(k) = static_cast<float>(in_voxels(map, k, r.at[static_cast<std::size_t>(k - 1)]));
    }
    share_work(0, s.nv, 1, 0, [&](std::int64_t first, std::int64_t last) {
        Tab<float, 6> coo = fixed;
        for (std::int64_t j = first; j < last; ++j) {
            const double v = r.v0 + (r.v1 - r.v0) * static_cast<double>(j) / (s.nv - 1);
            coo(r.up) = static_cast<float>(in_voxels(map, r.up, v));
            for (int i = 0; i < s.nu; ++i) {
                const double u = r.u0 + (r.u1 - r.u0) * i / (s.nu - 1);
                coo(r.across) = static_cast<float>(in_voxels(map, r.across, u));
                s.values[static_cast<std::size_t>(i + s.nu * j)] = stencil_sum(grid, make_stencil(grid, coo));
            }
        }
    });
    return s;
}

}  // namespace

bool on_grid_point(const Map& map, int k, double x) {
    if (map.nvox(k) == 1) return true;
    const double h = in_voxels(map, k, x);
    return std::abs(h - std::round(h)) < kOnGrid;
}

PlaneSamples sample_plane(const Map& map, const PlaneRequest& r) {
    bool voxels = on_grid_point(map, r.across, r.u0) && on_grid_point(map, r.across, r.u1) &&
                  on_grid_point(map, r.up, r.v0) && on_grid_point(map, r.up, r.v1);
    for (int k = 1; k <= map.dimension && voxels; ++k) {
        if (k != r.across && k != r.up) voxels = on_grid_point(map, k, r.at[static_cast<std::size_t>(k - 1)]);
    }
    // A window of more grid points than the picture takes samples is interpolated too, so
    // that a window of many cells costs no more than the picture.
    const auto grid_points = [&](int k, double w0, double w1) { return std::abs(w1 - w0) / map.xdf(k) + 1; };
    voxels = voxels && grid_points(r.across, r.u0, r.u1) <= r.most_samples &&
             grid_points(r.up, r.v0, r.v1) <= r.most_samples;
    return voxels ? voxel_samples(map, r) : spline_plane(map, r);
}

}  // namespace voxmill
