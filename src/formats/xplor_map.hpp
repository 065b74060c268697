// X-PLOR map text as a Map, in two layouts:
//
// standard      a blank line; the title count and " !NTITLE" (I8); the titles; the grid line
//               NA AMIN AMAX NB BMIN BMAX NC CMIN CMAX (9I8): per axis the grid points per cell
//               and the first and last index held; the cell (6E12.5); "ZYX"; per section (a
//               plane of axes 1 and 2, the sections running over axis 3) its label (I8) and
//               its densities six to a line (E12.5); "   -9999"; the mean and the standard
//               deviation of the densities (2E12.4: columns 1-12 and 13-24). Files written
//               before had a blank between the two, and read as well.
// one per line  what option E writes: the same header with a bare title count, a grid line of
//               one triple per axis for up to 6 axes and the cell in F12.4; one density a line;
//               after "-9999" the mean and a hundredth of it (F20.6 each).
//
// Both are read by content: a value line holds fixed 12-character fields or numbers
// separated by blanks, a section ends when it has its densities. A map of 4 dimensions or
// more goes one per line only. A number beyond single precision is a fault of its line (the
// words Infinity and NaN are read as those values).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/map.hpp"
#include "core/tab.hpp"
#include "formats/text_output.hpp"

namespace voxmill {

// Whether the file starts as an X-PLOR map: the title count, the titles and a grid line of
// whole numbers, three per axis. A text that starts so is taken for X-PLOR, and a fault after
// that (in the grid's numbers, the cell, the sections) for the fault of an X-PLOR map, which
// read_xplor_map names with its line.
bool is_xplor(const std::string& path);

// Whether the text is X-PLOR whose first section starts with a line of several densities, as
// in the standard layout; reads no further.
bool xplor_several_a_line(const std::string& path);

// Reads either layout. The frame comes from the grid line: nvox(i) = last - first + 1,
// xfmn = first/N, xfmx = last/N, xdf = 1/N, the axes above the grid line's as a q47 map has
// them; the dimension is the highest axis with more than one voxel; the cell from the cell
// line. `stored` gets the mean from the line after -9999 when there is one, and, in the
// standard layout (several densities a line), the standard deviation as rms. A text that
// breaks the layout is a MapError naming the line and what is wrong there, its text quoted
// with control bytes (a NUL among them) as \xNN.
Map read_xplor_map(const std::string& path, StoredRange* stored = nullptr);

// The standard layout. A map of more than 3 dimensions, one without a cell, one whose steps
// are no whole fractions of the cell, one that does not start on a grid point (the grid line
// holds whole indices) and one whose grid numbers do not fit 8 characters are a MapError, and
// no file is made; a file that cannot be written is a FileError.
void write_xplor_standard(const Map& map, const std::string& path);

// Byte for byte what option E writes for the same counts, densities and cell: the grid line
// gives every axis as a whole cell (0 to nvox - 1), whatever the map's frame. A map without a
// cell is a MapError, and so is one with a density, a cell number or a voxel count that its
// field would print as asterisks (option E writes those as they come).
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
