// An output must never be written over one of the maps it is made from: the reader would
// then read what the writer is replacing, and the input would be lost.
#pragma once

#include <string>
#include <string_view>

namespace voxmill {

// Whether writing `output` would write the file `input`: the same file by device and inode
// (so also through another spelling of the name, a hard link or a symbolic link), or, for an
// output that does not exist yet, a name whose links lead to the input's path.
bool same_file(const std::string& input, const std::string& output);

}  // namespace voxmill
