// Fast fixed-width fields for the big text writers: the same characters as fmt_i and fmt_f
// (core/fields.hpp) give, written straight into a buffer with exact integer arithmetic
// instead of printf. Each writes exactly w characters and returns the position after them.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace voxmill {

// Iw: right-aligned, asterisks when too wide.
char* put_i(char* p, std::int64_t value, int w);

namespace fixed_detail {

// fmt_f itself, for the values that put_f_fixed leaves to it.
char* put_f_by_fmt(char* p, float value, int w, int d);

inline constexpr std::uint64_t kPow5[10] = {1, 5, 25, 125, 625, 3125, 15625, 78125, 390625, 1953125};
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

// The value times 10^d, rounded half to even, when it is finite and below 2^63; false otherwise.
inline bool scaled_by_pow10(float value, int d, std::uint64_t& scaled) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    if (biased == 0xFF) return false;
    // value = m * 2^e exactly, so value * 10^d = m * 5^d * 2^(e + d).
    const std::uint64_t m = biased == 0 ? (bits & 0x7FFFFF) : ((bits & 0x7FFFFF) | 0x800000);
    const int shift = (biased == 0 ? -149 : biased - 150) + d;
    const std::uint64_t q = m * kPow5[d];  // below 2^45
    if (shift >= 0) {
        if (shift > 18) return false;
        scaled = q << shift;
    } else if (shift < -63) {
        scaled = 0;  // far below one half
    } else {
        const int s = -shift;
        scaled = q >> s;
        const std::uint64_t rest = q & ((std::uint64_t{1} << s) - 1);
        const std::uint64_t half = std::uint64_t{1} << (s - 1);
        // Without a branch: which way a density rounds is as good as random.
        scaled += static_cast<std::uint64_t>(rest > half) | (static_cast<std::uint64_t>(rest == half) & scaled);
    }
    return true;
}

}  // namespace fixed_detail

// FW.D of a single-precision value, 0 <= D <= 9, for the hot loops: its exact binary value
// rounded half to even, the leading zero dropped when only that makes it fit, asterisks when
// it does not fit. The digits go straight into the field; NaN, infinities and values too
// large to scale exactly (far too wide for any field) are left to fmt_f.
template <int W, int D>
char* put_f_fixed(char* p, float value) {
    static_assert(D >= 0 && D <= 9 && W > D);
    std::uint64_t scaled = 0;
    if (!fixed_detail::scaled_by_pow10(value, D, scaled)) return fixed_detail::put_f_by_fmt(p, value, W, D);
    const bool negative = std::bit_cast<std::uint32_t>(value) >> 31 != 0;
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
    for (int i = 0; i < D; ++i) {
        *--q = static_cast<char>('0' + frac % 10);
        frac /= 10;
    }
    *--q = '.';
    for (int i = 0; i < whole_digits; ++i) {
        *--q = static_cast<char>('0' + whole % 10);
        whole /= 10;
    }
    // The sign, or the blank that is there already: no branch on the sign of a density.
    if (q > p) q[-1] = negative ? '-' : ' ';
    return p + W;
}

}  // namespace voxmill
