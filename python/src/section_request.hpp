// The request of a section as the section command takes it (cli/section_request), checked
// with the module's texts and turned into the engine's geometry.
#pragma once

#include <array>
#include <optional>

#include "cli/section_request.hpp"
#include "core/map.hpp"
#include "ops/qc_geometry.hpp"

namespace voxmill::python {

struct SectionCut {
    SectionGeometry geometry;
    std::optional<std::array<double, 6>> cell;  // of the section, when it is cut in A
};

// The checked geometry of the section of `map`; throws MapError or a CommandFailure naming the
// argument, with the command's texts.
SectionCut checked_section(const SectionRequest& r, const Map& map);

}  // namespace voxmill::python
