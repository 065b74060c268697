#include "ops/voxmill_splin.hpp"

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <vector>

namespace voxmill {

namespace {

std::size_t block_size(int dim, int range) {
    std::size_t count = 1;
    for (int s = 1; s <= dim; ++s) count *= static_cast<std::size_t>(range);
    return count;
}

}  // namespace

std::int32_t fillrhocut(State& st, const Tab<std::int32_t, 6>& axord, const Tab<std::int32_t, 6>& org,
                        int dim, int range) {
    if (dim != st.sdim || range < 1) throw std::invalid_argument("fillrhocut: block does not fit the map");
    if (st.srho.size() < block_size(dim, range)) throw std::invalid_argument("fillrhocut: srho is too small");
    Tab<std::int32_t, 6> c = org;
    Tab<std::int32_t, 6> e = org;
    for (int i = 1; i <= dim; ++i) e(axord(i)) = org(axord(i)) + range - 1;
    std::int32_t cnt = 0;
    do {
        std::int32_t loc = 0;
        arraylocation(st, c, loc, 1);
        st.srho[static_cast<std::size_t>(cnt)] = st.map.rho[static_cast<std::size_t>(loc)];
        cnt += 1;
    } while (nextcoo(dim, org, e, c, axord));
    return cnt;
}

void rhoatpoint(int dim, int range, const Tab<std::int32_t, 6>& derord, const Tab<std::int32_t, 6>& axord,
                const Tab<float, 6>& pt, const Tab<std::int32_t, 6>& orig, const DensityArray& inrho,
                float& rout, std::span<float> y, std::span<float> y2) {
    std::size_t m = block_size(dim, range);
    std::vector<float> r(inrho.begin(), inrho.begin() + m);
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
            spline(x, y, range, y2);
            splint(x, y, y2, range, pt(a), v);
            r[g] = v(derord(a) + 1);
        }
        m /= nodes;
    }
    rout = r[0];
}

void spline(std::span<const float> x, std::span<const float> y, int n, std::span<float> y2) {
    // 1-based views, so that the recurrences read as written down.
    auto X = [&](int i) { return x[static_cast<std::size_t>(i - 1)]; };
    auto Y = [&](int i) { return y[static_cast<std::size_t>(i - 1)]; };
    auto Y2 = [&](int i) -> float& { return y2[static_cast<std::size_t>(i - 1)]; };
    std::vector<float> work(static_cast<std::size_t>(n));
    auto U = [&](int i) -> float& { return work[static_cast<std::size_t>(i - 1)]; };

    Y2(1) = 0.0f;
    U(1) = 0.0f;
    for (int i = 2; i <= n - 1; ++i) {
        const float sig = (X(i) - X(i - 1)) / (X(i + 1) - X(i - 1));
        const float p = sig * Y2(i - 1) + 2.0f;
        Y2(i) = (sig - 1.0f) / p;
        U(i) = (6.0f * ((Y(i + 1) - Y(i)) / (X(i + 1) - X(i)) - (Y(i) - Y(i - 1)) / (X(i) - X(i - 1))) /
                    (X(i + 1) - X(i - 1)) -
                sig * U(i - 1)) /
               p;
    }
    Y2(n) = 0.0f;
    for (int k = n - 1; k >= 1; --k) Y2(k) = Y2(k) * Y2(k + 1) + U(k);
}

int splint_piece(float x, float x1, int n) {
    // No search is needed because the nodes are one voxel apart. Outside the table the
    // nearest end piece is taken, so nothing is read beyond the nodes.
    const auto nf = static_cast<float>(n);
    const float piece = std::trunc(x - x1 + nf) - nf + 1.0f;
    if (piece >= static_cast<float>(n - 1)) return n - 1;
    if (piece >= 1.0f) return static_cast<int>(piece);
    return 1;
}

void splint(std::span<const float> xa, std::span<const float> ya, std::span<const float> y2a, int n, float x,
            Tab<float, 3>& y) {
    if (n < 2) throw std::invalid_argument("splint: a spline needs two nodes");
    auto XA = [&](int i) { return xa[static_cast<std::size_t>(i - 1)]; };
    auto YA = [&](int i) { return ya[static_cast<std::size_t>(i - 1)]; };
    auto Y2A = [&](int i) { return y2a[static_cast<std::size_t>(i - 1)]; };
    const int klo = splint_piece(x, XA(1), n);
    const int khi = klo + 1;
    const float a = XA(khi) - x;
    const float b = x - XA(klo);
    y(1) = a * YA(klo) + b * YA(khi) + ((a * a * a - a) * Y2A(klo) + (b * b * b - b) * Y2A(khi)) / 6.0f;
    y(2) = (YA(khi) - YA(klo)) + ((1.0f - 3.0f * a * a) * Y2A(klo) + (3.0f * b * b - 1.0f) * Y2A(khi)) / 6.0f;
    y(3) = a * Y2A(klo) + b * Y2A(khi);
}

}  // namespace voxmill
