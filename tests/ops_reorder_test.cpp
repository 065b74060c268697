#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <tuple>

#include "app/q47reorder.hpp"
#include "support/direct_call.hpp"
#include "support/test_support.hpp"

using vtest::crlf;
using vtest::menu_text;
using vtest::word_f32;
using vtest::word_i32;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const std::string kStart = crlf("Welcome to Voxmill. What do you want to do?\n") + menu_text() +
                           crlf("Enter the names of the input and output files\n");
const std::string kEnd = crlf("Finished. What now?\n") + menu_text() + crlf("Bye\n");

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

class Reorder : public ::testing::Test {
protected:
    // Option 4, 5 or 7 with its answers, one per line, then Q.
    vtest::SessionResult session(char option, const std::string& answers) {
        return vtest::run_session(std::string(1, option) + "\n" + in + "\n" + out + "\n" + answers + "Q\n");
    }
    std::vector<unsigned char> output() const { return vtest::read_bytes(out); }

    vtest::ScratchDir dir;
    const std::string in = dir.path("in.q47");
    const std::string out = dir.path("out.q47");
};

// Density of the output voxel at position p of layer `layer` of a file with records of L bytes.
float at(const std::vector<unsigned char>& b, std::size_t L, std::size_t layer, std::size_t p) {
    return word_f32(b, L * (layer + 1) + 4 * p);
}

void expect_padding(const std::vector<unsigned char>& b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) EXPECT_EQ(b[i], 0x20) << "byte " << i;
}

}  // namespace

// The output axes of "312" carry input axes 3, 1, 2. A layer of 5 x 4 = 20 voxels gets
// records of 136 bytes, which hold the 34 words readers take and no satellite flag.
TEST_F(Reorder, TrueOrder312PermutesTheAxesAndWritesEveryByte) {
    vtest::RawHeader h;
    h.nvox = {4, 3, 5, 1, 1, 1};
    h.xfmn = {0.25f, -0.5f, 0.125f, 0, 0, 0};
    h.xfmx = {9, 9, 9, 9, 9, 9};
    h.xdf = {7, 7, 7, 7, 7, 7};
    h.mapa = 9;
    h.nsubs = 3;
    const std::vector<float> rho = vtest::ramp(60, 0.5f);
    vtest::write_bytes(in, vtest::q47_bytes(h, rho));
    const auto r = session('4', "312\n123\n0\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kStart + crlf("Give the true order of axes, the order to be written in ORVO and nsub:\n") + kEnd);

    const auto b = output();
    const std::size_t L = 136;
    ASSERT_EQ(b.size(), (3 + 2) * L);
    const std::vector<std::int32_t> words{5, 4, 3, 1, 1, 1, 20, 3};
    for (std::size_t w = 0; w < words.size(); ++w) EXPECT_EQ(word_i32(b, 4 * w), words[w]) << w;
    const std::vector<float> xfmn{0.125f, 0.25f, -0.5f, 0, 0, 0};
    const std::vector<float> xfmx{0.125f + 4.0f / 5.0f, 0.25f + 3.0f / 4.0f, -0.5f + 2.0f / 3.0f, 0, 0, 0};
    const std::vector<float> xdf{1.0f / 5, 1.0f / 4, 1.0f / 3, 1, 1, 1};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(word_f32(b, 32 + 8 * i), xfmn[i]) << i;
        EXPECT_EQ(word_f32(b, 36 + 8 * i), xfmx[i]) << i;
        EXPECT_EQ(word_f32(b, 80 + 4 * i), xdf[i]) << i;
        EXPECT_EQ(word_i32(b, 104 + 4 * i), i < 3 ? static_cast<std::int32_t>(i + 1) : 0) << i;
    }
    EXPECT_EQ(word_i32(b, 128), 9);
    EXPECT_EQ(word_i32(b, 132), 3);  // onsub 0 keeps the input's subsystem
    for (std::size_t k2 = 0; k2 < 3; ++k2) {
        for (std::size_t k1 = 0; k1 < 4; ++k1) {
            for (std::size_t k3 = 0; k3 < 5; ++k3) {
                EXPECT_EQ(at(b, L, k2, k3 + 5 * k1), rho[k1 + 4 * k2 + 12 * k3]);
            }
        }
        expect_padding(b, L * (k2 + 1) + 80, L * (k2 + 2));
    }
    EXPECT_EQ(word_f32(b, 4 * L), 29.5f);
    EXPECT_EQ(word_f32(b, 4 * L + 4), 0.0f);
    expect_padding(b, 4 * L + 8, 5 * L);
}

