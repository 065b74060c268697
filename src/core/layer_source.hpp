// A map made layer by layer (a layer: the nvox(1) x nvox(2) voxels of one section), so that a
// writer can take an operation's result in pieces, without a second whole map in memory.
#pragma once

#include <cstdint>

#include "core/map.hpp"

namespace voxmill {

class LayerSource {
public:
    virtual ~LayerSource() = default;
    // The result's counts, frame, codes and cell, without densities.
    virtual const Map& frame() const = 0;
    // Layers first .. first + count - 1 into `out`, count * frame().layer() densities.
    virtual void fill(std::int64_t first, std::int64_t count, float* out) const = 0;
};

// The whole result as a map value.
Map whole_map(const LayerSource& source);

}  // namespace voxmill
