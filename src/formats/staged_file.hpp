// An output file written whole or not at all. The bytes go to a temporary file beside the
// target; only when that is complete and closed does it take the target's name, in one
// rename. A run that fails on the way removes the temporary, and the target stays as it was:
// absent, or the old file untouched.
//
// A target reached through symbolic links is written where the links lead, and the links
// stay. A target that is no plain file (a device such as /dev/null, a pipe, /dev/stdout when
// that is a pipe) cannot be replaced by a rename and is written straight. A signal that ends
// the program removes the temporary (see signal_cleanup.hpp).
#pragma once

#include <cstdio>
#include <string>

#include "formats/signal_cleanup.hpp"

namespace voxmill {

class StagedFile {
public:
    enum class Target {
        replace,     // created when absent, replaced whole when present; its permissions stay
        create_new,  // must not exist, neither when opened nor when it gets its name
    };

    StagedFile() = default;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;
    ~StagedFile() { discard(); }

    // Opens the temporary for writing; false when the target cannot be written (a folder, a
    // name with a NUL byte, a folder that does not exist or takes no new file, more links
    // than the system follows, a read-only file) or, for a new file, exists already (as a
    // name of any kind, a dangling link included).
    bool open(const std::string& name, Target target);
    bool is_open() const { return file_ != nullptr; }
    std::FILE* file() const { return file_; }
    // The name of the file being written (the temporary, or the target itself), for a writer
    // of another library that opens files by name: it writes there, then commit() names it.
    const std::string& path() const { return temporary_.empty() ? target_ : temporary_; }

    // Closes the temporary and gives it the target's name; false when the close or the
    // rename fails (for a new file also when the name has been taken meanwhile), and then
    // the temporary is gone and the target as it was.
    // Throws Interrupted, before either, once the work has been asked to stop
    // (core/interruption.hpp): an interrupted output never takes its name.
    bool commit();
    // Closes and removes the temporary; false when the close fails.
    bool discard();

    // Why the last open() or commit() failed, to follow a file's name or "cannot ...: ": "the
    // file is read-only", or the system's own words in lower case ("no space left on device",
    // "operation not permitted", "too many levels of symbolic links", "file exists").
    std::string failure() const;

private:
    bool fail(int error);

    std::FILE* file_ = nullptr;
    std::string temporary_;  // empty when the target itself is written
    TemporaryNote note_;     // the temporary's name, for a signal that ends the program
    std::string target_;
    Target kind_ = Target::replace;
    int error_ = 0;           // the system's error number of the last failure
    bool read_only_ = false;  // the last open() refused a target the user may not write
};

// The system's words for an error number, in lower case to follow "NAME: " or "cannot ...: ".
std::string error_text(int error);

// The name that the file system ends at when it follows the symbolic links of `name` one by
// one; a name that is no link, or does not exist, is its own end.
std::string where_links_lead(std::string name);

}  // namespace voxmill
