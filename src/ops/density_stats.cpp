#include "ops/density_stats.hpp"

#include <cmath>

namespace voxmill {

DensityStats density_stats(const float* rho, std::size_t count) {
    DensityStats s;
    double lo = INFINITY, hi = -INFINITY, sum = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double v = rho[i];
        if (std::isnan(v)) {
            ++s.nan;
            continue;
        }
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        sum += v;
    }
    const auto numbers = static_cast<double>(count) - static_cast<double>(s.nan);
    if (numbers == 0) return s;
    const double mean = sum / numbers;
    // A second pass for the spread: the deviations are small where the densities are not.
    double squares = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double d = static_cast<double>(rho[i]) - mean;
        if (!std::isnan(d)) squares += d * d;
    }
    s.min = lo;
    s.max = hi;
    s.mean = mean;
    s.rms = std::sqrt(squares / numbers);
    return s;
}

}  // namespace voxmill
