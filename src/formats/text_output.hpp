// A text file written through a large buffer: created or replaced when opened, lines ending
// in CR LF, the buffer handed to the file in big chunks. A file that cannot be created,
// written or closed ends the run with a FileError naming it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace voxmill {

class TextOutput {
public:
    explicit TextOutput(std::string name);
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;
    ~TextOutput();

    // Room for `count` characters at the end of the buffer; commit() says how far they go.
    char* reserve(std::size_t count);
    void commit(char* end);

    void text(std::string_view t);
    void line(std::string_view t) {
        text(t);
        end_line();
    }
    void end_line() { text("\r\n"); }
    void field_i(std::int64_t value, int w);
    void field_f(float value, int w, int d);  // for the few lines around the bulk

    // Writes what is left and closes the file.
    void close();

private:
    void flush();

    std::string name_;
    std::FILE* file_ = nullptr;
    std::string buf_;
    std::size_t used_ = 0;
};

}  // namespace voxmill
