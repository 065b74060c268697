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

const std::string kSubMenu = crlf(
    "What do you want to do with the two maps?\n\t1/ subtract absolute 1-2\n\t2/ subtract relative 100*(1-2)/2\n"
    "\t3/ sum\n\t4/ contribution to sum 100*1/(1+2)\n");

class Diffmap : public ::testing::Test {
protected:
    vtest::SessionResult combine(char key) {
        return vtest::run_session("2\n" + map1 + "\n" + map2 + "\n" + out + "\n" + key + "\nQ\n");
    }
    // The console lines between the sub-menu's prompt and "Finished. What now?".
    static std::string report(const vtest::SessionResult& r) {
        const std::string prompt = "Your choice: ";
        const auto start = r.out.find(prompt, r.out.find(kSubMenu) + kSubMenu.size()) + prompt.size();
        const auto end = r.out.find("Finished. What now?", start);
        return r.out.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    vtest::ScratchDir dir;
    const std::string map1 = dir.path("first.q47");
    const std::string map2 = dir.path("second.q47");
    const std::string out = dir.path("result.q47");
};

}  // namespace

TEST_F(Diffmap, SubtractsOneLayerAndWritesTheSecondMapsHeader) {
    vtest::write_q47(map1, {6, 6}, vtest::ramp(36, 2.0f));
    vtest::RawHeader h2{{6, 6, 1, 1, 1, 1}};
    h2.xfmn = {0.25f, 0.5f, 0, 0, 0, 0};
    h2.xfmx = {0.75f, 1.5f, 0, 0, 0, 0};
    h2.xdf = {0.1f, 0.2f, 0.3f, 1, 1, 1};
    h2.iorien = {2, 1, 3, 0, 0, 0};
    h2.nsubs = 3;
    vtest::write_bytes(map2, vtest::q47_bytes(h2, vtest::ramp(36, 1.0f)));
    const auto r = combine('1');
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.substr(0, r.out.find(kSubMenu)),
              crlf("Welcome to Voxmill. What do you want to do?\n") + menu_text() +
                  crlf("Enter the names of the two input and one output files\n"));
    // sum |a - b| = sum i, sum |b| = sum i: R = 1
    EXPECT_EQ(report(r), crlf(" precetl\nR-value=  1.000000\nMinimum     0.000, maximum     35.000\n"));

    const auto b = vtest::read_bytes(out);
    const std::size_t L = 144;
    ASSERT_EQ(b.size(), 3 * L);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(word_i32(b, 4 * i), i < 2 ? 6 : 1);
    EXPECT_EQ(word_i32(b, 24), 36);
    EXPECT_EQ(word_i32(b, 28), 1);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(word_f32(b, 32 + 8 * i), h2.xfmn[i]);
        EXPECT_EQ(word_f32(b, 36 + 8 * i), h2.xfmx[i]);
        EXPECT_EQ(word_f32(b, 80 + 4 * i), h2.xdf[i]);
        EXPECT_EQ(word_i32(b, 104 + 4 * i), h2.iorien[i]);
    }
    EXPECT_EQ(word_i32(b, 128), 6);
    EXPECT_EQ(word_i32(b, 132), 3);
    EXPECT_EQ(word_i32(b, 136), 0);
    for (std::size_t at = 140; at < L; ++at) EXPECT_EQ(b[at], 0x20);
    for (std::size_t j = 0; j < 36; ++j) EXPECT_EQ(word_f32(b, L + 4 * j), static_cast<float>(j));
    EXPECT_EQ(word_f32(b, 2 * L), 35.0f);
    EXPECT_EQ(word_f32(b, 2 * L + 4), 0.0f);
    for (std::size_t at = 2 * L + 8; at < 3 * L; ++at) EXPECT_EQ(b[at], 0x20);
}

TEST_F(Diffmap, TheRelativeDifferenceShowsAnInfinityAndSkipsNaN) {
    std::vector<float> a(36, 1.0f), b(36, 2.0f);
    a[3] = 5.0f;  // over a zero: +infinity
    b[3] = 0.0f;
    a[4] = 0.0f;  // zero over zero: NaN
    b[4] = 0.0f;
    vtest::write_q47(map1, {6, 6}, a);
    vtest::write_q47(map2, {6, 6}, b);
    const auto r = combine('2');
    // sum |a - b| = 34 + 5 = 39, sum |b| = 68
    EXPECT_EQ(report(r), crlf(" precetl\nR-value=  0.573529\nMinimum   -50.000, maximum   Infinity\n"));
    const auto bytes = vtest::read_bytes(out);
    EXPECT_EQ(word_f32(bytes, 144), -50.0f);
    EXPECT_EQ(word_f32(bytes, 144 + 12), std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(word_f32(bytes, 144 + 16)));
    EXPECT_EQ(word_f32(bytes, 288), std::numeric_limits<float>::infinity());
    EXPECT_EQ(word_f32(bytes, 292), -50.0f);
}

TEST_F(Diffmap, TheShareOfTheSumIsAFractionWithItsAverageFirst) {
    std::vector<float> a(36, 1.0f), b(36, 3.0f);
    a[0] = 0.0f;  // both zero: 0
    b[0] = 0.0f;
    a[1] = -3.0f;  // nothing in the second map: 1
    b[1] = 0.0f;
    vtest::write_q47(map1, {6, 6}, a);
    vtest::write_q47(map2, {6, 6}, b);
    const auto r = combine('4');
    // average (0 + 1 + 34 * 0.25) / 36 = 0.263889; R = (3 + 34 * 2) / 102
    EXPECT_EQ(report(r), crlf(" precetl\nAverage value: 0.263889\nR-value=  0.696078\n"
                              "Minimum     0.000, maximum      1.000\n"));
    const auto bytes = vtest::read_bytes(out);
    EXPECT_EQ(word_f32(bytes, 144), 0.0f);
    EXPECT_EQ(word_f32(bytes, 148), 1.0f);
    EXPECT_EQ(word_f32(bytes, 152), 0.25f);
}

