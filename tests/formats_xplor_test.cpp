#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "app/q47_files.hpp"
#include "app/stops.hpp"
#include "app/text_maps.hpp"
#include "app/xplor_input.hpp"
#include "core/errors.hpp"
#include "core/fields.hpp"
#include "formats/xplor_map.hpp"
#include "support/test_support.hpp"

using namespace voxmill;

namespace {

const std::string kReadStop = "Error during reading of the reference density. Check the log file.";

struct Session {
    std::istringstream in;
    std::ostringstream out, err;
    Console con{in, out, err};
    State st;

    // The message of the stop, or "-" when the call returned.
    template <class F>
    std::string run(F&& f) {
        out.str("");
        try {
            f();
        } catch (const Stop& s) {
            return s.message();
        }
        return "-";
    }
    std::string read(const std::string& path) {
        return run([&] { readxplor(st, con, path); });
    }
};

std::string text_file(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string t;
    for (const std::string& l : lines) t += l + end;
    return t;
}

void put_text(const std::string& path, const std::string& text) {
    vtest::write_bytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

// The header lines of an X-PLOR file with one title line, then `body`.
std::vector<std::string> xplor_lines(const std::string& grid, const std::vector<std::string>& body,
                                     const std::string& order = "ZYX") {
    std::vector<std::string> lines = {" ", "1", "title", grid, "  1.0 1.0 1.0 90 90 90", order};
    lines.insert(lines.end(), body.begin(), body.end());
    return lines;
}

// Sections of `section` value lines with densities 0.25, 1.25, ..., each followed by `tail`.
std::vector<std::string> sections(int count, int section, const std::string& tail = "") {
    std::vector<std::string> body;
    int loc = 0;
    for (int s = 0; s < count; ++s) {
        body.push_back(fmt_i(s, 5));
        for (int j = 0; j < section; ++j) body.push_back(fmt_f(loc++ + 0.25, 12, 4) + tail);
    }
    return body;
}

std::string read_error(int line, const std::string& rest) {
    return "\r\nRoutine ReadXPlor:\r\nError reading reference density on line" + fmt_i(line, 5) +
           "\r\nLately reading: " + rest + "\r\n";
}

void write_map_for_text(Session& s, const vtest::ScratchDir& dir, std::vector<std::int32_t> nvox,
                        const std::vector<float>& rho, const std::string& out_name) {
    vtest::write_q47(dir.path("in.q47"), nvox, rho);
    s.st.infile1 = padded(dir.path("in.q47"), kNameLength);
    s.st.outrhofile = padded(dir.path(out_name), kNameLength);
    vtest::probe_as_dialogue(s.st);
}

std::string file_text(const std::string& path) {
    const auto b = vtest::read_bytes(path);
    return std::string(b.begin(), b.end());
}

}  // namespace

TEST(ReadXplor, GridLinesGiveDimensionsAndSections) {
    struct Case {
        std::string grid;
        int dims;
        std::vector<std::int32_t> nvox;  // all six
        int sections, section;
    };
    const Case cases[] = {
        {"       2       0       1       2       0       1       2       0       1", 3, {2, 2, 2, 1, 1, 1}, 2, 4},
        {"2 0 1 2 0 1 2 0 1 7", 3, {2, 2, 2, 1, 1, 1}, 2, 4},
        {"2 0 1\t2 0 1 2 0 1 7 8", 3, {2, 2, 2, 1, 1, 1}, 2, 4},
        {"3 5 7 2 -4 9", 2, {3, 2, 1, 1, 1, 1}, 1, 6},  // only the first number of a triple counts
        {"2 0 1 1 0 0 3 0 2 2 0 1", 4, {2, 1, 3, 2, 1, 1}, 6, 2},
        {"4 0 3", 1, {4, 1, 1, 1, 1, 1}, 1, 4},
    };
    vtest::ScratchDir dir;
    for (const char* end : {"\n", "\r\n"}) {
        for (const Case& c : cases) {
            Session s;
            s.st.map.nvox(2) = 7;  // an earlier map's counts must not leak into this one
            put_text(dir.path("map.xplor"), text_file(xplor_lines(c.grid, sections(c.sections, c.section, " 9.5 x")), end));
            ASSERT_EQ(s.read(dir.path("map.xplor")), "-") << c.grid << s.out.str();
            EXPECT_EQ(s.out.str(), "");
            Tab<std::int32_t, 6> want{};
            for (int k = 1; k <= 6; ++k) want(k) = c.nvox[k - 1];
            EXPECT_EQ(s.st.map.nvox, want) << c.grid;
            EXPECT_EQ(s.st.sdim, c.dims) << c.grid;
            ASSERT_EQ(s.st.map.voxels(), c.sections * c.section);
            for (int i = 0; i < s.st.map.voxels(); ++i) EXPECT_EQ(s.st.map.rho[i], i + 0.25f);
            EXPECT_EQ(s.st.buffer, padded("9.5 x", kBufferLength));  // what is left of the last line
        }
    }
}

TEST(ReadXplor, MessagesAndStops) {
    struct Case {
        std::vector<std::string> lines;
        std::string out, stop;
    };
    const std::string g = "2 0 1 2 0 1 2 0 1";
    std::string twenty_one = "1";
    for (int i = 0; i < 20; ++i) twenty_one += " 1";
    auto with = [&](std::vector<std::string> body) { return xplor_lines(g, body); };
    // Several densities a line, with a label out of order that the standard layout refuses too.
    std::vector<std::string> packed = xplor_lines("2 0 1 2 0 1 3 0 2", {"0", "1 2 3 4", "1", "5 6 7 8", "5", "9 10 11 12"});
    std::vector<std::string> bad_value = with(sections(2, 4));
    bad_value[8] = "abc 1.0  x";
    std::vector<std::string> lone_bad = with(sections(2, 4));
    lone_bad[8] = "  abc";
    std::vector<std::string> second_label = with(sections(2, 4));
    second_label[11] = "x";
    std::vector<std::string> too_wide = with(sections(2, 4));
    too_wide[9] = "************";
    std::vector<std::string> full_word = with(sections(2, 4));
    full_word[7] = std::string(132, '1');
    const Case cases[] = {
        {xplor_lines(g, sections(2, 4), "XYZ"),
         "Warning, string ZYX expected on line 6 of the reference density. Instead found XYZ       \r\n", "-"},
        {with({"    1", "1", "2", "3", "4"}),
         "Error, inconsistency in the density on line         7.\r\n"
         "Label of the layer nr.         0 is         1.\r\n",
         kReadStop},
        {packed,
         "Error, inconsistency in the density on line        12.\r\n"
         "Label of the layer nr.         1 is         9.\r\n",
         kReadStop},
        {second_label,
         "Error, inconsistency in the density on line        12.\r\n"
         "Label of the layer nr.         1 is         0.\r\n",
         kReadStop},
        {bad_value, read_error(9, "1.0  x"), kReadStop},
        {lone_bad, read_error(9, ""), kReadStop},
        {too_wide, read_error(10, ""), kReadStop},
        {full_word, read_error(8, std::string(132, '1')), kReadStop},
        {with({"x", "1", "2", "3", "4"}), read_error(7, ""), kReadStop},  // first label not an integer
        {with(sections(1, 4)), read_error(12, ""), kReadStop},            // the file ends early
        {{" ", "one", "2 0 1"}, read_error(2, ""), kReadStop},
        {xplor_lines("2 0", {}), read_error(4, "2 0"), kReadStop},
        {xplor_lines(twenty_one, {}), read_error(4, twenty_one), kReadStop},
        {xplor_lines("0 0 0 2 0 1", {}), read_error(4, ""), kReadStop},
        {xplor_lines("70000 0 1 70000 0 1 7", {}), read_error(4, "7"), kReadStop},
        {xplor_lines("2 0 1 x 0 1", {}), read_error(4, ""), kReadStop},
    };
    vtest::ScratchDir dir;
    for (const Case& c : cases) {
        Session s;
        put_text(dir.path("map.xplor"), text_file(c.lines));
        EXPECT_EQ(s.read(dir.path("map.xplor")), c.stop) << c.out;
        EXPECT_EQ(s.out.str(), c.out);
    }
    Session s;
    EXPECT_EQ(s.read(dir.path("none") + "   "), kReadStop);
    EXPECT_EQ(s.out.str(), "\r\nRoutine ReadXPlor:\r\nError! Cannot open density file for reading!\r\nInput file file: " +
                               dir.path("none") + "\r\nStopping.\r\n\r\n");
}

TEST(WriteXplor, TwoByTwoByTwoLineByLine) {
    vtest::ScratchDir dir;
    Session s;
    write_map_for_text(s, dir, {2, 2, 2}, vtest::ramp(8, 0.5f), "out.xplor");
    const float cell[6] = {10.0f, 11.0f, 12.5f, 90.0f, 90.0f, 120.0f};
    for (int i = 1; i <= 6; ++i) s.st.cell(i) = cell[i - 1];
    ASSERT_EQ(s.run([&] { writexplor(s.st, s.con); }), "-");
    EXPECT_EQ(file_text(dir.path("out.xplor")),
              vtest::crlf(" \n1\ntitle\n"
                          "       2       0       1       2       0       1       2       0       1\n"
                          "     10.0000     11.0000     12.5000     90.0000     90.0000    120.0000\n"
                          "ZYX\n"
                          "    0\n      0.0000\n      0.5000\n      1.0000\n      1.5000\n"
                          "    1\n      2.0000\n      2.5000\n      3.0000\n      3.5000\n"
                          "-9999\n            1.750000            0.017500\n"));
}

TEST(WriteXplor, ReadsBackThroughTheXplorReader) {
    // The 6D grid line is 144 characters long, beyond the line buffer.
    const std::vector<std::vector<std::int32_t>> grids = {{7}, {5, 3, 4}, {3, 2, 2, 4}, {2, 3, 2, 1, 2, 3}};
    vtest::ScratchDir dir;
    for (const auto& nvox : grids) {
        std::size_t count = 1;
        for (std::int32_t n : nvox) count *= static_cast<std::size_t>(n);
        std::vector<float> rho(count);
        for (std::size_t i = 0; i < count; ++i) rho[i] = std::sin(static_cast<float>(i) * 1.7f) * 123.456f;
        rho[1] = 1.0e7f;  // too wide: asterisks, and the reader stops on that line
        Session s;
        write_map_for_text(s, dir, nvox, rho, "out.xplor");
        ASSERT_EQ(s.run([&] { writexplor(s.st, s.con); }), "-");
        Session back;
        EXPECT_EQ(back.read(dir.path("out.xplor")), kReadStop);
        EXPECT_EQ(back.out.str(), read_error(9, ""));

        rho[1] = -0.5f;
        write_map_for_text(s, dir, nvox, rho, "out.xplor");
        ASSERT_EQ(s.run([&] { writexplor(s.st, s.con); }), "-");
        ASSERT_EQ(back.read(dir.path("out.xplor")), "-") << back.out.str();
        EXPECT_EQ(back.st.sdim, static_cast<int>(nvox.size()));
        for (int k = 1; k <= 6; ++k) EXPECT_EQ(back.st.map.nvox(k), k <= back.st.sdim ? nvox[k - 1] : 1);
        ASSERT_EQ(back.st.map.voxels(), static_cast<std::int32_t>(count));
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(back.st.map.rho[i], std::stof(fmt_f(rho[i], 12, 4))) << i;
        }
    }
}

