#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/q47_files.hpp"
#include "app/stops.hpp"
#include "app/text_maps.hpp"
#include "core/errors.hpp"
#include "core/fields.hpp"
#include "support/reference_density.hpp"
#include "support/test_support.hpp"

using namespace voxmill;

namespace {

struct Vend {
    std::istringstream in;
    std::ostringstream out, err;
    Console con{in, out, err};
    State st;
    vtest::ScratchDir dir;

    // Writes the map as the dialogue would leave the state for option A, then the list.
    std::vector<std::string> write(std::vector<std::int32_t> nvox, const std::vector<float>& rho) {
        vtest::write_q47(dir.path("in.q47"), nvox, rho);
        st.infile1 = padded(dir.path("in.q47"), kNameLength);
        st.outrhofile = padded(dir.path("out.vend"), kNameLength);
        vtest::probe_as_dialogue(st);
        for (int i = 1; i <= 6; ++i) st.cell(i) = 1.5f * static_cast<float>(i);
        writevend(st, con);
        const auto bytes = vtest::read_bytes(dir.path("out.vend"));
        std::vector<std::string> lines;
        std::string line;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                lines.push_back(line);
                line.clear();
                ++i;
            } else {
                line += static_cast<char>(bytes[i]);
            }
        }
        EXPECT_EQ(line, "");  // every line ends in CR LF
        return lines;
    }
};

const char* kFixed1 = "    1    0    0    0    1    0    0    0    1    0    0    0";
const char* kFixed2 = "    0    0    0";

}  // namespace

TEST(WriteVend, TwoByTwoByTwoLineByLine) {
    Vend v;
    const auto lines = v.write({2, 2, 2}, {0.5f, -1.25f, 2.0f, 3.0f, 1.0e6f, -99999.99f, 999999.9f, 0.0f});
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Title", "         8",
                         "     0     0     0     0.5000000", "     1     0     0    -1.2500000",
                         "     0     1     0     2.0000000", "     1     1     0     3.0000000",
                         "     0     0     1**************", "     1     0     1-99999.9921875",
                         "     0     1     1999999.8750000", "     1     1     1     0.0000000",
                         "   1.50000   3.00000   4.50000   6.00000   7.50000   9.00000",
                         "    2    2    2    1    0    1", kFixed1, kFixed2}));
}

TEST(WriteVend, EveryCoordinateOfAFourDimensionalMapAndTheGridOfAOneDimensionalOne) {
    Vend v;
    const std::vector<std::int32_t> nvox = {3, 2, 4, 2};
    const auto lines = v.write(nvox, vtest::ramp(48, 0.5f));
    ASSERT_EQ(lines.size(), 48u + 6u);
    for (std::int32_t p = 0; p < 48; ++p) {
        const Tab<std::int32_t, 6> coo = vtest::coordinates(v.st.map, v.st.sdim, p);
        std::string want;
        for (int k = 1; k <= 4; ++k) want += fmt_i(coo(k), 6);
        EXPECT_EQ(lines[static_cast<std::size_t>(p) + 2], want + fmt_f(0.5f * static_cast<float>(p), 14, 7));
    }
    EXPECT_EQ(lines[51], "    3    2    4    1    0    1");

    const auto one = v.write({5}, vtest::ramp(5));
    EXPECT_EQ(one[2], "     0     0.0000000");
    EXPECT_EQ(one[6], "     4     4.0000000");
    EXPECT_EQ(one[8], "    5    1    1    1    0    1");
}

TEST(WriteVend, OutputsThatCannotBeMadeOrMapsThatCannotBeRead) {
    Vend v;
    v.st.infile1 = padded(v.dir.path("missing.q47"), kNameLength);
    v.st.outrhofile = padded(v.dir.path("out.vend"), kNameLength);
    try {
        writevend(v.st, v.con);
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.message(), "");
    }
    EXPECT_FALSE(std::filesystem::exists(v.dir.path("out.vend")));  // the map is read first
    vtest::write_q47(v.dir.path("in.q47"), {2, 2}, vtest::ramp(4));
    v.st.infile1 = padded(v.dir.path("in.q47"), kNameLength);
    vtest::probe_as_dialogue(v.st);
    v.st.outrhofile = padded(v.dir.path("no/folder/out.vend"), kNameLength);
    try {
        writevend(v.st, v.con);
        ADD_FAILURE() << "no file error";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(v.dir.path("no/folder/out.vend")), std::string::npos);
    }
}
