#include "ops/axis_frame.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace voxmill {

namespace {

constexpr double kWholeCell = 1e-4;  // voxels times step off 1 by at most this: one whole cell
constexpr double kAtEnd = 1e-4;      // voxels: a coordinate this close past a box's end is on it

}  // namespace

AxisFrame::AxisFrame(const Map& map, int k) : n(map.nvox(k)) {
    if (n == 1) return;
    start = map.xfmn(k);
    step = map.xdf(k);
    periodic = std::abs(n * step - 1.0) <= kWholeCell;
}

double AxisFrame::voxel_coordinate(double x) const {
    if (n == 1) return 0.0;
    if (periodic) {
        double cell = x - start;
        cell -= std::floor(cell);  // in [0, 1]: 1 when a tiny negative part rounds up
        const double t = cell / step;
        return t < n ? t : t - n;
    }
    const double t = (x - start) / step;
    if (!(t >= -kAtEnd && t <= n - 1 + kAtEnd)) return std::numeric_limits<double>::quiet_NaN();
    return std::clamp(t, 0.0, n - 1.0);
}

bool periodic_axis(const Map& map, int k) { return AxisFrame(map, k).periodic; }

std::pair<double, double> frame_range(const Map& map, int k) {
    const double first = map.xfmn(k);
    if (map.nvox(k) == 1) return {first, first};  // whatever the step says
    return {first, first + (map.nvox(k) - 1) * static_cast<double>(map.xdf(k))};
}

bool holds_coordinate(const Map& map, int k, double x) { return !std::isnan(AxisFrame(map, k).voxel_coordinate(x)); }

}  // namespace voxmill
