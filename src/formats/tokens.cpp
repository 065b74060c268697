#include "formats/tokens.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/voxmill_mod.hpp"

namespace voxmill {

namespace {

constexpr std::size_t kWordLength = 132;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool equals_ignoring_case(std::string_view a, std::string_view lower) {
    return a.size() == lower.size() &&
           std::equal(a.begin(), a.end(), lower.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == y;
           });
}

// Blanks inside a field count for nothing.
std::string without_blanks(std::string_view field) {
    std::string packed;
    for (char c : field) {
        if (c != ' ') packed += c;
    }
    return packed;
}

std::int32_t int_of_packed(std::string_view f, std::int32_t& value) {
    if (f.empty()) {
        value = 0;
        return kTokenOk;
    }
    std::size_t i = 0;
    const bool negative = f[0] == '-';
    if (f[0] == '+' || f[0] == '-') ++i;
    if (i == f.size()) return kTokenBadSyntax;
    // The magnitude may reach 2^31 for the most negative value.
    constexpr std::int64_t limit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    bool overflow = false;
    for (; i < f.size(); ++i) {
        if (!is_digit(f[i])) return kTokenBadSyntax;
        if (!overflow) {
            magnitude = magnitude * 10 + (f[i] - '0');
            overflow = magnitude > limit;
        }
    }
    if (overflow || (!negative && magnitude == limit)) return kTokenOverflow;
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return kTokenOk;
}

// The shape of a real field: sign, digits with at most one point (at least one digit), and an
// exponent introduced by E or D, or by its sign alone.
struct RealShape {
    bool ok = false;
    bool plain = false;        // from_chars reads it as it stands (no '+' in front, no D)
    std::size_t exponent = 0;  // position of the exponent letter or sign; size() when none
    bool letter = false;       // the exponent starts with a letter
};

RealShape shape_of(std::string_view f) {
    RealShape s;
    std::size_t i = 0;
    if (f[0] == '+' || f[0] == '-') ++i;
    int digits = 0;
    bool point = false;
    for (; i < f.size(); ++i) {
        if (is_digit(f[i])) {
            ++digits;
        } else if (f[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return s;
    s.exponent = i;
    if (i < f.size()) {
        const char c = f[i];
        s.letter = c == 'E' || c == 'e' || c == 'D' || c == 'd';
        if (!s.letter && c != '+' && c != '-') return s;
        if (s.letter) ++i;
        if (i < f.size() && (f[i] == '+' || f[i] == '-')) ++i;
        if (i == f.size()) return s;
        for (; i < f.size(); ++i) {
            if (!is_digit(f[i])) return s;
        }
    }
    s.ok = true;
    s.plain = f[0] != '+' && (s.exponent == f.size() || f[s.exponent] == 'e' || f[s.exponent] == 'E');
    return s;
}

// Plain decimals of at most seven or so digits ("-0.1234", "12.5"), the bulk of every map
// file: their digits as an integer m below 2^24 and their decimals k up to 10 are both exact
// floats, so m / 10^k is one correctly rounded division. Returns false for anything else.
bool plain_decimal(std::string_view f, float& value) {
    static constexpr float kPow10[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    std::size_t i = 0;
    const bool negative = f[0] == '-';
    if (negative || f[0] == '+') ++i;
    std::uint32_t m = 0;
    int digits = 0;
    int decimals = -1;  // -1 until the point
    for (; i < f.size(); ++i) {
        const char c = f[i];
        if (is_digit(c)) {
            if (++digits > 8) return false;
            m = m * 10 + static_cast<std::uint32_t>(c - '0');
            if (decimals >= 0) ++decimals;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (digits == 0 || m > (1u << 24) || decimals > 10) return false;
    const float v = static_cast<float>(m) / kPow10[decimals < 0 ? 0 : decimals];
    value = negative ? -v : v;
    return true;
}

// A value beyond the float range: strtof gives the infinity or the (sub)normal it rounds to.
float float_beyond_range(const std::string& text) {
    return std::strtof(text.c_str(), nullptr);
}

std::int32_t real_of_packed(std::string_view f, float& value) {
    if (f.empty()) {
        value = 0.0f;
        return kTokenOk;
    }
    const bool negative = f[0] == '-';
    const std::size_t sign = f[0] == '+' || f[0] == '-' ? 1 : 0;
    const std::string_view unsigned_part = f.substr(sign);
    const RealShape s = shape_of(f);
    if (!s.ok) {
        // The spelled-out values that the writers put into fields.
        if (equals_ignoring_case(unsigned_part, "inf") || equals_ignoring_case(unsigned_part, "infinity")) {
            value = negative ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
            return kTokenOk;
        }
        if (equals_ignoring_case(unsigned_part, "nan")) {
            value = std::numeric_limits<float>::quiet_NaN();
            return kTokenOk;
        }
        return kTokenBadSyntax;
    }
    std::string normal;
    std::string_view text = f;
    if (!s.plain) {
        normal.assign(negative ? "-" : "");
        normal.append(f.substr(sign, s.exponent - sign));
        if (s.exponent < f.size()) {
            normal += 'e';
            normal.append(f.substr(s.exponent + (s.letter ? 1 : 0)));
        }
        text = normal;
    }
    float v = 0.0f;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Too small a number is the zero or the subnormal it rounds to; too large a one would
        // be an infinity that the text never said.
        v = float_beyond_range(std::string(text));
        if (std::isinf(v)) return kTokenOverflow;
    } else if (ec != std::errc() || end != text.data() + text.size()) {
        return kTokenBadSyntax;
    }
    value = v;
    return kTokenOk;
}

}  // namespace

std::int32_t convert_int(std::string_view field, std::int32_t& value) {
    if (field.find(' ') != std::string_view::npos) return int_of_packed(without_blanks(field), value);
    return int_of_packed(field, value);
}

std::int32_t convert_real(std::string_view field, float& value) {
    if (!field.empty() && plain_decimal(field, value)) return kTokenOk;
    if (field.find(' ') != std::string_view::npos) return real_of_packed(without_blanks(field), value);
    return real_of_packed(field, value);
}

std::string_view leading_word(std::string_view line, std::size_t length) {
    if (line.size() > length) line = line.substr(0, length);
    std::size_t wbeg = 0;
    while (wbeg < line.size() && is_separator(line[wbeg])) ++wbeg;
    std::size_t i = wbeg;
    while (i < line.size() && !is_separator(line[i])) ++i;
    if (i == length) return {};  // the word runs into the last position
    return line.substr(wbeg, i - wbeg);
}

std::string firstword(std::string& iotext, bool cutword) {
    std::string result(kWordLength, ' ');
    const std::size_t n = iotext.size();
    std::size_t wbeg = 0;
    while (wbeg < n && is_separator(iotext[wbeg])) ++wbeg;
    if (wbeg < n) {
        std::size_t i = wbeg;
        while (i < n && !is_separator(iotext[i])) ++i;
        if (i < n) {
            result = padded(std::string_view(iotext).substr(wbeg, i - wbeg), static_cast<int>(kWordLength));
            if (cutword) {
                iotext.erase(0, i);
                iotext.resize(n, ' ');
            }
        }
    }
    // What is left loses its leading separators; a lone character in the last position goes
    // with them.
    std::size_t w = 0;
    while (w < n && is_separator(iotext[w])) ++w;
    if (w + 1 < n) {
        iotext.erase(0, w);
        iotext.resize(n, ' ');
    } else {
        iotext.assign(n, ' ');
    }
    return result;
}

void oneint(std::string& text, std::int32_t& oint, std::int32_t& errcode) {
    const std::string word = firstword(text, true);
    const int m = idel(word);
    if (m == 0) {
        errcode = kTokenNoWord;
        return;
    }
    errcode = convert_int(std::string_view(word).substr(0, static_cast<std::size_t>(m)), oint);
}

void onereal(std::string& text, float& oreal, std::int32_t& errcode) {
    const std::string word = firstword(text, true);
    const int m = idel(word);
    if (m == 0) {
        errcode = kTokenNoWord;
        return;
    }
    errcode = convert_real(std::string_view(word).substr(0, static_cast<std::size_t>(m)), oreal);
}

void arrayint(std::string& text, std::int32_t* oarrint, std::int32_t icnt, std::int32_t& errcode) {
    for (std::int32_t i = 0; i < icnt; ++i) {
        const std::string word = firstword(text, true);
        errcode = convert_int(std::string_view(word).substr(0, static_cast<std::size_t>(idel(word))), oarrint[i]);
    }
}

}  // namespace voxmill
