#include "ops/voxmill_splin.hpp"

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <vector>

namespace voxmill {

void spline(std::span<const float> x, std::span<const float> y, int n, std::span<float> y2) {
    // 1-based views, so that the recurrences read as written down.
    auto X = [&](int i) { return x[static_cast<std::size_t>(i - 1)]; };
    auto Y = [&](int i) { return y[static_cast<std::size_t>(i - 1)]; };
    auto Y2 = [&](int i) -> float& { return y2[static_cast<std::size_t>(i - 1)]; };
    std::vector<float> work(static_cast<std::size_t>(n));
    auto U = [&](int i) -> float& { return work[static_cast<std::size_t>(i - 1)]; };

    Y2(1) = 0.0f;
    U(1) = 0.0f;
    for (int i = 2; i <= n - 1; ++i) {
        const float sig = (X(i) - X(i - 1)) / (X(i + 1) - X(i - 1));
        const float p = sig * Y2(i - 1) + 2.0f;
        Y2(i) = (sig - 1.0f) / p;
        U(i) = (6.0f * ((Y(i + 1) - Y(i)) / (X(i + 1) - X(i)) - (Y(i) - Y(i - 1)) / (X(i) - X(i - 1))) /
                    (X(i + 1) - X(i - 1)) -
                sig * U(i - 1)) /
               p;
    }
    Y2(n) = 0.0f;
    for (int k = n - 1; k >= 1; --k) Y2(k) = Y2(k) * Y2(k + 1) + U(k);
}

int splint_piece(float x, float x1, int n) {
    // No search is needed because the nodes are one voxel apart. Outside the table the
    // nearest end piece is taken, so nothing is read beyond the nodes.
    const auto nf = static_cast<float>(n);
    const float piece = std::trunc(x - x1 + nf) - nf + 1.0f;
    if (piece >= static_cast<float>(n - 1)) return n - 1;
    if (piece >= 1.0f) return static_cast<int>(piece);
    return 1;
}

void splint(std::span<const float> xa, std::span<const float> ya, std::span<const float> y2a, int n, float x,
            Tab<float, 3>& y) {
    if (n < 2) throw std::invalid_argument("splint: a spline needs two nodes");
    auto XA = [&](int i) { return xa[static_cast<std::size_t>(i - 1)]; };
    auto YA = [&](int i) { return ya[static_cast<std::size_t>(i - 1)]; };
    auto Y2A = [&](int i) { return y2a[static_cast<std::size_t>(i - 1)]; };
    const int klo = splint_piece(x, XA(1), n);
    const int khi = klo + 1;
    const float a = XA(khi) - x;
    const float b = x - XA(klo);
    y(1) = a * YA(klo) + b * YA(khi) + ((a * a * a - a) * Y2A(klo) + (b * b * b - b) * Y2A(khi)) / 6.0f;
    y(2) = (YA(khi) - YA(klo)) + ((1.0f - 3.0f * a * a) * Y2A(klo) + (3.0f * b * b - 1.0f) * Y2A(khi)) / 6.0f;
    y(3) = a * Y2A(klo) + b * Y2A(khi);
}

}  // namespace voxmill
