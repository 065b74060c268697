// X-PLOR map text as a Map: the standard layout as a strict fixed-column reader takes it, the
// one-per-line text against option E's own, round trips of both, the texts the reader takes
// and those it refuses, and the maps the writers refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/vend_writer.hpp"
#include "formats/xplor_map.hpp"
#include "support/test_support.hpp"

using namespace voxmill;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const std::array<double, 6> kCell{12.3, 45.6, 7.89, 90.0, 95.5, 120.0};

void put_text(const std::string& path, const std::string& text) {
    vtest::write_bytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

std::string file_text(const std::string& path) {
    const auto b = vtest::read_bytes(path);
    return std::string(b.begin(), b.end());
}

std::string lines_of(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string t;
    for (const std::string& l : lines) t += l + end;
    return t;
}

std::string right(const std::string& text, std::size_t w) { return std::string(w - std::min(w, text.size()), ' ') + text; }

// Ew.d as a Fortran program writes it, from printf's digits: 0.ddddd and the exponent one up.
std::string fortran_e(double v, int w, int d) {
    if (std::isnan(v)) return right("NaN", static_cast<std::size_t>(w));
    if (std::isinf(v)) return right(v < 0 ? "-Infinity" : "Infinity", static_cast<std::size_t>(w));
    std::string digits(static_cast<std::size_t>(d), '0');
    int exponent = 0;
    if (v != 0.0) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*E", d - 1, std::fabs(v));  // d.ddddE+xx
        digits = text[0] + std::string(text + 2, static_cast<std::size_t>(d - 1));
        exponent = std::atoi(std::strchr(text, 'E') + 1) + 1;
    }
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return right((std::signbit(v) ? "-0." : "0.") + digits + tail, static_cast<std::size_t>(w));
}

// The standard layout as a strict reader of the field takes it: the first line skipped, then
// I8, titles, 9I8, 6E12.5, "ZYX", per section an I8 label and the densities in 12-character
// fields six to a line, a new line for each section; "-9999" (I8), then 2E12.4.
// Lines end in LF. Any departure throws.
struct StrictText {
    std::array<long, 9> grid{};
    std::vector<std::string> cell, densities;  // the fields as they stand
    std::string mean, deviation;
};

StrictText read_strictly(const std::string& text) {
    if (text.find('\r') != std::string::npos) throw std::runtime_error("a CR in the text");
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (end == std::string::npos) throw std::runtime_error("a last line without LF");
        lines.push_back(text.substr(at, end - at));
    }
    std::size_t next = 0;
    auto line = [&](std::size_t length) -> const std::string& {
        if (next == lines.size()) throw std::runtime_error("the text ends early");
        if (length != 0 && lines[next].size() != length) throw std::runtime_error("line " + std::to_string(next + 1) + " is not " + std::to_string(length) + " long");
        return lines[next++];
    };
    auto field = [](const std::string& l, std::size_t at, std::size_t w) { return l.substr(at, w); };
    line(0);
    const std::string& count = line(16);
    if (count.substr(8) != " !NTITLE") throw std::runtime_error("no !NTITLE");
    for (long t = std::stol(field(count, 0, 8)); t > 0; --t) line(0);
    StrictText s;
    const std::string& grid = line(72);
    for (std::size_t i = 0; i < 9; ++i) s.grid[i] = std::stol(field(grid, 8 * i, 8));
    const std::string& cell = line(72);
    for (std::size_t i = 0; i < 6; ++i) s.cell.push_back(field(cell, 12 * i, 12));
    if (line(3) != "ZYX") throw std::runtime_error("no ZYX");
    const long section = (s.grid[2] - s.grid[1] + 1) * (s.grid[5] - s.grid[4] + 1);
    for (long c = 0; c <= s.grid[8] - s.grid[7]; ++c) {
        if (line(8) != right(std::to_string(c), 8)) throw std::runtime_error("label of section " + std::to_string(c));
        for (long k = 0; k < section; k += 6) {
            const auto on_line = static_cast<std::size_t>(std::min(6L, section - k));
            const std::string& values = line(12 * on_line);
            for (std::size_t j = 0; j < on_line; ++j) s.densities.push_back(field(values, 12 * j, 12));
        }
    }
    if (line(8) != "   -9999") throw std::runtime_error("no -9999");
    const std::string& last = line(24);
    s.mean = field(last, 0, 12);
    s.deviation = field(last, 12, 12);
    if (next != lines.size()) throw std::runtime_error("not the mean line at the end");
    return s;
}

