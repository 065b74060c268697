// A text file written through a large buffer: lines ending in CR LF, the buffer handed to the
// file in big chunks. The file is written whole or not at all: it takes its name, creating or
// replacing a file, when it is closed, and a text dropped before that leaves no trace. A file
// that cannot be created, written or closed ends the run with a FileError naming it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/errors.hpp"
#include "formats/staged_file.hpp"

namespace voxmill {

class TextOutput {
public:
    // `what` names the kind of file in the messages.
    explicit TextOutput(std::string name, std::string what = "output file");
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;
    ~TextOutput() = default;  // an unfinished text is dropped

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

    // Writes what is left, closes the file and gives it its name.
    void close();

private:
    void flush();
    // The failure of `doing` ("cannot write the "), with the system's reason for a face that
    // names the file itself.
    FileError failure(const std::string& doing, const std::string& reason) const;

    std::string name_;
    std::string what_;
    StagedFile file_;
    std::string buf_;
    std::size_t used_ = 0;
};

}  // namespace voxmill
