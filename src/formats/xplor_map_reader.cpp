// Reading X-PLOR map text, in either layout, into a Map.
#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/interruption.hpp"
#include "core/voxmill_mod.hpp"
#include "formats/density_sink.hpp"
#include "formats/line_reader.hpp"
#include "formats/tokens.hpp"
#include "formats/xplor_map.hpp"

namespace voxmill {

namespace {

constexpr std::size_t kFieldWidth = 12;  // E12.5 and F12.4 alike
constexpr std::size_t kQuoted = 40;      // characters of a line that a message repeats
constexpr std::int64_t kMostVoxels = std::numeric_limits<std::int32_t>::max();

// The start of a text between quotes, its control bytes as \xNN: a NUL would end the message
// where it is printed, and the others would act on the terminal.
std::string quoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string q(1, '"');
    for (const char c : text.substr(0, kQuoted)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            q.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 0xF]);
        } else {
            q.append(1, c);
        }
    }
    q.append(text.size() > kQuoted ? "...\"" : "\"");
    return q;
}

// The lines of the text, counted from 1 for the messages.
class XplorLines {
public:
    explicit XplorLines(const std::string& path) {
        if (!lines_.open(path)) throw MapError("the file cannot be opened for reading");
    }

    // The next line; false at the end of the text.
    bool next(std::string_view& line) {
        ++number_;
        return lines_.next(line);
    }
    // The next line that is not blank; false at the end of the text.
    bool next_filled(std::string_view& line) {
        while (next(line)) {
            if (line.find_first_not_of(" \t") != std::string_view::npos) return true;
        }
        return false;
    }
    // The next line, which must be there.
    std::string_view need(const std::string& what) {
        std::string_view line;
        if (!next(line)) ends_before(what);
        return line;
    }

    [[noreturn]] void fail(const std::string& what) const {
        throw MapError("line " + std::to_string(number_) + ": " + what);
    }
    // The line reader takes a line of more than 1 MiB for the end of the text.
    [[noreturn]] void ends_before(const std::string& what) const {
        fail("the file ends (or the line is longer than 1 MiB) before " + what);
    }

private:
    LineReader lines_;
    std::int64_t number_ = 0;
};

// The next word of `rest` (a run of characters other than blanks and tabs), cut off it;
// empty when there is none.
std::string_view next_word(std::string_view& rest) {
    std::size_t begin = 0;
    while (begin < rest.size() && is_separator(rest[begin])) ++begin;
    std::size_t end = begin;
    while (end < rest.size() && !is_separator(rest[end])) ++end;
    const std::string_view word = rest.substr(begin, end - begin);
    rest.remove_prefix(end);
    return word;
}

// Whether the line is cut in right-aligned 12-character fields, each one word.
bool in_fixed_fields(std::string_view line) {
    if (line.empty() || line.size() % kFieldWidth != 0) return false;
    for (std::size_t at = 0; at < line.size(); at += kFieldWidth) {
        std::string_view field = line.substr(at, kFieldWidth);
        if (next_word(field).empty() || !field.empty()) return false;
    }
    return true;
}

// Calls take(text) for each number of the line: its 12-character fields, so that fields that
// touch (-0.12346E+01-0.12346E+01) still part, or else its words.
template <class Take>
void for_each_number(std::string_view line, Take&& take) {
    if (in_fixed_fields(line)) {
        for (std::size_t at = 0; at < line.size(); at += kFieldWidth) {
            std::string_view field = line.substr(at, kFieldWidth);
            take(next_word(field));
        }
        return;
    }
    for (std::string_view word = next_word(line); !word.empty(); word = next_word(line)) take(word);
}

// The line as one whole number; false when it is none, or more than one word.
bool one_whole_number(std::string_view line, std::int32_t& value) {
    const std::string_view word = next_word(line);
    return !word.empty() && next_word(line).empty() && convert_int(word, value) == kTokenOk;
}

