// How the command-line tools report: one line on the error output, as the field's tools do.
#pragma once

#include <ostream>
#include <string>
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

// A failure of a command, reported as "NAME: what" with exit status 1.
struct CommandFailure {
    std::string name, what;
};

// Runs `body`; a CommandFailure it throws is reported. The exit status: 0 or 1.
template <class Body>
int reported(std::ostream& err, Body&& body) {
    try {
        body();
    } catch (const CommandFailure& f) {
        report_error(err, f.name, f.what);
        return 1;
    }
    return 0;
}

}  // namespace voxmill
