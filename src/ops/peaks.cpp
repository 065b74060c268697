#include "ops/peaks.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/density_stats.hpp"
#include "core/grid_walk.hpp"
#include "core/work_sharing.hpp"
#include "ops/axis_frame.hpp"
#include "ops/basins.hpp"
#include "ops/cell_geometry.hpp"
#include "ops/peak_refine.hpp"

namespace voxmill {

namespace {

constexpr std::int64_t kMaximaPerTask = 64;

// The axis of the cell that map axis k holds: its code, or k for a code outside 1 .. 6.
int axis_code(const Map& map, int k) {
    const int code = map.iorien(k);
    return code >= 1 && code <= 6 ? code : k;
}

// What turns a basin's sum of densities into a charge: the real-space volume of one voxel
// (the cell's volume, or 1 without a sound cell, times its steps along the axes of real space)
// over the number of voxels along the superspace axes.
double charge_per_density(const Map& map) {
    double w = map.cell && sound_cell(*map.cell) ? cell_volume(*map.cell) : 1.0;
    for (int k = 1; k <= map.dimension; ++k) {
        if (map.nvox(k) == 1) continue;
        if (axis_code(map, k) <= 3) {
            w *= map.xdf(k);
        } else {
            w /= map.nvox(k);
        }
    }
    return w;
}

// The fractional coordinates of voxel `at` moved by the summit's shift: wrapped into [0, 1)
// on an axis that repeats with the cell, as they are in a box. Rounded to 1e-7 of the cell,
// far below what the refinement resolves, so that a shift that misses 0 by the rounding of
// the densities gives 0 rather than 0.99999999999.
std::array<double, 6> position(const Map& map, std::int64_t at, const Summit& s) {
    constexpr double kGrain = 1e7;
    std::array<double, 6> p{};
    for (int k = 1; k <= map.dimension; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        const std::int64_t c = at / map.stride(k) % map.nvox(k);
        double x = map.xfmn(k);
        if (map.nvox(k) > 1) x += (static_cast<double>(c) + s.shift[i]) * map.xdf(k);
        x = std::round(x * kGrain) / kGrain;
        p[i] = periodic_axis(map, k) ? x - std::floor(x) : x;
    }
    return p;
}

std::optional<double> threshold_of(const DensityStats& s, const PeakCriteria& criteria) {
    if (criteria.min_height) return *criteria.min_height;
    if (!s.mean) return std::nullopt;
    return *s.mean + criteria.min_sigma * *s.rms;
}

}  // namespace

std::optional<double> peak_threshold(const Map& map, const PeakCriteria& criteria) {
    return threshold_of(density_stats(map.rho.data(), static_cast<std::size_t>(map.voxels())), criteria);
}

std::vector<Peak> find_peaks(const Map& map, const PeakCriteria& criteria) {
    if (const std::string fault = frame_fault(map); !fault.empty()) {
        throw MapError("the map's frame places no peak: " + fault, FailureKind::refused);
    }
    const DensityStats stats = density_stats(map.rho.data(), static_cast<std::size_t>(map.voxels()));
    const std::optional<double> threshold = threshold_of(stats, criteria);
    // A map of one density has no maximum (and its one plateau would be walked voxel by voxel).
    const bool constant = stats.min == stats.max && stats.inf == 0;
    if (!threshold || constant || criteria.max_count == std::size_t{0}) return {};
    Tab<bool, 6> wraps;
    for (int k = 1; k <= 6; ++k) wraps(k) = periodic_axis(map, k);
    const NeighbourWalk walk(map, wraps);
    Ascent ascent = steepest_ascent(map, walk);

    const std::vector<std::int64_t>& maxima = ascent.maxima;
    std::vector<Summit> summits(maxima.size());
    share_work(0, static_cast<std::int64_t>(maxima.size()), kMaximaPerTask, 0, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t i = begin; i < end; ++i) {
            const auto m = static_cast<std::size_t>(i);
            summits[m] = summit(map, walk, maxima[m]);
        }
    });
    // Basins over all maxima: the voxels of a maximum that is not kept count for no peak.
    const std::vector<Basin> basin = basins(map, ascent);
    const double charge = charge_per_density(map);

    std::vector<Peak> peaks;
    for (std::size_t m = 0; m < maxima.size(); ++m) {
        const Summit& s = summits[m];
        if (!(s.height >= *threshold)) continue;
        peaks.push_back({position(map, maxima[m], s), s.height, basin[m].density * charge, basin[m].voxels, s.refined});
    }
    std::stable_sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.height > b.height; });
    if (criteria.max_count && peaks.size() > *criteria.max_count) peaks.resize(*criteria.max_count);
    return peaks;
}

}  // namespace voxmill
