// The request of a section as the section command and the Python module take it: a general
// section by its origin, axes and pixels, or one through the decagonal or icosahedral
// embedding by its scope and pixel size.
#pragma once

#include <vector>

#include "core/map.hpp"
#include "ops/section_plan.hpp"

namespace voxmill {

struct SectionRequest {
    // A general section: its origin and axes in fractions of the cell, pixels per axis.
    std::vector<double> origin;
    std::vector<std::vector<double>> axes;
    std::vector<int> size;
    // A section through an embedding: its scope and pixel size along the section's axes.
    bool decagonal = false, icosahedral_5 = false, icosahedral_2 = false;
    std::vector<double> scope;
    std::vector<double> pixel;

    bool embedded() const { return decagonal || icosahedral_5 || icosahedral_2; }
    // The type of section as console option C's menu keys it.
    char key() const { return decagonal ? '2' : icosahedral_5 ? 'A' : icosahedral_2 ? 'B' : '1'; }
};

// The plan of the section of `map`, from a request whose lists have their counts. Refuses a
// general section whose origin or axes do not give one value for each axis of the map (a
// CommandFailure naming --origin or --axes), and a type of section that the map's dimension
// cannot give (a MapError of kind `refused`).
SectionPlan plan_section(const SectionRequest& r, const Map& map);

}  // namespace voxmill
