// The table of class limits that histogram option F writes and voxmill classes writes too: one
// density a line, in F14.7, lines ending in CR LF.
#pragma once

#include <string>
#include <vector>

namespace voxmill {

// Writes the table whole or not at all; a file that cannot be written is a FileError naming it
// as the "histogram file".
void write_class_table(const std::string& path, const std::vector<float>& limits);

}  // namespace voxmill