// A field as the writers of the layout make it, " 0.12345E+01" or "-0.12345E-03": its digits as
// a whole number below 10^5 and the power of ten that scales them, when that power is
// exact in a float (10^-10 to 10^10). One float multiplication or division of the two is then
// the correctly rounded value, as strtof gives it, and at most 99999 x 10^10: no field taken
// here overflows, the others go through convert_real, which refuses what would. False for any
// other field.
bool common_field(const char* f, float& value) {
    static constexpr float kPow10[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const auto digit = [](char c) { return static_cast<unsigned>(static_cast<unsigned char>(c) - '0'); };
    if ((f[0] != ' ' && f[0] != '-') || f[1] != '0' || f[2] != '.' || f[8] != 'E' || (f[9] != '+' && f[9] != '-')) {
        return false;
    }
    unsigned digits = 0;
    for (int i = 3; i < 8; ++i) {
        const unsigned d = digit(f[i]);
        if (d > 9) return false;
        digits = digits * 10 + d;
    }
    const unsigned tens = digit(f[10]), ones = digit(f[11]);
    if (tens > 9 || ones > 9) return false;
    const int exponent = static_cast<int>(tens * 10 + ones);
    const int power = (f[9] == '-' ? -exponent : exponent) - 5;
    if (power < -10 || power > 10) return false;
    const auto whole = static_cast<float>(digits);
    const float magnitude = power >= 0 ? whole * kPow10[power] : whole / kPow10[-power];
    value = f[0] == '-' ? -magnitude : magnitude;
    return true;
}

struct XplorHeader {
    int axes = 0;
    std::array<std::int32_t, 6> points{}, first{}, last{};  // per axis: grid points per cell, indices held
    std::array<double, 6> cell{};
};

// A number of the text into `value`; false when the text is none. A number beyond single
// precision is no infinity but a fault of its line.
bool real_number(XplorLines& in, std::string_view text, float& value) {
    const std::int32_t status = convert_real(text, value);
    if (status == kTokenOverflow) in.fail(quoted(text) + " is beyond the range of single precision");
    return status == kTokenOk;
}

// What any X-PLOR text starts with: a free line, the title count (" !NTITLE" may follow it),
// the titles, and a grid line of whole numbers, three per axis. Gives the grid line's numbers
// as they stand.
void read_opening(XplorLines& in, XplorHeader& h) {
    in.need("the title count");  // the first line is free
    std::string_view count_line = in.need("the title count");
    const std::string_view count_word = next_word(count_line);
    std::int32_t titles = 0;
    if (count_word.empty() || convert_int(count_word, titles) != kTokenOk || titles < 0) {
        in.fail("the title count must be a whole number of 0 or more, found " + quoted(count_word));
    }
    for (std::int32_t t = 0; t < titles; ++t) in.need("the grid line");
    const std::string_view line = in.need("the grid line");
    std::array<std::int32_t, 18> numbers{};
    std::size_t count = 0;
    bool whole = true;
    for (std::string_view rest = line, word = next_word(rest); !word.empty(); word = next_word(rest), ++count) {
        whole = whole && count < numbers.size() && convert_int(word, numbers[count]) == kTokenOk;
    }
    if (!whole || count == 0 || count % 3 != 0) {
        in.fail("the grid line must hold three whole numbers per axis (grid points per cell, first and last index) "
                "for 1 to 6 axes, found " + quoted(line));
    }
    h.axes = static_cast<int>(count / 3);
    for (std::size_t i = 0; i < count / 3; ++i) {
        h.points[i] = numbers[3 * i];
        h.first[i] = numbers[3 * i + 1];
        h.last[i] = numbers[3 * i + 2];
    }
}

// The grid line's numbers as a map: grid points on every axis, each axis running forward,
// and no more voxels than an array holds.
void check_grid(const XplorLines& in, const XplorHeader& h) {
    std::int64_t voxels = 1;
    for (std::size_t i = 0; i < static_cast<std::size_t>(h.axes); ++i) {
        const std::string axis = "axis " + std::to_string(i + 1);
        if (h.points[i] < 1) in.fail(axis + " has " + std::to_string(h.points[i]) + " grid points per cell");
        if (h.last[i] < h.first[i]) {
            in.fail(axis + " runs from " + std::to_string(h.first[i]) + " back to " + std::to_string(h.last[i]));
        }
        voxels *= std::int64_t{h.last[i]} - h.first[i] + 1;
        if (voxels > kMostVoxels) in.fail("the grid holds more than " + std::to_string(kMostVoxels) + " voxels");
    }
}

void read_cell(XplorLines& in, std::string_view line, XplorHeader& h) {
    std::size_t count = 0;
    bool numbers = true;
    for_each_number(line, [&](std::string_view text) {
        float value = 0.0f;
        numbers = numbers && count < h.cell.size() && real_number(in, text, value);
        if (numbers) h.cell[count] = value;
        ++count;
    });
    if (!numbers || count != h.cell.size()) {
        in.fail("the cell must be six numbers (a, b, c, alpha, beta, gamma), found " + quoted(line));
    }
}

// Everything before the first section.
XplorHeader read_header(XplorLines& in) {
    XplorHeader h;
    read_opening(in, h);
    check_grid(in, h);
    read_cell(in, in.need("the cell"), h);
    std::string_view order = in.need("the section order ZYX");
    const std::string_view word = next_word(order);
    if (word != "ZYX") in.fail("the sections must come in the order ZYX, found " + quoted(word));
    return h;
}

// A line of common fields (common_field), at most `most` of them, straight into the sink;
// false, with nothing kept, for any other line.
bool common_line(std::string_view line, std::int64_t most, DensitySink& sink) {
    const std::size_t fields = line.size() / kFieldWidth;
    if (fields == 0 || line.size() % kFieldWidth != 0 || static_cast<std::int64_t>(fields) > most) return false;
    float* at = sink.room(fields);
    for (std::size_t i = 0; i < fields; ++i) {
        if (!common_field(line.data() + i * kFieldWidth, at[i])) return false;
    }
    sink.kept(fields);
    return true;
}

// The sections: a label each, then its densities. The labels count from 0, or from the first
// index of axis 3, as the first one says. Returns whether the first line of densities holds
// several, as in the standard layout.
bool read_sections(XplorLines& in, const XplorHeader& h, std::int64_t section, std::int64_t sections,
                   DensitySink& sink) {
    bool several_a_line = false;
    const std::int32_t axis3_first = h.axes >= 3 ? h.first[2] : 0;
    std::int32_t label_base = 0;
    for (std::int64_t s = 0; s < sections; ++s) {
        stop_if_interrupted();
        const std::string name = "section " + std::to_string(s);
        std::int32_t label = 0;
        const std::string_view label_line = in.need("the label of " + name);
        if (!one_whole_number(label_line, label)) {
            in.fail("the label of " + name + " must be one whole number, found " + quoted(label_line));
        }
        if (s == 0 && (label == 0 || label == axis3_first)) label_base = label;
        if (label != label_base + s) {
            in.fail(name + " has the label " + std::to_string(label) + ", where " + std::to_string(label_base + s) +
                    " belongs");
        }
        for (std::int64_t got = 0; got < section;) {
            std::string_view line;
            if (!in.next(line)) in.ends_before("density " + std::to_string(got + 1) + " of " + name);
            if (common_line(line, section - got, sink)) {
                const auto fields = static_cast<std::int64_t>(line.size() / kFieldWidth);
                got += fields;
                if (s == 0 && got == fields) several_a_line = fields > 1;
                continue;
            }
            std::int64_t on_line = 0;
            for_each_number(line, [&](std::string_view text) {
                if (got == section) in.fail(name + " is complete, and the line holds more densities");
                float density = 0.0f;
                if (!real_number(in, text, density)) in.fail(quoted(text) + " is no number");
                sink.add(density);
                ++got;
                ++on_line;
            });
            if (on_line == 0) in.fail("a line without densities in " + name);
            if (s == 0 && got == on_line) several_a_line = on_line > 1;
        }
    }
    return several_a_line;
}

// What follows the last section: nothing, or "-9999" and then, when there, the mean and the
// standard deviation (standard layout) or a hundredth of the mean (one per line).
void read_tail(XplorLines& in, bool several_a_line, StoredRange* stored) {
    if (stored != nullptr) *stored = StoredRange{};
    std::string_view line;
    std::int32_t end_mark = 0;
    if (!in.next_filled(line)) return;
    if (!one_whole_number(line, end_mark) || end_mark != -9999) {
        in.fail("after the last section comes -9999 or the end of the file, found " + quoted(line));
    }
    if (!in.next_filled(line)) return;
    std::array<float, 2> numbers{};
    std::size_t count = 0;
    bool all = true;
    for_each_number(line, [&](std::string_view text) {
        all = all && count < numbers.size() && real_number(in, text, numbers[count]);
        ++count;
    });
    if (!all || count != numbers.size()) {
        in.fail("the line after -9999 must hold two numbers, the mean density first, found " + quoted(line));
    }
    if (stored == nullptr) return;
    stored->mean = numbers[0];
    if (several_a_line) stored->rms = numbers[1];
}

}  // namespace