TEST(WriteXplor, LargeMapsAreFormattedInOrderWhateverTheSectionLength) {
    // More densities than one formatted block, in sections (37 x 61) that the pieces shared
    // between threads cut anywhere; and a 1D map that is a single long section.
    const std::vector<std::vector<std::int32_t>> grids = {{37, 61, 130}, {300001}};
    vtest::ScratchDir dir;
    for (const auto& nvox : grids) {
        std::size_t count = 1;
        for (std::int32_t n : nvox) count *= static_cast<std::size_t>(n);
        std::vector<float> rho(count);
        for (std::size_t i = 0; i < count; ++i) rho[i] = std::cos(static_cast<float>(i) * 0.37f) * 55.5f;
        Session s;
        write_map_for_text(s, dir, nvox, rho, "big.xplor");
        ASSERT_EQ(s.run([&] { writexplor(s.st, s.con); }), "-");
        const std::size_t section = nvox.size() > 1 ? static_cast<std::size_t>(nvox[0] * nvox[1]) : count;
        std::string expected;
        double sum = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            if (i % section == 0) expected += fmt_i(static_cast<std::int64_t>(i / section), 5) + "\r\n";
            expected += fmt_f(rho[i], 12, 4) + "\r\n";
            sum += rho[i];
        }
        const auto mean = static_cast<float>(sum / static_cast<double>(count));
        expected += "-9999\r\n" + fmt_f(mean, 20, 6) + fmt_f(0.01f * mean, 20, 6) + "\r\n";
        const std::string text = file_text(dir.path("big.xplor"));
        const std::size_t body = text.find("ZYX\r\n") + 5;
        ASSERT_EQ(text.size() - body, expected.size());
        EXPECT_TRUE(text.compare(body, std::string::npos, expected) == 0);
    }
}

