#include "core/map.hpp"

#include <cmath>
#include <numbers>
#include <vector>

namespace voxmill {

std::int64_t Map::voxels() const {
    std::int64_t n = 1;
    for (int i = 1; i <= 6; ++i) n *= nvox(i);
    return n;
}

bool sound_cell(const std::array<double, 6>& cell) {
    for (int i = 0; i < 6; ++i) {
        const double c = cell[static_cast<std::size_t>(i)];
        if (!std::isfinite(c) || !(c > 0.0) || (i >= 3 && !(c < 180.0))) return false;
    }
    const auto cosine = [&](int i) { return std::cos(cell[static_cast<std::size_t>(i)] * std::numbers::pi / 180.0); };
    const double ca = cosine(3), cb = cosine(4), cg = cosine(5);
    // The volume of the cell over abc, squared.
    const double v2 = 1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg;
    return v2 > 1e-12;
}

Map full_cell_map(const std::vector<std::int32_t>& counts) {
    Map m = full_cell_frame(counts);
    m.rho.allocate(static_cast<std::size_t>(m.voxels()));
    return m;
}

Map full_cell_frame(const std::vector<std::int32_t>& counts) {
    Map m;
    m.dimension = 0;
    for (int i = 1; i <= 6; ++i) {
        const bool on_map = static_cast<std::size_t>(i) <= counts.size();
        const std::int32_t n = on_map ? counts[static_cast<std::size_t>(i - 1)] : 1;
        m.nvox(i) = n;
        if (n > 1) m.dimension = i;
        const float f = static_cast<float>(n);
        m.xfmn(i) = 0.0f;
        m.xfmx(i) = on_map ? (f - 1.0f) / f : 0.0f;
        m.xdf(i) = on_map ? 1.0f / f : 1.0f;
        m.iorien(i) = i;
    }
    if (m.dimension == 0) m.dimension = 1;
    return m;
}

}  // namespace voxmill
