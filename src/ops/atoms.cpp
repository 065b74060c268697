#include "ops/atoms.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/work_sharing.hpp"
#include "ops/atom_trace.hpp"
#include "ops/axis_frame.hpp"
#include "ops/fourier_fit.hpp"
#include "ops/peaks.hpp"

namespace voxmill {

namespace {

[[noreturn]] void refuse(const std::string& why) { throw MapError(why, FailureKind::refused); }

// An atom is traced round whole periods: each superspace axis must repeat with the cell.
void check_periods(const Map& map) {
    for (int k = 4; k <= map.dimension; ++k) {
        if (!periodic_axis(map, k)) {
            char text[160];
            std::snprintf(text, sizeof text, "axis %d spans %.6g of a period: atoms are traced over whole periods", k,
                          map.nvox(k) * static_cast<double>(map.xdf(k)));
            refuse(text);
        }
    }
}

// The real-space section at one superspace sample: the block of voxels it is, as a map of
// three dimensions on the same cell.
Map section(const Map& map, std::int64_t sample) {
    Map m = frame_of(map);
    m.dimension = 3;
    for (int k = 4; k <= 6; ++k) {
        m.nvox(k) = 1;
        m.xfmn(k) = m.xfmx(k) = 0.0f;
        m.xdf(k) = 1.0f;
    }
    const std::int64_t n = m.voxels();
    m.rho.allocate(static_cast<std::size_t>(n));
    std::copy_n(map.rho.data() + sample * n, n, m.rho.data());
    return m;
}

Atom peak_atom(const Peak& p) {
    Atom atom;
    std::copy_n(p.position.begin(), 3, atom.position.begin());
    atom.charge = p.charge;
    atom.height = p.height;
    atom.trace.push_back({{}, atom.position, p.height, p.charge});
    return atom;
}

// The maxima of every section, found on all cores.
std::vector<std::vector<SectionPeak>> section_peaks(const Map& map, std::int64_t samples, double height) {
    std::vector<std::vector<SectionPeak>> sections(static_cast<std::size_t>(samples));
    share_work(0, samples, 1, 0, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t s = begin; s < end; ++s) {
            std::vector<SectionPeak>& found = sections[static_cast<std::size_t>(s)];
            for (const Peak& p : find_peaks(section(map, s), {height, 0.0, std::nullopt})) {
                found.push_back({{p.position[0], p.position[1], p.position[2]}, p.height, p.charge});
            }
        }
    });
    return sections;
}

// Where on its period a string of 3 + 1 dimensions is present, when that is one interval
// shorter than the period.
std::optional<CrenelInterval> crenel_of(const AtomTrace& t, const Map& map) {
    const std::int64_t n = map.nvox(4), m = static_cast<std::int64_t>(t.samples.size());
    if (m == n) return std::nullopt;
    std::vector<char> present(static_cast<std::size_t>(n), 0);
    for (const std::int64_t s : t.samples) present[static_cast<std::size_t>(s)] = 1;
    std::int64_t starts = 0, first = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        if (present[static_cast<std::size_t>(i)] && !present[static_cast<std::size_t>(wrap(i - 1, n))]) ++starts, first = i;
    }
    if (starts != 1) return std::nullopt;
    const double step = map.xdf(4);
    const double center = map.xfmn(4) + (static_cast<double>(first) + static_cast<double>(m - 1) / 2.0) * step;
    return CrenelInterval{center - std::floor(center), static_cast<double>(m) * step};
}