// A map over these counts with these densities (the ramp i * scale where none are given).
Map map_of(const std::vector<std::int32_t>& counts, std::vector<float> rho, float scale = 0.5f) {
    Map m = full_cell_map(counts);
    if (rho.empty()) rho = vtest::ramp(m.rho.size(), scale);
    std::copy(rho.begin(), rho.end(), m.rho.begin());
    m.cell = kCell;
    return m;
}

// Densities across the float range: signs, powers of ten, ties, roundings up to the next
// decade, subnormals, the ends of the range.
std::vector<float> hard_densities() {
    std::vector<float> v{0.0f,      -0.0f,   1.0f,     -1.0f,     0.1f,     10.0f,   1e5f,    1e-5f,
                         1.03125f,  99999.5f, 9.99995f, 0.999995f, 123.456f, -0.00123456f, 1e-13f, 9.9e-14f,
                         1e24f,     1.1e24f, 3.4e38f,  -3.4e38f,  1e-40f,   1.5e-45f, 1e30f,   -1e-20f,
                         123456.7f, 4.2e9f,  -7.7e17f, 2.5e22f,   kNaN,     kInf,    -kInf,   0.5f};
    return v;
}

std::vector<float> mixed_magnitudes(std::size_t count) {
    std::vector<float> v(count);
    for (std::size_t i = 0; i < count; ++i) {
        v[i] = std::sin(static_cast<float>(i) * 1.7f) * std::pow(10.0f, static_cast<float>(static_cast<int>(i % 40) - 20));
    }
    return v;
}

std::vector<float> waves(std::size_t count) {
    std::vector<float> v(count);
    for (std::size_t i = 0; i < count; ++i) v[i] = std::sin(static_cast<float>(i) * 1.7f) * 123.456f;
    return v;
}

// A box of 4 x 3 x 5 voxels starting at grid point `first` of a grid of `points`.
Map box_map(std::array<int, 3> points = {10, 12, 20}, std::array<int, 3> first = {-3, 0, 5}) {
    Map m = map_of({4, 3, 5}, {}, -0.25f);
    for (int i = 1; i <= 3; ++i) {
        const auto n = static_cast<float>(points[static_cast<std::size_t>(i - 1)]);
        const auto f = static_cast<float>(first[static_cast<std::size_t>(i - 1)]);
        m.xdf(i) = 1.0f / n;
        m.xfmn(i) = f / n;
        m.xfmx(i) = (f + static_cast<float>(m.nvox(i) - 1)) / n;
    }
    return m;
}

struct Spread {
    double mean, deviation;
};

Spread spread_of(const Map& m) {
    double sum = 0.0, squares = 0.0;
    for (const float v : m.rho) sum += v;
    const double mean = sum / static_cast<double>(m.rho.size());
    for (const float v : m.rho) squares += (v - mean) * (v - mean);
    return {mean, std::sqrt(squares / static_cast<double>(m.rho.size()))};
}

std::string message_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const MapError& e) {
        return e.what();
    }
    return "no MapError";
}

}  // namespace