bool is_xplor(const std::string& path) {
    try {
        XplorLines in(path);
        XplorHeader h;
        read_opening(in, h);
        return true;
    } catch (const MapError&) {
        return false;
    }
}

bool xplor_several_a_line(const std::string& path) {
    try {
        XplorLines in(path);
        read_header(in);
        in.need("the label of section 0");
        std::size_t numbers = 0;
        for_each_number(in.need("density 1 of section 0"), [&](std::string_view) { ++numbers; });
        return numbers > 1;
    } catch (const MapError&) {
        return false;
    }
}

Map read_xplor_map(const std::string& path, StoredRange* stored) {
    XplorLines in(path);
    const XplorHeader h = read_header(in);
    Map map;
    for (int i = 1; i <= 6; ++i) {
        const auto a = static_cast<std::size_t>(i - 1);
        const bool held = i <= h.axes;
        const auto points = static_cast<float>(held ? h.points[a] : 1);
        map.nvox(i) = held ? h.last[a] - h.first[a] + 1 : 1;
        map.xfmn(i) = held ? static_cast<float>(h.first[a]) / points : 0.0f;
        map.xfmx(i) = held ? static_cast<float>(h.last[a]) / points : 0.0f;
        map.xdf(i) = 1.0f / points;
        map.iorien(i) = i;
    }
    map.dimension = std::max(1, dimension_of(map.nvox));
    map.cell = h.cell;
    DensitySink sink(map.rho, static_cast<std::size_t>(map.voxels()), first_room(path));
    const bool several_a_line = read_sections(in, h, map.layer(), map.voxels() / map.layer(), sink);
    read_tail(in, several_a_line, stored);
    sink.finish();
    return map;
}

}  // namespace voxmill
