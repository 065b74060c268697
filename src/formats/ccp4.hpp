// CCP4/MRC map files, read and written through gemmi. A name ending in ".gz" is read through
// zlib (a plain file of such a name reads as it is).
//
// A map read has axis 1 along a (X), 2 along b (Y), 3 along c (Z), whatever order of columns,
// rows and sections the file keeps; its frame is the file's box in the cell's sampling:
// first voxel NXSTART/MX, step 1/MX, last (NXSTART + NX - 1)/MX. A header whose cell is all
// zeros holds none. A map is written as 32-bit floats in X, Y, Z order, its box kept:
// MX = 1/step and NXSTART = first/step, both rounded.
#pragma once

#include <string>
#include <vector>

#include "core/map.hpp"

namespace voxmill {

// True when the file starts like a CCP4/MRC map: "MAP " at byte 208 (in either byte order of
// its words the same four bytes), or gzipped, which of the formats read only CCP4/MRC may be.
// False for a file that cannot be read.
bool is_ccp4(const std::string& path);

// Reads modes 0, 1, 2 and 6 in either byte order: the one the machine stamp records, or, for
// a stamp that records none, the one that makes the header consistent (said in `warnings`).
// The extended header (NSYMBT bytes) is skipped. `stored` gets the header's DMIN, DMAX, DMEAN
// and RMS; the map gets the header's ORIGIN, labels and space group. Throws MapError; the
// voxels are taken as they arrive, so no array grows beyond what the file really holds.
Map read_ccp4(const std::string& path, StoredRange* stored = nullptr, std::vector<std::string>* warnings = nullptr);

// Writes the file whole or not at all (an existing one is replaced), with the map's labels,
// space group and ORIGIN; a first voxel between grid points adds its distance from the grid
// to ORIGIN, so that the map stays where it is. Throws MapError for a map of more than three
// dimensions, without a sound cell, or whose steps give no whole sampling.
void write_ccp4(const Map& map, const std::string& path);

}  // namespace voxmill
