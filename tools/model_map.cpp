#include "model_map.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/work_sharing.hpp"

namespace voxmill::model {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kCutoff = 6.0;  // widths beyond which an atom's density is left out

// 2 pi n.xs
double phase(const std::array<int, 3>& n, const std::array<double, 3>& xs) {
    return kTwoPi * (n[0] * xs[0] + n[1] * xs[1] + n[2] * xs[2]);
}

[[noreturn]] void refuse(const std::string& why) { throw MapError(why, FailureKind::refused); }

// The cell's metric: r^2 = d.g.d in A^2 for a fractional difference d. For the voxels of a
// sphere, d1 is bounded by g for given d2 and d3, d2 by s (g over axes 2 and 3 with axis 1
// eliminated) for given d3, and d3 by the reach.
struct Metric {
    double g11, g12, g13, g22, g23, g33;
    double s22, s23, s33;

    explicit Metric(const std::array<double, 6>& cell) {
        const auto cosine = [&](std::size_t i) { return std::cos(cell[i] * std::numbers::pi / 180.0); };
        const double a = cell[0], b = cell[1], c = cell[2];
        g11 = a * a, g22 = b * b, g33 = c * c;
        g12 = a * b * cosine(5), g13 = a * c * cosine(4), g23 = b * c * cosine(3);
        s22 = g22 - g12 * g12 / g11;
        s23 = g23 - g12 * g13 / g11;
        s33 = g33 - g13 * g13 / g11;
    }
    // The largest |d3| within a sphere of this radius.
    double reach3(double radius) const { return radius / std::sqrt(s33 - s23 * s23 / s22); }
};

// The roots of u x^2 + 2 v x + w = 0 (u > 0) as the interval where the quadratic is at most
// 0; false when it is nowhere.
bool interval(double u, double v, double w, double& lo, double& hi) {
    const double disc = v * v - u * w;
    if (disc < 0.0) return false;
    const double root = std::sqrt(disc);
    lo = (-v - root) / u;
    hi = (-v + root) / u;
    return true;
}

// The unwrapped voxel indices k of an axis of n voxels whose coordinate k/n lies within
// [p + lo, p + hi].
struct Span {
    std::int64_t first, last;
};
Span voxels_within(double p, double lo, double hi, std::int64_t n) {
    const double scale = static_cast<double>(n);
    return {static_cast<std::int64_t>(std::ceil((p + lo) * scale)), static_cast<std::int64_t>(std::floor((p + hi) * scale))};
}

// One atom at one superspace sample: where it is (wrapped into the cell) and the density at
// its centre.
struct Placed {
    std::array<double, 3> at{};
    double peak = 0;  // 0: absent
};

// Adds the Gaussian of one placed atom, over all its images, to the section of voxels at
// unwrapped coordinate k3 along axis 3 (rows of n1 voxels, n2 rows).
void add_to_section(float* section, const Metric& m, const Placed& atom, double width, std::int64_t k3,
                    std::int64_t n1, std::int64_t n2, std::int64_t n3) {
    const double radius2 = kCutoff * kCutoff * width * width;
    const double decay = -1.0 / (2.0 * width * width);
    const double d3 = static_cast<double>(k3) / static_cast<double>(n3) - atom.at[2];
    double lo = 0, hi = 0;
    if (!interval(m.s22, m.s23 * d3, m.s33 * d3 * d3 - radius2, lo, hi)) return;
    const Span rows = voxels_within(atom.at[1], lo, hi, n2);
    for (std::int64_t k2 = rows.first; k2 <= rows.last; ++k2) {
        const double d2 = static_cast<double>(k2) / static_cast<double>(n2) - atom.at[1];
        const double v = m.g12 * d2 + m.g13 * d3;
        const double w = m.g22 * d2 * d2 + 2.0 * m.g23 * d2 * d3 + m.g33 * d3 * d3;
        if (!interval(m.g11, v, w - radius2, lo, hi)) continue;
        const Span run = voxels_within(atom.at[0], lo, hi, n1);
        float* row = section + wrap(k2, n2) * n1;
        std::int64_t at = wrap(run.first, n1);
        for (std::int64_t k1 = run.first; k1 <= run.last; ++k1) {
            const double d1 = static_cast<double>(k1) / static_cast<double>(n1) - atom.at[0];
            const double r2 = m.g11 * d1 * d1 + 2.0 * v * d1 + w;
            row[at] += static_cast<float>(atom.peak * std::exp(r2 * decay));
            if (++at == n1) at = 0;
        }
    }
}

void check(const Model& model) {
    if (!sound_cell(model.cell)) refuse("the cell is no sound cell");
    if (model.counts.empty() || model.counts.size() > 6) refuse("a map has 1 to 6 axes");
    double voxels = 1;
    for (const int n : model.counts) {
        if (n < 1) refuse("every axis needs at least one voxel");
        voxels *= n;
    }
    if (voxels > 0x1p62) refuse("the map would hold too many voxels");
    for (const Atom& atom : model.atoms) {
        const auto& p = atom.position;
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]) || !std::isfinite(atom.electrons)) {
            refuse("an atom needs a finite position and electron count");
        }
        if (!std::isfinite(atom.width) || !(atom.width > 0.0)) refuse("an atom needs a finite width above 0");
    }
}

}  // namespace

