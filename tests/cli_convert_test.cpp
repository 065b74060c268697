// voxmill convert as a process: usage errors, refusals, and maps taken through CCP4/MRC,
// both X-PLOR layouts and MEED/VEND and back, checked by the field's own programs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "formats/q47_map.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

using vtest::ProcessRun;
using vtest::shell;
using vtest::slurp;
using vtest::voxmill;

class Convert : public testing::Test {
protected:
    void SetUp() override {
        // A 3D box out of a larger cell (starts 2, 0, 5 of 10, 8, 12) and a 4D map.
        vtest::RawHeader h;
        h.nvox = {5, 4, 3, 1, 1, 1};
        h.xfmn = {0.2f, 0.0f, 5.0f / 12, 0, 0, 0};
        h.xdf = {0.1f, 0.125f, 1.0f / 12, 1, 1, 1};
        h.xfmx = {0.6f, 0.375f, 7.0f / 12, 0, 0, 0};
        h.iorien = {1, 2, 3, 0, 0, 0};
        for (std::size_t i = 0; i < box.size(); ++i) box[i] = std::sin(0.37f * static_cast<float>(i)) * 40.0f;
        vtest::write_bytes(dir.path("box.q47"), vtest::q47_bytes(h, box));
        vtest::write_q47(dir.path("four.q47"), {3, 2, 2, 2}, vtest::ramp(24));
    }
    // The names in the folder besides the test's own.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path(""))) {
            const std::string n = e.path().filename().string();
            if (n != "stdout" && n != "stderr") names.push_back(n);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    vtest::ScratchDir dir;
    std::vector<float> box = std::vector<float>(60);
    const std::string cell = "--cell 10,8,12,90,95.5,90";
};

