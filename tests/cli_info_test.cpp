// voxmill info: what a map is and what its densities are, as text and as JSON, computed from
// the data beside what the file itself records.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "support/test_support.hpp"

namespace {

struct InfoRun {
    int status;
    std::string out, err;
};

InfoRun info(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"voxmill", "info"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = voxmill::run_command_line(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

// One NaN voxel among densities whose mean and spread are known: 1, 2, ... 23 and NaN.
TEST(Info, TheDataRangeLeavesNaNOutAndCountsIt) {
    vtest::ScratchDir dir;
    std::vector<float> rho = vtest::ramp(24);
    rho[0] = std::numeric_limits<float>::quiet_NaN();
    vtest::write_q47(dir.path("m.q47"), {4, 3, 2}, rho);
    const InfoRun r = info({"--json", dir.path("m.q47"), dir.path("missing"), dir.path("m.q47")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "voxmill: error: " + dir.path("missing") + ": no such file\n");
    std::istringstream lines(r.out);
    int maps = 0;
    for (std::string line; std::getline(lines, line); ++maps) {
        const auto j = nlohmann::json::parse(line);
        EXPECT_EQ(j["file"], dir.path("m.q47"));
        EXPECT_EQ(j["format"], "q47");
        EXPECT_EQ(j["dimension"], 3);
        EXPECT_EQ(j["voxels"], nlohmann::json({4, 3, 2}));
        EXPECT_EQ(j["cell"], nullptr);
        EXPECT_EQ(j["nan"], 1);
        EXPECT_EQ(j["min"], 1.0);
        EXPECT_EQ(j["max"], 23.0);
        EXPECT_DOUBLE_EQ(j["mean"].get<double>(), 12.0);
        EXPECT_DOUBLE_EQ(j["rms"].get<double>(), std::sqrt((23.0 * 23.0 - 1.0) / 12.0));
        EXPECT_EQ(j["frame"][2]["step"], 1.0);  // the header's own step, as the test wrote it
        EXPECT_EQ(j["map_code"], 4);
        EXPECT_EQ(j["stored"]["max"], 0.0);  // the trailer as the test wrote it, not the data
    }
    EXPECT_EQ(maps, 2);

    const InfoRun text = info({dir.path("m.q47")});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("  voxels      4 x 3 x 2\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  data        min 1, max 23, mean 12, rms 6.63325, NaN voxels 1, infinite voxels 0\n"), std::string::npos)
        << text.out;
}

}  // namespace
