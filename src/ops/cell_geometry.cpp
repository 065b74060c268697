#include "ops/cell_geometry.hpp"

#include <cmath>
#include <cstddef>
#include <numbers>

namespace voxmill {

namespace {

struct Cosines {
    double alpha, beta, gamma;
};

Cosines cosines(const std::array<double, 6>& cell) {
    const auto cosine = [&](std::size_t i) { return std::cos(cell[i] * std::numbers::pi / 180.0); };
    return {cosine(3), cosine(4), cosine(5)};
}

}  // namespace

double cell_volume(const std::array<double, 6>& cell) {
    const Cosines c = cosines(cell);
    const double v2 = 1.0 - c.alpha * c.alpha - c.beta * c.beta - c.gamma * c.gamma + 2.0 * c.alpha * c.beta * c.gamma;
    return cell[0] * cell[1] * cell[2] * std::sqrt(v2);
}

std::array<double, 3> orthogonal(const std::array<double, 6>& cell, const std::array<double, 3>& f) {
    const Cosines c = cosines(cell);
    const double a = cell[0], b = cell[1], cc = cell[2];
    const double sin_gamma = std::sin(cell[5] * std::numbers::pi / 180.0);
    const double z = cell_volume(cell) / (a * b * sin_gamma);  // the height of c over the ab plane
    return {a * f[0] + b * c.gamma * f[1] + cc * c.beta * f[2],
            b * sin_gamma * f[1] + cc * (c.alpha - c.beta * c.gamma) / sin_gamma * f[2],
            z * f[2]};
}

}  // namespace voxmill
