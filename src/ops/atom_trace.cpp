#include "ops/atom_trace.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "core/map.hpp"
#include "ops/cell_geometry.hpp"

namespace voxmill {

namespace {

using Vec = std::array<double, 3>;

constexpr std::int64_t kUnvisited = -2, kAbsent = -1;

Vec plus(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

// The image of a fractional difference nearest to none, edge by edge.
Vec nearest_image(const Vec& d) {
    return {d[0] - std::nearbyint(d[0]), d[1] - std::nearbyint(d[1]), d[2] - std::nearbyint(d[2])};
}

// For each maximum of each section, the distance to the nearest other maximum of its
// section, or to its own image one lattice vector away.
std::vector<std::vector<double>> separations(const std::vector<std::vector<SectionPeak>>& sections, const CellMetric& metric) {
    double lattice = std::numeric_limits<double>::infinity();
    for (int t = 0; t < 27; ++t) {
        if (t != 13) lattice = std::min(lattice, metric.length({t % 3 - 1.0, t / 3 % 3 - 1.0, t / 9 - 1.0}));
    }
    std::vector<std::vector<double>> apart(sections.size());
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const std::vector<SectionPeak>& peaks = sections[s];
        apart[s].assign(peaks.size(), lattice);
        for (std::size_t i = 0; i < peaks.size(); ++i) {
            for (std::size_t j = i + 1; j < peaks.size(); ++j) {
                const double r = metric.length(nearest_image(minus(peaks[j].position, peaks[i].position)));
                apart[s][i] = std::min(apart[s][i], r);
                apart[s][j] = std::min(apart[s][j], r);
            }
        }
    }
    return apart;
}

// How one atom spread over the samples from its first maximum.
struct Spread {
    std::vector<std::int64_t> taken;  // the maximum taken at each sample, or kAbsent
    std::vector<Vec> at;              // where the atom is, or is carried on to, at each sample
    std::vector<std::int64_t> order, parent;  // the samples as reached, and whence
};

Spread spread(const std::vector<std::vector<SectionPeak>>& sections, const std::vector<std::vector<double>>& apart,
              std::vector<std::vector<char>>& free, const SampleGrid& grid, const CellMetric& metric, std::int64_t first,
              std::size_t peak) {
    const auto n = static_cast<std::size_t>(grid.size());
    Spread s{std::vector<std::int64_t>(n, kUnvisited), std::vector<Vec>(n), {}, std::vector<std::int64_t>(n)};
    const auto take = [&](std::int64_t sample, std::size_t j, std::int64_t from, const Vec& at) {
        const auto u = static_cast<std::size_t>(sample);
        s.taken[u] = static_cast<std::int64_t>(j);
        s.at[u] = at;
        s.parent[u] = from;
        s.order.push_back(sample);
        free[u][j] = 0;
    };
    take(first, peak, first, sections[static_cast<std::size_t>(first)][peak].position);
    for (std::size_t q = 0; q < s.order.size(); ++q) {
        const std::int64_t from = s.order[q];
        const Vec here = s.at[static_cast<std::size_t>(from)];
        for (int k = 0; k < grid.d; ++k) {
            for (const std::int64_t step : {1, -1}) {
                const std::int64_t to = grid.neighbour(from, k, step);
                const auto u = static_cast<std::size_t>(to);
                if (s.taken[u] != kUnvisited) continue;
                const std::vector<SectionPeak>& peaks = sections[u];
                // Within half its separation a maximum is the nearest of its section.
                std::size_t best = peaks.size();
                for (std::size_t j = 0; j < peaks.size() && best == peaks.size(); ++j) {
                    if (free[u][j] && 2.0 * metric.length(nearest_image(minus(peaks[j].position, here))) < apart[u][j]) best = j;
                }
                if (best < peaks.size()) {
                    take(to, best, from, plus(here, nearest_image(minus(peaks[best].position, here))));
                } else {
                    s.taken[u] = kAbsent;
                    s.at[u] = here;
                    s.parent[u] = from;
                    s.order.push_back(to);
                }
            }
        }
    }
    return s;
}

// The trace of a spread atom. Once round superspace axis k the atom has moved by the sum of
// its steps along that axis's line through its first sample, a whole lattice vector; with
// that sawtooth taken off, what is left is periodic and is followed along the spread.
AtomTrace trace_of(const Spread& s, const std::vector<std::vector<SectionPeak>>& sections, const SampleGrid& grid) {
    AtomTrace trace;
    const std::int64_t first = s.order.front();
    for (int k = 0; k < grid.d; ++k) {
        Vec moved{};
        for (std::int64_t i = 0, at = first; i < grid.counts[static_cast<std::size_t>(k)]; ++i) {
            const std::int64_t next = grid.neighbour(at, k, 1);
            moved = plus(moved, nearest_image(minus(s.at[static_cast<std::size_t>(next)], s.at[static_cast<std::size_t>(at)])));
            at = next;
        }
        for (std::size_t i = 0; i < 3; ++i) trace.shift[static_cast<std::size_t>(k)][i] = static_cast<int>(std::lround(moved[i]));
    }
    const auto sawtooth = [&](std::int64_t sample) {
        const std::array<std::int64_t, 3> c = grid.coordinates(sample);
        Vec t{};
        for (std::size_t k = 0; k < static_cast<std::size_t>(grid.d); ++k) {
            const double x = static_cast<double>(c[k]) / static_cast<double>(grid.counts[k]);
            for (std::size_t i = 0; i < 3; ++i) t[i] += trace.shift[k][i] * x;
        }
        return t;
    };
    std::vector<Vec> periodic(s.at.size());
    for (const std::int64_t sample : s.order) {
        const auto u = static_cast<std::size_t>(sample);
        const Vec w = minus(s.at[u], sawtooth(sample));
        const Vec& base = periodic[static_cast<std::size_t>(s.parent[u])];
        periodic[u] = sample == first ? w : plus(base, nearest_image(minus(w, base)));
    }
    for (std::int64_t sample = 0; sample < grid.size(); ++sample) {
        const auto u = static_cast<std::size_t>(sample);
        if (s.taken[u] < 0) continue;
        SectionPeak p = sections[u][static_cast<std::size_t>(s.taken[u])];
        p.position = plus(periodic[u], sawtooth(sample));
        trace.samples.push_back(sample);
        trace.peaks.push_back(p);
    }
    return trace;
}

}  // namespace

CellMetric::CellMetric(const std::optional<std::array<double, 6>>& cell) {
    std::array<Vec, 3> edges{};
    for (std::size_t i = 0; i < 3; ++i) {
        edges[i][i] = 1.0;
        if (cell && sound_cell(*cell)) edges[i] = orthogonal(*cell, edges[i]);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            g_[i][j] = edges[i][0] * edges[j][0] + edges[i][1] * edges[j][1] + edges[i][2] * edges[j][2];
        }
    }
}

