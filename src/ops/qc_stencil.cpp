#include "ops/qc_stencil.hpp"

#include "ops/qc_geometry.hpp"

namespace voxmill {

namespace {

using Lanes = std::array<float, kStencilNodes>;  // the five nodes along axis 1

inline void add_scaled(Lanes& acc, float w, const Lanes& x) {
    for (std::size_t l = 0; l < kStencilNodes; ++l) acc[l] += w * x[l];
}

// Sum over the nodes of axes 2 .. Axis of the block rows at `base`, weighted, each row still
// holding its five axis-1 nodes.
template <int Axis, bool Contiguous>
Lanes partial_sum(const float* base, const Stencil& s) {
    const AxisNodes& a = s.axis[Axis - 1];
    Lanes acc{};
    for (int p = 0; p < a.count; ++p) {
        const float* r = base + a.off[static_cast<std::size_t>(p)];
        Lanes part;
        if constexpr (Axis == 2) {
            for (std::size_t l = 0; l < kStencilNodes; ++l) {
                part[l] = Contiguous ? r[s.first + static_cast<std::ptrdiff_t>(l)] : r[s.axis[0].off[l]];
            }
        } else {
            part = partial_sum<Axis - 1, Contiguous>(r, s);
        }
        add_scaled(acc, a.w[static_cast<std::size_t>(p)], part);
    }
    return acc;
}

template <bool Contiguous>
float contract(const float* rho, const Stencil& s) {
    const Lanes rows = partial_sum<6, Contiguous>(rho, s);
    float v = 0.0f;
    for (std::size_t l = 0; l < kStencilNodes; ++l) v += s.axis[0].w[l] * rows[l];
    return v;
}

}  // namespace

MapGrid map_grid(const State& st) {
    MapGrid m;
    m.rho = st.rho.data();
    m.sdim = st.sdim;
    m.nvox = st.nvox;
    std::ptrdiff_t n = 1;
    for (int k = 1; k <= st.sdim; ++k) {
        m.stride(k) = n;
        n *= st.nvox(k);
    }
    return m;
}

Stencil make_stencil(const MapGrid& m, const Tab<float, 6>& coo) {
    Stencil s;
    for (int k = 1; k <= m.sdim; ++k) {
        AxisNodes& a = s.axis[static_cast<std::size_t>(k - 1)];
        const std::int32_t orig = stencil_origin(coo(k));
        const std::int32_t nk = m.nvox(k);
        a.count = kStencilNodes;
        a.w = stencil_weights(coo(k), orig);
        for (int p = 0; p < kStencilNodes; ++p) {
            std::int32_t h = (orig + p) % nk;
            if (h < 0) h += nk;
            a.off[static_cast<std::size_t>(p)] = h * m.stride(k);
        }
        if (k == 1) {
            s.contiguous = orig >= 0 && orig + kStencilNodes <= nk;
            s.first = orig;
        }
    }
    for (int k = m.sdim + 1; k <= 6; ++k) s.axis[static_cast<std::size_t>(k - 1)].w[0] = 1.0f;
    return s;
}

float stencil_sum(const MapGrid& m, const Stencil& s) {
    return s.contiguous ? contract<true>(m.rho, s) : contract<false>(m.rho, s);
}

}  // namespace voxmill
