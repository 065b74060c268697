#include "ops/qc_stencil.hpp"

#include <algorithm>
#include <cstring>

#include "ops/qc_geometry.hpp"

namespace voxmill {

namespace {

// The five nodes along axis 1: four in one vector register, the fifth beside them. The vector
// type is the compilers' own extension (GCC and Clang), which SSE2 of every x86-64 carries.
using Quad = float __attribute__((vector_size(16)));
struct Lanes {
    Quad four{};
    float fifth = 0.0f;

    void add(float w, const Lanes& x) {
        four += w * x.four;
        fifth += w * x.fifth;
    }
    Lanes& operator+=(const Lanes& x) {
        four += x.four;
        fifth += x.fifth;
        return *this;
    }
};

template <bool Contiguous>
Lanes row_at(const float* row, const AxisNodes& x) {
    Lanes v;
    if constexpr (Contiguous) {
        std::memcpy(&v.four, row, sizeof v.four);
        v.fifth = row[4];
    } else {
        v.four = Quad{row[x.off[0]], row[x.off[1]], row[x.off[2]], row[x.off[3]]};
        v.fifth = row[x.off[4]];
    }
    return v;
}

// The block rows of axes 2 and 3 (up to 25) and of axes 4, 5 and 6 (up to 125), each as one
// list of combined weights and offsets: the contraction is then two plain loops over 3125
// rows, short enough to keep every offset of axis 1 in a register.
template <std::size_t N>
struct RowGroup {
    std::array<float, N> w{};
    std::array<std::ptrdiff_t, N> off{};
    int count = 0;
};

// The rows of `g` repeated for each node of a slower axis c.
template <std::size_t N>
RowGroup<N * kStencilNodes> times_axis(const RowGroup<N>& g, const AxisNodes& c) {
    RowGroup<N * kStencilNodes> out;
    for (std::size_t q = 0; q < static_cast<std::size_t>(c.count); ++q) {
        for (std::size_t p = 0; p < static_cast<std::size_t>(g.count); ++p) {
            out.w[static_cast<std::size_t>(out.count)] = c.w[q] * g.w[p];
            out.off[static_cast<std::size_t>(out.count)] = c.off[q] + g.off[p];
            ++out.count;
        }
    }
    return out;
}

constexpr RowGroup<1> kOneRow{{1.0f}, {0}, 1};

template <bool Contiguous>
float contract(const float* rho, const Stencil& s) {
    const AxisNodes& x = s.axis[0];
    const RowGroup<25> inner = times_axis(times_axis(kOneRow, s.axis[1]), s.axis[2]);
    const RowGroup<125> outer = times_axis(times_axis(times_axis(kOneRow, s.axis[3]), s.axis[4]), s.axis[5]);
    const float* first = rho + (Contiguous ? s.first : 0);
    Lanes total;
    for (std::size_t o = 0; o < static_cast<std::size_t>(outer.count); ++o) {
        const float* base = first + outer.off[o];
        // Four sums side by side, so that each row's add does not wait for the one before.
        Lanes acc[4];
        std::size_t r = 0;
        for (; r + 4 <= static_cast<std::size_t>(inner.count); r += 4) {
            for (std::size_t j = 0; j < 4; ++j) acc[j].add(inner.w[r + j], row_at<Contiguous>(base + inner.off[r + j], x));
        }
        for (; r < static_cast<std::size_t>(inner.count); ++r) acc[0].add(inner.w[r], row_at<Contiguous>(base + inner.off[r], x));
        acc[0] += acc[1];
        acc[2] += acc[3];
        acc[0] += acc[2];
        total.add(outer.w[o], acc[0]);
    }
    return x.w[0] * total.four[0] + x.w[1] * total.four[1] + x.w[2] * total.four[2] + x.w[3] * total.four[3] +
           x.w[4] * total.fifth;
}

}  // namespace

MapGrid map_grid(const Map& map, int sdim) {
    MapGrid m;
    m.rho = map.rho.data();
    m.sdim = sdim;
    m.nvox = map.nvox;
    for (int k = 1; k <= sdim; ++k) m.stride(k) = static_cast<std::ptrdiff_t>(map.stride(k));
    return m;
}

AxisNodes axis_nodes(const MapGrid& m, int k, std::int64_t orig, const NodeWeights& w, bool periodic) {
    AxisNodes a;
    a.count = kStencilNodes;
    a.w = w;
    const std::int64_t nk = m.nvox(k);
    if (periodic) {
        // One division per axis: the nodes after the first step on, back to 0 at the end.
        std::int64_t h = wrap(orig, nk);
        for (std::ptrdiff_t& off : a.off) {
            off = h * m.stride(k);
            if (++h == nk) h = 0;
        }
    } else {
        for (int p = 0; p < kStencilNodes; ++p) {
            a.off[static_cast<std::size_t>(p)] = std::clamp<std::int64_t>(orig + p, 0, nk - 1) * m.stride(k);
        }
    }
    return a;
}

void find_row(Stencil& s) {
    // Axis 1 has stride 1: its nodes lie side by side unless a wrap or a clamp broke the run.
    const AxisNodes& x = s.axis[0];
    s.first = x.off[0];
    s.contiguous = x.off[kStencilNodes - 1] - x.off[0] == kStencilNodes - 1;
}

Stencil make_stencil(const MapGrid& m, const Tab<float, 6>& coo) {
    Stencil s;
    for (int k = 1; k <= m.sdim; ++k) {
        const std::int32_t orig = stencil_origin(coo(k));
        s.axis[static_cast<std::size_t>(k - 1)] = axis_nodes(m, k, orig, stencil_weights(coo(k), orig), true);
    }
    for (int k = m.sdim + 1; k <= 6; ++k) s.axis[static_cast<std::size_t>(k - 1)].w[0] = 1.0f;
    find_row(s);
    return s;
}

float stencil_sum(const MapGrid& m, const Stencil& s) {
    return s.contiguous ? contract<true>(m.rho, s) : contract<false>(m.rho, s);
}

}  // namespace voxmill
