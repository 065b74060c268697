#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/console.hpp"
#include "app/qc.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"
#include "ops/qc_geometry.hpp"
#include "ops/qc_pixel.hpp"
#include "support/map_state.hpp"
#include "support/reference_density.hpp"
#include "support/test_support.hpp"

using voxmill::Mat;
using voxmill::Tab;

namespace {

using Scope = Mat<std::int32_t, 2, 3>;
using Basis = Mat<float, 6, 3>;

constexpr float kTau = 1.618034f;
constexpr float kS = 2.689994f;

// A qc call on a console of its own, with the input map written to a scratch file first.
struct QcRun {
    vtest::ScratchDir dir;
    std::istringstream in;
    std::ostringstream out, err;
    voxmill::Console con{in, out, err};
    voxmill::State st;
    std::string input = dir.path("map.q47");
    std::string output = dir.path("section.q47");

    QcRun(const std::vector<std::int32_t>& nvox, const std::vector<float>& rho) {
        vtest::write_q47(input, nvox, rho);
        st.infile1 = voxmill::padded(input, voxmill::kNameLength);
        st.outrhofile = voxmill::padded(output, voxmill::kNameLength);
        vtest::probe_as_dialogue(st);
    }
    void run(char key, const Scope& qcdim, const Tab<float, 3>& pstep, const Tab<float, 6>& center = {},
             const Basis& basvec = {}, unsigned threads = 0) {
        voxmill::qc(st, con, center, qcdim, pstep, basvec, key, threads);
    }
    std::vector<float> section() const {  // the densities of the output, layer after layer
        const auto b = vtest::read_bytes(output);
        const std::int32_t nxny = vtest::word_i32(b, 24), nmap = vtest::word_i32(b, 28);
        const std::size_t record = 4 * static_cast<std::size_t>(std::max(nxny, 34));
        std::vector<float> v;
        for (std::int32_t k = 1; k <= nmap; ++k) {
            for (std::int32_t p = 0; p < nxny; ++p) v.push_back(vtest::word_f32(b, k * record + 4 * static_cast<std::size_t>(p)));
        }
        return v;
    }
};

std::vector<float> random_rho(std::size_t count, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> density(-5.0f, 10.0f);
    std::vector<float> rho(count);
    for (float& v : rho) v = density(gen);
    return rho;
}

std::string progress(std::initializer_list<int> percents) {
    std::string s;
    for (int p : percents) {
        const std::string n = std::to_string(p);
        s += std::string(3 - n.size(), ' ') + n + "%\r\n";
    }
    return s;
}

}  // namespace

TEST(QcGeometry, EmbedsTheRealSpacePointForEachType) {
    const Scope one{{0, 1, 0, 1, 0, 1}};
    const Tab<float, 3> unit{{1, 1, 1}};
    Tab<float, 6> coo{};
    const auto deca = voxmill::make_section('2', 5, one, unit, {}, {});
    voxmill::section_point(deca, 1, 0, 0, coo);
    const float expected[5] = {0.309017f, -0.809017f, -0.809017f, 0.309017f, 0.0f};
    for (int k = 1; k <= 5; ++k) EXPECT_NEAR(coo(k), expected[k - 1], 1e-6) << k;
    voxmill::section_point(deca, 0, 0, 3, coo);
    EXPECT_EQ(coo(5), 3.0f);

    const auto ico = voxmill::make_section('A', 6, one, unit, {}, {});
    voxmill::section_point(ico, 0, 0, 1, coo);
    const float five_fold[6] = {0, 1, kTau, 0, -1, kTau};
    for (int k = 1; k <= 6; ++k) EXPECT_NEAR(coo(k), five_fold[k - 1] / kS, 1e-7) << k;

    // Key B turns (1, 0, 0) into (c, 0, -d) and embeds that.
    const float c = 0.5257311f, d = 0.8506508f;
    const float rows[6][3] = {{1, kTau, 0}, {kTau, 0, 1}, {0, 1, kTau}, {-1, kTau, 0}, {kTau, 0, -1}, {0, -1, kTau}};
    const auto two = voxmill::make_section('B', 6, one, unit, {}, {});
    voxmill::section_point(two, 1, 0, 0, coo);
    for (int k = 1; k <= 6; ++k) EXPECT_NEAR(coo(k), (rows[k - 1][0] * c - rows[k - 1][2] * d) / kS, 1e-6) << k;

    // The general frame: origin plus the scaled basic vectors, pixel indices taken as they are.
    Basis b{};
    b(1, 1) = 1.0f;
    b(2, 2) = 0.5f;
    b(4, 3) = -2.0f;
    const auto general = voxmill::make_section('1', 4, Scope{{-50, 50, 0, 0, 0, 0}}, Tab<float, 3>{{0.5f, 2, 1}},
                                               Tab<float, 6>{{0.25f, 0, 0, 1}}, b);
    voxmill::section_point(general, -50, 3, 2, coo);
    EXPECT_EQ(coo(1), 0.25f - 25.0f);
    EXPECT_EQ(coo(2), 3.0f);
    EXPECT_EQ(coo(3), 0.0f);
    EXPECT_EQ(coo(4), 1.0f - 4.0f);
}