TEST(XplorMap, StandardTextIsWhatAStrictFixedColumnReaderTakes) {
    struct Case {
        const char* what;
        Map map;
        std::array<long, 9> grid;
    };
    const Case cases[] = {
        {"hard densities", map_of({4, 4, 2}, hard_densities()), {4, 0, 3, 4, 0, 3, 2, 0, 1}},
        {"all magnitudes, sections of 20", map_of({5, 4, 30}, mixed_magnitudes(600)), {5, 0, 4, 4, 0, 3, 30, 0, 29}},
        {"a 2D map", map_of({7, 3}, {}), {7, 0, 6, 3, 0, 2, 1, 0, 0}},
        {"a 1D map", map_of({13}, {}), {13, 0, 12, 1, 0, 0, 1, 0, 0}},
        {"a box off the origin", box_map(), {10, -3, 0, 12, 0, 2, 20, 5, 9}},
        {"a box far out on a fine grid", box_map({100000, 3, 7}, {99991, 1, -6}), {100000, 99991, 99994, 3, 1, 3, 7, -6, -2}},
    };
    vtest::ScratchDir dir;
    const std::string path = dir.path("map.xplor");
    for (const Case& c : cases) {
        write_xplor_standard(c.map, path);
        StrictText s;
        try {
            s = read_strictly(file_text(path));
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.what << ": " << e.what();
            continue;
        }
        EXPECT_EQ(s.grid, c.grid) << c.what;
        for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(s.cell[i], fortran_e(kCell[i], 12, 5)) << c.what;
        ASSERT_EQ(s.densities.size(), c.map.rho.size()) << c.what;
        const Map back = read_xplor_map(path);
        for (std::size_t i = 0; i < s.densities.size(); ++i) {
            EXPECT_EQ(s.densities[i], fortran_e(c.map.rho[i], 12, 5)) << c.what << ", density " << i;
            const float read = std::strtof(s.densities[i].c_str(), nullptr);
            EXPECT_TRUE(back.rho[i] == read || (std::isnan(back.rho[i]) && std::isnan(read))) << c.what << ", density " << i;
        }
        const Spread spread = spread_of(c.map);
        EXPECT_EQ(s.mean, fortran_e(spread.mean, 12, 4)) << c.what;
        EXPECT_EQ(s.deviation, fortran_e(spread.deviation, 12, 4)) << c.what;
    }
}

TEST(XplorMap, OnePerLineIsOptionEByteForByte) {
    const std::vector<std::vector<std::int32_t>> grids = {{7}, {4, 3, 2}, {3, 2, 2, 4}, {2, 3, 2, 1, 2, 3}};
    vtest::ScratchDir dir;
    for (const auto& nvox : grids) {
        Map m = map_of(nvox, {}, 0.37f);
        m.rho[1] = -123.45678f;
        m.cell = std::array<double, 6>{10.0, 12.3, 15.25, 90.0, 90.0, 120.0};
        vtest::write_q47(dir.path("in.q47"), nvox, std::vector<float>(m.rho.begin(), m.rho.end()));
        const auto r = vtest::run_session("E\n" + dir.path("in.q47") + "\n" + dir.path("e.xplor") + "\n10 12.3 15.25 90 90 120\nQ\n");
        ASSERT_EQ(r.err, "");
        write_xplor_one_per_line(m, dir.path("map.xplor"));
        EXPECT_EQ(file_text(dir.path("map.xplor")), file_text(dir.path("e.xplor"))) << nvox.size() << " dimensions";
        EXPECT_TRUE(is_xplor(dir.path("map.xplor")));
        EXPECT_FALSE(is_xplor(dir.path("in.q47")));
    }
}

TEST(XplorMap, RoundTripsKeepVoxelsFrameAndCell) {
    struct Layout {
        const char* name;
        void (*write)(const Map&, const std::string&);
        bool standard;  // E12.5 densities, the frame, the standard deviation; at most 3 dimensions
    };
    // A density comes back within half a unit of its last digit: the fifth significant digit
    // (E12.5), or the fourth decimal (F12.4); the single-precision read adds its own rounding.
    auto near = [](const Layout& l, float back, float v) {
        const double slack = (l.standard ? 0.5e-4 * std::fabs(v) : 0.5e-4) + 1e-7 * std::fabs(v);
        return std::fabs(static_cast<double>(back) - v) <= slack;
    };
    const Layout layouts[] = {{"standard", write_xplor_standard, true}, {"one per line", write_xplor_one_per_line, false}};
    const Map maps[] = {map_of({6, 5, 4}, waves(120)), map_of({9}, {}), map_of({3, 8}, {}, -1.75f),
                        box_map(), map_of({3, 2, 2, 2}, {})};
    vtest::ScratchDir dir;
    for (const Layout& l : layouts) {
        for (const Map& m : maps) {
            if (l.standard && m.dimension > 3) continue;  // refused, as RefusedWritesLeaveNoFile shows
            const std::string what = std::string(l.name) + ", " + std::to_string(m.voxels()) + " voxels";
            ASSERT_NO_THROW(l.write(m, dir.path("map.xplor"))) << what;
            StoredRange stored;
            const Map back = read_xplor_map(dir.path("map.xplor"), &stored);
            EXPECT_EQ(back.dimension, m.dimension) << what;
            EXPECT_EQ(back.nvox, m.nvox) << what;
            if (l.standard || m.xfmn(1) == 0.0f) {  // one per line gives every axis as a whole cell
                EXPECT_EQ(back.xfmn, m.xfmn) << what;
                EXPECT_EQ(back.xfmx, m.xfmx) << what;
                EXPECT_EQ(back.xdf, m.xdf) << what;
            }
            EXPECT_EQ(back.iorien, m.iorien) << what;
            ASSERT_TRUE(back.cell) << what;
            for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR((*back.cell)[i], kCell[i], 0.5e-4 * kCell[i]) << what;
            ASSERT_EQ(back.rho.size(), m.rho.size()) << what;
            for (std::size_t i = 0; i < m.rho.size(); ++i) EXPECT_TRUE(near(l, back.rho[i], m.rho[i])) << what << ", density " << i;
            const Spread spread = spread_of(m);
            ASSERT_TRUE(stored.mean) << what;
            EXPECT_NEAR(*stored.mean, spread.mean, 1e-3 * std::fabs(spread.mean) + 1e-6) << what;
            EXPECT_EQ(stored.rms.has_value(), l.standard) << what;
            if (stored.rms) {
                EXPECT_NEAR(*stored.rms, spread.deviation, 1e-3 * spread.deviation) << what;
            }
        }
    }
}

