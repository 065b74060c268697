// The text formats through the real program, where what is left on disk and what reaches the
// error output matter: numbers too wide for their fields refused before any file is made,
// reading faults named by their line with every byte shown, and console option D reading
// the standard X-PLOR layout into the same q47 map as voxmill convert.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

const std::string kCell = "--cell 10,11,12,90,90,90";

// The names in the folder and their bytes, besides the program's output files.
std::vector<std::pair<std::string, std::string>> folder(const vtest::ScratchDir& dir) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& e : fs::directory_iterator(dir.path(""))) {
        const std::string n = e.path().filename().string();
        if (n != "stdout" && n != "stderr") files.emplace_back(n, vtest::slurp(e.path().string()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

void put_text(const vtest::ScratchDir& dir, const std::string& name, const std::string& text) {
    vtest::write_bytes(dir.path(name), std::vector<unsigned char>(text.begin(), text.end()));
}

TEST(CliTextFaults, NumbersTooWideForTheirFieldsLeaveNoFileAndAnOldOneAsItWas) {
    vtest::ScratchDir dir;
    std::vector<float> rho = vtest::ramp(24, 0.5f);
    rho[5] = 1e7f;
    vtest::write_q47(dir.path("wide.q47"), {4, 3, 2}, rho);
    rho[5] = -1e5f;
    vtest::write_q47(dir.path("low.q47"), {4, 3, 2}, rho);
    vtest::RawHeader off;
    off.nvox = {4, 3, 2, 1, 1, 1};
    off.xfmn = {0.01f, 0, 0, 0, 0, 0};
    off.xdf = {0.1f, 1.0f / 3, 0.5f, 1, 1, 1};
    vtest::write_bytes(dir.path("off.q47"), vtest::q47_bytes(off, vtest::ramp(24)));
    put_text(dir, "old.vend", "the old bytes\n");
    const struct {
        std::string args, err;
    } cases[] = {
        {"--xplor-layout one-per-line wide.q47 out.xplor",
         "out.xplor: the density 1e+07 of voxel 5 at (1, 1, 0) does not fit the 12 characters of one-per-line X-PLOR, "
         "which hold more than -1e+06 and less than 1e+07: the standard layout holds it"},
        {"low.q47 old.vend",
         "old.vend: the density -1e+05 of voxel 5 at (1, 1, 0) does not fit the 14 characters of MEED/VEND, which hold "
         "more than -1e+05 and less than 1e+06"},
        {"off.q47 out.xplor",
         "out.xplor: axis 1 starts at 0.01, not on its grid of step 0.1: X-PLOR holds whole grid indices only"},
    };
    const auto before = folder(dir);
    for (const auto& c : cases) {
        const vtest::ProcessRun r = vtest::voxmill(dir, "convert " + kCell + " " + c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err, "voxmill: error: " + c.err + "\n");
        EXPECT_EQ(folder(dir), before) << c.args;
    }
}

TEST(CliTextFaults, ReadingFaultsNameTheLineAndShowEveryByte) {
    const std::string head = "\n       1 !NTITLE\n title\n       2       0       1       2       0       1       1       0       0\n";
    const std::string cell = " 0.10000E+02 0.10000E+02 0.10000E+02 0.90000E+02 0.90000E+02 0.90000E+02\nZYX\n       0\n";
    const struct {
        std::string text, err;
    } cases[] = {
        {head + cell + std::string("1 2\0 3 4\n", 9), "line 8: \"2\\x00\" is no number"},
        {head + " 10 10 10 90 90\nZYX\n", "line 5: the cell must be six numbers (a, b, c, alpha, beta, gamma), found \" 10 10 10 90 90\""},
        {"\n       x !NTITLE\n", "not a map of a format this program reads (q47, CCP4/MRC, X-PLOR)"},
    };
    vtest::ScratchDir dir;
    for (const auto& c : cases) {
        put_text(dir, "in.xplor", c.text);
        const vtest::ProcessRun r = vtest::voxmill(dir, "convert in.xplor out.q47");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "voxmill: error: in.xplor: " + c.err + "\n");
        EXPECT_FALSE(fs::exists(dir.path("out.q47"))) << c.err;
    }
}

// voxmill convert writes the standard layout by default; option D reads it back into the
// very bytes that convert makes of it.
TEST(CliTextFaults, OptionDReadsTheStandardLayoutIntoWhatConvertMakesOfIt) {
    // The last is a box of a larger cell: first index 2 of a grid of n + 7 per cell.
    const std::vector<std::pair<std::vector<std::int32_t>, bool>> grids = {
        {{5, 4, 3}, false}, {{6, 5}, false}, {{13}, false}, {{5, 4, 3}, true}};
    vtest::ScratchDir dir;
    for (const auto& [nvox, box] : grids) {
        std::size_t count = 1;
        for (const std::int32_t n : nvox) count *= static_cast<std::size_t>(n);
        std::vector<float> rho(count);
        for (std::size_t i = 0; i < count; ++i) rho[i] = std::sin(0.7f * static_cast<float>(i)) * 321.0f;
        rho[1] = std::numeric_limits<float>::quiet_NaN();
        rho[2] = -std::numeric_limits<float>::infinity();
        vtest::RawHeader h;
        h.nvox = nvox;
        h.nvox.resize(6, 1);
        for (std::size_t i = 0; i < nvox.size(); ++i) {
            const auto n = static_cast<float>(nvox[i]);
            const float cell_points = box ? n + 7.0f : n, first = box ? 2.0f : 0.0f;
            h.xdf[i] = 1.0f / cell_points;
            h.xfmn[i] = first / cell_points;
            h.xfmx[i] = (first + n - 1.0f) / cell_points;
        }
        vtest::write_bytes(dir.path("in.q47"), vtest::q47_bytes(h, rho));
        ASSERT_EQ(vtest::voxmill(dir, "convert " + kCell + " in.q47 six.xplor").status, 0);
        ASSERT_EQ(vtest::voxmill(dir, "convert six.xplor convert.q47").status, 0);
        const auto r = vtest::run_session("D\n" + dir.path("six.xplor") + "\n" + dir.path("option.q47") + "\nQ\n");
        EXPECT_EQ(r.err, "") << nvox.size();
        EXPECT_EQ(r.out.find("Error"), std::string::npos) << r.out;
        EXPECT_EQ(vtest::read_bytes(dir.path("option.q47")), vtest::read_bytes(dir.path("convert.q47"))) << nvox.size();
        if (box) {
            EXPECT_EQ(vtest::word_f32(vtest::read_bytes(dir.path("option.q47")), 4 * 8), 2.0f / 12.0f);  // xfmn(1)
        }
    }
}

}  // namespace