TEST(Qc, WritesTheHundredByHundredSectionWithItsHeaderAndProgress) {
    QcRun r({6, 5, 4}, random_rho(120, 3));
    r.run('1', Scope{{0, 99, 0, 99, 0, 0}}, Tab<float, 3>{{0.07f, 0.05f, 1}}, Tab<float, 6>{{0.5f, 0.5f, 1.5f}},
          Basis{{1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}});
    std::string expected;
    for (int p = 0; p <= 99; ++p) expected += progress({p});
    EXPECT_EQ(r.out.str(), expected);

    const auto b = vtest::read_bytes(r.output);
    ASSERT_EQ(b.size(), 3u * 40000u);
    const std::int32_t nvox[6] = {100, 100, 1, 1, 1, 1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(vtest::word_i32(b, 4 * i), nvox[i]);
    EXPECT_EQ(vtest::word_i32(b, 24), 10000);
    EXPECT_EQ(vtest::word_i32(b, 28), 1);
    const float xfmx[6] = {0.99f, 0.99f, 0, 0, 0, 0};
    const float xdf[6] = {0.01f, 0.01f, 1, 1, 1, 1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(vtest::word_f32(b, 32 + 8 * i), 0.0f);
        EXPECT_EQ(vtest::word_f32(b, 36 + 8 * i), xfmx[i]) << i;
        EXPECT_EQ(vtest::word_f32(b, 80 + 4 * i), xdf[i]) << i;
        EXPECT_EQ(vtest::word_i32(b, 104 + 4 * i), i + 1);
    }
    EXPECT_EQ(vtest::word_i32(b, 128), 4);
    EXPECT_EQ(vtest::word_i32(b, 132), 1);
    EXPECT_EQ(vtest::word_i32(b, 136), 0);
    EXPECT_EQ(b[140], 0x20);
    const auto v = r.section();
    EXPECT_EQ(vtest::word_f32(b, 80000), *std::max_element(v.begin(), v.end()));
    EXPECT_EQ(vtest::word_f32(b, 80004), *std::min_element(v.begin(), v.end()));
}

TEST(Qc, GeneralSectionAlongTheFirstAxesReproducesTheMapAtZeroSuperspace) {
    const auto rho = random_rho(6 * 5 * 4 * 3, 9);
    QcRun r({6, 5, 4, 3}, rho);
    r.run('1', Scope{{0, 5, 0, 4, 0, 3}}, Tab<float, 3>{{1, 1, 1}}, {},
          Basis{{1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}});
    // 120 pixels: a progress line at every pixel (2.5% rounds up to 3).
    EXPECT_EQ(r.out.str().substr(0, 30), progress({0, 1, 2, 3, 3}));
    const std::string lines = r.out.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '%'), 120);
    EXPECT_EQ(r.section(), std::vector<float>(rho.begin(), rho.begin() + 120));
}

TEST(Qc, SectionsOfFewerThanAHundredPixelsGetALineAtEveryPixel) {
    QcRun r({4, 4, 4}, random_rho(64, 6));
    r.run('1', Scope{{0, 4, 0, 3, 0, 0}}, Tab<float, 3>{{1, 1, 1}}, {}, Basis{{1, 0, 0, 0, 0, 0, 0, 1}});
    EXPECT_EQ(r.out.str(), progress({0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80, 85, 90, 95}));
    EXPECT_EQ(r.section().size(), 20u);
}

