// The model maps, the oracle of the analyses: every voxel the Gaussians of the atoms placed by
// hand, summed over their images in Cartesian space; the electrons of the cell; and the
// program that reads a model from JSON.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <string>
#include <vector>

#include "formats/q47_map.hpp"
#include "model_map.hpp"
#include "support/test_support.hpp"

namespace {

using namespace voxmill::model;
using Cell = std::array<double, 6>;
using Vec = std::array<double, 3>;

double cosd(double degrees) { return std::cos(degrees * std::numbers::pi / 180.0); }

// The Cartesian vector of a fractional one: a along x, b in the xy plane.
Vec cartesian(const Cell& cell, const Vec& f) {
    const double ca = cosd(cell[3]), cb = cosd(cell[4]), cg = cosd(cell[5]);
    const double sg = std::sqrt(1.0 - cg * cg);
    const double cy = (ca - cb * cg) / sg, cz = std::sqrt(1.0 - cb * cb - cy * cy);
    return {cell[0] * f[0] + cell[1] * cg * f[1] + cell[2] * cb * f[2], cell[1] * sg * f[1] + cell[2] * cy * f[2],
            cell[2] * cz * f[2]};
}

double volume(const Cell& cell) {
    const double ca = cosd(cell[3]), cb = cosd(cell[4]), cg = cosd(cell[5]);
    return cell[0] * cell[1] * cell[2] * std::sqrt(1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg);
}

// Where an atom is and how much of it, at one superspace sample, worked out by hand.
struct Placed {
    Vec at;
    double occupancy;
};

// The density at fractional x of atoms placed so, over the images of two cells around.
double direct_density(const Model& model, const std::vector<Placed>& placed, const Vec& x) {
    double rho = 0;
    for (std::size_t a = 0; a < placed.size(); ++a) {
        const double w = model.atoms[a].width;
        const double peak = placed[a].occupancy * model.atoms[a].electrons / std::pow(2.0 * std::numbers::pi * w * w, 1.5);
        for (int i = -2; i <= 2; ++i) {
            for (int j = -2; j <= 2; ++j) {
                for (int k = -2; k <= 2; ++k) {
                    const Vec r = cartesian(model.cell, {x[0] - placed[a].at[0] + i, x[1] - placed[a].at[1] + j,
                                                         x[2] - placed[a].at[2] + k});
                    rho += peak * std::exp(-(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) / (2.0 * w * w));
                }
            }
        }
    }
    return rho;
}

Atom atom(Vec position, double electrons, double width) {
    Atom a;
    a.position = position;
    a.electrons = electrons;
    a.width = width;
    return a;
}

Atom modulated(Atom a, std::vector<DisplaciveWave> displacive, std::vector<OccupationalWave> occupational = {},
               std::optional<Crenel> crenel = {}) {
    a.displacive = std::move(displacive);
    a.occupational = std::move(occupational);
    a.crenel = crenel;
    return a;
}

// One atom, placed so at each superspace sample in turn.
std::vector<std::vector<Placed>> one_atom(const std::vector<Placed>& samples) {
    std::vector<std::vector<Placed>> placed;
    for (const Placed& p : samples) placed.push_back({p});
    return placed;
}

// One atom that stays at `at`, of these occupancies at the superspace samples in turn.
std::vector<std::vector<Placed>> at_rest(const Vec& at, const std::vector<double>& occupancies) {
    std::vector<std::vector<Placed>> placed;
    for (const double o : occupancies) placed.push_back({{at, o}});
    return placed;
}

}  // namespace

