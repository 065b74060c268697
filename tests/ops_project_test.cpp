#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>

#include "app/project.hpp"
#include "support/direct_call.hpp"
#include "support/test_support.hpp"

using vtest::crlf;
using vtest::menu_text;
using vtest::word_f32;
using vtest::word_i32;

namespace {

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

class Project : public ::testing::Test {
protected:
    vtest::SessionResult session() { return vtest::run_session("B\n" + in + "\n" + out + "\nQ\n"); }

    vtest::ScratchDir dir;
    const std::string in = dir.path("super.q47");
    const std::string out = dir.path("real.q47");
};

// The plain sums over the superspace axes, taken voxel by voxel in the order of the input
// index, as the projection is described.
std::vector<float> literal_sums(const std::vector<std::int32_t>& nvox, const std::vector<float>& rho) {
    std::vector<std::int64_t> n(7, 1);
    const int sdim = static_cast<int>(nvox.size());
    for (int i = 1; i <= sdim; ++i) n[static_cast<std::size_t>(i)] = n[static_cast<std::size_t>(i - 1)] * nvox[static_cast<std::size_t>(i - 1)];
    std::size_t real_space = 1;
    for (int i = 1; i <= std::min(sdim, 3); ++i) real_space *= static_cast<std::size_t>(nvox[static_cast<std::size_t>(i - 1)]);
    std::vector<float> rhor(real_space, 0.0f);
    for (std::int64_t I = 0; I < static_cast<std::int64_t>(rho.size()); ++I) {
        std::vector<std::int64_t> k(7, 0);
        std::int64_t rest = I;
        for (int j = sdim; j >= 1; --j) {
            k[static_cast<std::size_t>(j)] = rest / n[static_cast<std::size_t>(j - 1)];
            rest -= k[static_cast<std::size_t>(j)] * n[static_cast<std::size_t>(j - 1)];
        }
        rhor[static_cast<std::size_t>(k[1] + k[2] * n[1] + k[3] * n[2])] += rho[static_cast<std::size_t>(I)];
    }
    return rhor;
}

void expect_header_floats(const std::vector<unsigned char>& b, const vtest::RawHeader& h) {
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(word_f32(b, 32 + 8 * i), i < 3 ? h.xfmn[i] : 0.0f) << i;
        EXPECT_EQ(word_f32(b, 36 + 8 * i), i < 3 ? h.xfmx[i] : 0.0f) << i;
        EXPECT_EQ(word_f32(b, 80 + 4 * i), i < 3 ? h.xdf[i] : 1.0f) << i;
        EXPECT_EQ(word_i32(b, 104 + 4 * i), h.iorien[i]) << i;
    }
    EXPECT_EQ(word_i32(b, 128), h.mapa);
    EXPECT_EQ(word_i32(b, 132), h.nsubs);
}

}  // namespace

