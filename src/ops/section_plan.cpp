#include "ops/section_plan.hpp"

#include <cstddef>

#include "core/voxmill_mod.hpp"

namespace voxmill {

SectionPlan plan_general_section(const Map& map, const std::vector<double>& origin,
                                 const std::vector<std::vector<double>>& axes, const std::vector<int>& size) {
    SectionPlan p;
    for (int j = 1; j <= 3; ++j) {
        const int n = size[static_cast<std::size_t>(j - 1)];
        p.qcdim(1, j) = 0;
        p.qcdim(2, j) = n - 1;
        p.pstep(j) = static_cast<float>(1.0 / n);
    }
    for (int k = 1; k <= map.dimension; ++k) {
        const auto at = static_cast<std::size_t>(k - 1);
        const double n = map.nvox(k);
        p.center(k) = static_cast<float>(n * origin[at]);
        for (int j = 1; j <= 3; ++j) p.basvec(k, j) = static_cast<float>(n * axes[static_cast<std::size_t>(j - 1)][at]);
    }
    return p;
}

SectionPlan plan_embedded_section(const Map& map, const std::vector<double>& scope, const std::vector<double>& pixel) {
    const bool in_angstrom = map.cell && sound_cell(*map.cell);
    const double voxel = in_angstrom ? (*map.cell)[0] / map.nvox(1) : 1.0;
    const auto size = [&](int j) { return pixel[pixel.size() == 1 ? 0 : static_cast<std::size_t>(j - 1)]; };
    SectionPlan p;
    for (int j = 1; j <= 3; ++j) {
        p.qcdim(1, j) = nint(scope[static_cast<std::size_t>(2 * j - 2)] / size(j));
        p.qcdim(2, j) = nint(scope[static_cast<std::size_t>(2 * j - 1)] / size(j));
        p.pstep(j) = static_cast<float>(size(j) / voxel);
    }
    if (in_angstrom) {
        // The pixels are P A apart along axes at right angles.
        std::array<double, 6> cell{0, 0, 0, 90, 90, 90};
        for (int j = 1; j <= 3; ++j) {
            cell[static_cast<std::size_t>(j - 1)] = size(j) * (static_cast<double>(p.qcdim(2, j)) - p.qcdim(1, j) + 1);
        }
        p.cell = cell;
    }
    return p;
}

}  // namespace voxmill
