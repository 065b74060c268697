#include "ops/spline_weights.hpp"

#include "ops/voxmill_splin.hpp"

namespace voxmill {

namespace {

// y2 of the natural spline through five unit-spaced nodes is a fixed linear map of the node
// values: table[i][p] is y2(i+1) for the values e_p (1 at node p+1, 0 elsewhere). It is read
// off the spline routine itself, so both always agree.
struct SecondDerivativeTable {
    std::array<NodeWeights, kStencilNodes> table{};

    SecondDerivativeTable() {
        NodeWeights x{};
        for (int i = 0; i < kStencilNodes; ++i) x[static_cast<std::size_t>(i)] = static_cast<float>(i);
        for (std::size_t p = 0; p < kStencilNodes; ++p) {
            NodeWeights unit{};
            unit[p] = 1.0f;
            NodeWeights y2{};
            spline(x, unit, kStencilNodes, y2);
            for (std::size_t i = 0; i < kStencilNodes; ++i) table[i][p] = y2[i];
        }
    }
};

const SecondDerivativeTable& second_derivatives() {
    static const SecondDerivativeTable t;
    return t;
}

}  // namespace

NodeWeights stencil_weights(float x, std::int32_t orig) {
    const auto& m = second_derivatives().table;
    const int klo = splint_piece(x, static_cast<float>(orig), kStencilNodes);
    const auto lo = static_cast<std::size_t>(klo - 1);
    const auto hi = lo + 1;
    // A and B exactly as splint forms them from the node coordinates.
    const float a = static_cast<float>(orig + klo) - x;
    const float b = x - static_cast<float>(orig + klo - 1);
    const float ca = a * a * a - a;
    const float cb = b * b * b - b;
    NodeWeights w{};
    for (std::size_t p = 0; p < kStencilNodes; ++p) w[p] = (ca * m[lo][p] + cb * m[hi][p]) / 6.0f;
    w[lo] += a;
    w[hi] += b;
    return w;
}

}  // namespace voxmill
