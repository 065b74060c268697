#include "core/map.hpp"

#include <vector>

namespace voxmill {

std::int64_t Map::voxels() const {
    std::int64_t n = 1;
    for (int i = 1; i <= 6; ++i) n *= nvox(i);
    return n;
}

Map full_cell_map(const std::vector<std::int32_t>& counts) {
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
    m.rho.allocate(static_cast<std::size_t>(m.voxels()));
    return m;
}

}  // namespace voxmill
