// q47 map files as Map values, for the command-line tools: the whole header kept (frame,
// codes, map type, subsystem), the trailer's range reported, and the file written whole or
// not at all. The console's own readers and writers keep their dialogues and messages.
#pragma once

#include <string>

#include "core/map.hpp"

namespace voxmill {

// A file whose header is a consistent q47 header (see Q47Header::counts_usable).
bool is_q47(const std::string& path);

// The map of a q47 file; `stored` gets the trailer's maximum and minimum when the file holds
// them. Throws MapError.
Map read_q47_map(const std::string& path, StoredRange* stored = nullptr);

// Writes the map as a q47 file: header from the map (the satellite flag set from 4
// dimensions on), every layer, and the trailer with the extremes as the q47 writer of the
// console gathers them. Throws MapError.
void write_q47_map(const Map& map, const std::string& path);

}  // namespace voxmill
