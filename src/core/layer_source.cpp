#include "core/layer_source.hpp"

namespace voxmill {

Map whole_map(const LayerSource& source) {
    Map map = frame_of(source.frame());
    map.rho.allocate(static_cast<std::size_t>(map.voxels()));
    source.fill(0, map.layers(), map.rho.data());
    return map;
}

}  // namespace voxmill
