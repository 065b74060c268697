// Writing a Map as X-PLOR text: the standard layout, and the one-per-line text of option E.
//
// The standard layout's lines end in LF alone. Its readers cut fixed columns from each line
// as they stand, and a CR would follow the last field of every line as one more character:
// harmless to a reader that stops after six fields, but not to one that splits a line at its
// blanks or checks its length. A bare LF is what every reader of the layout takes.
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <future>
#include <string>
#include <string_view>

#include "core/voxmill_mod.hpp"
#include "core/work_sharing.hpp"
#include "formats/fixed_fields.hpp"
#include "formats/fixed_text_fit.hpp"
#include "formats/text_output.hpp"
#include "formats/xplor_map.hpp"

namespace voxmill {

namespace {

// --- Ew.d fields ----------------------------------------------------------------------------
//
// As a Fortran program writes them: a blank or '-', "0.", d significant digits of the exact
// binary value rounded half to even, and the exponent as E+dd (as +ddd, without the E, beyond
// 99, which only the double statistics could reach). Zero is 0.00000E+00, and keeps its sign.
// NaN and the infinities are spelled out and right-aligned (NaN, Infinity, -Infinity), as the
// fixed fields of this program write them; readers that take C or Fortran numbers read them.

constexpr auto kPow5 = [] {
    std::array<std::uint64_t, 28> p{};  // 5^27 is the last below 2^63
    p[0] = 1;
    for (std::size_t k = 1; k < p.size(); ++k) p[k] = p[k - 1] * 5;
    return p;
}();

// num / 2^shift, rounded half to even (0 < shift < 64, num + 2^(shift - 1) below 2^64): adding
// one less than half, and one more when the whole part is odd, carries exactly when the rest
// is above half, or half at an odd whole part.
constexpr std::uint64_t shifted_rounded(std::uint64_t num, int shift) {
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    return (num + half - 1 + ((num >> shift) & 1)) >> shift;
}

// num / den, rounded half to even (den below 2^63).
constexpr std::uint64_t divided_rounded(std::uint64_t num, std::uint64_t den) {
    const std::uint64_t whole = num / den;
    const std::uint64_t twice_rest = 2 * (num % den);
    return whole + (twice_rest > den || (twice_rest == den && (whole & 1) != 0) ? 1 : 0);
}

// m * 2^q * 10^k rounded half to even, where 64-bit integers hold every step exactly; false
// where they do not (the densities below 1e-13 or beyond 1e24 or so), which depends on q and k
// alone for every m below 2^24. The product is near 10^d, so the shifts of the first branch
// stay far below 64 bits.
constexpr bool scaled_rounded(std::uint64_t m, int q, int k, std::uint64_t& n) {
    if (k >= 0) {
        if (k > 17) return false;  // m < 2^24 and 5^17 < 2^40
        const std::uint64_t product = m * kPow5[static_cast<std::size_t>(k)];
        const int shift = q + k;
        n = shift >= 0 ? product << shift : shifted_rounded(product, -shift);
        return true;
    }
    const int j = -k;  // m * 2^(q - j) / 5^j
    if (j >= static_cast<int>(kPow5.size())) return false;
    const std::uint64_t five = kPow5[static_cast<std::size_t>(j)];
    const int t = q - j;
    if (t >= 0) {
        if (t > 39) return false;
        n = divided_rounded(m << t, five);
        return true;
    }
    if (-t > 62 || (five >> (62 + t)) != 0) return false;
    n = divided_rounded(m, five << -t);
    return true;
}

// "E-99" to "E+99".
constexpr auto kExponents = [] {
    std::array<std::array<char, 4>, 199> text{};
    for (int e = -99; e <= 99; ++e) {
        const int magnitude = e < 0 ? -e : e;
        text[static_cast<std::size_t>(e + 99)] = {'E', e < 0 ? '-' : '+', static_cast<char>('0' + magnitude / 10),
                                                  static_cast<char>('0' + magnitude % 10)};
    }
    return text;
}();

// "0000" to "9999".
constexpr auto kFourDigits = [] {
    std::array<std::array<char, 4>, 10000> text{};
    for (int n = 0; n < 10000; ++n) {
        text[static_cast<std::size_t>(n)] = {static_cast<char>('0' + n / 1000), static_cast<char>('0' + n / 100 % 10),
                                             static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
    }
    return text;
}();

// The field from its parts: |value| = 0.<digits> x 10^exponent, `digits` below 10^D.
template <int W, int D>
char* place_e(char* p, bool negative, std::uint64_t digits, int exponent) {
    static_assert(D >= 4 && D <= 9 && W >= D + 7);
    char* q = p + W - (D + 6);  // "0." and the digits, then E+dd or +ddd
    std::fill(p, q - 1, ' ');
    q[-1] = negative ? '-' : ' ';
    q[0] = '0';
    q[1] = '.';
    const auto d = static_cast<std::uint32_t>(digits);
    std::uint32_t leading = d / 10000;  // the digits before the last four
    for (int i = D - 4; i > 0; --i, leading /= 10) q[1 + i] = static_cast<char>('0' + leading % 10);
    std::memcpy(q + D - 2, kFourDigits[d % 10000].data(), 4);
    q += D + 2;
    if (exponent < -99 || exponent > 99) {
        const int magnitude = exponent < 0 ? -exponent : exponent;
        q[0] = exponent < 0 ? '-' : '+';
        q[1] = static_cast<char>('0' + magnitude / 100);
        std::memcpy(q + 2, &fixed_detail::kDigitPairs[2 * (magnitude % 100)], 2);
    } else {
        std::memcpy(q, kExponents[static_cast<std::size_t>(exponent + 99)].data(), 4);
    }
    return p + W;
}

// Any double, through the standard library's exact conversion: the rare values and the few
// fields around the densities.
template <int W, int D>
char* put_e(char* p, double value) {
    if (std::isnan(value) || std::isinf(value)) {
        const std::string_view text = std::isnan(value) ? "NaN" : value < 0 ? "-Infinity" : "Infinity";
        std::fill(p, p + W, ' ');
        std::copy(text.begin(), text.end(), p + W - static_cast<int>(text.size()));
        return p + W;
    }
    if (value == 0.0) return place_e<W, D>(p, std::signbit(value), 0, 0);
    char text[40];  // d.dddde-ddd
    const auto done = std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific, D - 1);
    std::uint64_t digits = static_cast<std::uint64_t>(text[0] - '0');
    for (int i = 2; i <= D; ++i) digits = digits * 10 + static_cast<std::uint64_t>(text[i] - '0');
    int exponent = 0;  // after "e" and its sign
    std::from_chars(text + D + 3, done.ptr, exponent);
    if (text[D + 2] == '-') exponent = -exponent;
    return place_e<W, D>(p, std::signbit(value), digits, exponent + 1);
}

// --- the densities, E12.5 ---------------------------------------------------------------

constexpr int kDensityDigits = 5;
constexpr std::uint64_t kTenToDigits = fixed_detail::kPow10[kDensityDigits];

// How the normal floats of one binary exponent scale to their 5 digits: by 10^k while the
// mantissa is below `above`, by 10^(k - 1) from there on, where 10^k would give 10^5 or more
// and the decimal exponent is one higher. `above` is 0 where 64-bit integers do not scale
// exactly, and for zeros, subnormals, NaN and the infinities.
struct DensityScale {
    std::uint32_t above;
    int k;
};

constexpr auto kDensityScales = [] {
    constexpr std::uint64_t kLeast = std::uint64_t{1} << 23, kEnd = std::uint64_t{1} << 24;  // the mantissas
    std::array<DensityScale, 256> scales{};
    for (int biased = 1; biased < 255; ++biased) {
        const int q = biased - 150;  // |value| = m * 2^q
        // floor(log10 2^(biased - 127)) + 1: the decimal exponent of every mantissa, or one
        // below it.
        const int k = kDensityDigits - ((((biased - 127) * 78913) >> 18) + 1);
        std::uint64_t digits = 0;
        if (!scaled_rounded(kLeast, q, k, digits) || !scaled_rounded(kLeast, q, k - 1, digits)) continue;
        std::uint64_t least = kLeast, end = kEnd;  // the first mantissa that reaches 10^5: the digits grow with it
        while (least < end) {
            const std::uint64_t middle = least + (end - least) / 2;
            scaled_rounded(middle, q, k, digits);
            if (digits >= kTenToDigits) {
                end = middle;
            } else {
                least = middle + 1;
            }
        }
        scales[static_cast<std::size_t>(biased)] = {static_cast<std::uint32_t>(least), k};
    }
    return scales;
}();

// A density with one exact scaling in integers for the floats that the table covers.
char* put_density(char* p, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    const DensityScale scale = kDensityScales[static_cast<std::size_t>(biased)];
    if (scale.above == 0) return put_e<12, kDensityDigits>(p, value);
    const std::uint32_t m = (bits & 0x7FFFFF) | 0x800000;  // |value| = m * 2^(biased - 150)
    const int k = m < scale.above ? scale.k : scale.k - 1;
    std::uint64_t digits = 0;
    scaled_rounded(m, biased - 150, k, digits);
    int exponent = kDensityDigits - k;
    if (digits == kTenToDigits) {  // rounded up to the next power of ten
        digits /= 10;
        ++exponent;
    }
    return place_e<12, kDensityDigits>(p, (bits >> 31) != 0, digits, exponent);
}

// --- the map's frame on the grid line ---------------------------------------------------

constexpr std::int64_t kI8Least = -9999999;  // what an I8 field holds
constexpr std::int64_t kI8Most = 99999999;

struct AxisGrid {
    std::int64_t points, first, last;  // grid points per cell, first and last index held
};

// The axes a map has: its dimension, or more where its counts say so.
int axes_of(const Map& map) { return std::max(map.dimension, dimension_of(map.nvox)); }

// What both layouts need of a map: a cell, a voxel on every axis, a density for every voxel.
void check_map(const Map& map) {
    if (!map.cell) throw MapError("the map holds no unit cell: give one with --cell");
    for (int i = 1; i <= 6; ++i) {
        if (map.nvox(i) < 1) throw MapError("axis " + std::to_string(i) + " of the map has no voxels");
    }
    if (map.rho.size() != static_cast<std::size_t>(map.voxels())) {
        throw MapError("the map holds " + std::to_string(map.rho.size()) + " densities for its " +
                       std::to_string(map.voxels()) + " voxels");
    }
}

// The grid line of the standard layout: N = round(1/xdf), first = round(xfmn * N) and
// first + nvox - 1 per axis; the axes above the map get 1 0 0 from their step 1.0. The step
// may be off 1/N by a ten-thousandth of itself, the start off its grid point by as much of a
// step, besides what single precision cannot tell apart at that index.
std::array<AxisGrid, 3> standard_grid(const Map& map) {
    const int axes = axes_of(map);
    if (axes > 3) throw MapError("a map of " + std::to_string(axes) + " dimensions: X-PLOR holds at most 3");
    check_map(map);
    constexpr double kTolerance = 1e-4;
    std::array<AxisGrid, 3> grid{};
    for (int i = 1; i <= 3; ++i) {
        const std::string axis = "axis " + std::to_string(i);
        const double step = map.xdf(i);
        const double points = std::round(1.0 / step);
        if (!(step > 0.0) || !std::isfinite(points) || std::fabs(points * step - 1.0) > kTolerance) {
            throw MapError("the step of " + axis + " is " + shortest(map.xdf(i)) +
                           " of the cell: X-PLOR needs a whole number of grid points per cell");
        }
        const double index = static_cast<double>(map.xfmn(i)) * points;
        const double first = std::round(index);
        const double last = first + map.nvox(i) - 1;
        for (const double number : {points, first, last}) {
            if (!(number >= kI8Least && number <= kI8Most)) {
                throw MapError("the grid numbers of " + axis + " do not fit 8 characters");
            }
        }
        if (std::fabs(index - first) > kTolerance + std::fabs(index) * 0x1p-22) {
            throw MapError(axis + " starts at " + shortest(map.xfmn(i)) + ", not on its grid of step " +
                           shortest(map.xdf(i)) + ": X-PLOR holds whole grid indices only");
        }
        grid[static_cast<std::size_t>(i - 1)] = {static_cast<std::int64_t>(points), static_cast<std::int64_t>(first),
                                                 static_cast<std::int64_t>(last)};
    }
    return grid;
}

// --- the standard layout ----------------------------------------------------------------

constexpr int kPerLine = 6;
constexpr std::int64_t kLabelLength = 9;  // I8 and LF
constexpr std::int64_t kFieldLength = 12;
constexpr std::int64_t kBlock = std::int64_t{1} << 21;  // densities formatted before each write
constexpr std::int64_t kPiece = 4096;                   // densities a thread takes at a time

// Every section takes the same number of bytes, so where a density's text goes follows from
// its index, and threads can format any part of a block without waiting for the parts before.
struct StandardSections {
    std::int64_t section;  // densities in a section

