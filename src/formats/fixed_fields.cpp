#include "formats/fixed_fields.hpp"

#include <bit>
#include <cstring>
#include <string>

#include "core/fields.hpp"

namespace voxmill {

namespace {

constexpr std::uint64_t kPow5[10] = {1, 5, 25, 125, 625, 3125, 15625, 78125, 390625, 1953125};
constexpr std::uint64_t kPow10[10] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

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

char* put_by_printf(char* p, float value, int w, int d) {
    std::string text;
    append_f(text, value, w, d);
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

}  // namespace

char* put_i(char* p, std::int64_t value, int w) {
    char text[24];
    char* end = text + sizeof text;
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char* first = digits_before(end, magnitude, 1);
    if (negative) *--first = '-';
    return place(p, first, static_cast<int>(end - first), w);
}

char* put_f(char* p, float value, int w, int d) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const bool negative = (bits >> 31) != 0;
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    if (biased == 0xFF) return put_by_printf(p, value, w, d);
    // value = m * 2^e exactly, so value * 10^d = m * 5^d * 2^(e + d).
    const std::uint64_t m = biased == 0 ? (bits & 0x7FFFFF) : ((bits & 0x7FFFFF) | 0x800000);
    const int e = biased == 0 ? -149 : biased - 150;
    const std::uint64_t q = m * kPow5[d];  // below 2^45
    const int shift = e + d;
    std::uint64_t scaled;
    if (shift >= 0) {
        // Values this large overflow every field the writers use; printf spells them.
        if (shift > 18) return put_by_printf(p, value, w, d);
        scaled = q << shift;
    } else if (shift < -63) {
        scaled = 0;  // far below one half
    } else {
        const int s = -shift;
        scaled = q >> s;
        const std::uint64_t rest = q & ((std::uint64_t{1} << s) - 1);
        const std::uint64_t half = std::uint64_t{1} << (s - 1);
        if (rest > half || (rest == half && (scaled & 1) != 0)) ++scaled;
    }
    char text[40];
    char* end = text + sizeof text;
    const std::uint64_t whole = scaled / kPow10[d];
    char* first = d > 0 ? digits_before(end, scaled % kPow10[d], d) : end;
    *--first = '.';
    first = digits_before(first, whole, 1);
    if (negative) *--first = '-';
    int len = static_cast<int>(end - first);
    if (len == w + 1 && whole == 0) {
        // One too wide: the leading zero goes.
        if (negative) {
            first[1] = '-';
        }
        ++first;
        --len;
    }
    return place(p, first, len, w);
}

}  // namespace voxmill