TEST_F(Convert, UsageErrorsAndRefusalsSayWhatIsWrongAndWriteNothing) {
    const auto before = files();
    const struct {
        std::string args;
        int status;
        std::string err;  // the start of the error output
    } cases[] = {
        {"convert box.q47 out.txt", 2, "voxmill: error: "},
        {"convert --to pdf box.q47 out.ccp4", 2, "voxmill: error: "},
        {"convert box.q47", 2, "voxmill: error: "},
        {"convert --cell 1,2,3 box.q47 out.ccp4", 2, "voxmill: error: "},
        {"convert --cell 10,8,12,90,90,200 box.q47 out.ccp4", 2, "voxmill: error: "},
        {"convert --xplor-layout standard " + cell + " box.q47 out.ccp4", 2, "voxmill: error: "},
        {"info", 2, "voxmill: error: "},
        {"frobnicate box.q47", 2, "voxmill: error: "},
        {"convert missing.q47 out.q47", 1, "voxmill: error: missing.q47: no such file\n"},
        {"convert box.q47 out.ccp4", 1, "voxmill: error: out.ccp4: the map holds no unit cell: give one with --cell\n"},
        {"convert box.q47 out.xplor", 1, "voxmill: error: out.xplor: the map holds no unit cell: give one with --cell\n"},
        {"convert " + cell + " four.q47 out.mrc", 1, "voxmill: error: out.mrc: a map of 4 dimensions: CCP4/MRC holds at most 3\n"},
        {"convert " + cell + " four.q47 out.xplr", 1, "voxmill: error: out.xplr: a map of 4 dimensions: X-PLOR holds at most 3\n"},
        {"convert stdout out.q47", 1, "voxmill: error: stdout: not a map of a format this program reads (q47, CCP4/MRC, X-PLOR)\n"},
        {"convert box.q47 ./box.q47", 1, "voxmill: error: ./box.q47: is the input file box.q47; nothing was written\n"},
    };
    for (const auto& c : cases) {
        const ProcessRun r = voxmill(dir, c.args);
        SCOPED_TRACE(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << r.err;
        if (c.status == 2) {
            EXPECT_NE(r.err.find("\nusage: voxmill "), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(r.err, c.err);  // one line
        }
        EXPECT_EQ(files(), before);
    }
}

// Through CCP4/MRC and back every voxel, the box's frame and the count of each axis stay
// exactly; mrcfile-validate accepts the file and gemmi reads the same densities from it.
TEST_F(Convert, ThroughCcp4AndBackEveryVoxelStays) {
    ASSERT_EQ(voxmill(dir, "convert " + cell + " box.q47 box.ccp4").status, 0);
    EXPECT_EQ(shell(dir, "mrcfile-validate box.ccp4").status, 0);
    const ProcessRun g = shell(dir, "/usr/bin/python3 -c \"import gemmi; m = gemmi.read_ccp4_map('box.ccp4'); "
                             "a = m.grid.array; print(m.header_i32(5), m.header_i32(6), m.header_i32(7), m.header_i32(8), "
                             "m.header_i32(9), m.header_i32(10)); print(' '.join(repr(float(a[i, j, k])) for k in range(a.shape[2]) "
                             "for j in range(a.shape[1]) for i in range(a.shape[0])))\"");
    ASSERT_EQ(g.status, 0) << g.err;
    const auto lf = g.out.find('\n');
    EXPECT_EQ(g.out.substr(0, lf), "2 0 5 10 8 12");  // starts and the cell's sampling
    std::vector<float> read;
    std::istringstream values(g.out.substr(lf + 1));
    for (double v; values >> v;) read.push_back(static_cast<float>(v));
    EXPECT_EQ(read, box);

    ASSERT_EQ(voxmill(dir, "convert box.ccp4 back.q47").status, 0);
    const voxmill::Map back = voxmill::read_q47_map(dir.path("back.q47"));
    const voxmill::Map first = voxmill::read_q47_map(dir.path("box.q47"));
    EXPECT_EQ(back.nvox, first.nvox);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_FLOAT_EQ(back.xfmn(i), first.xfmn(i)) << i;
        EXPECT_FLOAT_EQ(back.xdf(i), first.xdf(i)) << i;
    }
    EXPECT_TRUE(std::equal(back.rho.begin(), back.rho.end(), first.rho.begin()));
}

// The standard X-PLOR layout keeps five significant digits; one value a line is what menu
// option E writes, byte for byte, and MEED/VEND what option A writes.
TEST_F(Convert, ThroughXplorAndVendAsTheConsoleWritesThem) {
    ASSERT_EQ(voxmill(dir, "convert " + cell + " box.q47 box.xplor").status, 0);
    ASSERT_EQ(voxmill(dir, "convert box.xplor back.q47").status, 0);
    const voxmill::Map back = voxmill::read_q47_map(dir.path("back.q47"));
    ASSERT_EQ(back.voxels(), 60);
    for (std::size_t i = 0; i < box.size(); ++i) EXPECT_NEAR(back.rho[i], box[i], 5e-5 * std::abs(box[i]) + 1e-30) << i;
    EXPECT_FLOAT_EQ(back.xfmn(1), 0.2f);

    vtest::write_q47(dir.path("full.q47"), {5, 4, 3}, box);
    const std::string console_cell = "10 8 12 90 95.5 90";
    for (const auto& [option, name, args] :
         {std::tuple{"E", "option.xplor", "--xplor-layout one-per-line full.q47 convert.xplor"},
          std::tuple{"A", "option.vend", "full.q47 convert.vend"}}) {
        const auto r = vtest::run_session(std::string(option) + "\n" + dir.path("full.q47") + "\n" + dir.path(name) + "\n" +
                                          console_cell + "\nQ\n");
        ASSERT_EQ(r.err, "");
        ASSERT_EQ(voxmill(dir, "convert " + cell + " " + args).status, 0);
        const std::string converted = std::string(args).substr(std::string(args).rfind(' ') + 1);
        EXPECT_EQ(slurp(dir.path(converted)), slurp(dir.path(name))) << option;
    }
}

}  // namespace
