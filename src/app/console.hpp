// The console of a run: every prompt, message and answer of the program goes through here.
// Lines end in CR LF; menu lines start with a TAB; free-format writes start with one blank.
// Answers are read one line each; the input may end lines in CR LF or LF alone.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>

#include "app/free_format.hpp"

namespace voxmill {

class Console {
public:
    Console(std::istream& in, std::ostream& out, std::ostream& err);

    void line(std::string_view text = {});     // a whole line
    void menu(std::string_view text);          // TAB, text, line end
    void prompt(std::string_view text);        // no line end: the answer follows on that line
    void free(std::initializer_list<std::string_view> texts);  // " " and the texts joined
    // A failure block: an empty line, the lines, an empty line.
    void block(std::initializer_list<std::string_view> lines);

    char read_char();                 // first character of the line, a blank for an empty one
    std::string read_text(int length);  // the line cut or blank-padded to `length`
    int read_digit();                 // first character as a digit, a blank as 0
    void read_ints(std::int32_t* values, int count);  // free format, from a new line
    void read_reals(float* values, int count);        // free format, from a new line

    std::ostream& out() { return out_; }
    std::ostream& err() { return err_; }

private:
    class Lines : public LineSource {
    public:
        explicit Lines(Console& con) : con_(con) {}
        bool next(std::string& line) override { return con_.next_line(line); }

    private:
        Console& con_;
    };

    bool next_line(std::string& line);
    std::string need_line(const char* what);

    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace voxmill