TEST(WriteXplor, FailedReadLeavesNoOutput) {
    vtest::ScratchDir dir;
    Session s;
    s.st.infile1 = padded(dir.path("missing.q47"), kNameLength);
    s.st.outrhofile = padded(dir.path("out.xplor"), kNameLength);
    EXPECT_EQ(s.run([&] { writexplor(s.st, s.con); }), "");
    EXPECT_NE(s.out.str().find("Error! Cannot open density file for reading!"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.xplor")));
    write_map_for_text(s, dir, {2, 2}, vtest::ramp(4), "no/such/folder/out.xplor");
    EXPECT_THROW(writexplor(s.st, s.con), FileError);
}

TEST(XplorOptions, ThroughOptionEAndBackThroughOptionD) {
    vtest::ScratchDir dir;
    const std::vector<float> rho = vtest::ramp(2 * 3 * 2 * 2, 0.125f);
    vtest::write_q47(dir.path("in.q47"), {2, 3, 2, 2}, rho);
    const auto r = vtest::run_session("E\n" + dir.path("in.q47") + "\n" + dir.path("map.xplor") +
                                      "\n1 2 3 90 90 90\nD\n" + dir.path("map.xplor") + "\n" + dir.path("map.q47") +
                                      "\nQ\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    Session back;
    ASSERT_EQ(readorvo(back.st, back.con, dir.path("map.q47")), FileStatus::ok);
    EXPECT_EQ(back.st.sdim, 4);
    for (std::size_t i = 0; i < rho.size(); ++i) EXPECT_EQ(back.st.map.rho[i], rho[i]);
}

// A text of several densities a line (the standard layout) goes into the state as the same map
// written one density a line does: the console's own reading of that layout is the oracle.
TEST(ReadXplor, TheStandardLayoutFillsTheStateAsOneDensityALineDoes) {
    const std::vector<std::vector<std::int32_t>> grids = {{5}, {4, 3}, {4, 3, 2}, {3, 7, 5}};
    vtest::ScratchDir dir;
    for (const auto& nvox : grids) {
        Map m = full_cell_map(nvox);
        const std::vector<float> rho = vtest::ramp(m.rho.size(), -0.5f);
        std::copy(rho.begin(), rho.end(), m.rho.begin());
        m.cell = std::array<double, 6>{10, 11, 12, 90, 90, 90};
        write_xplor_one_per_line(m, dir.path("one.xplor"));
        write_xplor_standard(m, dir.path("six.xplor"));
        Session one, six;
        six.st.map.nvox(3) = 9;  // an earlier map's counts must not leak into this one
        ASSERT_EQ(one.read(dir.path("one.xplor")), "-");
        ASSERT_EQ(six.read(dir.path("six.xplor")), "-");
        EXPECT_EQ(six.out.str(), "");
        EXPECT_EQ(six.st.sdim, one.st.sdim) << nvox.size();
        EXPECT_EQ(six.st.map.nvox, one.st.map.nvox) << nvox.size();
        ASSERT_EQ(six.st.map.voxels(), one.st.map.voxels()) << nvox.size();
        EXPECT_TRUE(std::equal(rho.begin(), rho.end(), six.st.map.rho.begin())) << nvox.size();
        EXPECT_TRUE(std::equal(rho.begin(), rho.end(), one.st.map.rho.begin())) << nvox.size();
    }
}
