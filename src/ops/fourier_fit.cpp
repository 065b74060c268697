#include "ops/fourier_fit.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace voxmill {

namespace {

// The least share of its squared length that a column of the fit must keep beside the span
// of the columns before it.
constexpr double kLeastShare = 0.01;

int order_of(const std::array<int, 3>& n) { return std::max({std::abs(n[0]), std::abs(n[1]), std::abs(n[2])}); }

int length_of(const std::array<int, 3>& n) { return std::abs(n[0]) + std::abs(n[1]) + std::abs(n[2]); }

// 2 pi n.x
double phase(const std::array<int, 3>& n, const std::array<double, 3>& x) {
    return 2.0 * std::numbers::pi * (n[0] * x[0] + n[1] * x[1] + n[2] * x[2]);
}

// The lower triangle of the Cholesky factor of a symmetric matrix scaled to a unit diagonal,
// row-major in m x m, over its leading columns while each keeps kLeastShare of its squared
// length; returns how many did. `scale` holds the square roots of the diagonal.
std::size_t scaled_cholesky(const std::vector<double>& a, const std::vector<double>& scale, std::size_t m,
                            std::vector<double>& l) {
    l.assign(m * m, 0.0);
    for (std::size_t j = 0; j < m; ++j) {
        double pivot = scale[j] > 0.0 ? 1.0 : 0.0;
        for (std::size_t k = 0; k < j; ++k) pivot -= l[j * m + k] * l[j * m + k];
        if (pivot < kLeastShare) return j;
        l[j * m + j] = std::sqrt(pivot);
        for (std::size_t i = j + 1; i < m; ++i) {
            double v = scale[i] > 0.0 ? a[i * m + j] / (scale[i] * scale[j]) : 0.0;
            for (std::size_t k = 0; k < j; ++k) v -= l[i * m + k] * l[j * m + k];
            l[i * m + j] = v / l[j * m + j];
        }
    }
    return m;
}

// Solves (L L^T) y = b in place over the leading `n` rows.
void solve_factored(const std::vector<double>& l, std::size_t m, std::size_t n, std::vector<double>& b) {
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t k = 0; k < i; ++k) b[i] -= l[i * m + k] * b[k];
        b[i] /= l[i * m + i];
    }
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t k = i + 1; k < n; ++k) b[i] -= l[k * m + i] * b[k];
        b[i] /= l[i * m + i];
    }
}

}  // namespace

std::vector<std::array<int, 3>> wave_vectors(int d, int order) {
    std::vector<std::array<int, 3>> waves;
    const int side = 2 * order + 1;
    int total = 1;
    for (int k = 0; k < d; ++k) total *= side;
    for (int c = 0; c < total; ++c) {
        std::array<int, 3> n{};
        for (int k = 0, rest = c; k < d; ++k, rest /= side) n[static_cast<std::size_t>(k)] = rest % side - order;
        const auto first = std::find_if(n.begin(), n.end(), [](int v) { return v != 0; });
        if (first != n.end() && *first > 0) waves.push_back(n);
    }
    std::sort(waves.begin(), waves.end(), [](const auto& p, const auto& q) {
        return length_of(p) != length_of(q) ? length_of(p) < length_of(q) : p < q;
    });
    return waves;
}

std::vector<double> FourierSeries::at(const std::array<double, 3>& x) const {
    std::vector<double> v = constant;
    for (std::size_t w = 0; w < waves.size(); ++w) {
        const double s = std::sin(phase(waves[w], x)), c = std::cos(phase(waves[w], x));
        for (std::size_t i = 0; i < v.size(); ++i) v[i] += sin[w][i] * s + cos[w][i] * c;
    }
    return v;
}

FourierSeries fit_fourier_series(const std::vector<std::array<double, 3>>& x, const std::vector<double>& values,
                                 std::size_t width, int d, int order) {
    // The columns by increasing order, so that the leading block of the normal equations is
    // the fit of a lower order: the constant, then the sine and cosine of each wave.
    const std::vector<std::array<int, 3>> waves = wave_vectors(d, order);
    std::vector<std::size_t> by_order(waves.size());
    std::iota(by_order.begin(), by_order.end(), std::size_t{0});
    std::stable_sort(by_order.begin(), by_order.end(),
                     [&](std::size_t p, std::size_t q) { return order_of(waves[p]) < order_of(waves[q]); });
    const std::size_t m = 1 + 2 * waves.size();
    std::vector<double> normal(m * m, 0.0), right(m * width, 0.0), row(m);
    for (std::size_t p = 0; p < x.size(); ++p) {
        row[0] = 1.0;
        for (std::size_t w = 0; w < waves.size(); ++w) {
            const double t = phase(waves[by_order[w]], x[p]);
            row[1 + 2 * w] = std::sin(t);
            row[2 + 2 * w] = std::cos(t);
        }
        for (std::size_t i = 0; i < m; ++i) {
            for (std::size_t j = 0; j <= i; ++j) normal[i * m + j] += row[i] * row[j];
            for (std::size_t c = 0; c < width; ++c) right[i * width + c] += row[i] * values[p * width + c];
        }
    }
    std::vector<double> scale(m), l;
    for (std::size_t j = 0; j < m; ++j) scale[j] = std::sqrt(normal[j * m + j]);
    const std::size_t sound = scaled_cholesky(normal, scale, m, l);

    FourierSeries series;
    series.constant.assign(width, 0.0);
    if (sound == 0) return series;
    // Whole orders only: the first column left out drops the rest of its order.
    series.order = sound == m ? order : order_of(waves[by_order[(sound - 1) / 2]]) - 1;
    const std::size_t kept = 1 + 2 * static_cast<std::size_t>(std::count_if(
                                     waves.begin(), waves.end(), [&](const auto& n) { return order_of(n) <= series.order; }));
    std::vector<std::vector<double>> coefficients(width, std::vector<double>(kept));
    for (std::size_t c = 0; c < width; ++c) {
        std::vector<double>& b = coefficients[c];
        for (std::size_t i = 0; i < kept; ++i) b[i] = right[i * width + c] / scale[i];
        solve_factored(l, m, kept, b);
        for (std::size_t i = 0; i < kept; ++i) b[i] /= scale[i];
        series.constant[c] = b[0];
    }
    // The waves kept, back in the order of wave_vectors.
    std::vector<std::size_t> column(waves.size());
    for (std::size_t w = 0; w < waves.size(); ++w) column[by_order[w]] = w;
    for (std::size_t w = 0; w < waves.size(); ++w) {
        if (order_of(waves[w]) > series.order) continue;
        series.waves.push_back(waves[w]);
        series.sin.emplace_back(width);
        series.cos.emplace_back(width);
        for (std::size_t c = 0; c < width; ++c) {
            series.sin.back()[c] = coefficients[c][1 + 2 * column[w]];
            series.cos.back()[c] = coefficients[c][2 + 2 * column[w]];
        }
    }
    return series;
}

}  // namespace voxmill