TEST(XplorMap, ReadsBothLayoutsWhateverTheirSpacingAndLineEnds) {
    const std::vector<std::string> head{"", "       1 !NTITLE", " title",
                                        "       2       0       1       2       0       1       2       0       1",
                                        " 0.10000E+02 0.10000E+02 0.10000E+02 0.90000E+02 0.90000E+02 0.90000E+02", "ZYX"};
    auto with = [&](std::vector<std::string> body) {
        std::vector<std::string> l = head;
        l.insert(l.end(), body.begin(), body.end());
        return l;
    };
    const std::vector<float> ones_to_eight{1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        const char* what;
        std::string text;
        std::vector<float> rho;
        bool mean, rms;
    };
    const std::vector<std::string> standard_body{"       0", " 0.10000E+01 0.20000E+01 0.30000E+01 0.40000E+01", "       1",
                                                 " 0.50000E+01 0.60000E+01 0.70000E+01 0.80000E+01", "   -9999",
                                                 "  0.4500E+01   0.2291E+01"};
    std::vector<std::string> from_first_index = with({"       3", "1 2", "3 4", "       4", "5.0", "6 7.0e0 8", "-9999"});
    from_first_index[3] = "2 0 1 2 0 1 2 3 4";
    const Case cases[] = {
        {"the standard layout", lines_of(with(standard_body)), ones_to_eight, true, true},
        {"the same with CR LF", lines_of(with(standard_body), "\r\n"), ones_to_eight, true, true},
        {"fields that touch",
         lines_of(with({"       0", "-0.10000E+01-0.20000E+01-0.30000E+01-0.40000E+01", "       1",
                        "-0.50000E+01-0.60000E+01-0.70000E+01-0.80000E+01"})),
         {-1, -2, -3, -4, -5, -6, -7, -8}, false, false},
        {"words between blanks, labels from the first index", lines_of(from_first_index), ones_to_eight, false, false},
        {"one per line",
         vtest::crlf(" \n1\ntitle\n       2       0       1       2       0       1       2       0       1\n"
                     "     10.0000     10.0000     10.0000     90.0000     90.0000     90.0000\nZYX\n"
                     "    0\n      1.0000\n      2.0000\n      3.0000\n      4.0000\n"
                     "    1\n      5.0000\n      6.0000\n      7.0000\n      8.0000\n"
                     "-9999\n            4.500000            0.045000\n"),
         ones_to_eight, true, false},
    };
    vtest::ScratchDir dir;
    for (const Case& c : cases) {
        put_text(dir.path("map.xplor"), c.text);
        StoredRange stored;
        const Map m = read_xplor_map(dir.path("map.xplor"), &stored);
        EXPECT_EQ(std::vector<float>(m.rho.begin(), m.rho.end()), c.rho) << c.what;
        EXPECT_EQ(stored.mean.has_value(), c.mean) << c.what;
        if (c.mean) {
            EXPECT_EQ(*stored.mean, 4.5f) << c.what;
        }
        EXPECT_EQ(stored.rms.has_value(), c.rms) << c.what;
    }
}

