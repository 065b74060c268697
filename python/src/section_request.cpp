#include "section_request.hpp"

#include <string>
#include <vector>

#include "cli/list_option.hpp"
#include "cli/report.hpp"
#include "core/errors.hpp"

namespace voxmill::python {

namespace {

void refuse(const std::string& name, const std::string& what) { throw CommandFailure{name, what}; }

void check_request(const SectionRequest& r) {
    if (r.decagonal + r.icosahedral_5 + r.icosahedral_2 > 1) refuse("decagonal", "takes one type of section only");
    if (r.embedded() && (r.scope.size() != 6 || r.pixel.empty() || r.pixel.size() == 2 || r.pixel.size() > 3)) {
        refuse("scope", "a section through an embedding needs scope (six numbers) and pixel (one or three)");
    }
    if (!r.embedded() && (r.origin.empty() || r.axes.size() != 3 || r.size.size() != 3)) {
        refuse("origin", "a general section needs origin, axes (three) and size (three), or decagonal, icosahedral_5 or icosahedral_2");
    }
    check_finite("origin", r.origin);
    for (const std::vector<double>& axis : r.axes) check_finite("axes", axis);
    for (const int n : r.size) {
        if (n < 1) refuse("size", "needs at least 1 pixel along each axis");
    }
    check_finite("scope", r.scope);
    check_finite("pixel", r.pixel);
    for (const double p : r.pixel) {
        if (!(p > 0)) refuse("pixel", "needs a pixel size above 0");
    }
}

}  // namespace

SectionCut checked_section(const SectionRequest& r, const Map& map) {
    check_request(r);
    const SectionPlan plan = plan_section(r, map);
    check_scope(plan.qcdim);
    SectionCut cut{make_section(r.key(), map.dimension, plan.qcdim, plan.pstep, plan.center, plan.basvec), plan.cell};
    check_reach(cut.geometry);
    return cut;
}

}  // namespace voxmill::python
