// What the densities of a map are: their range, mean and spread, and how many are not numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace voxmill {

struct DensityStats {
    std::optional<double> min, max, mean, rms;  // over the finite voxels; none when there are none
    std::int64_t nan = 0;                       // voxels that are not numbers
    std::int64_t inf = 0;                       // voxels that are infinite, of either sign
};

// rms is the root mean square deviation from the mean. The sums run in double precision.
DensityStats density_stats(const float* rho, std::size_t count);

}  // namespace voxmill
