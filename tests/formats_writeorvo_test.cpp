#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "app/q47_files.hpp"
#include "app/q47_writer.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"
#include "support/map_state.hpp"
#include "support/test_support.hpp"

using namespace voxmill;
using vtest::word_f32;
using vtest::word_i32;

namespace {

struct Writer {
    std::istringstream in;
    std::ostringstream out, err;
    Console con{in, out, err};
    State st;
    vtest::ScratchDir dir;

    std::vector<unsigned char> write(const std::string& name) {
        writeorvo(st, con, name);
        EXPECT_EQ(out.str(), "");
        return vtest::read_bytes(name);
    }
};

}  // namespace

TEST(WriteOrvo, HeaderLayersAndTrailerOfAnEightByFiveBySixMap) {
    Writer w;
    vtest::load_map(w.st, {8, 5, 6}, vtest::ramp(240, 0.5f));
    w.st.map.nvox(4) = 9;  // axes above the map are written as 1 whatever they hold
    const auto b = w.write(w.dir.path("map.q47"));
    ASSERT_EQ(b.size(), 8u * 160u);
    const std::int32_t extents[6] = {8, 5, 6, 1, 1, 1};
    const float xfmx[6] = {0.875f, 0.8f, 5.0f / 6.0f, 0, 0, 0};
    const float xdf[6] = {0.125f, 0.2f, 1.0f / 6.0f, 1, 1, 1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(word_i32(b, 4 * i), extents[i]);
        EXPECT_EQ(word_f32(b, 32 + 8 * i), 0.0f);
        EXPECT_EQ(word_f32(b, 36 + 8 * i), xfmx[i]);
        EXPECT_EQ(word_f32(b, 80 + 4 * i), xdf[i]);
        EXPECT_EQ(word_i32(b, 104 + 4 * i), i + 1);
    }
    EXPECT_EQ(word_i32(b, 24), 40);
    EXPECT_EQ(word_i32(b, 28), 6);
    EXPECT_EQ(word_i32(b, 128), 4);
    EXPECT_EQ(word_i32(b, 132), 1);
    EXPECT_EQ(word_i32(b, 136), 0);  // not a satellite map
    EXPECT_EQ(b[140], 0x20);
    for (int p = 0; p < 240; ++p) EXPECT_EQ(word_f32(b, 160 * (1 + p / 40) + 4 * (p % 40)), 0.5f * p);
    EXPECT_EQ(word_f32(b, 7 * 160), 119.5f);
    EXPECT_EQ(word_f32(b, 7 * 160 + 4), 0.0f);

    vtest::load_map(w.st, {6, 6, 2, 2});
    EXPECT_EQ(word_i32(w.write(w.dir.path("four.q47")), 136), 1);
}

TEST(WriteOrvo, ExtremesStartFarOutAndIgnoreNaN) {
    Writer w;
    vtest::load_map(w.st, {6, 6}, std::vector<float>(36, 200000.0f));
    w.st.map.rho[3] = NAN;
    auto b = w.write(w.dir.path("high.q47"));
    EXPECT_EQ(word_f32(b, 2 * 144), 200000.0f);
    EXPECT_EQ(word_f32(b, 2 * 144 + 4), 100000.0f);
    EXPECT_TRUE(std::isnan(word_f32(b, 144 + 12)));  // written as it is

    vtest::load_map(w.st, {6, 6}, std::vector<float>(36, -200000.0f));
    b = w.write(w.dir.path("low.q47"));
    EXPECT_EQ(word_f32(b, 2 * 144), -100000.0f);
    EXPECT_EQ(word_f32(b, 2 * 144 + 4), -200000.0f);
}

TEST(WriteOrvo, ReplacesAnExistingFileWholeAndCutsLongNames) {
    Writer w;
    const std::string name = w.dir.path("old.q47");
    vtest::write_bytes(name, std::vector<unsigned char>(5000, 0xAB));
    vtest::load_map(w.st, {6, 6}, vtest::ramp(36));
    const auto b = w.write(name);
    ASSERT_EQ(b.size(), 3u * 144u);  // nothing of the old file after the trailer
    EXPECT_EQ(word_i32(b, 0), 6);
    EXPECT_EQ(word_f32(b, 2 * 144), 35.0f);

    const std::string short_name = w.dir.path("n");
    const std::string long_name = short_name + std::string(132 - short_name.size(), ' ') + "tail";
    writeorvo(w.st, w.con, long_name);
    EXPECT_EQ(vtest::read_bytes(short_name).size(), 3u * 144u);
}

TEST(WriteOrvo, OutputFolderThatDoesNotExist) {
    Writer w;
    vtest::load_map(w.st, {6, 6});
    const std::string name = w.dir.path("none/map.q47");
    try {
        writeorvo(w.st, w.con, name + "  ");
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.message(), "Error during writing of the density. Check the log file.");
    }
    EXPECT_EQ(w.out.str(), "\r\nRoutine WriteOrvo:\r\nError! Cannot open density file for writing!\r\nOutput file: " + name +
                               "\r\nStopping.\r\n\r\n");
}