double CellMetric::length(const std::array<double, 3>& d) const {
    double r2 = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) r2 += d[i] * g_[i][j] * d[j];
    }
    return std::sqrt(std::max(r2, 0.0));
}

double CellMetric::edge(int i) const { return std::sqrt(g_[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)]); }

std::array<std::int64_t, 3> SampleGrid::coordinates(std::int64_t sample) const {
    return {sample % counts[0], sample / counts[0] % counts[1], sample / (counts[0] * counts[1])};
}

std::int64_t SampleGrid::neighbour(std::int64_t sample, int k, std::int64_t step) const {
    std::array<std::int64_t, 3> c = coordinates(sample);
    const auto axis = static_cast<std::size_t>(k);
    c[axis] = wrap(c[axis] + step, counts[axis]);
    return c[0] + counts[0] * (c[1] + counts[1] * c[2]);
}

std::vector<AtomTrace> trace_atoms(const std::vector<std::vector<SectionPeak>>& sections, const SampleGrid& grid,
                                   const CellMetric& metric) {
    const std::vector<std::vector<double>> apart = separations(sections, metric);
    struct Start {
        std::int64_t sample;
        std::size_t peak;
        double height;
    };
    std::vector<Start> starts;
    std::vector<std::vector<char>> free(sections.size());
    for (std::size_t s = 0; s < sections.size(); ++s) {
        free[s].assign(sections[s].size(), 1);
        for (std::size_t j = 0; j < sections[s].size(); ++j) {
            starts.push_back({static_cast<std::int64_t>(s), j, sections[s][j].height});
        }
    }
    std::stable_sort(starts.begin(), starts.end(), [](const Start& p, const Start& q) { return p.height > q.height; });
    std::vector<AtomTrace> atoms;
    for (const Start& start : starts) {
        if (!free[static_cast<std::size_t>(start.sample)][start.peak]) continue;
        atoms.push_back(trace_of(spread(sections, apart, free, grid, metric, start.sample, start.peak), sections, grid));
    }
    return atoms;
}

}  // namespace voxmill