TEST(XplorMap, HostileTextsNameTheLineAndTheFault) {
    const std::vector<std::string> good{"",
                                        "       1 !NTITLE",
                                        " title",
                                        "       2       0       1       2       0       1       2       0       1",
                                        " 0.10000E+02 0.10000E+02 0.10000E+02 0.90000E+02 0.90000E+02 0.90000E+02",
                                        "ZYX",
                                        "       0",
                                        " 0.10000E+01 0.20000E+01 0.30000E+01 0.40000E+01",
                                        "       1",
                                        " 0.50000E+01 0.60000E+01 0.70000E+01 0.80000E+01",
                                        "   -9999",
                                        "  0.4500E+01   0.2291E+01"};
    // The good text with line `number` (from 1) replaced, or cut there when there is no text.
    auto changed = [&](std::size_t number, std::optional<std::string> text) {
        std::vector<std::string> l = good;
        if (!text) {
            l.resize(number - 1);
        } else {
            l[number - 1] = *text;
        }
        return lines_of(l);
    };
    const std::string ends = "the file ends (or the line is longer than 1 MiB) before ";
    const std::string long_line(std::size_t{2} << 20, '1');
    struct Case {
        std::string text;
        std::string message;
        bool xplor;  // is_xplor: the text reads as X-PLOR up to its grid line's numbers
    };
    const Case cases[] = {
        {"", "line 1: " + ends + "the title count", false},
        {changed(2, "x !NTITLE"), "line 2: the title count must be a whole number of 0 or more, found \"x\"", false},
        {changed(2, "-1"), "line 2: the title count must be a whole number of 0 or more, found \"-1\"", false},
        {changed(2, "2000000000"), "line 13: " + ends + "the grid line", false},
        {changed(4, "2 0 1 2 0"), "line 4: the grid line must hold three whole numbers per axis (grid points per cell, "
                                  "first and last index) for 1 to 6 axes, found \"2 0 1 2 0\"", false},
        {changed(4, "1 0 0 1 0 0 1 0 0 1 0 0 1 0 0 1 0 0 1 0 0"),
         "line 4: the grid line must hold three whole numbers per axis (grid points per cell, first and last index) "
         "for 1 to 6 axes, found \"1 0 0 1 0 0 1 0 0 1 0 0 1 0 0 1 0 0 1 0 ...\"", false},
        {changed(4, "2 0 1 2 0 1 2 0 1.0"), "line 4: the grid line must hold three whole numbers per axis (grid points "
                                            "per cell, first and last index) for 1 to 6 axes, found \"2 0 1 2 0 1 2 0 1.0\"", false},
        {changed(4, "0 0 1 2 0 1 2 0 1"), "line 4: axis 1 has 0 grid points per cell", true},
        {changed(4, "2 0 1 2 1 0 2 0 1"), "line 4: axis 2 runs from 1 back to 0", true},
        {changed(4, "65536 0 65535 65536 0 65535 2 0 1"), "line 4: the grid holds more than 2147483647 voxels", true},
        {changed(4, "2000 0 1999 1000 0 999 1000 0 999"), "line 13: " + ends + "density 13 of section 0", true},
        {changed(5, "10 10 10 90 90"), "line 5: the cell must be six numbers (a, b, c, alpha, beta, gamma), found \"10 10 10 90 90\"", true},
        {changed(5, "10 10 10 90 90 x"), "line 5: the cell must be six numbers (a, b, c, alpha, beta, gamma), found \"10 10 10 90 90 x\"", true},
        {changed(5, "10 10 1e39 90 90 90"), "line 5: \"1e39\" is beyond the range of single precision", true},
        {changed(6, "XYZ"), "line 6: the sections must come in the order ZYX, found \"XYZ\"", true},
        {changed(7, "x"), "line 7: the label of section 0 must be one whole number, found \"x\"", true},
        {changed(7, "       5"), "line 7: section 0 has the label 5, where 0 belongs", true},
        {changed(9, "       0"), "line 9: section 1 has the label 0, where 1 belongs", true},
        {changed(8, " 0.10000E+01 0.20000E+01 abc 0.40000E+01"), "line 8: \"abc\" is no number", true},
        {changed(8, " 0.10000E+01************ 0.30000E+01 0.40000E+01"), "line 8: \"************\" is no number", true},
        {changed(8, " 0.10000E+01 0.10000E+40 0.30000E+01 0.40000E+01"), "line 8: \"0.10000E+40\" is beyond the range of single precision", true},
        {changed(8, "1 2 3 1" + std::string(999, '0')),
         "line 8: \"1" + std::string(39, '0') + "...\" is beyond the range of single precision", true},
        {changed(8, std::string("1 2 3 4\0x", 9)), "line 8: \"4\\x00x\" is no number", true},
        {changed(8, " 0.10000E+01 0.20000E+01 0.30000E+01 0.40000E+01 0.40000E+01"),
         "line 8: section 0 is complete, and the line holds more densities", true},
        {changed(8, ""), "line 8: a line without densities in section 0", true},
        {changed(8, " 0.10000E+01 0.20000E+01 0.30000E+01"),
         "line 10: the label of section 1 must be one whole number, found \" 0.50000E+01 0.60000E+01 0.70000E+01 0.8...\"", true},
        {changed(10, std::nullopt), "line 10: " + ends + "density 1 of section 1", true},
        {changed(8, long_line.c_str()), "line 8: " + ends + "density 1 of section 0", true},
        {changed(11, "9999"), "line 11: after the last section comes -9999 or the end of the file, found \"9999\"", true},
        {changed(12, "  0.4500E+01"), "line 12: the line after -9999 must hold two numbers, the mean density first, found \"  0.4500E+01\"", true},
    };
    vtest::ScratchDir dir;
    const std::string path = dir.path("map.xplor");
    for (const Case& c : cases) {
        put_text(path, c.text);
        EXPECT_EQ(message_of([&] { read_xplor_map(path); }), c.message);
        EXPECT_EQ(is_xplor(path), c.xplor) << c.message;
    }
    EXPECT_EQ(message_of([&] { read_xplor_map(dir.path("none.xplor")); }), "the file cannot be opened for reading");
    EXPECT_FALSE(is_xplor(dir.path("none.xplor")));
}

