// Where the pixels of a section lie, as a request gives them: a general section by its origin,
// axes and pixels in fractions of the cell, or one through the decagonal or icosahedral
// embedding by its scope and pixel size. The plan is what make_section takes once the scope
// has passed its check (qc_geometry).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/map.hpp"
#include "core/tab.hpp"

namespace voxmill {

struct SectionPlan {
    Mat<std::int32_t, 2, 3> qcdim{};            // first and last pixel per section axis
    Tab<float, 3> pstep{};                      // pixel size in map voxels, per section axis
    Tab<float, 6> center{};                     // general section: origin, per map axis
    Mat<float, 6, 3> basvec{};                  // general section: basvec(k, j) is component k of axis j
    std::optional<std::array<double, 6>> cell;  // of the section, when it is cut in A
};

// The general section of `map`: pixels 0 .. N-1 along each section axis, N from `size` (three
// counts), from `origin` along the three `axes`, each in fractions of the cell with one value
// for each axis of the map.
SectionPlan plan_general_section(const Map& map, const std::vector<double>& origin,
                                 const std::vector<std::vector<double>>& axes, const std::vector<int>& size);

// A section through an embedding: pixels nint(start / P) .. nint(end / P) along each section
// axis, `scope` giving start and end of each, `pixel` P one size for all axes or three. In A
// when the map has a sound cell, turned into voxels by the voxel length of axis 1, and the
// section gets a cell of its pixels; in voxels of the map otherwise.
SectionPlan plan_embedded_section(const Map& map, const std::vector<double>& scope, const std::vector<double>& pixel);

}  // namespace voxmill
