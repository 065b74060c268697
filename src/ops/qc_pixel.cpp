#include "ops/qc_pixel.hpp"

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

float fast_pixel(const MapGrid& m, const SectionGeometry& g, std::int32_t L) {
    return stencil_sum(m, make_stencil(m, point_of(g, L)));
}

}  // namespace voxmill