// With the file's own codes the values are copied; the header is recomputed from the extents,
// the codes come from the second order, and the satellite flag follows the dimension count.
TEST_F(Reorder, OwnOrderCopiesTheValuesAndRebuildsTheHeader) {
    vtest::RawHeader h;
    h.nvox = {6, 6, 2, 3, 1, 1};
    h.iorien = {1, 2, 3, 4, 0, 0};
    h.xfmn = {0.5f, 0, 0, 0.25f, 0, 0};
    h.xfmx = {3, 3, 3, 3, 3, 3};
    h.xdf = {2, 2, 2, 2, 2, 2};
    h.mapa = 7;
    const std::vector<float> rho = vtest::ramp(216, -1.0f);
    vtest::write_bytes(in, vtest::q47_bytes(h, rho, 1.0f, 2.0f));
    const auto r = session('4', "1234\n2143\n5\n");
    EXPECT_EQ(r.out, kStart + crlf("Give the true order of axes, the order to be written in ORVO and nsub:\n") + kEnd);

    const auto b = output();
    const std::size_t L = 144;
    ASSERT_EQ(b.size(), (6 + 2) * L);
    EXPECT_EQ(word_i32(b, 24), 36);
    EXPECT_EQ(word_i32(b, 28), 6);
    EXPECT_EQ(word_f32(b, 32), 0.5f);
    EXPECT_EQ(word_f32(b, 36), 0.5f + 5.0f / 6.0f);
    EXPECT_EQ(word_f32(b, 36 + 8 * 3), 0.25f + 2.0f / 3.0f);
    EXPECT_EQ(word_f32(b, 80 + 4 * 2), 0.5f);
    EXPECT_EQ(word_f32(b, 80 + 4 * 4), 1.0f);
    const std::vector<std::int32_t> codes{2, 1, 4, 3, 0, 0};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(word_i32(b, 104 + 4 * i), codes[i]);
    EXPECT_EQ(word_i32(b, 128), 7);
    EXPECT_EQ(word_i32(b, 132), 5);
    EXPECT_EQ(word_i32(b, 136), 1);
    expect_padding(b, 140, L);
    for (std::size_t k = 0; k < 6; ++k) {
        for (std::size_t p = 0; p < 36; ++p) EXPECT_EQ(at(b, L, k, p), rho[36 * k + p]);
    }
    EXPECT_EQ(word_f32(b, 7 * L), 0.0f);
    EXPECT_EQ(word_f32(b, 7 * L + 4), -215.0f);
}

// A shift of 0.5 on 32 voxels starts the output at input voxel 16, one of -0.25 at 24; the
// start coordinates and the subsystem stay the input's.
TEST_F(Reorder, ShiftRollsTheMapByWholeVoxels) {
    vtest::RawHeader h;
    h.nvox = {32, 32, 1, 1, 1, 1};
    h.xfmn = {0.125f, 0.375f, 0, 0, 0, 0};
    h.nsubs = 4;
    const std::vector<float> rho = vtest::ramp(1024);
    vtest::write_bytes(in, vtest::q47_bytes(h, rho));
    const auto r = session('5', "0.5 -0.25\n");
    EXPECT_EQ(r.out, kStart + crlf("Give the shift of the origin:\n") + kEnd);

    const auto b = output();
    const std::size_t L = 4 * 1024;
    ASSERT_EQ(b.size(), 3 * L);
    EXPECT_EQ(word_f32(b, 32), 0.125f);
    EXPECT_EQ(word_f32(b, 40), 0.375f);
    EXPECT_EQ(word_i32(b, 132), 4);
    EXPECT_EQ(word_i32(b, 136), 0);
    for (std::size_t y = 0; y < 32; ++y) {
        for (std::size_t x = 0; x < 32; ++x) {
            EXPECT_EQ(at(b, L, 0, x + 32 * y), rho[(x + 16) % 32 + 32 * ((y + 24) % 32)]);
        }
    }
    EXPECT_EQ(at(b, L, 0, 0), 16.0f + 32 * 24);
}

