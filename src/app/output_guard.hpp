// An output must never be written over one of the maps it is made from; the console refuses
// such an answer with one line.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "app/console.hpp"

namespace voxmill {

// Prints one free-format line naming both files and returns true when `output` is one of
// `inputs` (see same_file); nothing has been opened for writing then.
bool output_is_an_input(Console& con, std::initializer_list<std::string_view> inputs, const std::string& output);

}  // namespace voxmill
