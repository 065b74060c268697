// Lines of a text file read through a large buffer, for files of hundreds of megabytes.
// A line ends in LF or CR LF; the last line may lack its line end. A line must fit the buffer
// with its line end: a longer one ends the reading there, as the end of the file does, so that
// a file without line ends (a device that never ends) costs one buffer and one read of it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace voxmill {

class LineReader {
public:
    explicit LineReader(std::size_t capacity = std::size_t{1} << 20);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    ~LineReader();

    // Opens an existing file (not a folder); false when it cannot.
    bool open(const std::string& name);
    // The next line without its line end, valid until the next call; false at the end of
    // the file, when reading fails, and from a line too long for the buffer on.
    bool next(std::string_view& line) {
        // The common case inline: a whole line in the buffer.
        char* first = buf_.get() + begin_;
        const void* newline = std::memchr(first, '\n', end_ - begin_);
        if (newline == nullptr) return next_after_refill(line);
        const auto length = static_cast<std::size_t>(static_cast<const char*>(newline) - first);
        begin_ += length + 1;
        line = std::string_view(first, length);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }
    // Closes the file; false when the close fails.
    bool close();

private:
    bool refill();
    bool next_after_refill(std::string_view& line);
    bool ends_here();

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buf_;
    std::size_t capacity_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool at_end_ = false;
};

}  // namespace voxmill