// The shift belongs to the stored axes; the output is put into the order 1 2 3, so output
// axis 1 carries input axis 2, and the codes written read 1 to 6.
TEST_F(Reorder, ShiftOfAMapWithCodes213PutsItInOrder) {
    vtest::RawHeader h;
    h.nvox = {4, 3, 2, 1, 1, 1};
    h.iorien = {2, 1, 3, 0, 0, 0};
    const std::vector<float> rho = vtest::ramp(24);
    vtest::write_bytes(in, vtest::q47_bytes(h, rho));
    const auto r = session('5', "0.25 0 0.5\n");
    EXPECT_EQ(r.out, kStart + crlf("Give the shift of the origin:\n") +
                         crlf(" Warning, order of axes is not a b c... Results can be unpredictable.\n") + kEnd);

    const auto b = output();
    const std::size_t L = 136;
    ASSERT_EQ(b.size(), 4 * L);
    const std::vector<std::int32_t> words{3, 4, 2, 1, 1, 1, 12, 2};
    for (std::size_t w = 0; w < words.size(); ++w) EXPECT_EQ(word_i32(b, 4 * w), words[w]) << w;
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(word_i32(b, 104 + 4 * i), static_cast<std::int32_t>(i + 1));
    for (std::size_t z = 0; z < 2; ++z) {
        for (std::size_t y = 0; y < 4; ++y) {
            for (std::size_t x = 0; x < 3; ++x) {
                EXPECT_EQ(at(b, L, z, x + 3 * y), rho[(y + 1) % 4 + 4 * x + 12 * ((z + 1) % 2)]);
            }
        }
    }
}

// Centre 0.5 and width 0.5 on 40 voxels: input voxels 10..30; width 1.0: 41 voxels, the last
// repeating the first. The section always writes subsystem 1.
TEST_F(Reorder, OldSectionCutsABoxThatMayRepeatTheCell) {
    vtest::RawHeader h;
    h.nvox = {40, 40, 1, 1, 1, 1};
    h.xfmn = {0.25f, 0, 0, 0, 0, 0};
    h.nsubs = 6;
    const std::vector<float> rho = vtest::ramp(1600, 0.25f);
    vtest::write_bytes(in, vtest::q47_bytes(h, rho));
    const auto r = session('7', "0.5 0.5\n0.5 1.0\n12\n");
    EXPECT_EQ(r.out, kStart +
                         crlf("Give the center of the section:\nGive the widths of the section (fractional):\n"
                              "Give the order of axes:\n") +
                         kEnd);

    const auto b = output();
    const std::size_t L = 4 * 21 * 41;
    ASSERT_EQ(b.size(), 3 * L);
    EXPECT_EQ(word_i32(b, 0), 21);
    EXPECT_EQ(word_i32(b, 4), 41);
    EXPECT_EQ(word_f32(b, 36), 0.75f);
    EXPECT_EQ(word_f32(b, 44), 1.0f);
    EXPECT_EQ(word_i32(b, 104 + 8), 0);  // the order typed has two characters
    EXPECT_EQ(word_i32(b, 132), 1);
    for (std::size_t y = 0; y < 41; ++y) {
        for (std::size_t x = 0; x < 21; ++x) EXPECT_EQ(at(b, L, 0, x + 21 * y), rho[x + 10 + 40 * (y % 40)]);
    }
}

// A box that starts before the cell wraps: iorg = -3 on 40 voxels starts at input voxel 37.
TEST_F(Reorder, BoxBeforeTheCellWrapsPeriodically) {
    const std::vector<float> rho = vtest::ramp(40);
    vtest::write_q47(in, {40}, rho);
    ASSERT_EQ(session('7', "0.0\n0.15\n1\n").err, "");
    const auto b = output();
    ASSERT_EQ(word_i32(b, 0), 7);
    const std::vector<float> expected{37, 38, 39, 0, 1, 2, 3};
    for (std::size_t x = 0; x < 7; ++x) EXPECT_EQ(at(b, 136, 0, x), expected[x]);
    EXPECT_EQ(word_f32(b, 2 * 136), 39.0f);
    EXPECT_EQ(word_f32(b, 2 * 136 + 4), 0.0f);
}

