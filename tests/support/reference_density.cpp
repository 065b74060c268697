#include "support/reference_density.hpp"

#include <array>
#include <cstddef>
#include <stdexcept>
#include <vector>

#include "ops/spline_weights.hpp"
#include "ops/voxmill_splin.hpp"

namespace vtest {

using voxmill::Tab;

namespace {

std::size_t block_size(int dim, int range) {
    std::size_t count = 1;
    for (int s = 1; s <= dim; ++s) count *= static_cast<std::size_t>(range);
    return count;
}

// Strides n[k] = nvox(1) * ... * nvox(k) for k up to sdim, n[0] = 1.
std::array<std::int32_t, 7> strides(const voxmill::Map& map, int sdim) {
    std::array<std::int32_t, 7> n{1, 1, 1, 1, 1, 1, 1};
    for (int k = 1; k <= sdim; ++k) n[static_cast<std::size_t>(k)] = map.nvox(k) * n[static_cast<std::size_t>(k - 1)];
    return n;
}

Tab<float, 6> point_of(const voxmill::SectionGeometry& g, std::int32_t L) {
    std::int32_t i = 0, ii = 0, iii = 0;
    voxmill::pixel_of(g, L, i, ii, iii);
    Tab<float, 6> coo{};
    voxmill::section_point(g, i, ii, iii, coo);
    return coo;
}

}  // namespace

std::int32_t arraylocation(const voxmill::Map& map, int sdim, const Tab<std::int32_t, 6>& idhkl,
                           std::int32_t idelta) {
    const auto n = strides(map, sdim);
    std::int32_t oarrloc = 0;
    for (int k = 1; k <= sdim; ++k) {
        std::int32_t h = idhkl(k);
        const std::int32_t nk = map.nvox(k);
        // The wrap of a coordinate that lies within one cell of the map is one step; a
        // remainder gives the same voxel for coordinates further away.
        if (h < 0 || h > nk - 1) {
            h %= nk;
            if (h < 0) h += nk;
        }
        oarrloc += h * n[static_cast<std::size_t>(k - 1)] * idelta;
    }
    return oarrloc;
}

Tab<std::int32_t, 6> coordinates(const voxmill::Map& map, int sdim, std::int32_t iarrloc) {
    const auto n = strides(map, sdim);
    Tab<std::int32_t, 6> odxyz{};
    std::int32_t locrest = iarrloc;
    for (int k = sdim; k >= 1; --k) {
        odxyz(k) = locrest / n[static_cast<std::size_t>(k - 1)];
        locrest -= odxyz(k) * n[static_cast<std::size_t>(k - 1)];
    }
    return odxyz;
}

bool nextcoo(int dim, const Tab<std::int32_t, 6>& startc, const Tab<std::int32_t, 6>& endc, Tab<std::int32_t, 6>& coo,
             const Tab<std::int32_t, 6>& axord) {
    for (int i = 1; i <= dim; ++i) {
        const int k = axord(i);
        coo(k) += 1;
        if (coo(k) <= endc(k)) return true;
        coo(k) = startc(k);
    }
    return false;
}

std::int32_t fillrhocut(const voxmill::Map& map, int sdim, const Tab<std::int32_t, 6>& axord,
                        const Tab<std::int32_t, 6>& org, int dim, int range, std::span<float> block) {
    if (dim != sdim || range < 1) throw std::invalid_argument("fillrhocut: block does not fit the map");
    if (block.size() < block_size(dim, range)) throw std::invalid_argument("fillrhocut: block is too small");
    Tab<std::int32_t, 6> c = org;
    Tab<std::int32_t, 6> e = org;
    for (int i = 1; i <= dim; ++i) e(axord(i)) = org(axord(i)) + range - 1;
    std::int32_t cnt = 0;
    do {
        const std::int32_t loc = arraylocation(map, sdim, c);
        block[static_cast<std::size_t>(cnt)] = map.rho[static_cast<std::size_t>(loc)];
        cnt += 1;
    } while (nextcoo(dim, org, e, c, axord));
    return cnt;
}

void rhoatpoint(int dim, int range, const Tab<std::int32_t, 6>& derord, const Tab<std::int32_t, 6>& axord,
                const Tab<float, 6>& pt, const Tab<std::int32_t, 6>& orig, std::span<const float> inrho, float& rout,
                std::span<float> y, std::span<float> y2) {
    std::size_t m = block_size(dim, range);
    const auto head = inrho.first(m);
    std::vector<float> r(head.begin(), head.end());
    std::vector<float> x(static_cast<std::size_t>(range));
    const auto nodes = static_cast<std::size_t>(range);
    for (int s = 1; s <= dim; ++s) {
        const int a = axord(s);
        // Each group of `range` values along axis a shrinks to one, written in front of the
        // groups still to be read.
        for (std::size_t g = 0; g < m / nodes; ++g) {
            for (std::size_t p = 0; p < nodes; ++p) {
                x[p] = static_cast<float>(orig(a) + static_cast<std::int32_t>(p));
                y[p] = r[g * nodes + p];
            }
            Tab<float, 3> v;
            voxmill::spline(x, y, range, y2);
            voxmill::splint(x, y, y2, range, pt(a), v);
            r[g] = v(derord(a) + 1);
        }
        m /= nodes;
    }
    rout = r[0];
}

float literal_pixel(const voxmill::Map& map, int sdim, const voxmill::SectionGeometry& g, std::int32_t L) {
    const Tab<float, 6> coo = point_of(g, L);
    Tab<std::int32_t, 6> axord{}, derord{}, orig{};
    for (int k = 1; k <= g.sdim; ++k) {
        axord(k) = k;
        derord(k) = 0;
        orig(k) = voxmill::stencil_origin(coo(k));
    }
    std::vector<float> block(block_size(g.sdim, voxmill::kStencilNodes));
    std::array<float, voxmill::kStencilNodes> y{}, y2{};
    fillrhocut(map, sdim, axord, orig, g.sdim, voxmill::kStencilNodes, block);
    float outrho = 0.0f;
    rhoatpoint(g.sdim, voxmill::kStencilNodes, derord, axord, coo, orig, block, outrho, y, y2);
    return outrho;
}

}  // namespace vtest