    std::int64_t bytes() const { return kLabelLength + kFieldLength * section + (section + kPerLine - 1) / kPerLine; }

    // Where the text of density i begins: its section's label, when i starts one, or its field.
    std::int64_t offset(std::int64_t i) const {
        const std::int64_t s = i / section, k = i % section;
        return s * bytes() + (k == 0 ? 0 : kLabelLength + kFieldLength * k + k / kPerLine);
    }

    // The text of densities [begin, end) at p. A section's label counts the sections from 0,
    // at the first index of axis 3, as the layout's own writers number them.
    void format(const float* rho, std::int64_t begin, std::int64_t end, char* p) const {
        std::int64_t s = begin / section, k = begin % section;
        for (std::int64_t i = begin; i < end; ++s, k = 0) {
            if (k == 0) {
                p = put_i(p, s, 8);
                *p++ = '\n';
            }
            for (const std::int64_t run_end = std::min(end, i + section - k); i < run_end; ++i) {
                p = put_density(p, rho[i]);
                if (++k % kPerLine == 0 || k == section) *p++ = '\n';
            }
        }
    }
};

// The mean of the densities and their standard deviation about it, in double precision and
// in the order of the densities: first the sum of the densities, then the sum of the squares
// about the mean, taken a stretch at a time while the text is written.
class Spread {
public:
    Spread(const float* rho, std::int64_t count) : rho_(rho), count_(count) {}

