#include "ops/qc_pixel.hpp"

#include <array>

#include "ops/spline_weights.hpp"
#include "ops/voxmill_splin.hpp"

namespace voxmill {

namespace {

Tab<float, 6> point_of(const SectionGeometry& g, std::int32_t L) {
    std::int32_t i = 0, ii = 0, iii = 0;
    pixel_of(g, L, i, ii, iii);
    Tab<float, 6> coo{};
    section_point(g, i, ii, iii, coo);
    return coo;
}

}  // namespace

float literal_pixel(State& st, const SectionGeometry& g, std::int32_t L) {
    const Tab<float, 6> coo = point_of(g, L);
    Tab<std::int32_t, 6> axord{}, derord{}, orig{};
    for (int k = 1; k <= g.sdim; ++k) {
        axord(k) = k;
        derord(k) = 0;
        orig(k) = stencil_origin(coo(k));
    }
    std::size_t block = 1;
    for (int k = 1; k <= g.sdim; ++k) block *= kStencilNodes;
    if (st.srho.size() < block) st.srho.allocate(block);
    std::array<float, kStencilNodes> y{}, y2{};
    fillrhocut(st, axord, orig, g.sdim, kStencilNodes);
    float outrho = 0.0f;
    rhoatpoint(g.sdim, kStencilNodes, derord, axord, coo, orig, st.srho, outrho, y, y2);
    return outrho;
}

float fast_pixel(const MapGrid& m, const SectionGeometry& g, std::int32_t L) {
    return stencil_sum(m, make_stencil(m, point_of(g, L)));
}

}  // namespace voxmill
