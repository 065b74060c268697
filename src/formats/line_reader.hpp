// Lines of a text file read through a large buffer, for files of hundreds of megabytes.
// A line ends in LF or CR LF; the last line may lack its line end. Lines longer than the
// buffer give their first part only, which is all that a fixed-length line buffer sees.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace voxmill {

class LineReader {
public:
    explicit LineReader(std::size_t capacity = std::size_t{1} << 22);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    ~LineReader();

    // Opens an existing file (not a folder); false when it cannot.
    bool open(const std::string& name);
    // The next line without its line end, valid until the next call; false at the end of
    // the file or when reading fails.
    bool next(std::string_view& line);
    // Closes the file; false when the close fails.
    bool close();

private:
    bool refill();

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buf_;
    std::size_t capacity_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool at_end_ = false;
    bool skip_rest_ = false;  // the last line was longer than the buffer
};

}  // namespace voxmill
