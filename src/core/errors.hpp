// The failures of the engine's layers: one family, told apart by its kind. Formats and
// operations never print; a face decides what the user sees of a failure (the console its
// blocks and exit statuses, the commands one line and status 1).
#pragma once

#include <stdexcept>
#include <string>

namespace voxmill {

enum class FailureKind {
    map,        // a map file that breaks its format, or a map that a format cannot hold
    refused,    // a request that the map cannot satisfy (a box of no voxels, an axis it lacks)
    unreadable, // a request whose text cannot be read (an order of axes with a letter)
    file,       // a file that cannot be opened, read, written or closed
};

class Failure : public std::runtime_error {
public:
    Failure(FailureKind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
    FailureKind kind() const { return kind_; }

private:
    FailureKind kind_;
};

// A map file that cannot be read as its format says, or a map that a format cannot hold. The
// text says what is wrong, without the file's name.
class MapError : public Failure {
public:
    explicit MapError(const std::string& text, FailureKind kind = FailureKind::map) : Failure(kind, text) {}
};

// A file that cannot be made, written or closed.
class FileError : public Failure {
public:
    // `message` names the file, as the console prints it; `problem`, for a face that names the
    // file itself, says what failed without the name and why.
    explicit FileError(const std::string& message, std::string problem = {})
        : Failure(FailureKind::file, message), problem_(std::move(problem)) {}
    std::string problem() const { return problem_.empty() ? what() : problem_; }

private:
    std::string problem_;
};

}  // namespace voxmill
