#include "ops/density_stats.hpp"

#include <cmath>
#include <vector>

#include "core/work_sharing.hpp"

namespace voxmill {

namespace {

constexpr std::int64_t kPiece = std::int64_t{1} << 16;  // densities summed into one partial sum

// The sums of one piece. Pieces are summed on all cores and then added in their order, so
// the result does not depend on how many threads there were.
struct Partial {
    double lo = INFINITY, hi = -INFINITY, sum = 0.0, squares = 0.0;
    std::int64_t nan = 0;
};

template <class Sum>
std::vector<Partial> by_pieces(std::size_t count, const Sum& sum) {
    const auto n = static_cast<std::int64_t>(count);
    std::vector<Partial> parts(static_cast<std::size_t>((n + kPiece - 1) / kPiece));
    share_work(0, n, kPiece, 0, [&](std::int64_t begin, std::int64_t end) {
        // Summed apart and stored once: neighbouring pieces share cache lines.
        Partial p;
        sum(p, static_cast<std::size_t>(begin), static_cast<std::size_t>(end));
        parts[static_cast<std::size_t>(begin / kPiece)] = p;
    });
    return parts;
}

}  // namespace

DensityStats density_stats(const float* rho, std::size_t count) {
    DensityStats s;
    double lo = INFINITY, hi = -INFINITY, sum = 0.0;
    for (const Partial& p : by_pieces(count, [rho](Partial& p, std::size_t begin, std::size_t end) {
             for (std::size_t i = begin; i < end; ++i) {
                 const double v = rho[i];
                 if (std::isnan(v)) {
                     ++p.nan;
                     continue;
                 }
                 p.lo = v < p.lo ? v : p.lo;
                 p.hi = v > p.hi ? v : p.hi;
                 p.sum += v;
             }
         })) {
        lo = p.lo < lo ? p.lo : lo;
        hi = p.hi > hi ? p.hi : hi;
        sum += p.sum;
        s.nan += p.nan;
    }
    const auto numbers = static_cast<double>(count) - static_cast<double>(s.nan);
    if (numbers == 0) return s;
    const double mean = sum / numbers;
    // A second pass for the spread: the deviations are small where the densities are not.
    double squares = 0.0;
    for (const Partial& p : by_pieces(count, [rho, mean](Partial& p, std::size_t begin, std::size_t end) {
             for (std::size_t i = begin; i < end; ++i) {
                 const double d = static_cast<double>(rho[i]) - mean;
                 if (!std::isnan(d)) p.squares += d * d;
             }
         })) {
        squares += p.squares;
    }
    s.min = lo;
    s.max = hi;
    s.mean = mean;
    s.rms = std::sqrt(squares / numbers);
    return s;
}

}  // namespace voxmill