// The extremes take a value also when the comparison is unordered, and start at +-100000.
TEST_F(Reorder, TrailerExtremesFollowTheUnorderedRule) {
    auto trailer = [&](const std::vector<float>& rho) {
        std::filesystem::remove(out);
        vtest::write_q47(in, {static_cast<std::int32_t>(rho.size())}, rho);
        EXPECT_EQ(session('5', "0\n").err, "");
        const auto b = output();
        return std::pair{word_f32(b, 2 * 136), word_f32(b, 2 * 136 + 4)};
    };
    auto [rmax, rmin] = trailer({5, kNaN, 3, 7});
    EXPECT_EQ(rmax, 7.0f);
    EXPECT_EQ(rmin, 3.0f);
    std::tie(rmax, rmin) = trailer({1, 2, kNaN});
    EXPECT_TRUE(std::isnan(rmax) && std::isnan(rmin));
    std::tie(rmax, rmin) = trailer({2e5f, 3e5f});
    EXPECT_EQ(rmax, 3e5f);
    EXPECT_EQ(rmin, 100000.0f);
    std::tie(rmax, rmin) = trailer({-2e5f, -3e5f});
    EXPECT_EQ(rmax, -100000.0f);
    EXPECT_EQ(rmin, -3e5f);
}

TEST_F(Reorder, ExistingOutputEndsTheRunAndStaysAsItWas) {
    vtest::write_q47(in, {8, 8}, vtest::ramp(64));
    const std::vector<unsigned char> before{'k', 'e', 'e', 'p', 0, 1, 2};
    vtest::write_bytes(out, before);
    const auto r = session('5', "0.5 0\n");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find(out), std::string::npos) << r.err;
    EXPECT_EQ(output(), before);
}

