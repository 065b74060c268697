#include "ops/combine.hpp"

#include <algorithm>
#include <cmath>

#include "core/interruption.hpp"

namespace voxmill {

namespace {

// The stored value of one voxel, in single precision like the maps.
template <Combination How>
float combined(float a, float b) {
    if constexpr (How == Combination::difference) {
        return a - b;
    } else if constexpr (How == Combination::relative) {
        return 100.0f * (a - b) / b;
    } else if constexpr (How == Combination::sum) {
        return a + b;
    } else {
        float d = std::fabs(a) + std::fabs(b);
        if (!(d >= 1.0e-6f)) d = 1.0e-6f;  // also when d is NaN
        return std::fabs(a) / d;
    }
}

template <Combination How>
void combine_voxels(float* a, const float* b, std::size_t count, CombinationTotals& t) {
    CombinationTotals u = t;
    for (std::size_t k = 0; k < count; ++k) {
        const float v = combined<How>(a[k], b[k]);
        if constexpr (How == Combination::share) u.sum += v;
        u.r_numerator += std::fabs(a[k] - b[k]);  // the difference in single precision, as stored
        u.r_denominator += std::fabs(b[k]);
        a[k] = v;
    }
    u.voxels += static_cast<std::int64_t>(count);
    u.range.take(a, count);
    t = u;
}

}  // namespace

void combine_voxels(Combination how, float* a, const float* b, std::size_t count, CombinationTotals& totals) {
    switch (how) {
        case Combination::difference: combine_voxels<Combination::difference>(a, b, count, totals); break;
        case Combination::relative: combine_voxels<Combination::relative>(a, b, count, totals); break;
        case Combination::sum: combine_voxels<Combination::sum>(a, b, count, totals); break;
        case Combination::share: combine_voxels<Combination::share>(a, b, count, totals); break;
    }
}

Map combination_frame(const Map& b) {
    Map m = frame_of(b);
    m.q47.mapa = 6;
    return m;
}

CombinedMap combine(const Map& a, const Map& b, Combination how) {
    if (a.nvox != b.nvox) throw MapError("the two maps have different numbers of voxels along their axes");
    CombinedMap r{combination_frame(b), {}};
    r.map.rho.allocate(static_cast<std::size_t>(a.voxels()));
    std::copy(a.rho.begin(), a.rho.end(), r.map.rho.begin());
    // In pieces, so that the work can be interrupted between them; the totals run on in order.
    const auto piece = static_cast<std::size_t>(kVoxelsBetweenLooks);
    for (std::size_t at = 0, count = r.map.rho.size(); at < count; at += piece) {
        stop_if_interrupted();
        combine_voxels(how, r.map.rho.data() + at, b.rho.data() + at, std::min(piece, count - at), r.totals);
    }
    return r;
}

}  // namespace voxmill
