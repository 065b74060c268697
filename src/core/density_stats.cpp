#include "core/density_stats.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "core/work_sharing.hpp"

namespace voxmill {

namespace {

constexpr std::int64_t kPiece = std::int64_t{1} << 12;  // densities of one partial result, 16 KB
constexpr std::int64_t kTask = std::int64_t{1} << 18;   // densities a thread takes at a time
constexpr std::size_t kLanes = 8;                       // independent sums, so that adds overlap

// What one piece holds. Pieces are summed on all cores and then combined in their order, so
// the result does not depend on how many threads there were.
struct Piece {
    float lo = INFINITY, hi = -INFINITY;
    double numbers = 0.0, sum = 0.0, squares = 0.0;  // squares: about the piece's own mean
    std::int64_t nan = 0, inf = 0;  // voxels left out of the range and the sums
};

// The lanes' sums added pairwise, the same way every time.
double lane_total(const std::array<double, kLanes>& lanes) {
    return ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) + ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
}

// Two passes over the piece while it is in the cache: the range and the sum, then the
// squared deviations from the piece's mean, which stay small where the densities do not.
// Without `careful` voxels that are not finite are not looked for, which lets the compiler
// use vector instructions; such a voxel then shows in the sums, and the piece is taken again
// with care. Both ways add the same numbers in the same order.
template <bool careful>
Piece piece_of(const float* rho, std::size_t count) {
    Piece p;
    std::array<double, kLanes> sum{}, squares{};
    std::array<float, kLanes> lo, hi;
    lo.fill(INFINITY);
    hi.fill(-INFINITY);
    std::int64_t nan = 0, inf = 0;
    const auto take = [&](std::size_t j, float v) {
        if constexpr (careful) {
            const bool finite = std::isfinite(v);
            nan += v != v ? 1 : 0;
            inf += std::isinf(v) ? 1 : 0;
            if (!finite) return;
        }
        sum[j] += static_cast<double>(v);
        lo[j] = v < lo[j] ? v : lo[j];
        hi[j] = v > hi[j] ? v : hi[j];
    };
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        for (std::size_t j = 0; j < kLanes; ++j) take(j, rho[i + j]);
    }
    for (; i < count; ++i) take(0, rho[i]);
    p.nan = nan;
    p.inf = inf;
    p.numbers = static_cast<double>(count) - static_cast<double>(nan + inf);
    p.sum = lane_total(sum);
    p.lo = *std::min_element(lo.begin(), lo.end());
    p.hi = *std::max_element(hi.begin(), hi.end());
    if (p.numbers == 0) return p;
    const double mean = p.sum / p.numbers;
    const auto square = [&](std::size_t j, float v) {
        const double d = static_cast<double>(v) - mean;
        if constexpr (careful) {
            squares[j] += std::isfinite(v) ? d * d : 0.0;
        } else {
            squares[j] += d * d;
        }
    };
    for (i = 0; i + kLanes <= count; i += kLanes) {
        for (std::size_t j = 0; j < kLanes; ++j) square(j, rho[i + j]);
    }
    for (; i < count; ++i) square(0, rho[i]);
    p.squares = lane_total(squares);
    return p;
}

// A piece of finite voxels alone the quick way; one with NaN or infinite voxels with care.
Piece piece_of(const float* rho, std::size_t count) {
    const Piece quick = piece_of<false>(rho, count);
    return std::isfinite(quick.squares) && std::isfinite(quick.sum) ? quick : piece_of<true>(rho, count);
}

}  // namespace

DensityStats density_stats(const float* rho, std::size_t count) {
    const auto n = static_cast<std::int64_t>(count);
    std::vector<Piece> pieces(static_cast<std::size_t>((n + kPiece - 1) / kPiece));
    share_work(0, n, kTask, 0, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t at = begin; at < end; at += kPiece) {
            pieces[static_cast<std::size_t>(at / kPiece)] =
                piece_of(rho + at, static_cast<std::size_t>(std::min(kPiece, end - at)));
        }
    });

    DensityStats s;
    float lo = INFINITY, hi = -INFINITY;
    double numbers = 0.0, sum = 0.0;
    for (const Piece& p : pieces) {
        lo = std::min(lo, p.lo);
        hi = std::max(hi, p.hi);
        numbers += p.numbers;
        sum += p.sum;
        s.nan += p.nan;
        s.inf += p.inf;
    }
    if (numbers == 0) return s;
    const double mean = sum / numbers;
    // Each piece's squares about its own mean, moved to the map's mean.
    double squares = 0.0;
    for (const Piece& p : pieces) {
        if (p.numbers == 0) continue;
        const double shift = p.sum / p.numbers - mean;
        squares += p.squares + p.numbers * shift * shift;
    }
    s.min = lo;
    s.max = hi;
    s.mean = mean;
    s.rms = std::sqrt(squares / numbers);
    return s;
}

}  // namespace voxmill
