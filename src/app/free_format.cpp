#include "app/free_format.hpp"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "app/stops.hpp"
#include "core/errors.hpp"

namespace voxmill {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool ends_value(char c) { return is_blank(c) || c == ',' || c == '/'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ci(const std::string& text, std::size_t from, const char* word) {
    std::size_t i = from;
    for (; *word != '\0'; ++word, ++i) {
        if (i >= text.size() || lower(text[i]) != *word) return false;
    }
    return i == text.size();
}

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

bool parse_free_int(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i >= text.size()) return false;
    for (std::size_t k = i; k < text.size(); ++k) {
        if (!is_digit(text[k])) return false;
    }
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || v > std::numeric_limits<std::int32_t>::max() ||
        v < std::numeric_limits<std::int32_t>::min()) {
        return false;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}

bool parse_free_real(const std::string& text, float& value) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (equals_ci(text, i, "inf") || equals_ci(text, i, "infinity") || equals_ci(text, i, "nan")) {
        value = std::strtof(text.c_str(), nullptr);
        return true;
    }
    // [sign] digits [. digits] [exponent], with at least one digit in the mantissa; the
    // exponent letter is E or D (either case), or left out before a signed exponent.
    std::string c_text = text.substr(0, i);
    int mantissa_digits = 0;
    while (i < text.size() && is_digit(text[i])) { c_text += text[i++]; ++mantissa_digits; }
    if (i < text.size() && text[i] == '.') {
        c_text += text[i++];
        while (i < text.size() && is_digit(text[i])) { c_text += text[i++]; ++mantissa_digits; }
    }
    if (mantissa_digits == 0) return false;
    if (i < text.size()) {
        const char e = lower(text[i]);
        if (e == 'e' || e == 'd' || e == 'q') {
            ++i;
        } else if (text[i] != '+' && text[i] != '-') {
            return false;
        }
        c_text += 'e';
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) c_text += text[i++];
        int exponent_digits = 0;
        while (i < text.size() && is_digit(text[i])) { c_text += text[i++]; ++exponent_digits; }
        if (exponent_digits == 0 || i != text.size()) return false;
    }
    value = std::strtof(c_text.c_str(), nullptr);
    return true;
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