// The atom that a trace describes: its series fitted over the samples where it is present.
Atom describe(const AtomTrace& t, const Map& map, const SampleGrid& grid, const CellMetric& metric, int order) {
    Atom atom;
    atom.shift = t.shift;
    const std::size_t count = t.samples.size();
    for (const SectionPeak& p : t.peaks) {
        atom.charge += p.charge / static_cast<double>(count);
        atom.height += p.height / static_cast<double>(count);
    }
    std::vector<std::array<double, 3>> xs(count);
    std::vector<double> values;  // per sample: the position less the sawtooth, the occupancy less 1
    for (std::size_t i = 0; i < count; ++i) {
        const std::array<std::int64_t, 3> c = grid.coordinates(t.samples[i]);
        for (std::size_t k = 0; k < static_cast<std::size_t>(grid.d); ++k) {
            const int axis = 4 + static_cast<int>(k);
            xs[i][k] = map.xfmn(axis) + static_cast<double>(c[k]) * map.xdf(axis);
        }
        for (std::size_t j = 0; j < 3; ++j) {
            double sawtooth = 0.0;
            for (std::size_t k = 0; k < 3; ++k) sawtooth += t.shift[k][j] * xs[i][k];
            values.push_back(t.peaks[i].position[j] - sawtooth);
        }
        values.push_back(atom.charge != 0.0 ? t.peaks[i].charge / atom.charge - 1.0 : 0.0);
    }
    const FourierSeries series = fit_fourier_series(xs, values, 4, grid.d, order);
    atom.order = series.order;
    std::array<double, 3> offset{};
    for (std::size_t j = 0; j < 3; ++j) {
        offset[j] = std::floor(series.constant[j]);
        atom.position[j] = series.constant[j] - offset[j];
        if (atom.position[j] >= 1.0) atom.position[j] = 0.0;  // a constant just below a whole number
    }
    // The occupancy relative to the constant of the charge's series: over a crenel, whose
    // average charge is not that of occupancy 1, the waves are scaled back to it.
    const double occupied = 1.0 + series.constant[3] > 0.0 ? 1.0 + series.constant[3] : 1.0;
    for (std::size_t w = 0; w < series.waves.size(); ++w) {
        const std::vector<double>& s = series.sin[w];
        const std::vector<double>& c = series.cos[w];
        atom.displacive.push_back({series.waves[w], {s[0], s[1], s[2]}, {c[0], c[1], c[2]}});
        atom.occupational.push_back({series.waves[w], s[3] / occupied, c[3] / occupied});
    }
    double squares = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::vector<double> fitted = series.at(xs[i]);
        const double* v = values.data() + 4 * i;
        squares += std::pow(metric.length({v[0] - fitted[0], v[1] - fitted[1], v[2] - fitted[2]}), 2);
        const SectionPeak& p = t.peaks[i];
        const std::array<double, 3> at{p.position[0] - offset[0], p.position[1] - offset[1], p.position[2] - offset[2]};
        atom.trace.push_back({xs[i], at, p.height, p.charge});
    }
    atom.rms_residual = std::sqrt(squares / static_cast<double>(count));
    if (grid.d == 1) atom.crenel = crenel_of(t, map);
    return atom;
}

}  // namespace

std::vector<Atom> find_atoms(const Map& map, const AtomCriteria& criteria) {
    if (map.dimension < 3) {
        refuse(std::string(map.dimension == 1 ? "a map of 1 dimension" : "a map of 2 dimensions") +
               " has no atoms: they need three real-space axes");
    }
    check_periods(map);
    const std::optional<double> height = peak_threshold(map, {criteria.min_height, criteria.min_sigma, std::nullopt});
    if (!height) refuse("the map holds no finite density");
    std::vector<Atom> atoms;
    if (map.dimension == 3) {
        for (const Peak& p : find_peaks(map, {*height, 0.0, std::nullopt})) atoms.push_back(peak_atom(p));
        return atoms;
    }
    SampleGrid grid{map.dimension - 3, {map.nvox(4), map.nvox(5), map.nvox(6)}};
    const CellMetric metric(map.cell);
    for (const AtomTrace& t : trace_atoms(section_peaks(map, grid.size(), *height), grid, metric)) {
        atoms.push_back(describe(t, map, grid, metric, criteria.order));
    }
    std::stable_sort(atoms.begin(), atoms.end(), [](const Atom& a, const Atom& b) { return a.height > b.height; });
    return atoms;
}

}  // namespace voxmill
