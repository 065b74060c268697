#include "ops/closing_layer.hpp"

#include <algorithm>

namespace voxmill {

ClosedMap::ClosedMap(const Map& map) : map_(map) {
    frame_.dimension = map.dimension;
    for (int i = 1; i <= 6; ++i) {
        const bool on_map = i <= map.dimension;
        frame_.nvox(i) = on_map ? map.nvox(i) + 1 : 1;
        frame_.xfmn(i) = 0.0f;
        frame_.xfmx(i) = on_map ? 1.0f : 0.0f;
        frame_.xdf(i) = on_map ? 1.0f / static_cast<float>(map.nvox(i)) : 1.0f;
        frame_.iorien(i) = i;
    }
    frame_.cell = map.cell;
}

void ClosedMap::fill(std::int64_t first, std::int64_t count, float* out) const {
    // Each closed layer is built row by row: a row of the open map, then its first voxel
    // again; the last row repeats the first, the last layer of an axis its first.
    const std::int64_t nvox1 = map_.nvox(1);
    const std::int64_t nx1 = frame_.nvox(1);
    const std::int64_t ny1 = frame_.nvox(2);
    for (std::int64_t k = first; k < first + count; ++k) {
        std::int64_t rest = k;
        std::int64_t layer = 0;
        for (int i = 3; i <= 6; ++i) {
            const std::int64_t c = rest % frame_.nvox(i);
            rest /= frame_.nvox(i);
            layer += (c % map_.nvox(i)) * map_.stride(i);
        }
        for (std::int64_t d2 = 0; d2 < ny1; ++d2) {
            const float* row = map_.rho.data() + layer + (d2 % map_.nvox(2)) * nvox1;
            float* closed = out + ((k - first) * ny1 + d2) * nx1;
            std::copy(row, row + nvox1, closed);
            closed[nvox1] = row[0];
        }
    }
}

Map add_layer(const Map& map) { return whole_map(ClosedMap(map)); }

}  // namespace voxmill
