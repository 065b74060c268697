#include "ops/qc_geometry.hpp"

#include <cmath>
#include <limits>

namespace voxmill {

namespace {

// Single-precision constants of the embeddings: the golden ratio tau, sqrt(2 (2 + tau)), and
// 1/sqrt(1 + tau^2) and tau/sqrt(1 + tau^2), cosine and sine of the turn of key 'B'.
constexpr float kTau = 1.618034f;
constexpr float kS = 2.689994f;
constexpr float kC = 0.5257311f;
constexpr float kD = 0.8506508f;
constexpr float kPi = 3.1415927f;

// Beyond this distance from the origin a float no longer holds the offset of a point from its
// voxel, and the node coordinates of the stencil are no longer one voxel apart.
constexpr float kReach = 16777216.0f;

[[noreturn]] void refuse(const std::string& why) { throw MapError(why, FailureKind::refused); }

std::int64_t width_of(const Mat<std::int32_t, 2, 3>& qcdim, int j) {
    return static_cast<std::int64_t>(qcdim(2, j)) - qcdim(1, j) + 1;
}

}  // namespace

void check_scope(const Mat<std::int32_t, 2, 3>& qcdim) {
    std::int64_t total = 1;
    for (int j = 1; j <= 3; ++j) {
        if (width_of(qcdim, j) < 1) {
            refuse("The scope of section axis " + std::to_string(j) + " ends before it starts (first pixel " +
                   std::to_string(qcdim(1, j)) + ", last " + std::to_string(qcdim(2, j)) + ")");
        }
        total *= width_of(qcdim, j);
        if (total > std::numeric_limits<std::int32_t>::max()) {
            refuse("The section would have more than " + std::to_string(std::numeric_limits<std::int32_t>::max()) +
                   " pixels, more than a map can hold");
        }
    }
}

void check_dimension(char key, int sdim) {
    if (key == '2' && sdim < 5) {
        refuse("A decagonal section needs a map of at least 5 dimensions; this map has " + std::to_string(sdim));
    }
    if ((key == 'A' || key == 'B') && sdim != 6) {
        refuse("An icosahedral section needs a map of 6 dimensions; this map has " + std::to_string(sdim));
    }
}

SectionGeometry make_section(char key, int sdim, const Mat<std::int32_t, 2, 3>& qcdim, const Tab<float, 3>& pstep,
                             const Tab<float, 6>& center, const Mat<float, 6, 3>& basvec) {
    SectionGeometry g;
    g.key = key;
    g.sdim = sdim;
    g.qcdim = qcdim;
    g.pstep = pstep;
    g.center = center;
    g.basvec = basvec;
    for (int j = 1; j <= 3; ++j) g.w(j) = static_cast<std::int32_t>(width_of(qcdim, j));
    g.nvoxtotr = g.w(1) * g.w(2) * g.w(3);
    for (int a = 1; a <= 3; ++a) g.rotmat(a, a) = 1.0f;
    if (key == '2') {
        for (int k = 1; k <= 4; ++k) {
            const float angle = 2.0f * static_cast<float>(k) * kPi / 5.0f;
            g.wt(k, 1) = std::cos(angle);
            g.wt(k, 2) = std::sin(angle);
        }
        g.wt(5, 3) = 1.0f;
    } else if (key == 'A' || key == 'B') {
        const float rows[6][3] = {{1.0f, kTau, 0.0f}, {kTau, 0.0f, 1.0f},  {0.0f, 1.0f, kTau},
                                  {-1.0f, kTau, 0.0f}, {kTau, 0.0f, -1.0f}, {0.0f, -1.0f, kTau}};
        for (int k = 1; k <= 6; ++k) {
            for (int j = 1; j <= 3; ++j) g.wt(k, j) = rows[k - 1][j - 1] / kS;
        }
        if (key == 'B') {
            // The section point turns about its second axis before the embedding, so that a
            // two-fold axis of the icosahedral frame is special instead of a five-fold one.
            g.rotmat(1, 1) = kC;
            g.rotmat(1, 3) = kD;
            g.rotmat(3, 1) = -kD;
            g.rotmat(3, 3) = kC;
        }
    }
    return g;
}

void check_reach(const SectionGeometry& g) {
    // The point is affine in the pixel indices, so the corners of the scope bound it.
    for (int corner = 0; corner < 8; ++corner) {
        Tab<float, 6> coo;
        section_point(g, g.qcdim((corner & 1) != 0 ? 2 : 1, 1), g.qcdim((corner & 2) != 0 ? 2 : 1, 2),
                      g.qcdim((corner & 4) != 0 ? 2 : 1, 3), coo);
        for (int k = 1; k <= g.sdim; ++k) {
            if (!(std::fabs(coo(k)) < kReach)) {
                refuse("The section reaches a map point beyond 16777216 voxels from the origin, or no number at all, "
                       "where nothing can be interpolated");
            }
        }
    }
}

Map section_frame(const SectionGeometry& g) {
    Map m;
    m.dimension = 3;
    for (int j = 1; j <= 6; ++j) {
        m.nvox(j) = j <= 3 ? g.w(j) : 1;
        m.iorien(j) = j;
        m.xdf(j) = 1.0f;
    }
    // Every width is at least 1: empty scopes are refused before a geometry is made.
    for (int j = 1; j <= 3; ++j) {
        const auto w = static_cast<float>(g.w(j));
        m.xfmx(j) = static_cast<float>(static_cast<std::int64_t>(g.qcdim(2, j)) - g.qcdim(1, j)) / w;
        m.xdf(j) = 1.0f / w;
    }
    m.q47.satelitybyly = false;
    return m;
}

void pixel_of(const SectionGeometry& g, std::int32_t L, std::int32_t& i, std::int32_t& ii, std::int32_t& iii) {
    const std::int32_t layer = g.w(1) * g.w(2);
    iii = g.qcdim(1, 3) + L / layer;
    const std::int32_t rest = L % layer;
    ii = g.qcdim(1, 2) + rest / g.w(1);
    i = g.qcdim(1, 1) + rest % g.w(1);
}

void section_point(const SectionGeometry& g, std::int32_t i, std::int32_t ii, std::int32_t iii, Tab<float, 6>& coo) {
    const Tab<float, 3> rcoo{{static_cast<float>(i) * g.pstep(1), static_cast<float>(ii) * g.pstep(2),
                              static_cast<float>(iii) * g.pstep(3)}};
    if (g.key == '1') {
        for (int k = 1; k <= g.sdim; ++k) {
            coo(k) = g.center(k) + g.basvec(k, 1) * rcoo(1) + g.basvec(k, 2) * rcoo(2) + g.basvec(k, 3) * rcoo(3);
        }
        return;
    }
    Tab<float, 3> q;
    for (int a = 1; a <= 3; ++a) q(a) = g.rotmat(a, 1) * rcoo(1) + g.rotmat(a, 2) * rcoo(2) + g.rotmat(a, 3) * rcoo(3);
    for (int k = 1; k <= g.sdim; ++k) coo(k) = g.wt(k, 1) * q(1) + g.wt(k, 2) * q(2) + g.wt(k, 3) * q(3);
}

}  // namespace voxmill