    // Takes the two passes `steps` densities further.
    void advance(std::int64_t steps) {
        const std::int64_t end = std::min(done_ + steps, 2 * count_);
        for (; done_ < std::min(end, count_); ++done_) sum_ += rho_[done_];
        if (done_ == count_) mean_ = sum_ / static_cast<double>(count_);
        for (; done_ < end; ++done_) {
            const double d = rho_[done_ - count_] - mean_;
            squares_ += d * d;
        }
    }
    double mean() {
        advance(2 * count_);
        return mean_;
    }
    double deviation() {
        advance(2 * count_);
        return std::sqrt(squares_ / static_cast<double>(count_));
    }

private:
    const float* rho_;
    std::int64_t count_;
    std::int64_t done_ = 0;  // of the 2 * count_ steps
    double sum_ = 0.0, mean_ = 0.0, squares_ = 0.0;
};

template <int W, int D>
void field_e(TextOutput& out, double value) {
    out.commit(put_e<W, D>(out.reserve(W), value));
}

}  // namespace

void write_xplor_standard(const Map& map, const std::string& path) {
    const std::array<AxisGrid, 3> grid = standard_grid(map);
    TextOutput out(path, "X-PLOR map");
    out.text("\n");
    out.field_i(1, 8);
    out.text(" !NTITLE\n voxmill map\n");
    for (const AxisGrid& axis : grid) {
        for (const std::int64_t number : {axis.points, axis.first, axis.last}) out.field_i(number, 8);
    }
    out.text("\n");
    for (const double edge_or_angle : *map.cell) field_e<12, 5>(out, edge_or_angle);
    out.text("\nZYX\n");

    const StandardSections layout{map.layer()};
    const float* rho = map.rho.data();
    const std::int64_t voxels = map.voxels();
    Spread spread(rho, voxels);
    for (std::int64_t first = 0; first < voxels; first += kBlock) {
        const std::int64_t last = std::min(first + kBlock, voxels);
        const std::int64_t base = layout.offset(first);
        char* text = out.reserve(static_cast<std::size_t>(layout.offset(last) - base));
        share_work(first, last, kPiece, 0, [&](std::int64_t begin, std::int64_t end) {
            layout.format(rho, begin, end, text + (layout.offset(begin) - base));
        });
        // The statistics go on beside the write, on a thread of their own (or at get(), when
        // none can start), as formatting keeps every core busy and writing only one.
        std::future<void> statistics =
            std::async(std::launch::async | std::launch::deferred, [&] { spread.advance(2 * (last - first)); });
        out.commit(text + (layout.offset(last) - base));
        statistics.get();
    }

    out.field_i(-9999, 8);
    out.text("\n");
    field_e<12, 4>(out, spread.mean());
    field_e<12, 4>(out, spread.deviation());
    out.text("\n");
    out.close();
}

void write_xplor_one_per_line(const Map& map, const std::string& path) {
    check_map(map);
    const int axes = axes_of(map);
    check_fixed_fields(map, axes,
                       {"one-per-line X-PLOR", 12, 4, 12, 4, {kI8Most, kI8Most, kI8Most, kI8Most, kI8Most, kI8Most},
                        axes <= 3 ? "the standard layout holds it" : ""});
    const std::array<double, 6>& cell = *map.cell;
    const OnePerLine text{axes, map.nvox, map.voxels(), map.rho.data(),
                          {static_cast<float>(cell[0]), static_cast<float>(cell[1]), static_cast<float>(cell[2]),
                           static_cast<float>(cell[3]), static_cast<float>(cell[4]), static_cast<float>(cell[5])}};
    TextOutput out(path, "X-PLOR map");
    write_one_per_line(out, text);
    out.close();
}

}  // namespace voxmill