TEST(Qc, FastAndLiteralPathsAgreeOnRoughMapsOfFourToSixDimensions) {
    struct Case {
        std::vector<std::int32_t> nvox;
        char key;
    };
    const Case cases[] = {{{7, 6, 5, 4}, '1'}, {{6, 3, 5, 4, 7}, '1'}, {{6, 3, 5, 4, 7}, '2'},
                          {{5, 4, 6, 3, 5, 4}, '1'}, {{5, 4, 6, 3, 5, 4}, '2'}, {{5, 4, 6, 3, 5, 4}, 'A'},
                          {{5, 4, 6, 3, 5, 4}, 'B'}};
    std::mt19937 gen(21);
    std::uniform_real_distribution<float> component(-1.5f, 1.5f);
    for (const Case& c : cases) {
        voxmill::State st;
        vtest::load_map(st, c.nvox, {}, static_cast<unsigned>(c.nvox.size()) + static_cast<unsigned>(c.key));
        float largest = 0.0f;
        for (std::size_t i = 0; i < static_cast<std::size_t>(st.map.voxels()); ++i) largest = std::max(largest, std::fabs(st.map.rho[i]));
        Basis b{};
        Tab<float, 6> center{};
        for (int k = 1; k <= st.sdim; ++k) {
            center(k) = 10.0f * component(gen);
            for (int j = 1; j <= 3; ++j) b(k, j) = component(gen);
        }
        const auto g = voxmill::make_section(c.key, st.sdim, Scope{{-7, -3, 3, 5, -1, 0}},
                                             Tab<float, 3>{{0.73f, 1.3f, 2.1f}}, center, b);
        const voxmill::MapGrid m = voxmill::map_grid(st.map, st.sdim);
        for (std::int32_t L = 0; L < g.nvoxtotr; ++L) {
            EXPECT_NEAR(voxmill::fast_pixel(m, g, L), vtest::literal_pixel(st.map, st.sdim, g, L),
                        1e-5f * largest)
                << c.nvox.size() << "D, key " << c.key << ", pixel " << L;
        }
    }
}

TEST(Qc, OneThreadAndManyWriteTheSameFileAndLines) {
    const auto rho = random_rho(6 * 5 * 4 * 4 * 3, 17);
    const Scope scope{{-30, 29, -20, 19, 0, 1}};  // 4800 pixels: three rounds of work
    QcRun one({6, 5, 4, 4, 3}, rho);
    one.run('2', scope, Tab<float, 3>{{0.4f, 0.45f, 0.7f}}, {}, {}, 1);
    QcRun many({6, 5, 4, 4, 3}, rho);
    many.run('2', scope, Tab<float, 3>{{0.4f, 0.45f, 0.7f}}, {}, {}, 5);
    EXPECT_EQ(one.out.str(), many.out.str());
    const std::string lines = one.out.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '%'), 100);
    EXPECT_EQ(vtest::read_bytes(one.output), vtest::read_bytes(many.output));
}

TEST(Qc, ReplacesAnExistingFileWhole) {
    QcRun r({4, 4, 4}, random_rho(64, 4));
    vtest::write_bytes(r.output, std::vector<unsigned char>(5000, 0xAB));
    r.run('1', Scope{{0, 9, 0, 9, 0, 0}}, Tab<float, 3>{{1, 1, 1}}, {}, Basis{{1, 0, 0, 0, 0, 0, 0, 1}});
    const auto b = vtest::read_bytes(r.output);
    ASSERT_EQ(b.size(), 3u * 400u);  // nothing of the old file after the trailer
    EXPECT_EQ(vtest::word_i32(b, 0), 10);
    EXPECT_EQ(vtest::word_i32(b, 24), 100);
    EXPECT_EQ(b[3 * 400 - 1], 0x20);  // the trailer record, padded
}

