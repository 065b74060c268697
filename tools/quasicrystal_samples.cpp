#include "quasicrystal_samples.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "sample_grid.hpp"

namespace voxmill::samples {

namespace {

constexpr double kTau = std::numbers::phi;

// An occupation domain: a ball in perpendicular space around a site of the cell.
struct Site {
    std::array<double, 6> at;  // fractional, on the quasiperiodic axes
    double radius;
};

// A cut-and-project structure in fractional superspace coordinates d (one per axis): the
// physical position of d is par * d, its perpendicular position perp * d. The columns of
// par and perp together are the lattice basis, the inverse of the reciprocal basis whose
// parallel parts option C uses to embed a section.
struct CutAndProject {
    int axes = 0;      // quasiperiodic axes
    int par_rows = 0;  // dimension of parallel space; the rest is perpendicular
    std::array<std::array<double, 6>, 3> par{};
    std::array<std::array<double, 6>, 3> perp{};
    std::vector<Site> sites;
    double sigma = 0;    // of the atoms' Gaussians in parallel space
    double edge = 0;     // the domains fall off smoothly over this width inside their radius
    double stretch = 0;  // |d| <= stretch * |(par d, perp d)|: largest singular value of the reciprocal basis
};

// A structure without its bases and sites yet.
CutAndProject structure(int axes, int par_rows, double sigma, double edge, double stretch) {
    CutAndProject m;
    m.axes = axes;
    m.par_rows = par_rows;
    m.sigma = sigma;
    m.edge = edge;
    m.stretch = stretch;
    return m;
}

double norm2(const std::array<std::array<double, 6>, 3>& rows, int count, int axes, const std::array<double, 6>& d) {
    double s = 0.0;
    for (int a = 0; a < count; ++a) {
        double v = 0.0;
        for (int j = 0; j < axes; ++j) v += rows[static_cast<std::size_t>(a)][static_cast<std::size_t>(j)] * d[static_cast<std::size_t>(j)];
        s += v * v;
    }
    return s;
}

// The density of one node's atom at distance d from it.
double atom(const CutAndProject& m, double radius, const std::array<double, 6>& d) {
    const double cut = 4.0 * m.sigma;
    const double r_par2 = norm2(m.par, m.par_rows, m.axes, d);
    if (r_par2 >= cut * cut) return 0.0;
    const double r_perp = std::sqrt(norm2(m.perp, m.axes - m.par_rows, m.axes, d));
    if (r_perp >= radius) return 0.0;
    const double s = std::min(1.0, (radius - r_perp) / m.edge);
    return std::exp(-r_par2 / (2.0 * m.sigma * m.sigma)) * s * s * (3.0 - 2.0 * s);
}

// Adds the atoms of every node n of the lattice with |y - n| <= reach, choosing n axis by
// axis and dropping a branch as soon as the axes chosen so far are out of reach.
void add_nodes(const CutAndProject& m, double radius, const std::array<double, 6>& y, int k,
               std::array<double, 6>& d, double left2, double& sum) {
    if (k == m.axes) {
        sum += atom(m, radius, d);
        return;
    }
    const auto i = static_cast<std::size_t>(k);
    const double left = std::sqrt(left2);
    for (double n = std::ceil(y[i] - left); n <= y[i] + left; n += 1.0) {
        d[i] = y[i] - n;
        add_nodes(m, radius, y, k + 1, d, left2 - d[i] * d[i], sum);
    }
}

double quasiperiodic_density(const CutAndProject& m, const Fractional& x) {
    double sum = 0.0;
    for (const Site& s : m.sites) {
        const double reach = m.stretch * std::hypot(4.0 * m.sigma, s.radius);
        std::array<double, 6> y{}, d{};
        for (std::size_t j = 0; j < static_cast<std::size_t>(m.axes); ++j) y[j] = x[j] - s.at[j];
        add_nodes(m, s.radius, y, 0, d, reach * reach, sum);
    }
    return sum;
}

// Reciprocal basis vectors (cos 2pi k/5, sin 2pi k/5 | cos 6pi k/5, sin 6pi k/5), k = 1..4;
// the lattice basis is then 2/5 (e_j - e_0) in both spaces, and B^T B has eigenvalues 2.5
// and 0.5, so stretch = sqrt(2.5).
CutAndProject decagonal_plane() {
    CutAndProject m = structure(4, 2, 0.05, 0.06, std::sqrt(2.5));
    const double angle = 2.0 * std::numbers::pi / 5.0;
    for (std::size_t j = 0; j < 4; ++j) {
        const double k = static_cast<double>(j + 1);
        m.par[0][j] = 0.4 * (std::cos(angle * k) - 1.0);
        m.par[1][j] = 0.4 * std::sin(angle * k);
        m.perp[0][j] = 0.4 * (std::cos(3.0 * angle * k) - 1.0);
        m.perp[1][j] = 0.4 * std::sin(3.0 * angle * k);
    }
    const double small = 0.4 * std::cos(std::numbers::pi / 5.0);  // inradius of the small pentagon
    const std::array<double, 4> radius{small, small * kTau, small * kTau, small};
    for (int k = 1; k <= 4; ++k) {
        const double at = k / 5.0;
        m.sites.push_back({{at, at, at, at, 0.0, 0.0}, radius[static_cast<std::size_t>(k - 1)]});
    }
    return m;
}

// The hypercubic lattice: its basis vectors are (1, tau, 0)/s and cyclic permutations with
// signs in parallel space, their conjugates (tau, -1, 0)/s in perpendicular space,
// s = sqrt(2 (2 + tau)); the basis is orthonormal.
CutAndProject icosahedral_lattice() {
    CutAndProject m = structure(6, 3, 0.1, 0.15, 1.0);
    const double s = std::sqrt(2.0 * (2.0 + kTau));
    const std::array<std::array<double, 3>, 6> par{{{1, kTau, 0}, {kTau, 0, 1}, {0, 1, kTau},
                                                    {-1, kTau, 0}, {kTau, 0, -1}, {0, -1, kTau}}};
    const std::array<std::array<double, 3>, 6> perp{{{kTau, -1, 0}, {-1, 0, kTau}, {0, kTau, -1},
                                                     {-kTau, -1, 0}, {-1, 0, -kTau}, {0, -kTau, -1}}};
    for (std::size_t j = 0; j < 6; ++j) {
        for (std::size_t a = 0; a < 3; ++a) {
            m.par[a][j] = par[j][a] / s;
            m.perp[a][j] = perp[j][a] / s;
        }
    }
    m.sites.push_back({{}, 0.973});
    return m;
}

}  // namespace

void decagonal_map(State& st) {
    const CutAndProject plane = decagonal_plane();
    const double sigma_c = 0.1;
    fill_map(st, {16, 16, 16, 16, 10}, [&](const Fractional& x) {
        const double z = wrapped(x[4]);
        return quasiperiodic_density(plane, x) * std::exp(-z * z / (2.0 * sigma_c * sigma_c));
    });
}

void icosahedral_map(State& st) {
    const CutAndProject lattice = icosahedral_lattice();
    fill_map(st, {10, 10, 10, 10, 10, 10}, [&](const Fractional& x) { return quasiperiodic_density(lattice, x); });
}

}  // namespace voxmill::samples
