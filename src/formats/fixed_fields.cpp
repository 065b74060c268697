#include "formats/fixed_fields.hpp"

#include <cstring>
#include <string>

#include "core/fields.hpp"

namespace voxmill {

namespace {

char* fill(char* p, char c, int count) {
    std::memset(p, c, static_cast<std::size_t>(count));
    return p + count;
}

// The digits of v, at least `min_digits` of them, written backwards ending before `end`.
char* digits_before(char* end, std::uint64_t v, int min_digits) {
    char* q = end;
    do {
        *--q = static_cast<char>('0' + v % 10);
        v /= 10;
        --min_digits;
    } while (v != 0 || min_digits > 0);
    return q;
}

// Right-aligns text[0..len) in w characters, or fills them with asterisks.
char* place(char* p, const char* text, int len, int w) {
    if (len > w) return fill(p, '*', w);
    p = fill(p, ' ', w - len);
    std::memcpy(p, text, static_cast<std::size_t>(len));
    return p + len;
}

}  // namespace

char* fixed_detail::put_f_by_fmt(char* p, float value, int w, int d) {
    const std::string text = fmt_f(value, w, d);
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

char* put_i(char* p, std::int64_t value, int w) {
    char text[24];
    char* end = text + sizeof text;
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char* first = digits_before(end, magnitude, 1);
    if (negative) *--first = '-';
    return place(p, first, static_cast<int>(end - first), w);
}

}  // namespace voxmill