TEST(XplorMap, RefusedWritesLeaveNoFile) {
    Map no_cell = map_of({2, 2, 2}, {});
    no_cell.cell.reset();
    Map short_of_densities = map_of({2, 2, 2}, {});
    short_of_densities.rho.allocate(3);
    Map no_voxels = map_of({2, 2, 2}, {});
    no_voxels.nvox(2) = 0;
    Map odd_step = map_of({2, 2, 2}, {});
    odd_step.xdf(1) = 0.3f;
    Map far_out = map_of({2, 2, 2}, {});
    far_out.xfmn(3) = 1e8f;
    Map off_grid = map_of({2, 2, 2}, {});
    off_grid.xdf(2) = 0.1f;
    off_grid.xfmn(2) = 0.01f;
    struct Case {
        const Map& map;
        void (*write)(const Map&, const std::string&);
        std::string message;
    };
    const Map four_d = map_of({2, 2, 2, 2}, {});
    const Case cases[] = {
        {four_d, write_xplor_standard, "a map of 4 dimensions: X-PLOR holds at most 3"},
        {no_cell, write_xplor_standard, "the map holds no unit cell: give one with --cell"},
        {no_cell, write_xplor_one_per_line, "the map holds no unit cell: give one with --cell"},
        {short_of_densities, write_xplor_one_per_line, "the map holds 3 densities for its 8 voxels"},
        {no_voxels, write_xplor_standard, "axis 2 of the map has no voxels"},
        {odd_step, write_xplor_standard,
         "the step of axis 1 is 0.3 of the cell: X-PLOR needs a whole number of grid points per cell"},
        {far_out, write_xplor_standard, "the grid numbers of axis 3 do not fit 8 characters"},
        {off_grid, write_xplor_standard, "axis 2 starts at 0.01, not on its grid of step 0.1: X-PLOR holds whole grid indices only"},
    };
    vtest::ScratchDir dir;
    for (const Case& c : cases) {
        EXPECT_EQ(message_of([&] { c.write(c.map, dir.path("map.xplor")); }), c.message);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path(""))) << c.message;
    }
}

