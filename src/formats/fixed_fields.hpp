// Fast fixed-width fields for the big text writers: the same characters as fmt_i and fmt_f
// (core/fields.hpp) give, written straight into a buffer with exact arithmetic instead of
// printf. Each writes exactly w characters and returns the position after them.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace voxmill {

// Iw: right-aligned, asterisks when too wide.
char* put_i(char* p, std::int64_t value, int w);

// IW for the hot loops (coordinates, never negative; a negative value takes put_i).
template <int W>
char* put_i_fixed(char* p, std::int64_t value) {
    static_assert(W > 0 && W < 20);
    if (value < 0) return put_i(p, value, W);
    auto v = static_cast<std::uint64_t>(value);
    std::memset(p, ' ', W);
    char* q = p + W;
    do {
        if (q == p) {
            std::memset(p, '*', W);
            break;
        }
        *--q = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    return p + W;
}

namespace fixed_detail {

// fmt_f itself, for the values that put_f_fixed leaves to it.
char* put_f_by_fmt(char* p, float value, int w, int d);

inline constexpr std::uint64_t kPow10[20] = {1ULL,
                                             10ULL,
                                             100ULL,
                                             1000ULL,
                                             10000ULL,
                                             100000ULL,
                                             1000000ULL,
                                             10000000ULL,
                                             100000000ULL,
                                             1000000000ULL,
                                             10000000000ULL,
                                             100000000000ULL,
                                             1000000000000ULL,
                                             10000000000000ULL,
                                             100000000000000ULL,
                                             1000000000000000ULL,
                                             10000000000000000ULL,
                                             100000000000000000ULL,
                                             1000000000000000000ULL,
                                             10000000000000000000ULL};

inline constexpr char kDigitPairs[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace fixed_detail

// FW.D of a single-precision value, 0 <= D <= 9, for the hot loops: its exact binary value
// rounded half to even, the leading zero dropped when only that makes it fit, asterisks when
// it does not fit. The digits go straight into the field; NaN, infinities and values too
// large to scale exactly (far too wide for any field) are left to fmt_f.
template <int W, int D>
char* put_f_fixed(char* p, float value) {
    static_assert(D >= 0 && D <= 9 && W > D);
    // A float has 24 significant bits and 10^D = 5^D * 2^D needs at most 21 more, so the
    // product is exact in double; adding and taking away 2^52 then rounds it to a whole
    // number, half to even, as the fixed field wants.
    constexpr double kScale = static_cast<double>(fixed_detail::kPow10[D]);
    constexpr double kTwo52 = 4503599627370496.0;
    const double y = std::fabs(static_cast<double>(value)) * kScale;
    if (!(y < kTwo52)) return fixed_detail::put_f_by_fmt(p, value, W, D);
    const auto scaled = static_cast<std::uint64_t>((y + kTwo52) - kTwo52);
    const bool negative = std::signbit(value);
    std::uint64_t whole = scaled / fixed_detail::kPow10[D];
    std::uint64_t frac = scaled % fixed_detail::kPow10[D];
    int whole_digits = 1;
    while (whole_digits < 19 && whole >= fixed_detail::kPow10[whole_digits]) ++whole_digits;
    int len = (negative ? 1 : 0) + whole_digits + 1 + D;
    if (len == W + 1 && whole == 0) {
        whole_digits = 0;  // the leading zero goes
        --len;
    }
    if (len > W) {
        std::memset(p, '*', W);
        return p + W;
    }
    std::memset(p, ' ', W);
    char* q = p + W;
    int i = 0;
    for (; i + 2 <= D; i += 2) {
        q -= 2;
        std::memcpy(q, fixed_detail::kDigitPairs + 2 * (frac % 100), 2);
        frac /= 100;
    }
    if (i < D) *--q = static_cast<char>('0' + frac);
    *--q = '.';
    for (int k = 0; k < whole_digits; ++k) {
        *--q = static_cast<char>('0' + whole % 10);
        whole /= 10;
    }
    // The sign, or the blank that is there already: no branch on the sign of a density.
    if (q > p) q[-1] = negative ? '-' : ' ';
    return p + W;
}

// The finite single-precision values that FW.D prints as digits: those above `too_low` and
// below `too_high`, the first values of either sign whose rounding to D decimals takes more
// than W characters. NaN and the infinities are spelled out, which fields of 9 characters or
// more always hold.
struct FixedLimits {
    float too_low, too_high;

    bool holds(float value) const {
        constexpr float kMost = std::numeric_limits<float>::max();
        return !((value >= too_high && value <= kMost) || (value <= too_low && value >= -kMost));
    }
};

// FW.D for W >= 9 and W >= D + 2 (a field that holds a minus sign and a digit).
FixedLimits fixed_limits(int w, int d);

// The index of the first of `count` values that the limits do not hold, or `count` when they
// hold them all; the values are looked at on all cores.
std::int64_t first_not_held(const float* values, std::int64_t count, FixedLimits limits);

}  // namespace voxmill