TEST(ModelMap, IsTheSumOfItsAtomsGaussiansOverAllImages) {
    struct Case {
        const char* name;
        Model model;
        std::vector<std::vector<Placed>> placed;  // per superspace sample (axis 4 fastest), per atom
    };
    const std::vector<Case> cases{
        {"triclinic, an atom across the corner and a wide one over its own images",
         {{7, 8, 9, 75, 95, 105}, {14, 16, 18}, {atom({0.95, 0.02, 0.5}, 8, 0.6), atom({0.3, 0.6, 0.1}, 20, 1.4)}},
         {{{{0.95, 0.02, 0.5}, 1}, {{0.3, 0.6, 0.1}, 1}}}},
        {"displacive and occupational waves along x4",
         {{6, 7, 8, 90, 100, 90},
          {12, 14, 16, 4},
          {modulated(atom({0.5, 0.25, 0.9}, 10, 0.5), {{{1, 0, 0}, {0.04, 0, 0.02}, {0, 0.03, 0}}}, {{{1, 0, 0}, 0.3, 0.1}})}},
         one_atom({{{0.5, 0.28, 0.9}, 1.1}, {{0.54, 0.25, 0.92}, 1.3}, {{0.5, 0.22, 0.9}, 0.9}, {{0.46, 0.25, 0.88}, 0.7}})},
        {"a crenel across the end of the period",
         {{6, 6, 6, 90, 90, 90}, {12, 12, 12, 8}, {modulated(atom({0.2, 0.4, 0.6}, 8, 0.5), {}, {}, Crenel{0.95, 0.3})}},
         at_rest({0.2, 0.4, 0.6}, {1, 0, 0, 0, 0, 0, 0, 1})},
        {"a wave along x4 + x5",
         {{6, 6, 7, 90, 90, 120}, {10, 10, 12, 2, 4}, {modulated(atom({0.1, 0.7, 0.3}, 6, 0.5), {{{1, 1, 0}, {0, 0, 0.05}, {}}})}},
         one_atom({{{0.1, 0.7, 0.3}, 1}, {{0.1, 0.7, 0.3}, 1}, {{0.1, 0.7, 0.35}, 1}, {{0.1, 0.7, 0.25}, 1},
                   {{0.1, 0.7, 0.3}, 1}, {{0.1, 0.7, 0.3}, 1}, {{0.1, 0.7, 0.25}, 1}, {{0.1, 0.7, 0.35}, 1}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const voxmill::Map map = model_map(c.model);
        ASSERT_EQ(map.dimension, static_cast<int>(c.model.counts.size()));
        ASSERT_EQ(map.cell, c.model.cell);
        const std::int64_t section = std::int64_t{map.nvox(1)} * map.nvox(2) * map.nvox(3);
        ASSERT_EQ(map.voxels(), section * static_cast<std::int64_t>(c.placed.size()));
        double largest = 0;
        for (std::int64_t p = 0; p < map.voxels(); ++p) largest = std::max(largest, std::abs(double{map.rho[static_cast<std::size_t>(p)]}));
        ASSERT_GT(largest, 0.1);
        for (std::int64_t p = 0; p < map.voxels(); ++p) {
            const Vec x{static_cast<double>(p % map.nvox(1)) / map.nvox(1),
                        static_cast<double>(p / map.nvox(1) % map.nvox(2)) / map.nvox(2),
                        static_cast<double>(p / map.nvox(1) / map.nvox(2) % map.nvox(3)) / map.nvox(3)};
            const double expected = direct_density(c.model, c.placed[static_cast<std::size_t>(p / section)], x);
            ASSERT_NEAR(map.rho[static_cast<std::size_t>(p)], expected, 1e-6 * largest) << "voxel " << p;
        }
    }
}

TEST(ModelMap, HoldsTheElectronsOfItsAtoms) {
    struct Case {
        const char* name;
        Model model;
        double electrons;  // per superspace sample, on average
    };
    const std::vector<Case> cases{
        {"triclinic",
         {{7, 8, 9, 75, 95, 105}, {28, 32, 36}, {atom({0.1, 0.2, 0.3}, 8, 0.35), atom({0.98, 0.5, 0.01}, 6, 0.4), atom({0.6, 0.9, 0.7}, 16, 0.5)}},
         30},
        // An occupational wave averages to 1 over the period; the crenel [0.05, 0.55) keeps
        // 8 of the 16 samples.
        {"modulated",
         {{5, 6, 7, 90, 110, 90},
          {20, 24, 28, 16},
          {modulated(atom({0.3, 0.3, 0.3}, 10, 0.4), {{{1, 0, 0}, {0.05, 0, 0}, {0, 0, 0.03}}}, {{{2, 0, 0}, 0.4, -0.2}}),
           modulated(atom({0.7, 0.1, 0.9}, 12, 0.4), {}, {}, Crenel{0.3, 0.5})}},
         10 + 12 * 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const voxmill::Map map = model_map(c.model);
        const double sum = std::accumulate(map.rho.begin(), map.rho.end(), 0.0);
        const double samples = static_cast<double>(map.voxels()) / (map.nvox(1) * map.nvox(2) * map.nvox(3));
        const double voxel = volume(c.model.cell) / static_cast<double>(map.voxels()) * samples;
        EXPECT_NEAR(sum * voxel / samples, c.electrons, 1e-4 * c.electrons);
    }
}

TEST(ModelMap, ProgramReadsTheModelFromJson) {
    struct Case {
        const char* name;
        std::string json;
        std::string error;  // the line on the error output; none: the map is written
    };
    const std::vector<Case> cases{
        {"every key",
         R"({"cell": [6, 7, 8, 90, 100, 90], "counts": [12, 14, 16, 4], "atoms": [
            {"position": [0.5, 0.25, 0.9], "electrons": 10, "width": 0.5,
             "displacive": [{"n": [1], "sin": [0.04, 0, 0.02], "cos": [0, 0.03, 0]}],
             "occupational": [{"n": [1], "sin": 0.3, "cos": 0.1}], "crenel": {"center": 0.3, "width": 0.6}}]})",
         ""},
        {"a misspelt key", R"({"atoms": [{"electron": 8}]})", R"(atoms[0]: unknown key "electron")"},
        {"a cell of text", R"({"cell": [6, 7, "8", 90, 90, 90]})", "cell[2]: a number is needed"},
        {"a flat cell", R"({"cell": [6, 7, 8, 90, 90, 0]})", "the cell is no sound cell"},
        {"no JSON", "{\"cell\": [6,", "parse error at line 1, column 13: syntax error while parsing value - unexpected end of input; expected '[', '{', or a literal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vtest::ScratchDir dir;
        vtest::write_bytes(dir.path("model.json"), std::vector<unsigned char>(c.json.begin(), c.json.end()));
        const vtest::ProcessRun run = vtest::shell(dir, "'" VOXMILL_MODEL_BINARY "' model.json out.q47");
        if (!c.error.empty()) {
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err, "voxmill-model: error: model.json: " + c.error + "\n");
            continue;
        }
        ASSERT_EQ(run.status, 0) << run.err;
        Model expected{{6, 7, 8, 90, 100, 90}, {12, 14, 16, 4},
                       {modulated(atom({0.5, 0.25, 0.9}, 10, 0.5), {{{1, 0, 0}, {0.04, 0, 0.02}, {0, 0.03, 0}}},
                                  {{{1, 0, 0}, 0.3, 0.1}}, Crenel{0.3, 0.6})}};
        const voxmill::Map written = voxmill::read_q47_map(dir.path("out.q47"));
        const voxmill::Map map = model_map(expected);
        ASSERT_EQ(written.nvox, map.nvox);
        EXPECT_TRUE(std::equal(map.rho.begin(), map.rho.end(), written.rho.begin()));
    }
    vtest::ScratchDir dir;
    EXPECT_EQ(vtest::shell(dir, "'" VOXMILL_MODEL_BINARY "' model.json").status, 2);
}
