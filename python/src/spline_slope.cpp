#include "spline_slope.hpp"

#include <array>

#include "ops/voxmill_splin.hpp"

namespace voxmill::python {

namespace {

// y2 of the natural spline through five unit-spaced nodes for the node values e_p.
struct UnitSplines {
    std::array<NodeWeights, kStencilNodes> y{}, y2{};

    UnitSplines() {
        NodeWeights x{};
        for (int i = 0; i < kStencilNodes; ++i) x[static_cast<std::size_t>(i)] = static_cast<float>(i);
        for (std::size_t p = 0; p < kStencilNodes; ++p) {
            y[p][p] = 1.0f;
            spline(x, y[p], kStencilNodes, y2[p]);
        }
    }
};

}  // namespace

NodeWeights stencil_slope_weights(float x, std::int32_t orig) {
    static const UnitSplines unit;
    NodeWeights xa{};
    for (int i = 0; i < kStencilNodes; ++i) xa[static_cast<std::size_t>(i)] = static_cast<float>(orig + i);
    NodeWeights w{};
    for (std::size_t p = 0; p < kStencilNodes; ++p) {
        Tab<float, 3> value{};
        splint(xa, unit.y[p], unit.y2[p], kStencilNodes, x, value);
        w[p] = value(2);
    }
    return w;
}

}  // namespace voxmill::python
