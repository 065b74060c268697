#include "core/layer_source.hpp"

#include <algorithm>

#include "core/interruption.hpp"

namespace voxmill {

Map whole_map(const LayerSource& source) {
    Map map = frame_of(source.frame());
    map.rho.allocate(static_cast<std::size_t>(map.voxels()));
    // Some million voxels at a time, so that the work can be interrupted between them.
    const std::int64_t layer = map.layer(), layers = map.layers();
    const std::int64_t step = std::max<std::int64_t>(1, kVoxelsBetweenLooks / std::max<std::int64_t>(layer, 1));
    for (std::int64_t first = 0; first < layers; first += step) {
        stop_if_interrupted();
        source.fill(first, std::min(step, layers - first), map.rho.data() + first * layer);
    }
    return map;
}

}  // namespace voxmill
