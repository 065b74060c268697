#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "support/test_support.hpp"

using vtest::crlf;
using vtest::menu_text;
using vtest::word_f32;
using vtest::word_i32;

namespace {

const std::string kSessionStart =
    crlf("Welcome to Voxmill. What do you want to do?\n") + menu_text() +
    crlf("Enter the names of the input and output files\n");
const std::string kSessionEnd = crlf("Finished. What now?\n") + menu_text() + crlf("Bye\n");

class Add1 : public ::testing::Test {
protected:
    vtest::SessionResult close_map(const std::string& in) {
        return vtest::run_session("1\n" + in + "\n" + out + "\nQ\n");
    }
    vtest::ScratchDir dir;
    const std::string in = dir.path("open.q47");
    const std::string out = dir.path("closed.q47");
};

// The closed map's density at closed coordinates d, from the open map's voxels.
float open_value(const std::vector<float>& rho, const std::vector<int>& nvox, const std::vector<int>& d) {
    std::size_t index = 0;
    std::size_t stride = 1;
    for (std::size_t i = 0; i < nvox.size(); ++i) {
        index += static_cast<std::size_t>(d[i] % nvox[i]) * stride;
        stride *= static_cast<std::size_t>(nvox[i]);
    }
    return rho[index];
}

}  // namespace

TEST_F(Add1, ClosesA6x6x2MapAlongEveryAxis) {
    const std::vector<float> rho = vtest::ramp(72, 0.5f);
    vtest::write_q47(in, {6, 6, 2}, rho);
    const auto r = close_map(in);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kSessionStart + kSessionEnd);

    const auto b = vtest::read_bytes(out);
    const std::size_t L = 196;
    ASSERT_EQ(b.size(), 5 * L);
    const std::vector<std::int32_t> extents{7, 7, 3, 1, 1, 1};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(word_i32(b, 4 * i), extents[i]);
    EXPECT_EQ(word_i32(b, 24), 49);
    EXPECT_EQ(word_i32(b, 28), 3);
    const std::vector<float> xfmx{1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    const std::vector<float> xdf{1.0f / 6.0f, 1.0f / 6.0f, 0.5f, 1.0f, 1.0f, 1.0f};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(word_f32(b, 32 + 8 * i), 0.0f);
        EXPECT_EQ(word_f32(b, 36 + 8 * i), xfmx[i]);
        EXPECT_EQ(word_f32(b, 80 + 4 * i), xdf[i]);
        EXPECT_EQ(word_i32(b, 104 + 4 * i), static_cast<std::int32_t>(i + 1));
    }
    EXPECT_EQ(word_i32(b, 128), 4);
    EXPECT_EQ(word_i32(b, 132), 1);
    EXPECT_EQ(word_i32(b, 136), 0);  // three dimensions: no satellites
    for (std::size_t at = 140; at < L; ++at) EXPECT_EQ(b[at], 0x20) << at;

    for (int d3 = 0; d3 < 3; ++d3) {
        for (int d2 = 0; d2 < 7; ++d2) {
            for (int d1 = 0; d1 < 7; ++d1) {
                const std::size_t at = L * static_cast<std::size_t>(d3 + 1) + 4 * static_cast<std::size_t>(d1 + 7 * d2);
                EXPECT_EQ(word_f32(b, at), open_value(rho, {6, 6, 2}, {d1, d2, d3})) << d1 << d2 << d3;
            }
        }
    }
    // The third layer repeats the first, and the far corner is voxel 0.
    EXPECT_TRUE(std::equal(b.begin() + 3 * L, b.begin() + 4 * L, b.begin() + L));
    EXPECT_EQ(word_f32(b, 3 * L + 4 * 48), rho[0]);
    EXPECT_EQ(word_f32(b, 4 * L), 35.5f);
    EXPECT_EQ(word_f32(b, 4 * L + 4), 0.0f);
    for (std::size_t at = 4 * L + 8; at < 5 * L; ++at) EXPECT_EQ(b[at], 0x20) << at;
}