// Extents (16, 16, 16, 8): 16 records of 256 sums of 8 densities each, the flag set.
TEST_F(Project, FourDimensionalMapSumsEightDensitiesPerVoxel) {
    vtest::RawHeader h;
    h.nvox = {16, 16, 16, 8, 1, 1};
    h.iorien = {1, 2, 3, 4, 0, 0};
    h.xfmn = {0.5f, 0.25f, 0.125f, 0.75f, 0, 0};
    h.xfmx = {1.5f, 1.25f, 1.125f, 0.875f, 0, 0};
    h.xdf = {0.0625f, 0.0625f, 0.0625f, 0.125f, 1, 1};
    h.mapa = 9;
    h.nsubs = 2;
    std::mt19937 gen(4);
    std::uniform_real_distribution<float> d(-3.0f, 3.0f);
    std::vector<float> rho(16 * 16 * 16 * 8);
    for (float& v : rho) v = d(gen);
    vtest::write_bytes(in, vtest::q47_bytes(h, rho));
    const auto r = session();
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, crlf("Welcome to Voxmill. What do you want to do?\n") + menu_text() +
                         crlf("Enter the names of the input and output files\nFinished. What now?\n") + menu_text() +
                         crlf("Bye\n"));

    const auto b = vtest::read_bytes(out);
    const std::size_t L = 1024;
    ASSERT_EQ(b.size(), 18 * L);
    const std::vector<std::int32_t> words{16, 16, 16, 1, 1, 1, 256, 16};
    for (std::size_t w = 0; w < words.size(); ++w) EXPECT_EQ(word_i32(b, 4 * w), words[w]) << w;
    expect_header_floats(b, h);
    EXPECT_EQ(word_i32(b, 136), 1);
    for (std::size_t at = 140; at < L; ++at) ASSERT_EQ(b[at], 0x20) << at;

    const std::vector<float> sums = literal_sums({16, 16, 16, 8}, rho);
    float rmax = -100000.0f;
    float rmin = 100000.0f;
    for (std::size_t a = 0; a < sums.size(); ++a) {
        ASSERT_EQ(bits(word_f32(b, L + 4 * a)), bits(sums[a])) << a;
        rmax = std::max(rmax, sums[a]);
        rmin = std::min(rmin, sums[a]);
    }
    float by_hand = 0.0f;
    for (std::size_t s = 0; s < 8; ++s) by_hand += rho[5 + 4096 * s];
    EXPECT_EQ(word_f32(b, L + 20), by_hand);
    EXPECT_EQ(word_f32(b, 17 * L), rmax);
    EXPECT_EQ(word_f32(b, 17 * L + 4), rmin);
    for (std::size_t at = 17 * L + 8; at < 18 * L; ++at) ASSERT_EQ(b[at], 0x20) << at;
}

// Six dimensions: each value sums nvox(4) * nvox(5) * nvox(6) densities. A layer of 6 voxels
// gets records of 136 bytes: 34 header words and no flag word.
TEST_F(Project, SixDimensionalMapSumsOverThreeAxes) {
    vtest::RawHeader h;
    h.nvox = {3, 2, 2, 2, 3, 2};
    h.iorien = {2, 1, 3, 4, 5, 6};
    h.xfmn = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    h.xfmx = {2, 2, 2, 2, 2, 2};
    h.xdf = {0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f};
    const std::vector<float> rho = vtest::ramp(144, 0.5f);
    vtest::write_bytes(in, vtest::q47_bytes(h, rho));
    const auto r = session();
    EXPECT_NE(r.out.find(" Warning, order of axes is not a b c..."), std::string::npos);

    const auto b = vtest::read_bytes(out);
    const std::size_t L = 136;
    ASSERT_EQ(b.size(), 4 * L);
    const std::vector<std::int32_t> words{3, 2, 2, 1, 1, 1, 6, 2};
    for (std::size_t w = 0; w < words.size(); ++w) EXPECT_EQ(word_i32(b, 4 * w), words[w]) << w;
    expect_header_floats(b, h);
    for (std::size_t a = 0; a < 12; ++a) {
        float sum = 0.0f;
        for (std::size_t s = 0; s < 12; ++s) sum += rho[a + 12 * s];
        EXPECT_EQ(word_f32(b, L + 4 * (a % 6) + L * (a / 6)), sum) << a;
    }
    EXPECT_EQ(word_f32(b, 3 * L), 0.5f * (12 * 11 + 12 * 66));
    EXPECT_EQ(word_f32(b, 3 * L + 4), 0.5f * 12 * 66);
}

