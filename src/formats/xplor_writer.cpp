#include "formats/xplor_map.hpp"

#include <algorithm>
#include <cstdint>

#include "core/work_sharing.hpp"
#include "formats/fixed_fields.hpp"
#include "formats/text_output.hpp"

namespace voxmill {

namespace {

constexpr int kLabelPlaces = 5;            // I5, or all the digits of a label that has more
constexpr std::int64_t kLineEnd = 2;       // CR LF
constexpr std::int64_t kValueLength = 14;  // F12.4 and CR LF
constexpr std::int64_t kBlock = std::int64_t{1} << 18;  // densities formatted before each write
constexpr std::int64_t kPiece = 4096;                   // densities a thread takes at a time

// Places of the label of section s: five, or as many as its digits when they are more.
int label_places(std::int64_t s) {
    int places = kLabelPlaces;
    for (std::int64_t limit = 100000; limit <= s; limit *= 10) ++places;
    return places;
}

// Characters that the labels of sections 0 .. s-1 take beyond five places: each section from
// 10^p on has one place more for every p >= 5 that it reaches.
std::int64_t wide_label_excess(std::int64_t s) {
    std::int64_t excess = 0;
    for (std::int64_t limit = 100000; limit < s; limit *= 10) excess += s - limit;
    return excess;
}

// The sections of the text: a label line, then one line per density. The length of every
// line follows from its section alone, so where a density's text goes follows from its index,
// and the threads can format any part of a block without waiting for the parts before it.
struct SectionLayout {
    std::int64_t section;  // densities in a section

    // Where the text of density i begins: its section's label, when i starts one, or its line.
    std::int64_t offset(std::int64_t i) const {
        const std::int64_t s = i / section, k = i % section;
        const std::int64_t label = s * (kLabelPlaces + kLineEnd + section * kValueLength) + wide_label_excess(s);
        return label + (k == 0 ? 0 : label_places(s) + kLineEnd + k * kValueLength);
    }

    // The text of densities [begin, end) at p.
    void format(const float* rho, std::int64_t begin, std::int64_t end, char* p) const {
        std::int64_t s = begin / section, k = begin % section;
        for (std::int64_t i = begin; i < end; ++s, k = 0) {
            if (k == 0) {
                p = put_i(p, s, label_places(s));
                *p++ = '\r';
                *p++ = '\n';
            }
            for (const std::int64_t run_end = std::min(end, i + section - k); i < run_end; ++i) {
                p = put_f_fixed<12, 4>(p, rho[i]);
                *p++ = '\r';
                *p++ = '\n';
            }
        }
    }
};

}  // namespace

void write_one_per_line(TextOutput& out, const OnePerLine& map) {
    out.line(" ");
    out.line("1");
    out.line("title");
    for (int i = 1; i <= map.dimension; ++i) {
        out.field_i(map.nvox(i), 8);
        out.field_i(0, 8);
        out.field_i(map.nvox(i) - 1, 8);
    }
    out.end_line();
    for (const float edge_or_angle : map.cell) out.field_f(edge_or_angle, 12, 4);
    out.end_line();
    out.line("ZYX");

    const SectionLayout layout{map.dimension > 1 ? std::int64_t{map.nvox(1)} * map.nvox(2) : map.nvox(1)};
    double sum = 0.0;  // in writing order; a float sum of millions of densities would lose the mean's digits
    for (std::int64_t first = 0; first < map.voxels; first += kBlock) {
        const std::int64_t last = std::min<std::int64_t>(first + kBlock, map.voxels);
        const std::int64_t base = layout.offset(first);
        char* text = out.reserve(static_cast<std::size_t>(layout.offset(last) - base));
        // The other threads format while this one sums the block, then joins them.
        share_work(
            first, last, kPiece, 0,
            [&](std::int64_t begin, std::int64_t end) { layout.format(map.rho, begin, end, text + (layout.offset(begin) - base)); },
            [&] {
                for (std::int64_t i = first; i < last; ++i) sum += map.rho[i];
            });
        out.commit(text + (layout.offset(last) - base));
    }
    out.line("-9999");
    const auto average = static_cast<float>(sum / static_cast<double>(map.voxels));
    out.field_f(average, 20, 6);
    out.field_f(0.01f * average, 20, 6);
    out.end_line();
}

}  // namespace voxmill
