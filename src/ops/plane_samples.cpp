#include "ops/plane_samples.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "core/work_sharing.hpp"
#include "ops/qc_geometry.hpp"
#include "ops/qc_stencil.hpp"

namespace voxmill {

namespace {

constexpr double kOnGrid = 1e-4;         // voxels: closer than this to a grid point is on it
constexpr double kSamplesPerVoxel = 4.0;  // when interpolating, at most this many along an axis
constexpr float kNoData = std::numeric_limits<float>::quiet_NaN();

// The coordinates in voxels (AxisFrame::voxel_coordinate) of `count` samples spread evenly from
// w0 to w1. Along a periodic axis the window is first moved by whole cells to start within the
// cell, so that a window far out gives the very samples of its image there.
std::vector<double> sample_coordinates(const AxisFrame& a, double w0, double w1, int count) {
    const double from = a.periodic ? w0 - std::floor(w0) : w0;
    std::vector<double> t(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double x = i == 0 ? from : from + (w1 - w0) * i / (count - 1);
        t[static_cast<std::size_t>(i)] = a.voxel_coordinate(x);
    }
    return t;
}

// The offset in rho of the voxel nearest to t along axis k, or none where t is no coordinate
// of the map.
constexpr std::int64_t kNoVoxel = -1;

std::int64_t voxel_offset(const MapGrid& grid, int k, double t) {
    if (std::isnan(t)) return kNoVoxel;
    const std::int64_t h = std::llround(t);
    return (h == grid.nvox(k) ? 0 : h) * grid.stride(k);  // the end of the cell is its start
}

std::vector<std::int64_t> voxel_offsets(const MapGrid& grid, int k, const std::vector<double>& t) {
    std::vector<std::int64_t> off(t.size());
    std::transform(t.begin(), t.end(), off.begin(), [&](double x) { return voxel_offset(grid, k, x); });
    return off;
}

PlaneSamples voxel_samples(const Map& map, const PlaneRequest& r) {
    const MapGrid grid = map_grid(map, map.dimension);
    const AxisFrame across(map, r.across), up(map, r.up);
    std::int64_t fixed = 0;  // the offset of the fixed axes' voxel
    bool held = true;        // by the map, on every fixed axis
    for (int k = 1; k <= map.dimension; ++k) {
        if (k == r.across || k == r.up) continue;
        const std::int64_t off = voxel_offset(grid, k, AxisFrame(map, k).voxel_coordinate(r.at[static_cast<std::size_t>(k - 1)]));
        held = held && off != kNoVoxel;
        fixed += off;
    }
    PlaneSamples s;
    s.voxels = true;
    s.nu = static_cast<int>(std::llround((r.u1 - r.u0) / across.step)) + 1;
    s.nv = static_cast<int>(std::llround((r.v1 - r.v0) / up.step)) + 1;
    s.values.assign(static_cast<std::size_t>(s.nu) * static_cast<std::size_t>(s.nv), kNoData);
    if (!held) return s;
    const std::vector<std::int64_t> columns = voxel_offsets(grid, r.across, sample_coordinates(across, r.u0, r.u1, s.nu));
    const std::vector<std::int64_t> rows = voxel_offsets(grid, r.up, sample_coordinates(up, r.v0, r.v1, s.nv));
    for (std::size_t j = 0; j < rows.size(); ++j) {
        if (rows[j] == kNoVoxel) continue;
        float* row = s.values.data() + j * columns.size();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i] != kNoVoxel) row[i] = map.rho[static_cast<std::size_t>(fixed + rows[j] + columns[i])];
        }
    }
    return s;
}

// Samples along an axis when interpolating: a few per voxel of the window, within the limit.
int spline_samples(const AxisFrame& a, double w0, double w1, int most) {
    const double voxels = std::abs(w1 - w0) / a.step;
    return static_cast<int>(std::clamp(std::ceil(voxels * kSamplesPerVoxel) + 1.0, 2.0, static_cast<double>(most)));
}

