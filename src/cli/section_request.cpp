#include "cli/section_request.hpp"

#include "cli/axis_options.hpp"
#include "ops/qc_geometry.hpp"

namespace voxmill {

SectionPlan plan_section(const SectionRequest& r, const Map& map) {
    if (r.embedded()) {
        check_dimension(r.key(), map.dimension);
        return plan_embedded_section(map, r.scope, r.pixel);
    }
    require_per_axis("--origin", r.origin.size(), map);
    for (const std::vector<double>& axis : r.axes) require_per_axis("--axes", axis.size(), map);
    return plan_general_section(map, r.origin, r.axes, r.size);
}

}  // namespace voxmill