// A three-dimensional map projects on itself (each sum has one term) without the flag; sums
// beyond 100000 leave the minimum at its start value.
TEST_F(Project, ThreeDimensionalMapIsCopiedAndBigSumsKeepTheStartMinimum) {
    const std::vector<float> rho{2e5f, 3e5f, 4e5f, 5e5f, 6e5f, 7e5f, 8e5f, 9e5f};
    vtest::write_q47(in, {2, 2, 2}, rho);
    EXPECT_EQ(session().err, "");
    const auto b = vtest::read_bytes(out);
    ASSERT_EQ(b.size(), 4 * 136u);
    EXPECT_EQ(word_i32(b, 28), 2);
    for (std::size_t a = 0; a < 8; ++a) EXPECT_EQ(word_f32(b, 136 + 136 * (a / 4) + 4 * (a % 4)), rho[a]);
    EXPECT_EQ(word_f32(b, 3 * 136), 9e5f);
    EXPECT_EQ(word_f32(b, 3 * 136 + 4), 100000.0f);
}

TEST_F(Project, ExistingOutputIsLeftAndUnreadableInputStops) {
    vtest::write_q47(in, {4, 4, 4, 2}, vtest::ramp(128));
    const std::vector<unsigned char> before(300, 7);
    vtest::write_bytes(out, before);
    auto r = session();
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find(out), std::string::npos) << r.err;
    EXPECT_EQ(vtest::read_bytes(out), before);

    std::filesystem::remove(out);
    auto bytes = vtest::read_bytes(in);
    bytes.resize(bytes.size() - 200);  // the last layer and the trailer cut short
    vtest::write_bytes(in, bytes);
    r = session();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, crlf("STOP Error reading density. Stopping.\n"));
    EXPECT_FALSE(std::filesystem::exists(out));
}

// The block-by-block sums against the voxel-by-voxel rule on random maps of 1 to 6
// dimensions with NaNs and zeros of both signs: every word bit for bit, extremes included.
TEST(ProjectSums, EqualTheVoxelByVoxelRuleBitForBit) {
    vtest::ScratchDir dir;
    std::mt19937 gen(53);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int trial = 0; trial < 24; ++trial) {
        const int sdim = 1 + trial % 6;
        std::vector<std::int32_t> nvox(static_cast<std::size_t>(sdim));
        std::size_t count = 1;
        for (auto& e : nvox) {
            e = std::uniform_int_distribution<int>(2, 9)(gen);
            count *= static_cast<std::size_t>(e);
        }
        std::uniform_real_distribution<float> d(-1e3f, 1e3f);
        std::uniform_int_distribution<int> pick(0, 999);
        std::vector<float> rho(count);
        for (float& v : rho) {
            const int p = pick(gen);
            v = p == 0 && trial % 3 == 0 ? nan : (p < 100 ? (p % 2 ? -0.0f : 0.0f) : d(gen));
        }
        const std::string in = dir.path("in" + std::to_string(trial));
        const std::string out = dir.path("out" + std::to_string(trial));
        vtest::write_q47(in, nvox, rho);

        vtest::DirectCall call(in, out);
        voxmill::project(call.st, call.con);

        const std::vector<float> sums = literal_sums(nvox, rho);
        float rmax = -100000.0f;
        float rmin = 100000.0f;
        for (const float v : sums) {
            if (!(v >= rmin)) rmin = v;
            if (!(rmax >= v)) rmax = v;
        }
        const auto b = vtest::read_bytes(out);
        const auto nxny = static_cast<std::size_t>(word_i32(b, 24));
        const std::size_t L = 4 * std::max<std::size_t>(nxny, 34);
        ASSERT_EQ(b.size(), (sums.size() / nxny + 2) * L) << trial;
        std::size_t mismatches = 0;
        for (std::size_t a = 0; a < sums.size(); ++a) {
            mismatches += bits(word_f32(b, L * (1 + a / nxny) + 4 * (a % nxny))) != bits(sums[a]);
        }
        EXPECT_EQ(mismatches, 0u) << trial;
        EXPECT_EQ(bits(word_f32(b, b.size() - L)), bits(rmax)) << trial;
        EXPECT_EQ(bits(word_f32(b, b.size() - L + 4)), bits(rmin)) << trial;
    }
}
