#include "ops/project.hpp"

#include <algorithm>
#include <cstddef>

#include "core/interruption.hpp"

namespace voxmill {

namespace {

constexpr int kRealAxes = 3;

}  // namespace

Map project(const Map& map) {
    Map r = frame_of(map);
    for (int i = kRealAxes + 1; i <= 6; ++i) {
        r.nvox(i) = 1;
        r.xfmn(i) = 0.0f;
        r.xfmx(i) = 0.0f;
        r.xdf(i) = 1.0f;
    }
    r.q47.satelitybyly = map.q47.satelitybyly.value_or(map.dimension >= 4);
    r.dimension = std::min(map.dimension, kRealAxes);

    // Input voxel I lies over real-space voxel I mod R, and the real-space blocks of R voxels
    // follow one another. Adding block after block gives every output voxel its terms in the
    // order of I, so the sums round as if the map were walked voxel by voxel.
    const auto R = static_cast<std::size_t>(r.voxels());
    const std::size_t blocks = static_cast<std::size_t>(map.voxels()) / R;
    r.rho.allocate(R);
    std::fill(r.rho.begin(), r.rho.end(), 0.0f);
    for (std::size_t s = 0; s < blocks; ++s) {
        stop_if_interrupted();
        const float* block = map.rho.data() + s * R;
        for (std::size_t a = 0; a < R; ++a) r.rho[a] += block[a];
    }
    return r;
}

}  // namespace voxmill
