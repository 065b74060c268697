// A map closed along every axis of its dimension: one more voxel at the far end of each axis,
// repeating the voxel at its start, so that the axis runs from fractional coordinate 0 to 1
// inclusive (what programs that interpolate within one cell without wrapping want).
#pragma once

#include <cstdint>

#include "core/layer_source.hpp"
#include "core/map.hpp"

namespace voxmill {

// The closed map of `map`, which must outlive it. Its frame: n + 1 voxels from 0 to 1 in steps
// of 1/n on each axis of the dimension, 1 voxel at 0 with step 1 above; codes 1 to 6, map code
// 4, subsystem 1, the input's cell.
class ClosedMap final : public LayerSource {
public:
    explicit ClosedMap(const Map& map);
    const Map& frame() const override { return frame_; }
    void fill(std::int64_t first, std::int64_t count, float* out) const override;

private:
    const Map& map_;
    Map frame_;
};

// The closed map as a value.
Map add_layer(const Map& map);

}  // namespace voxmill
