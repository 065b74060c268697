#include "ops/peak_refine.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace voxmill {

namespace {

constexpr std::size_t kAxes = 6;

// The fitted quadratic y(s) = c + g.s + s.H.s / 2 over the walk axes, s in voxels.
struct Quadratic {
    double c = 0;
    std::array<double, kAxes> g{};
    std::array<std::array<double, kAxes>, kAxes> h{};
};

// The least-squares quadratic through the logs at the 3^A steps. On this full three-level
// design the columns 1, s_a, s_a^2 - 2/3 and s_a s_b are orthogonal, so each coefficient is a
// plain weighted sum: g_a = sum(s_a y) / (2N/3); the coefficient of s_a^2, H_aa / 2, is the
// mean of y where s_a is not 0 less the mean where it is; H_ab = sum(s_a s_b y) / (4N/9); c is
// the mean of y less 2/3 of the s_a^2 coefficients.
Quadratic fit(const NeighbourWalk& walk, double centre, const std::vector<double>& logs) {
    const std::size_t A = walk.axes().size();
    double total = centre, n = 1;
    std::array<double, kAxes> stepped{};  // sum of y where s_a is not 0
    Quadratic q;
    for (std::size_t j = 0; j < logs.size(); ++j) {
        const double y = logs[j];
        total += y;
        n += 1;
        for (std::size_t a = 0; a < A; ++a) {
            const int sa = walk.step(j, a);
            if (sa == 0) continue;
            q.g[a] += sa * y;
            stepped[a] += y;
            for (std::size_t b = a + 1; b < A; ++b) q.h[a][b] += sa * walk.step(j, b) * y;
        }
    }
    q.c = total / n;
    for (std::size_t a = 0; a < A; ++a) {
        q.g[a] /= 2 * n / 3;
        const double square = stepped[a] / (2 * n / 3) - (total - stepped[a]) / (n / 3);
        q.h[a][a] = 2 * square;
        q.c -= square * 2 / 3;
        for (std::size_t b = a + 1; b < A; ++b) {
            q.h[a][b] /= 4 * n / 9;
            q.h[b][a] = q.h[a][b];
        }
    }
    return q;
}

// x solving (-H) x = g over the axes `free`, by Cholesky; false when -H is not positive
// definite there.
bool newton_step(const Quadratic& q, const std::vector<std::size_t>& free, std::array<double, kAxes>& x) {
    const std::size_t m = free.size();
    std::array<std::array<double, kAxes>, kAxes> l{};
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            double v = -q.h[free[i]][free[j]];
            for (std::size_t k = 0; k < j; ++k) v -= l[i][k] * l[j][k];
            if (i == j) {
                if (!(v > 0)) return false;
                l[i][i] = std::sqrt(v);
            } else {
                l[i][j] = v / l[j][j];
            }
        }
    }
    std::array<double, kAxes> y{};
    for (std::size_t i = 0; i < m; ++i) {
        double v = q.g[free[i]];
        for (std::size_t k = 0; k < i; ++k) v -= l[i][k] * y[k];
        y[i] = v / l[i][i];
    }
    for (std::size_t i = m; i-- > 0;) {
        double v = y[i];
        for (std::size_t k = i + 1; k < m; ++k) v -= l[k][i] * x[free[k]];
        x[free[i]] = v / l[i][i];
    }
    return true;
}

}  // namespace

Summit summit(const Map& map, const NeighbourWalk& walk, std::int64_t at) {
    const float* rho = map.rho.data();
    Summit s;
    s.height = rho[at];
    const std::size_t A = walk.axes().size();
    if (A == 0 || !(rho[at] > 0.0f) || !std::isfinite(rho[at])) return s;
    const double centre = std::log(static_cast<double>(rho[at]));
    std::vector<double> logs(walk.count(), std::numeric_limits<double>::quiet_NaN());
    walk.for_each(at, [&](std::size_t j, std::int64_t n) {
        if (rho[n] > 0.0f) logs[j] = std::log(static_cast<double>(rho[n]));
    });
    // Flat along an axis: both neighbours along it alone equal the voxel.
    std::array<int, kAxes> equal_along{};
    for (std::size_t j = 0; j < logs.size(); ++j) {
        if (!std::isfinite(logs[j])) return s;
        std::size_t moved = 0, along = 0;
        for (std::size_t a = 0; a < A; ++a) {
            if (walk.step(j, a) != 0) {
                ++moved;
                along = a;
            }
        }
        if (moved == 1 && logs[j] == centre) ++equal_along[along];
    }
    std::vector<std::size_t> free;
    for (std::size_t a = 0; a < A; ++a) {
        if (equal_along[a] < 2) free.push_back(a);
    }
    const Quadratic q = fit(walk, centre, logs);
    std::array<double, kAxes> x{};
    if (free.empty() || !newton_step(q, free, x)) return s;
    double rise = 0;
    for (const std::size_t a : free) {
        if (!(std::abs(x[a]) <= 1.0)) return s;
        rise += q.g[a] * x[a] / 2;
    }
    for (std::size_t a = 0; a < A; ++a) s.shift[static_cast<std::size_t>(walk.axes()[a] - 1)] = x[a];
    s.height = std::exp(q.c + rise);
    s.refined = true;
    return s;
}

}  // namespace voxmill