// The spline's nodes along axis k around t, or none where t is no coordinate of the map. The
// weights are taken from where t lies past its voxel alone, so that they are as exact at the
// end of an axis of two billion voxels as at its start.
std::optional<AxisNodes> nodes_at(const MapGrid& grid, const AxisFrame& a, int k, double t) {
    if (std::isnan(t)) return std::nullopt;
    const double voxel = std::floor(t);
    const auto past = static_cast<float>(t - voxel);
    const std::int32_t orig = stencil_origin(past);
    return axis_nodes(grid, k, static_cast<std::int64_t>(voxel) + orig, stencil_weights(past, orig), a.periodic);
}

std::vector<std::optional<AxisNodes>> nodes_along(const MapGrid& grid, const AxisFrame& a, int k,
                                                  const std::vector<double>& t) {
    std::vector<std::optional<AxisNodes>> nodes(t.size());
    std::transform(t.begin(), t.end(), nodes.begin(), [&](double x) { return nodes_at(grid, a, k, x); });
    return nodes;
}

PlaneSamples spline_plane(const Map& map, const PlaneRequest& r) {
    const MapGrid grid = map_grid(map, map.dimension);
    const AxisFrame across(map, r.across), up(map, r.up);
    PlaneSamples s;
    s.nu = spline_samples(across, r.u0, r.u1, r.most_samples);
    s.nv = spline_samples(up, r.v0, r.v1, r.most_samples);
    s.values.assign(static_cast<std::size_t>(s.nu) * static_cast<std::size_t>(s.nv), kNoData);
    Stencil fixed;  // the nodes of the fixed axes, one node of weight 1 above the map's
    for (int k = 1; k <= 6; ++k) {
        AxisNodes& nodes = fixed.axis[static_cast<std::size_t>(k - 1)];
        if (k > map.dimension) {
            nodes.w[0] = 1.0f;
        } else if (k != r.across && k != r.up) {
            const AxisFrame a(map, k);
            const std::optional<AxisNodes> at = nodes_at(grid, a, k, a.voxel_coordinate(r.at[static_cast<std::size_t>(k - 1)]));
            if (!at) return s;
            nodes = *at;
        }
    }
    const auto columns = nodes_along(grid, across, r.across, sample_coordinates(across, r.u0, r.u1, s.nu));
    const auto rows = nodes_along(grid, up, r.up, sample_coordinates(up, r.v0, r.v1, s.nv));
    share_work(0, s.nv, 1, 0, [&](std::int64_t first, std::int64_t last) {
        Stencil stencil = fixed;
        for (auto j = static_cast<std::size_t>(first); j < static_cast<std::size_t>(last); ++j) {
            if (!rows[j]) continue;
            stencil.axis[static_cast<std::size_t>(r.up - 1)] = *rows[j];
            float* row = s.values.data() + j * columns.size();
            for (std::size_t i = 0; i < columns.size(); ++i) {
                if (!columns[i]) continue;
                stencil.axis[static_cast<std::size_t>(r.across - 1)] = *columns[i];
                find_row(stencil);
                row[i] = stencil_sum(grid, stencil);
            }
        }
    });
    return s;
}

}  // namespace

bool on_grid_point(const Map& map, int k, double x) {
    const AxisFrame a(map, k);
    if (a.n == 1) return true;
    // In a box beyond its ends too: the voxel path leaves those samples without data.
    const double t = a.periodic ? a.voxel_coordinate(x) : (x - a.start) / a.step;
    return std::abs(t - std::round(t)) < kOnGrid;
}

PlaneSamples sample_plane(const Map& map, const PlaneRequest& r) {
    bool voxels = !r.interpolate && on_grid_point(map, r.across, r.u0) && on_grid_point(map, r.across, r.u1) &&
                  on_grid_point(map, r.up, r.v0) && on_grid_point(map, r.up, r.v1);
    for (int k = 1; k <= map.dimension && voxels; ++k) {
        if (k != r.across && k != r.up) voxels = on_grid_point(map, k, r.at[static_cast<std::size_t>(k - 1)]);
    }
    // A window of more grid points than the picture takes samples is interpolated too, so
    // that a window of many cells costs no more than the picture.
    const auto grid_points = [&](int k, double w0, double w1) { return std::abs(w1 - w0) / AxisFrame(map, k).step + 1; };
    voxels = voxels && grid_points(r.across, r.u0, r.u1) <= r.most_samples &&
             grid_points(r.up, r.v0, r.v1) <= r.most_samples;
    return voxels ? voxel_samples(map, r) : spline_plane(map, r);
}

}  // namespace voxmill
