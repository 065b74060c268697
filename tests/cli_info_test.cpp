// voxmill info: what a map is and what its densities are, as text and as JSON, computed from
// the data beside what the file itself records.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "formats/q47_map.hpp"
#include "model_map.hpp"
#include "support/test_support.hpp"

namespace {

struct InfoRun {
    int status;
    std::string out, err;
};

// `voxmill COMMAND ARGS...`, in-process.
InfoRun run(const char* command, const std::vector<std::string>& args) {
    std::vector<const char*> argv{"voxmill", command};
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
    const InfoRun r = run("info", {"--json", dir.path("m.q47"), dir.path("missing"), dir.path("m.q47")});
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

    const InfoRun text = run("info", {dir.path("m.q47")});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("  voxels      4 x 3 x 2\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  data        min 1, max 23, mean 12, rms 6.63325, NaN voxels 1, infinite voxels 0\n"), std::string::npos)
        << text.out;
}

// voxmill peaks on a map file of two atoms in a monoclinic cell given by --cell: the JSON holds
// the cell and the charges in electrons; the CSV places the peaks in A with a along X and c in
// the XZ plane (X = a x + c cos(beta) z, Z = c sin(beta) z); the two outputs exclude each other.
TEST(Peaks, TheCommandReadsAMapFileAndPlacesItsPeaksInTheCell) {
    vtest::ScratchDir dir;
    namespace model = voxmill::model;
    const std::array<double, 6> cell{10, 11, 12, 90, 100, 90};
    const model::Model m{cell, {36, 40, 44}, {{{0.25, 0.3, 0.35}, 8, 0.4, {}, {}, {}}, {{0.7, 0.75, 0.8}, 10, 0.42, {}, {}, {}}}};
    voxmill::write_q47_map(model::model_map(m), dir.path("m.q47"));
    const std::string given = "--cell=10,11,12,90,100,90";

    const InfoRun json = run("peaks", {"--json", given, dir.path("m.q47")});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["file"], dir.path("m.q47"));
    EXPECT_EQ(j["dimension"], 3);
    EXPECT_EQ(j["cell"], nlohmann::json(cell));
    EXPECT_TRUE(j["threshold"].is_number());
    ASSERT_EQ(j["peaks"].size(), 2u);
    for (std::size_t p = 0; p < 2; ++p) {
        const model::Atom& atom = m.atoms[1 - p];  // the heavier atom is the higher peak
        const auto& peak = j["peaks"][p];
        EXPECT_EQ(peak["position"].size(), 3u);
        EXPECT_NEAR(peak["position"][0].get<double>(), atom.position[0], 1e-4);
        EXPECT_NEAR(peak["charge"].get<double>(), atom.electrons, 0.01 * atom.electrons);
        EXPECT_GT(peak["voxels"].get<std::int64_t>(), 0);
        EXPECT_EQ(peak["refined"], true);
        EXPECT_TRUE(peak["height"].is_number());
    }

    const InfoRun csv = run("peaks", {"--csv", given, dir.path("m.q47")});
    ASSERT_EQ(csv.status, 0) << csv.err;
    std::istringstream lines(csv.out);
    std::string header, first;
    std::getline(lines, header);
    std::getline(lines, first);
    EXPECT_EQ(header, "x1,x2,x3,X (A),Y (A),Z (A),height,charge,voxels,refined");
    std::vector<double> row;
    std::istringstream cells(first);
    for (std::string cell_text; std::getline(cells, cell_text, ',');) row.push_back(cell_text == "yes" ? 1.0 : std::stod(cell_text));
    ASSERT_EQ(row.size(), 10u);
    const double beta = 100 * std::numbers::pi / 180;
    EXPECT_NEAR(row[3], 10 * 0.7 + 12 * std::cos(beta) * 0.8, 1e-3);
    EXPECT_NEAR(row[4], 11 * 0.75, 1e-3);
    EXPECT_NEAR(row[5], 12 * std::sin(beta) * 0.8, 1e-3);

    const InfoRun both = run("peaks", {"--json", "--csv", dir.path("m.q47")});
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.err.substr(0, both.err.find('\n')), "voxmill: error: --json excludes --csv");
}

}  // namespace