// A number too wide for its fixed field would be written as asterisks, which no reader takes
// back: the writers of a Map refuse it, naming the first one, and write the numbers that just
// fit. The edges are those of the fields' own printing (F12.4, F14.7, F10.5, I5).
TEST(MapTextWriters, NumbersTooWideForTheirFieldsAreRefused) {
    using Writer = void (*)(const Map&, const std::string&);
    struct Case {
        Writer write;
        std::vector<std::int32_t> counts;
        std::function<void(Map&)> change;
        std::string message;  // empty: written, without an asterisk
    };
    const auto density = [](std::size_t i, float v) { return [=](Map& m) { m.rho[i] = v; }; };
    const auto cell_a = [](double a) { return [=](Map& m) { (*m.cell)[0] = a; }; };
    const std::string xplor_range = " does not fit the 12 characters of one-per-line X-PLOR, which hold more than -1e+06 "
                                    "and less than 1e+07";
    const std::string vend_range = " does not fit the 14 characters of MEED/VEND, which hold more than -1e+05 and less than 1e+06";
    const Writer xplor = write_xplor_one_per_line, vend = write_vend_map;
    const Case cases[] = {
        {xplor, {4, 3, 2}, density(17, 1e7f), "the density 1e+07 of voxel 17 at (1, 1, 1)" + xplor_range + ": the standard layout holds it"},
        {xplor, {4, 3, 2}, density(17, 9999999.0f), ""},
        {xplor, {4, 3, 2}, density(5, -1e6f), "the density -1e+06 of voxel 5 at (1, 1, 0)" + xplor_range + ": the standard layout holds it"},
        {xplor, {4, 3, 2}, density(5, -999999.9375f), ""},
        {xplor, {4, 3, 2}, density(5, -kInf), ""},
        {xplor, {3, 1, 1, 2}, density(4, 3e38f), "the density 3e+38 of voxel 4 at (1, 0, 0, 1)" + xplor_range},
        {xplor, {4, 3, 2}, cell_a(1e7), "the cell's a of 1e+07 does not fit the 12 characters of one-per-line X-PLOR, which "
                                        "hold more than -1e+06 and less than 1e+07: the standard layout holds it"},
        {vend, {4, 3, 2}, density(23, 1e6f), "the density 1e+06 of voxel 23 at (3, 2, 1)" + vend_range},
        {vend, {4, 3, 2}, density(23, 999999.9375f), ""},
        {vend, {4, 3, 2}, density(0, -1e5f), "the density -1e+05 of voxel 0 at (0, 0, 0)" + vend_range},
        {vend, {4, 3, 2}, density(0, -99999.9921875f), ""},
        {vend, {4, 3, 2}, cell_a(1e4), "the cell's a of 10000 does not fit the 10 characters of MEED/VEND, which hold more "
                                       "than -1000 and less than 10000"},
        {vend, {100000}, [](Map&) {}, "axis 1 has 100000 voxels, and MEED/VEND holds 99999 at most"},
        // Pieces of the map are looked at in parallel: the first one is named, not the first found.
        {vend, {500, 400}, [](Map& m) {
             m.rho[150000] = 2e6f;
             m.rho[70001] = 3e6f;
         },
         "the density 3e+06 of voxel 70001 at (1, 140)" + vend_range},
    };
    vtest::ScratchDir dir;
    const std::string path = dir.path("map.txt");
    for (const Case& c : cases) {
        Map m = map_of(c.counts, std::vector<float>(static_cast<std::size_t>(full_cell_map(c.counts).voxels()), 1.5f));
        c.change(m);
        const std::string message = message_of([&] { c.write(m, path); });
        if (c.message.empty()) {
            EXPECT_EQ(message, "no MapError");
            EXPECT_EQ(file_text(path).find('*'), std::string::npos) << m.rho[0];
        } else {
            EXPECT_EQ(message, c.message);
            EXPECT_FALSE(std::filesystem::exists(path)) << c.message;
        }
        std::filesystem::remove(path);
    }
}