TEST_F(Add1, ClosesFourAxesAndFlagsTheSatellites) {
    const std::vector<float> rho = vtest::ramp(6 * 5 * 2 * 3, -1.0f);
    vtest::write_q47(in, {6, 5, 2, 3}, rho);
    ASSERT_EQ(close_map(in).err, "");
    const auto b = vtest::read_bytes(out);
    const std::size_t L = 4 * 42;
    const std::size_t nmap = 3 * 4;
    ASSERT_EQ(b.size(), (nmap + 2) * L);
    EXPECT_EQ(word_i32(b, 12), 4);
    EXPECT_EQ(word_i32(b, 28), static_cast<std::int32_t>(nmap));
    EXPECT_EQ(word_f32(b, 36 + 8 * 3), 1.0f);
    EXPECT_EQ(word_f32(b, 80 + 4 * 3), 1.0f / 3.0f);
    EXPECT_EQ(word_i32(b, 136), 1);
    for (int d4 = 0; d4 < 4; ++d4) {
        for (int d3 = 0; d3 < 3; ++d3) {
            for (int j = 0; j < 42; ++j) {
                const std::size_t layer = static_cast<std::size_t>(1 + d3 + 3 * d4);
                EXPECT_EQ(word_f32(b, L * layer + 4 * static_cast<std::size_t>(j)),
                          open_value(rho, {6, 5, 2, 3}, {j % 7, j / 7, d3, d4}));
            }
        }
    }
    EXPECT_EQ(word_f32(b, (nmap + 1) * L), 0.0f);
    EXPECT_EQ(word_f32(b, (nmap + 1) * L + 4), -179.0f);
}

// A closed layer of 30 voxels gets records of 136 bytes: the 34 header words fill record 1
// and the satellite flag is left out, with no failure.
TEST_F(Add1, ASmallClosedLayerKeepsTheRecordLengthAndLeavesOutTheFlag) {
    vtest::write_q47(in, {4, 5}, vtest::ramp(20));
    const auto r = close_map(in);
    EXPECT_EQ(r.out, kSessionStart + kSessionEnd);
    const auto b = vtest::read_bytes(out);
    ASSERT_EQ(b.size(), 3u * 136);
    EXPECT_EQ(word_i32(b, 24), 30);
    EXPECT_EQ(word_i32(b, 28), 1);
    EXPECT_EQ(word_i32(b, 132), 1);  // nsubs, the last word of the record
    EXPECT_EQ(word_f32(b, 136 + 4 * 29), 0.0f);  // far corner repeats voxel 0
    EXPECT_EQ(word_f32(b, 136 + 4 * 4), 0.0f);   // end of the first row repeats its start
    EXPECT_EQ(word_f32(b, 136 + 4 * 9), 4.0f);
    for (std::size_t at = 136 + 120; at < 272; ++at) EXPECT_EQ(b[at], 0x20);
    EXPECT_EQ(word_f32(b, 272), 19.0f);
    EXPECT_EQ(word_f32(b, 276), 0.0f);
}

TEST_F(Add1, TheExtremesStartAtAHundredMillionAndSkipNaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    vtest::write_q47(in, {6, 6}, std::vector<float>(36, 3.0e8f));
    close_map(in);
    auto b = vtest::read_bytes(out);
    EXPECT_EQ(word_f32(b, 2 * 196), 3.0e8f);
    EXPECT_EQ(word_f32(b, 2 * 196 + 4), 1.0e8f);

    std::vector<float> low(36, -2.0e8f);
    low[7] = nan;
    vtest::write_q47(in, {6, 6}, low);
    std::filesystem::remove(out);
    close_map(in);
    b = vtest::read_bytes(out);
    EXPECT_TRUE(std::isnan(word_f32(b, 196 + 4 * 8)));  // voxel 7 sits at (1, 1)
    EXPECT_EQ(word_f32(b, 2 * 196), -1.0e8f);
    EXPECT_EQ(word_f32(b, 2 * 196 + 4), -2.0e8f);
}

TEST_F(Add1, AnExistingOutputIsRefusedAndKeptAsItWas) {
    vtest::write_q47(in, {6, 6, 2}, vtest::ramp(72));
    const std::vector<unsigned char> old{'k', 'e', 'e', 'p', 0, 1, 2};
    vtest::write_bytes(out, old);
    const auto r = close_map(in);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kSessionStart +
                         crlf("\nRoutine WriteOrvo:\nError! Cannot open density file for writing!\n"
                              "Nothing has been written! Returning...\n\n") +
                         kSessionEnd);
    EXPECT_EQ(vtest::read_bytes(out), old);
}

TEST_F(Add1, AMapThatCannotBeReadStopsBeforeAnythingIsWritten) {
    auto bytes = vtest::q47_bytes(vtest::RawHeader{{6, 6, 3, 1, 1, 1}}, vtest::ramp(108));
    bytes.resize(bytes.size() - 2 * 144 - 10);  // the last layer and the trailer cut short
    vtest::write_bytes(in, bytes);
    const auto r = close_map(in);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kSessionStart + crlf("\nRoutine ReadOrvo:\nError! Cannot read density file!\n"
                                          "Something may have been read! Returning...\n\n"));
    EXPECT_FALSE(std::filesystem::exists(out));
}