std::array<double, 3> atom_position(const Atom& atom, const std::array<double, 3>& xs) {
    std::array<double, 3> at = atom.position;
    for (const DisplaciveWave& wave : atom.displacive) {
        const double s = std::sin(phase(wave.n, xs)), c = std::cos(phase(wave.n, xs));
        for (std::size_t i = 0; i < 3; ++i) at[i] += wave.sin[i] * s + wave.cos[i] * c;
    }
    return at;
}

double atom_occupancy(const Atom& atom, const std::array<double, 3>& xs) {
    if (atom.crenel) {
        // Where x4 lies past the start of the interval, within one period.
        const double past = xs[0] - (atom.crenel->center - atom.crenel->width / 2.0);
        if (past - std::floor(past) >= atom.crenel->width) return 0.0;
    }
    double occupancy = 1.0;
    for (const OccupationalWave& wave : atom.occupational) {
        occupancy += wave.sin * std::sin(phase(wave.n, xs)) + wave.cos * std::cos(phase(wave.n, xs));
    }
    return occupancy;
}

Map model_map(const Model& model) {
    check(model);
    Map map = full_cell_map(model.counts);
    map.dimension = static_cast<int>(model.counts.size());
    map.cell = model.cell;
    const Metric metric(model.cell);
    const std::int64_t n1 = map.nvox(1), n2 = map.nvox(2), n3 = map.nvox(3);
    const std::int64_t samples = map.voxels() / (n1 * n2 * n3);
    const std::size_t atoms = model.atoms.size();

    // Every atom placed at every superspace sample, sample by sample.
    std::vector<Placed> placed(static_cast<std::size_t>(samples) * atoms);
    const double norm = std::pow(kTwoPi, 1.5);
    for (std::int64_t s = 0; s < samples; ++s) {
        std::array<double, 3> xs{};
        std::int64_t rest = s;
        for (int k = 4; k <= 6; ++k) {
            xs[static_cast<std::size_t>(k - 4)] = static_cast<double>(rest % map.nvox(k)) / map.nvox(k);
            rest /= map.nvox(k);
        }
        for (std::size_t a = 0; a < atoms; ++a) {
            const Atom& atom = model.atoms[a];
            Placed& p = placed[static_cast<std::size_t>(s) * atoms + a];
            p.at = atom_position(atom, xs);
            for (double& x : p.at) x -= std::floor(x);
            const double w = atom.width;
            p.peak = atom_occupancy(atom, xs) * atom.electrons / (norm * w * w * w);
        }
    }

    // One section (a superspace sample and a voxel along axis 3) at a time, each from every
    // atom image whose cutoff sphere reaches it.
    float* rho = map.rho.data();
    share_work(0, samples * n3, 1, 0, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t item = begin; item < end; ++item) {
            const std::int64_t s = item / n3, k3 = item % n3;
            float* section = rho + item * n1 * n2;
            std::fill(section, section + n1 * n2, 0.0f);
            for (std::size_t a = 0; a < atoms; ++a) {
                const Placed& p = placed[static_cast<std::size_t>(s) * atoms + a];
                if (p.peak == 0.0) continue;
                const double reach = metric.reach3(kCutoff * model.atoms[a].width);
                const Span images = voxels_within(p.at[2], -reach, reach, n3);
                for (std::int64_t k = images.first + wrap(k3 - images.first, n3); k <= images.last; k += n3) {
                    add_to_section(section, metric, p, model.atoms[a].width, k, n1, n2, n3);
                }
            }
        }
    });
    return map;
}

}  // namespace voxmill::model
