// An output must never be written over one of the maps it is made from: the reader would
// then read what the writer is replacing, and the input would be lost.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "core/console.hpp"

namespace voxmill {

// Whether writing `output` would write the file `input`: the same file by device and inode
// (so also through another spelling of the name, a hard link or a symbolic link), or, for an
// output that does not exist yet, a name whose links lead to the input's path.
bool same_file(const std::string& input, const std::string& output);

// Prints one free-format line naming both files and returns true when `output` is one of
// `inputs`; nothing has been opened for writing then.
bool output_is_an_input(Console& con, std::initializer_list<std::string_view> inputs, const std::string& output);

}  // namespace voxmill
