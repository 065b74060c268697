#include "app/console.hpp"

#include <istream>
#include <ostream>

#include "app/stops.hpp"
#include "core/errors.hpp"

namespace voxmill {

Console::Console(std::istream& in, std::ostream& out, std::ostream& err)
    : in_(in), out_(out), err_(err) {}

void Console::line(std::string_view text) {
    out_ << text << "\r\n";
}

void Console::menu(std::string_view text) {
    out_ << '\t' << text << "\r\n";
}

void Console::prompt(std::string_view text) {
    out_ << text;
}

void Console::free(std::initializer_list<std::string_view> texts) {
    out_ << ' ';
    for (std::string_view t : texts) out_ << t;
    out_ << "\r\n";
}

void Console::block(std::initializer_list<std::string_view> lines) {
    line();
    for (std::string_view l : lines) line(l);
    line();
}

bool Console::next_line(std::string& line) {
    out_.flush();  // a prompt without line end must be on the screen before the user answers
    if (!std::getline(in_, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

std::string Console::need_line(const char* what) {
    std::string line;
    if (!next_line(line)) {
        throw ConsoleError(std::string("the console input ended where ") + what + " was expected");
    }
    return line;
}

char Console::read_char() {
    const std::string line = need_line("a one-character answer");
    return line.empty() ? ' ' : line[0];
}

std::string Console::read_text(int length) {
    std::string line = need_line("a text answer");
    line.resize(static_cast<std::size_t>(length), ' ');
    return line;
}

int Console::read_digit() {
    const std::string line = need_line("a one-digit answer");
    const char c = line.empty() ? ' ' : line[0];
    if (c == ' ') return 0;
    if (c < '0' || c > '9') {
        throw ConsoleError("cannot read \"" + line.substr(0, 1) + "\": a one-digit answer was expected");
    }
    return c - '0';
}

void Console::read_ints(std::int32_t* values, int count) {
    Lines lines(*this);
    read_free_ints(lines, values, count);
}

void Console::read_reals(float* values, int count) {
    Lines lines(*this);
    read_free_reals(lines, values, count);
}

}  // namespace voxmill