// Orders that leave an output axis without an input axis or name a code the map does not
// have, and empty boxes, are refused with one line before any file is made; the menu goes on.
TEST_F(Reorder, OrdersAndBoxesThatCannotBeMadeAreRefused) {
    vtest::write_q47(in, {4, 3, 2}, vtest::ramp(24));
    const std::string ask = crlf("Give the true order of axes, the order to be written in ORVO and nsub:\n");
    const std::string tail = ". Nothing was written.\n";
    auto r = session('4', "112\n123\n0\n");
    EXPECT_EQ(r.out, kStart + ask +
                         crlf(" The true order of axes 112 leaves output axis 1 with no axis of the map, whose "
                              "axis codes are 1 2 3" + tail) +
                         kEnd);
    EXPECT_FALSE(std::filesystem::exists(out));

    r = session('4', "412\n123\n0\n");
    EXPECT_NE(r.out.find("axes 412 leaves output axis 1 with no axis"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(out));

    // A header that repeats a code sends two input axes to one output axis; the axis named is
    // the one left with none.
    vtest::RawHeader twice;
    twice.nvox = {4, 3, 2, 1, 1, 1};
    twice.iorien = {1, 1, 3, 4, 5, 6};
    vtest::write_bytes(in, vtest::q47_bytes(twice, vtest::ramp(24)));
    r = session('5', "0 0 0\n");
    EXPECT_NE(r.out.find("axes 123456 leaves output axis 2 with no axis of the map, whose axis codes are 1 1 3"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(std::filesystem::exists(out));
    vtest::write_q47(in, {4, 3, 2}, vtest::ramp(24));

    // A character that is no digit matches no code; here the refusal comes before the error.
    r = session('4', "x13\n1y3\n0\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("axes x13 leaves output axis 1 with no axis"), std::string::npos) << r.out;

    r = session('7', "0.5 0.5 0.5\n0.5 -0.5 1\n123\n");
    EXPECT_NE(r.out.find(crlf(" The box would have -1 voxels along axis 2 of the map; it needs at least one" + tail)),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(std::filesystem::exists(out));

    // Every output axis has an input axis here, but the copy would not be in the order typed.
    for (const auto& [option, answers, order] :
         {std::tuple{'4', "124\n124\n0\n", "124"}, std::tuple{'7', "0.5 0.5 0.5\n1 1 1\n129\n", "129"}}) {
        r = session(option, answers);
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find(crlf(std::string(" The true order of axes ") + order + " holds the digit " + order[2] +
                                  " at position 3, which is none of the map's axis codes 1 2 3" + tail)),
                  std::string::npos)
            << r.out;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// A character of an order that is neither a digit nor a blank, where no refusal applies,
// ends the run with a file error before the output is made.
TEST_F(Reorder, UnconvertibleCharacterEndsTheRun) {
    vtest::write_q47(in, {4, 3, 2}, vtest::ramp(24));
    for (const std::string orders : {"1x3\n123\n", "123\n12-\n"}) {
        const auto r = session('4', orders + "0\n");
        EXPECT_EQ(r.status, 3) << orders;
        EXPECT_NE(r.err.find("neither a digit nor a blank"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST_F(Reorder, UnreadableMapStops) {
    vtest::RawHeader h;
    h.nvox = {40, 40, 3, 1, 1, 1};
    auto b = vtest::q47_bytes(h, vtest::ramp(4800));
    b.resize(b.size() - 6500);  // the third layer is cut short
    vtest::write_bytes(in, b);
    const auto r = session('5', "0 0 0\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, crlf("STOP Error reading density. Stopping.\n"));
    EXPECT_NE(r.out.find("Error! Cannot read density file!"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
}

namespace {

// The output's data records and trailer, computed voxel by voxel as the routine is
// described: coordinates by division, wrap by repeated steps, extremes one by one.
std::vector<float> literal_reorder(const std::vector<std::int32_t>& nvox, const std::vector<std::int32_t>& iorien,
                                   const std::vector<float>& rho, const std::string& axord,
                                   const std::vector<std::int32_t>& iorg, const std::vector<std::int32_t>& iwidth) {
    const int sdim = static_cast<int>(nvox.size());
    std::vector<int> conv(7);
    for (int i = 1; i <= sdim; ++i) {
        conv[i] = i;
        for (int p = 1; p <= sdim; ++p) {
            if (iorien[i - 1] == axord[p - 1] - '0') conv[i] = p;
        }
    }
    std::vector<std::int32_t> nvoxr(7, 1), nr(8, 1), n(7, 1);
    std::int64_t total = 1;
    for (int i = 1; i <= sdim; ++i) {
        nvoxr[conv[i]] = iwidth[i - 1] + 1;
        total *= iwidth[i - 1] + 1;
        n[i] = n[i - 1] * nvox[i - 1];
    }
    for (int j = 1; j <= 6; ++j) nr[j + 1] = nr[j] * nvoxr[j];
    std::vector<float> rhor(static_cast<std::size_t>(total));
    float rminr = 100000.0f;
    float rmaxr = -100000.0f;
    std::vector<std::int64_t> kr(7), k(7);
    for (std::int64_t L = 0; L < total; ++L) {
        std::int64_t rest = L;
        for (int j = sdim; j >= 1; --j) {
            kr[j] = rest / nr[j];
            rest %= nr[j];
        }
        std::int64_t index = 0;
        for (int i = 1; i <= sdim; ++i) {
            k[i] = kr[conv[i]] + iorg[i - 1];
            while (k[i] >= nvox[i - 1]) k[i] -= nvox[i - 1];
            while (k[i] < 0) k[i] += nvox[i - 1];
            index += k[i] * n[i - 1];
        }
        const float v = rho[static_cast<std::size_t>(index)];
        rhor[static_cast<std::size_t>(L)] = v;
        if (v < rminr || std::isunordered(v, rminr)) rminr = v;
        if (rmaxr < v || std::isunordered(v, rmaxr)) rmaxr = v;
    }
    rhor.push_back(rmaxr);
    rhor.push_back(rminr);
    return rhor;
}

// Densities of one of four kinds: plain, with NaNs and infinities, non-negative with zeros of
// both signs (the first zero seen must be the recorded minimum), or all equal zeros.
std::vector<float> random_densities(std::size_t count, int kind, std::mt19937& gen) {
    std::uniform_real_distribution<float> d(-50.0f, 50.0f);
    std::uniform_int_distribution<int> pick(0, 99);
    std::vector<float> rho(count);
    for (float& v : rho) {
        const int p = pick(gen);
        v = d(gen);
        if (kind == 1 && p < 3) v = p == 0 ? kNaN : (p == 1 ? INFINITY : -INFINITY);
        if (kind == 2) v = p < 30 ? (p % 2 ? -0.0f : 0.0f) : std::fabs(v);
        if (kind == 3) v = p % 2 ? -0.0f : 0.0f;
    }
    return rho;
}

}  // namespace

// The table-driven fill against the voxel-by-voxel description on random maps, orders, shifts
// and boxes: every data word and both extremes bit for bit.
TEST(ReorderFill, EqualsTheVoxelByVoxelRuleBitForBit) {
    vtest::ScratchDir dir;
    std::mt19937 gen(47);
    for (int trial = 0; trial < 60; ++trial) {
        const int sdim = 1 + trial % 6;
        std::vector<std::int32_t> nvox(static_cast<std::size_t>(sdim));
        std::int64_t count = 1;
        for (auto& e : nvox) {
            e = std::uniform_int_distribution<int>(2, sdim <= 2 ? 90 : (sdim <= 4 ? 7 : 4))(gen);
            count *= e;
        }
        std::vector<std::int32_t> iorien(static_cast<std::size_t>(sdim));
        for (int i = 0; i < sdim; ++i) iorien[static_cast<std::size_t>(i)] = i + 1;
        std::shuffle(iorien.begin(), iorien.end(), gen);
        std::string axord;
        std::vector<std::int32_t> order = iorien;
        std::shuffle(order.begin(), order.end(), gen);
        for (const auto c : order) axord += static_cast<char>('0' + c);
        std::vector<std::int32_t> iorg, iwidth;
        for (const auto e : nvox) {
            iorg.push_back(std::uniform_int_distribution<int>(-3 * e, 3 * e)(gen));
            iwidth.push_back(std::uniform_int_distribution<int>(0, 2 * e)(gen));
        }
        const std::vector<float> rho = random_densities(static_cast<std::size_t>(count), trial % 4, gen);

        const std::string in = dir.path("in" + std::to_string(trial));
        const std::string out = dir.path("out" + std::to_string(trial));
        vtest::RawHeader h;
        h.nvox = nvox;
        h.nvox.resize(6, 1);
        h.iorien = iorien;
        h.iorien.resize(6, 0);
        vtest::write_bytes(in, vtest::q47_bytes(h, rho));

        vtest::DirectCall call(in, out);
        voxmill::Tab<std::int32_t, 6> torg{}, twidth{};
        for (int i = 1; i <= sdim; ++i) {
            torg(i) = iorg[static_cast<std::size_t>(i - 1)];
            twidth(i) = iwidth[static_cast<std::size_t>(i - 1)];
        }
        voxmill::q47reorder(call.st, call.con, voxmill::padded(axord, 6), "123456", torg, twidth, 0);

        const std::vector<float> expected = literal_reorder(nvox, iorien, rho, axord, iorg, iwidth);
        const auto b = vtest::read_bytes(out);
        const auto nxny = static_cast<std::size_t>(word_i32(b, 24));
        const auto nmap = static_cast<std::size_t>(word_i32(b, 28));
        const std::size_t L = 4 * std::max<std::size_t>(nxny, 34);
        ASSERT_EQ(nxny * nmap + 2, expected.size()) << trial;
        ASSERT_EQ(b.size(), (nmap + 2) * L) << trial;
        std::size_t mismatches = 0;
        for (std::size_t p = 0; p < nxny * nmap; ++p) mismatches += bits(at(b, L, p / nxny, p % nxny)) != bits(expected[p]);
        EXPECT_EQ(mismatches, 0u) << "trial " << trial << " order " << axord;
        EXPECT_EQ(bits(word_f32(b, (nmap + 1) * L)), bits(expected[nxny * nmap])) << trial;
        EXPECT_EQ(bits(word_f32(b, (nmap + 1) * L + 4)), bits(expected[nxny * nmap + 1])) << trial;
    }
}
