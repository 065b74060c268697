#include "sample_grid.hpp"

#include <cmath>

#include "core/work_sharing.hpp"

namespace voxmill::samples {

void fill_map(State& st, const std::vector<std::int32_t>& nvox,
              const std::function<double(const Fractional&)>& density) {
    st.sdim = static_cast<std::int32_t>(nvox.size());
    std::int64_t count = 1;
    for (int k = 1; k <= 6; ++k) {
        st.map.nvox(k) = k <= st.sdim ? nvox[static_cast<std::size_t>(k - 1)] : 1;
        count *= st.map.nvox(k);
    }
    frame_whole_cell(st.map, st.sdim);
    // The readers keep one element past the map; the sample maps do the same.
    st.map.rho.allocate(static_cast<std::size_t>(count) + 1);
    st.map.rho[static_cast<std::size_t>(count)] = 0.0f;
    const Tab<std::int32_t, 6> counts = st.map.nvox;
    float* rho = st.map.rho.data();
    share_work(0, count, 4096, 0, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t p = begin; p < end; ++p) {
            Fractional x{};
            std::int64_t rest = p;
            for (int k = 1; k <= 6; ++k) {
                x[static_cast<std::size_t>(k - 1)] = static_cast<double>(rest % counts(k)) / counts(k);
                rest /= counts(k);
            }
            rho[p] = static_cast<float>(density(x));
        }
    });
}

double wrapped(double d) { return d - std::nearbyint(d); }

}  // namespace voxmill::samples
