#include "formats/fixed_fields.hpp"

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>

#include "core/fields.hpp"
#include "core/work_sharing.hpp"

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

// The least float at or above the decimal 10^k - 0.5 * 10^-d, where a value of k digits before
// the point rounds up to one of k + 1. No float lies within the double's error of it (for d
// of 1 or more it is no binary fraction, for d = 0 the double is exact), so the comparison
// in double decides as exact arithmetic would.
float least_rounding_past(int k, int d) {
    const double bound =
        static_cast<double>(fixed_detail::kPow10[k]) - 0.5 / static_cast<double>(fixed_detail::kPow10[d]);
    const auto f = static_cast<float>(bound);
    return static_cast<double>(f) >= bound ? f : std::nextafter(f, INFINITY);
}

}  // namespace

FixedLimits fixed_limits(int w, int d) {
    // A positive value has w - 1 - d places before the point, a negative one a place less.
    return {-least_rounding_past(w - 2 - d, d), least_rounding_past(w - 1 - d, d)};
}

std::int64_t first_not_held(const float* values, std::int64_t count, FixedLimits limits) {
    constexpr std::int64_t kPiece = std::int64_t{1} << 16;
    std::atomic<std::int64_t> first{count};
    share_work(0, count, kPiece, 0, [&](std::int64_t begin, std::int64_t end) {
        if (begin >= first.load(std::memory_order_relaxed)) return;  // one before this piece is found
        // Without a branch, so that the compiler uses vector instructions; the rare piece with a
        // value the limits do not hold is looked at again for its first one.
        bool all = true;
        for (std::int64_t i = begin; i < end; ++i) all &= limits.holds(values[i]);
        if (all) return;
        std::int64_t at = begin;
        while (limits.holds(values[at])) ++at;
        for (std::int64_t known = first.load(); at < known && !first.compare_exchange_weak(known, at);) {
        }
    });
    return first.load();
}

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
