// Least-squares Fourier series of values sampled at points of superspace: how a modulated
// atom's position and occupancy vary with the superspace coordinates.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace voxmill {

// The wave vectors of a series of order N in d superspace dimensions (1 to 3): every n of d
// whole numbers with |n_k| <= N, n not 0, and of n and -n only the one whose first non-zero
// component is positive; by increasing sum of |n_k|, then lexicographically. Components
// beyond d are 0.
std::vector<std::array<int, 3>> wave_vectors(int d, int order);

// `width` functions of the superspace coordinates x (fractions of the axes 4, 5, 6):
// value_i(x) = constant_i + sum over the waves n of sin_i(n) sin(2 pi n.x) + cos_i(n) cos(2 pi n.x).
struct FourierSeries {
    int order = 0;                          // the largest |n_k| among the waves
    std::vector<std::array<int, 3>> waves;  // as wave_vectors lists them
    std::vector<double> constant;           // width numbers
    std::vector<std::vector<double>> sin, cos;  // for each wave, width numbers

    std::vector<double> at(const std::array<double, 3>& x) const;
};

// The series of order at most `order` that fits `values` (width numbers for each point,
// point after point) at the points `x` in least squares. The order is the highest the points
// support: the sines and cosines are taken by increasing order, and one that, sampled at the
// points, keeps less than a tenth of its length beside the span of those before it (and of
// the constant) is left out with all waves of its order and above. So go the sines of the
// Nyquist frequency of a grid, and the high orders over a short crenel interval, where the
// fit would multiply the errors of the values many times.
FourierSeries fit_fourier_series(const std::vector<std::array<double, 3>>& x, const std::vector<double>& values,
                                 std::size_t width, int d, int order);

}  // namespace voxmill
