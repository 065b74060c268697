#include "app/project.hpp"

#include <cstddef>
#include <vector>

#include "app/map_rewrite.hpp"

namespace voxmill {

namespace {

// The header of the projection: the real-space axes as in the input, the others of one
// voxel at 0 with step 1; codes, map type and subsystem stay. The flag keeps telling that
// the map summed over had satellites.
Q47Header projection_header(const Q47Header& h, int rdim, int sdim) {
    Q47Header r = h;
    std::int32_t nvoxtotr = 1;
    for (int i = 1; i <= 6; ++i) {
        r.nvox(i) = i <= rdim ? h.nvox(i) : 1;
        nvoxtotr *= r.nvox(i);
        if (i > rdim) {
            r.xfmn(i) = 0.0f;
            r.xfmx(i) = 0.0f;
            r.xdf(i) = 1.0f;
        }
    }
    r.nmap = nvoxtotr / h.nxny;
    r.satelitybyly = sdim >= 4;
    return r;
}

}  // namespace

void project(State& st, Console& con) {
    const std::optional<Q47Header> input = load_input_map(st, con);
    if (!input) return;
    const Q47Header& h = *input;
    const Q47Header r = projection_header(h, st.rdim, st.sdim);

    // Input voxel I lies over real-space voxel I mod R, and the real-space blocks of R voxels
    // follow one another. Adding block after block gives every output voxel its terms in the
    // order of I, so the sums round as if the map were walked voxel by voxel.
    const auto R = static_cast<std::size_t>(r.nxny) * static_cast<std::size_t>(r.nmap);
    const std::size_t blocks = static_cast<std::size_t>(h.nxny) * static_cast<std::size_t>(h.nmap) / R;
    std::vector<float> rhor(R, 0.0f);
    for (std::size_t s = 0; s < blocks; ++s) {
        const float* block = st.map.rho.data() + s * R;
        for (std::size_t a = 0; a < R; ++a) rhor[a] += block[a];
    }

    NewQ47Map out(name_of(st.outrhofile), r);
    out.write_layers(rhor.data(), r.nmap);
    out.finish();
}

}  // namespace voxmill
