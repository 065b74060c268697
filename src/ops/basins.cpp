#include "ops/basins.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/interruption.hpp"
#include "ops/climb.hpp"
#include "ops/plateaus.hpp"

namespace voxmill {

namespace {

// The maxima among the voxels that the climb left where they are, and those of the flat tops;
// every voxel that is no maximum gets its step.
std::vector<std::int64_t> settle_tops(const Map& map, const NeighbourWalk& walk, std::int64_t* uphill) {
    const float* rho = map.rho.data();
    std::vector<std::int64_t> maxima;
    const std::int64_t voxels = map.voxels();
    for (std::int64_t at = 0; at < voxels; ++at) {
        stop_if_interrupted_at(at);
        if (uphill[at] != at) continue;
        if (!std::isnan(rho[at]) && has_lower_neighbour(rho, walk, at)) {
            maxima.push_back(at);
        } else {
            uphill[at] = kNoBasin;  // NaN, or among NaN voxels only
        }
    }
    const std::vector<std::int64_t> tops = settle_plateaus(map, walk, uphill);
    maxima.insert(maxima.end(), tops.begin(), tops.end());
    std::sort(maxima.begin(), maxima.end());
    return maxima;
}

}  // namespace

Ascent steepest_ascent(const Map& map, const NeighbourWalk& walk) {
    Ascent ascent;
    ascent.uphill.resize(static_cast<std::size_t>(map.voxels()));
    climb(map, walk, ascent.uphill.data());
    ascent.maxima = settle_tops(map, walk, ascent.uphill.data());
    return ascent;
}

std::vector<Basin> basins(const Map& map, Ascent& ascent) {
    std::int64_t* up = ascent.uphill.data();
    const auto step = [&](std::int64_t at) -> std::int64_t& { return up[at]; };
    const std::int64_t count = map.voxels();
    // Every voxel pointed at the end of its ascent, each path shortened as it is walked.
    for (std::int64_t at = 0; at < count; ++at) {
        stop_if_interrupted_at(at);
        std::int64_t top = step(at);
        if (top == kNoBasin || step(top) == top) continue;
        while (step(top) != top) top = step(top);
        for (std::int64_t on = at; step(on) != top;) {
            const std::int64_t next = step(on);
            step(on) = top;
            on = next;
        }
    }
    // A maximum's own step now names its basin: -2 - its number (no voxel is kFlat any more).
    for (std::size_t b = 0; b < ascent.maxima.size(); ++b) step(ascent.maxima[b]) = -2 - static_cast<std::int64_t>(b);
    const auto basin_of = [](std::int64_t named) { return static_cast<std::size_t>(-2 - named); };
    std::vector<Basin> out(ascent.maxima.size());
    const float* rho = map.rho.data();
    for (std::int64_t at = 0; at < count; ++at) {
        stop_if_interrupted_at(at);
        const std::int64_t top = step(at);
        if (top == kNoBasin) continue;
        Basin& b = out[basin_of(top < 0 ? top : step(top))];
        b.density += static_cast<double>(rho[at]);
        ++b.voxels;
    }
    return out;
}

}  // namespace voxmill