// A four-dimensional sum whose results all lie above 10000: the minimum stays at its start.
TEST_F(Diffmap, SumsFourDimensionalMapsLayerByLayer) {
    const std::vector<float> a = vtest::ramp(6 * 6 * 1 * 3, 2.0f);
    std::vector<float> b(a.size());
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = 20000.0f - a[i] / 2.0f;
    vtest::write_q47(map1, {6, 6, 1, 3}, a);
    vtest::write_q47(map2, {6, 6, 1, 3}, b);
    const auto r = combine('3');
    EXPECT_NE(report(r).find(crlf("Minimum 10000.000, maximum  20107.000\n")), std::string::npos);
    const auto bytes = vtest::read_bytes(out);
    const std::size_t L = 144;
    ASSERT_EQ(bytes.size(), 5 * L);
    EXPECT_EQ(word_i32(bytes, 12), 3);
    EXPECT_EQ(word_i32(bytes, 28), 3);
    EXPECT_EQ(word_i32(bytes, 136), 1);  // highest axis with more than one voxel is 4
    for (std::size_t p = 0; p < a.size(); ++p) {
        EXPECT_EQ(word_f32(bytes, L * (1 + p / 36) + 4 * (p % 36)), a[p] + b[p]);
    }
    EXPECT_EQ(word_f32(bytes, 4 * L + 4), 10000.0f);
}

// The R-value sums run in double precision: summed in single precision, the large voxel
// first would swallow the small ones in sum |b|, giving 999900 / 1e8 = 0.009999 rather than
// 999900 / 100009999.
TEST_F(Diffmap, TheRValueIsSummedInDoublePrecision) {
    std::vector<float> a(100 * 100, 101.0f), b(100 * 100, 1.0f);
    a[0] = b[0] = 1.0e8f;
    vtest::write_q47(map1, {100, 100}, a);
    vtest::write_q47(map2, {100, 100}, b);
    EXPECT_EQ(report(combine('1')),
              crlf(" precetl\nR-value=  0.009998\nMinimum     0.000, maximum    100.000\n"));
}

TEST_F(Diffmap, IdenticalMapsGiveAZeroRValueAndAZeroMap) {
    vtest::write_q47(map1, {4, 4}, vtest::ramp(16, 0.5f));
    vtest::write_q47(map2, {4, 4}, vtest::ramp(16, 0.5f));
    EXPECT_EQ(report(combine('1')), crlf(" precetl\nR-value=  0.000000\nMinimum     0.000, maximum      0.000\n"));
    // A layer of 16 voxels: records of 136 bytes holding the 34 header words that readers take.
    const auto bytes = vtest::read_bytes(out);
    ASSERT_EQ(bytes.size(), 3u * 136);
    EXPECT_EQ(word_i32(bytes, 132), 1);
    for (std::size_t j = 0; j < 16; ++j) EXPECT_EQ(word_f32(bytes, 136 + 4 * j), 0.0f);
    for (std::size_t at = 136 + 64; at < 272; ++at) EXPECT_EQ(bytes[at], 0x20);
}

TEST_F(Diffmap, AnExistingLongerOutputIsReplacedWhole) {
    vtest::write_q47(map1, {6, 6}, vtest::ramp(36));
    vtest::write_q47(map2, {6, 6}, vtest::ramp(36));
    vtest::write_bytes(out, std::vector<unsigned char>(1000, 'x'));
    combine('3');
    const auto bytes = vtest::read_bytes(out);
    ASSERT_EQ(bytes.size(), 3u * 144u);
    EXPECT_EQ(word_f32(bytes, 144 + 4), 2.0f);
    EXPECT_EQ(bytes[3 * 144 - 1], 0x20);
}

TEST_F(Diffmap, MapsOfDifferentLengthsStopAfterTheHeaders) {
    vtest::write_q47(map1, {6, 6, 2}, vtest::ramp(72));
    vtest::write_q47(map2, {6, 6, 3}, vtest::ramp(108));
    const auto r = combine('1');
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(report(r), crlf(" precetl\n"));
    EXPECT_EQ(r.err, crlf("STOP Error, inconsistent lengths of input maps!\n"));
    EXPECT_FALSE(std::filesystem::exists(out));  // refused before the output is made

    // Layers of another size, in a file smaller than one of the first map's records.
    vtest::write_q47(map2, {3, 3, 2}, vtest::ramp(18));
    const auto r2 = combine('1');
    EXPECT_EQ(report(r2), crlf(" precetl\n"));
    EXPECT_EQ(r2.err, crlf("STOP Error, inconsistent lengths of input maps!\n"));
}

TEST_F(Diffmap, AnInputCutShortEndsTheRunWithAFileError) {
    vtest::write_q47(map1, {6, 6, 2}, vtest::ramp(72));
    auto bytes = vtest::q47_bytes(vtest::RawHeader{{6, 6, 2, 1, 1, 1}}, vtest::ramp(72));
    bytes.resize(2 * 144);
    vtest::write_bytes(map2, bytes);
    const auto r = combine('1');
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(map2), std::string::npos) << r.err;
}
