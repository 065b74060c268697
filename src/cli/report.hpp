// How the command-line tools report: one line on the error output, as the field's tools do.
#pragma once

#include <ostream>
#include <string_view>

namespace voxmill {

// "voxmill: error: NAME: what is wrong"
inline void report_error(std::ostream& err, std::string_view name, std::string_view what) {
    err << "voxmill: error: " << name << ": " << what << '\n';
}

// "voxmill: warning: NAME: what was guessed", for a map that was read all the same.
inline void report_warning(std::ostream& err, std::string_view name, std::string_view what) {
    err << "voxmill: warning: " << name << ": " << what << '\n';
}

}  // namespace voxmill
