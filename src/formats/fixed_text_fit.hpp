// Whether a map fits a text of fixed fields: every density, every number of the cell and every
// voxel count within what its field prints as digits. A number too wide for its field comes
// out as asterisks, which no reader takes back, so the writers of a Map refuse such a map
// before they write anything.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/map.hpp"

namespace voxmill {

struct FixedTextFields {
    const char* layout;  // as the messages name it
    int density_width, density_decimals;
    int cell_width, cell_decimals;
    std::array<std::int64_t, 6> most_voxels;  // per axis, the largest count its fields hold
    const char* remedy;                       // what to write instead, or empty
};

// A MapError naming the first count, cell number or density (by its index and its first
// `axes` grid coordinates) that its field cannot hold. The map must have a cell.
void check_fixed_fields(const Map& map, int axes, const FixedTextFields& fields);

// A float as the messages show it: its shortest text that reads back as the same float.
std::string shortest(float value);

}  // namespace voxmill