TEST(Qc, RefusesSectionsItCannotCutAndWritesNothing) {
    struct Case {
        std::vector<std::int32_t> nvox;
        char key;
        Scope scope;
        Tab<float, 3> pstep;
        std::string line;
    };
    const Tab<float, 3> unit{{1, 1, 1}};
    const Case cases[] = {
        {{4, 4, 4}, '1', Scope{{0, 9, 5, 4, 0, 0}}, unit,
         " The scope of section axis 2 ends before it starts (first pixel 5, last 4). Nothing was written.\r\n"},
        {{4, 4, 4}, '1', Scope{{0, 99999, 0, 99999, 0, 0}}, unit,
         " The section would have more than 2147483647 pixels, more than a map can hold. Nothing was written.\r\n"},
        {{4, 4, 4, 3}, '2', Scope{{0, 9, 0, 9, 0, 0}}, unit,
         " A decagonal section needs a map of at least 5 dimensions; this map has 4. Nothing was written.\r\n"},
        {{4, 4, 4, 3, 3}, 'A', Scope{{0, 9, 0, 9, 0, 0}}, unit,
         " An icosahedral section needs a map of 6 dimensions; this map has 5. Nothing was written.\r\n"},
        {{4, 4, 4, 3, 3}, '2', Scope{{0, 9, 0, 9, 0, 0}}, Tab<float, 3>{{1e8f, 1, 1}},
         " The section reaches a map point beyond 16777216 voxels from the origin, or no number at all, where "
         "nothing can be interpolated. Nothing was written.\r\n"},
    };
    for (const Case& c : cases) {
        std::size_t count = 1;
        for (auto n : c.nvox) count *= static_cast<std::size_t>(n);
        QcRun r(c.nvox, random_rho(count, 2));
        r.run(c.key, c.scope, c.pstep);
        EXPECT_EQ(r.out.str(), c.line);
        EXPECT_FALSE(std::filesystem::exists(r.output)) << c.line;
    }
}

TEST(Qc, StopsWhenTheMapCannotBeRead) {
    QcRun r({4, 4, 4}, random_rho(64, 1));
    std::filesystem::remove(r.input);
    try {
        r.run('1', Scope{{0, 9, 0, 9, 0, 0}}, Tab<float, 3>{{1, 1, 1}});
        FAIL() << "no stop";
    } catch (const voxmill::Stop& stop) {
        EXPECT_EQ(stop.message(), "Error reading density. Stopping.");
    }
    EXPECT_NE(r.out.str().find("Error! Cannot open density file for reading!"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(r.output));
}

TEST(Qc, AnOutputThatCannotBeWrittenEndsTheRunNamingTheFile) {
    QcRun r({4, 4, 4}, random_rho(64, 1));
    const std::string folder = std::filesystem::path(r.input).parent_path().string();
    r.st.outrhofile = voxmill::padded(folder, voxmill::kNameLength);
    try {
        r.run('1', Scope{{0, 9, 0, 9, 0, 0}}, Tab<float, 3>{{1, 1, 1}});
        FAIL() << "no file error";
    } catch (const voxmill::FileError& e) {
        EXPECT_NE(std::string(e.what()).find(folder), std::string::npos);
    }
}

TEST(Qc, OptionCRunsThroughTheConsole) {
    vtest::ScratchDir dir;
    const std::string map = dir.path("deca.q47"), out = dir.path("cut.q47");
    const auto rho = random_rho(5 * 4 * 4 * 3 * 6, 8);
    vtest::write_q47(map, {5, 4, 4, 3, 6}, rho);
    const auto r = vtest::run_session("C\n" + map + "\n" + out + "\nb\n2\n-5 4, 0 9\n0 0\n0.8 0.8 1\nC\n" + map + "\n" +
                                      out + "\nA\n0 1 0 1 0 0\n1 1 1\nQ\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::string lines;
    for (int p = 0; p <= 99; ++p) lines += progress({p});
    const std::string finished = vtest::crlf("Finished. What now?\n");
    EXPECT_NE(r.out.find("Your choice: " + vtest::crlf("Give the scope of the section (start end start end..., in pixels):\n"
                                                        "Give the ratio between the pixelsize of the section and of the "
                                                        "original map:\n") +
                         lines + finished),
              std::string::npos);
    EXPECT_NE(r.out.find(" An icosahedral section needs a map of 6 dimensions; this map has 5. Nothing was written.\r\n" +
                         finished),
              std::string::npos);

    // The file holds the decagonal section, pixel by pixel as the literal routines give it.
    voxmill::State st;
    vtest::load_map(st, {5, 4, 4, 3, 6}, rho);
    const auto g = voxmill::make_section('2', 5, Scope{{-5, 4, 0, 9, 0, 0}}, Tab<float, 3>{{0.8f, 0.8f, 1}}, {}, {});
    const auto b = vtest::read_bytes(out);
    ASSERT_EQ(b.size(), 4u * 100u * 3u);
    EXPECT_EQ(vtest::word_i32(b, 0), 10);
    for (std::int32_t L = 0; L < 100; ++L) {
        EXPECT_NEAR(vtest::word_f32(b, 400 + 4 * static_cast<std::size_t>(L)),
                    vtest::literal_pixel(st.map, st.sdim, g, L), 1e-4f)
            << L;
    }
}
