// A map put straight into the shared state, without a file, for the interpolation tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "app/state.hpp"

namespace vtest {

// The state of a map with voxel counts nvox (one per axis, the last one above 1) and these
// densities, or random ones in [lo, hi) when `rho` is empty.
inline void load_map(voxmill::State& st, const std::vector<std::int32_t>& nvox, std::vector<float> rho = {},
                     unsigned seed = 1, float lo = -5.0f, float hi = 10.0f) {
    st.sdim = static_cast<std::int32_t>(nvox.size());
    std::size_t count = 1;
    for (int k = 1; k <= 6; ++k) {
        st.map.nvox(k) = k <= st.sdim ? nvox[static_cast<std::size_t>(k - 1)] : 1;
        count *= static_cast<std::size_t>(st.map.nvox(k));
    }
    frame_whole_cell(st.map, st.sdim);
    if (rho.empty()) {
        std::mt19937 gen(seed);
        std::uniform_real_distribution<float> density(lo, hi);
        rho.resize(count);
        for (float& v : rho) v = density(gen);
    }
    st.map.rho.allocate(count + 1);
    for (std::size_t i = 0; i < count; ++i) st.map.rho[i] = rho[i];
}

}  // namespace vtest
