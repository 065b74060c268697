// Writing a q47 map as the voxel list of the MEED/VEND programs: every voxel with its grid
// coordinates and density, then the cell and the grid.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/map.hpp"
#include "core/tab.hpp"
#include "formats/text_output.hpp"

namespace voxmill {

// What a list is made of: the counts, `fields` coordinates on a voxel line, `voxels`
// densities (axis 1 fastest) and the cell.
struct VendList {
    Tab<std::int32_t, 6> nvox;
    int fields;
    const float* rho;
    std::int32_t voxels;
    std::array<float, 6> cell;
};

// The whole list; closes `out`, which then takes its name.
void write_vend_list(TextOutput& out, const VendList& list);

// The list of a map value, with its cell. A MapError, before anything is written, for a
// map without a cell and for one with a density, a cell number or a voxel count that its field
// would print as asterisks (option A writes those as they come); a FileError when the file
// cannot be written.
void write_vend_map(const Map& map, const std::string& path);

}  // namespace voxmill
