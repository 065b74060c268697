// X-PLOR map text as a Map, in two layouts:
//
// standard      a blank line; the title count and " !NTITLE" (I8); the titles; the grid line
//               NA AMIN AMAX NB BMIN BMAX NC CMIN CMAX (9I8): per axis the grid points per cell
//               and the first and last index held; the cell (6E12.5); "ZYX"; per section (a
//               plane of axes 1 and 2, the sections running over axis 3) its label (I8) and
//               its densities six to a line (E12.5); "   -9999"; the mean and the standard
//               deviation of the densities (E12.4, a blank, E12.4).
// one per line  what option E writes: the same header with a bare title count, a grid line of
//               one triple per axis for up to 6 axes and the cell in F12.4; one density a line;
//               after "-9999" the mean and a hundredth of it (F20.6 each).
//
// Both are read by content: a value line holds fixed 12-character fields or numbers
// separated by blanks, a section ends when it has its densities. A map of 4 dimensions or
// more goes one per line only.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/tab.hpp"
#include "core/map.hpp"
#include "formats/text_output.hpp"

namespace voxmill {

// Whether the file starts as an X-PLOR map in either layout: title count, titles, grid line,
// cell and the section order "ZYX" as the reader wants them. Reads no densities.
bool is_xplor(const std::string& path);

// Reads either layout. The frame comes from the grid line: nvox(i) = last - first + 1,
// xfmn = first/N, xfmx = last/N, xdf = 1/N, the axes above the grid line's as a q47 map has
// them; the dimension is the highest axis with more than one voxel; the cell from the cell
// line. `stored` gets the mean from the line after -9999 when there is one, and, in the
// standard layout (several densities a line), the standard deviation as rms. A text that
// breaks the layout is a MapError naming the line and what is wrong there.
Map read_xplor_map(const std::string& path, StoredRange* stored = nullptr);

// The standard layout. A map of more than 3 dimensions, one without a cell, and one whose
// steps are no whole fractions of the cell (or whose grid numbers do not fit 8 characters)
// are a MapError, and no file is made; a file that cannot be written is a FileError.
void write_xplor_standard(const Map& map, const std::string& path);

// Byte for byte what option E writes for the same counts, densities and cell: the grid line
// gives every axis as a whole cell (0 to nvox - 1), whatever the map's frame. A map without a
// cell is a MapError.
void write_xplor_one_per_line(const Map& map, const std::string& path);

// What the text of one density a line is made of; writexplor fills it from the console's
// state, write_xplor_one_per_line from a Map.
struct OnePerLine {
    int dimension;                 // triples on the grid line
    Tab<std::int32_t, 6> nvox;     // 1 above the dimension
    std::int64_t voxels;
    const float* rho;              // voxels densities, axis 1 fastest
    std::array<float, 6> cell;
};

// The whole text, from the blank first line to the mean line; `out` is not closed.
void write_one_per_line(TextOutput& out, const OnePerLine& map);

}  // namespace voxmill
