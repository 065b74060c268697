#include "app/free_format.hpp"

#include <cmath>
#include <cstdlib>

#include "app/stops.hpp"
#include "core/errors.hpp"
#include "formats/tokens.hpp"

namespace voxmill {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool ends_value(char c) { return is_blank(c) || c == ',' || c == '/'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Splits the lines of one answer into items and hands each to a sink that stores it.
template <class Store>
void read_items(LineSource& src, int count, const char* what, Store store) {
    int done = 0;
    bool after_comma = true;  // a comma at the very start stands for an empty first item
    std::string line;
    while (done < count) {
        if (!src.next(line)) {
            throw ConsoleError(std::string("the console input ended where ") + what +
                               " was expected");
        }
        std::size_t i = 0;
        while (done < count) {
            while (i < line.size() && is_blank(line[i])) ++i;
            if (i >= line.size()) break;  // the line end is a blank: go on with the next line
            const char c = line[i];
            if (c == ',') {
                if (after_comma) ++done;  // empty item: the variable keeps its value
                after_comma = true;
                ++i;
                continue;
            }
            if (c == '/') return;
            std::size_t j = i;
            while (j < line.size() && !ends_value(line[j])) ++j;
            std::string item = line.substr(i, j - i);
            i = j;
            after_comma = false;
            long repeat = 1;
            const std::size_t star = item.find('*');
            if (star != std::string::npos) {
                const std::string r = item.substr(0, star);
                bool ok = !r.empty() && r.size() < 10;
                for (char d : r) ok = ok && is_digit(d);
                repeat = ok ? std::strtol(r.c_str(), nullptr, 10) : 0;
                if (repeat < 1) {
                    throw ConsoleError("cannot read the answer \"" + item + "\": the repeat count " +
                                       "before * must be a positive whole number");
                }
                item = item.substr(star + 1);
            }
            for (long k = 0; k < repeat && done < count; ++k, ++done) {
                if (!item.empty() && !store(done, item)) {
                    throw ConsoleError("cannot read \"" + item + "\" in the answer: " + what +
                                       " was expected");
                }
            }
        }
    }
}

}  // namespace

// An item is a word (no blanks), read as the fields of map files are; the answers take the
// exponent letter Q as well, and a number beyond single precision as the infinity it rounds to.
bool parse_free_int(const std::string& text, std::int32_t& value) {
    return !text.empty() && convert_int(text, value) == kTokenOk;
}

bool parse_free_real(const std::string& text, float& value) {
    std::string item = text;
    for (char& c : item) {
        if (c == 'q' || c == 'Q') c = 'e';
    }
    switch (convert_real(item, value)) {
        case kTokenOk: return true;
        case kTokenOverflow: value = item.front() == '-' ? -HUGE_VALF : HUGE_VALF; return true;
        default: return false;
    }
}

void read_free_ints(LineSource& src, std::int32_t* values, int count) {
    read_items(src, count, "an integer",
               [values](int k, const std::string& item) { return parse_free_int(item, values[k]); });
}

void read_free_reals(LineSource& src, float* values, int count) {
    read_items(src, count, "a number",
               [values](int k, const std::string& item) { return parse_free_real(item, values[k]); });
}

}  // namespace voxmill
