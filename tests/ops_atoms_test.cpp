// The atoms of model maps: found where the model placed them, with the model's displacive
// and occupational waves and crenels; the series fit alone; and the command's JSON and its
// refusal of a map of two dimensions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "cli/map_files.hpp"
#include "model_map.hpp"
#include "ops/atom_trace.hpp"
#include "ops/atoms.hpp"
#include "ops/fourier_fit.hpp"
#include "ops/peaks.hpp"
#include "support/test_support.hpp"

namespace {

using namespace voxmill;
using Vec = std::array<double, 3>;

model::Atom atom(Vec position, double electrons, std::vector<model::DisplaciveWave> displacive = {},
                 std::vector<model::OccupationalWave> occupational = {}, std::optional<model::Crenel> crenel = {}) {
    return {position, electrons, 0.4, std::move(displacive), std::move(occupational), crenel};
}

// The model's coefficients of wave n (none where it has no such wave).
model::DisplaciveWave displacive_of(const model::Atom& a, const std::array<int, 3>& n) {
    for (const model::DisplaciveWave& w : a.displacive) {
        if (w.n == n) return w;
    }
    return {n, {}, {}};
}

model::OccupationalWave occupational_of(const model::Atom& a, const std::array<int, 3>& n) {
    for (const model::OccupationalWave& w : a.occupational) {
        if (w.n == n) return w;
    }
    return {n, 0, 0};
}

// The fractional difference nearest to 0.
Vec nearest(const Vec& p, const Vec& q) {
    Vec d{};
    for (std::size_t i = 0; i < 3; ++i) d[i] = p[i] - q[i] - std::nearbyint(p[i] - q[i]);
    return d;
}

double degrees(double s, double c) { return std::atan2(c, s) * 180.0 / std::numbers::pi; }

// How far along the period two fractions lie, periodically.
double periodic_gap(double a, double b) { return std::abs(a - b - std::nearbyint(a - b)); }

// Every found atom against the model atom nearest to it, to the accuracy the analysis
// promises: displacive amplitudes within max(0.003 A, 3 %), first-order phases within 2
// degrees where the amplitude is 0.05 A or more, occupational coefficients within 0.02,
// a crenel's centre within 0.6 and its width within 1.2 steps of axis 4.
void expect_model(const model::Model& m, const Map& map, const std::vector<Atom>& found) {
    const CellMetric metric(m.cell);
    ASSERT_EQ(found.size(), m.atoms.size());
    for (const Atom& f : found) {
        const auto by_distance = [&](const model::Atom& a, const model::Atom& b) {
            return metric.length(nearest(f.position, a.position)) < metric.length(nearest(f.position, b.position));
        };
        const model::Atom& a = *std::min_element(m.atoms.begin(), m.atoms.end(), by_distance);
        SCOPED_TRACE("the atom at " + std::to_string(a.position[0]) + ", " + std::to_string(a.position[1]));
        EXPECT_LT(metric.length(nearest(f.position, a.position)), 0.003);
        for (std::size_t w = 0; w < f.displacive.size(); ++w) {
            const DisplaciveTerm& t = f.displacive[w];
            const model::DisplaciveWave expected = displacive_of(a, t.n);
            const int length = std::abs(t.n[0]) + std::abs(t.n[1]) + std::abs(t.n[2]);
            for (int e = 0; e < 3; ++e) {
                const auto i = static_cast<std::size_t>(e);
                const double amplitude = std::hypot(t.sin[i], t.cos[i]) * metric.edge(e);
                const double model_amplitude = std::hypot(expected.sin[i], expected.cos[i]) * metric.edge(e);
                if (length <= 2) {
                    EXPECT_NEAR(amplitude, model_amplitude, std::max(0.003, 0.03 * model_amplitude)) << w << e;
                }
                if (length == 1 && model_amplitude >= 0.05) {
                    const double turn = degrees(t.sin[i], t.cos[i]) - degrees(expected.sin[i], expected.cos[i]);
                    EXPECT_NEAR(std::remainder(turn, 360.0), 0.0, 2.0) << w << e;
                }
            }
            const model::OccupationalWave occupation = occupational_of(a, t.n);
            EXPECT_NEAR(f.occupational[w].sin, occupation.sin, 0.02) << w;
            EXPECT_NEAR(f.occupational[w].cos, occupation.cos, 0.02) << w;
        }
        ASSERT_EQ(f.crenel.has_value(), a.crenel.has_value());
        if (a.crenel) {
            const double step = 1.0 / map.nvox(4);
            EXPECT_LE(periodic_gap(f.crenel->center, a.crenel->center), 0.6 * step);
            EXPECT_LE(std::abs(f.crenel->width - a.crenel->width), 1.2 * step);
        }
    }
}

// A map whose atom at sample s of axis 4 stands where `placed` puts it: a 3 + 1 dimensional
// map built section by section from three-dimensional models.
Map sections_map(const model::Model& real, int samples, Vec (*placed)(double x4)) {
    std::vector<std::int32_t> counts(real.counts.begin(), real.counts.end());
    counts.push_back(samples);
    Map map = full_cell_map(counts);
    map.dimension = 4;
    map.cell = real.cell;
    const std::int64_t section = map.layer() * map.nvox(3);
    for (int s = 0; s < samples; ++s) {
        model::Model at = real;
        at.atoms[0].position = placed(static_cast<double>(s) / samples);
        const Map one = model::model_map(at);
        std::copy_n(one.rho.data(), section, map.rho.data() + s * section);
    }
    return map;
}

}  // namespace

TEST(Atoms, OfModelMapsFollowTheirModulation) {
    struct Case {
        const char* name;
        model::Model model;
    };
    const std::vector<Case> cases{
        {"3 + 1: displacive waves of first and second order, an occupational wave, a crenel with a displacive wave",
         {{8, 8.4, 8, 90, 100, 90},
          {28, 30, 28, 24},
          {atom({0.2, 0.3, 0.25}, 10,
                {{{1, 0, 0}, {0.012, 0, 0.008}, {0, 0.009, 0.004}}, {{2, 0, 0}, {0.003, 0.002, 0}, {0, 0, 0.002}}}),
           atom({0.7, 0.75, 0.3}, 8, {}, {{{1, 0, 0}, 0.25, -0.1}, {{2, 0, 0}, 0, 0.08}}),
           atom({0.45, 0.55, 0.8}, 12, {{{1, 0, 0}, {0, 0.01, 0}, {0, 0, 0}}}, {}, model::Crenel{0.35, 0.55}),
           atom({0.95, 0.1, 0.6}, 9, {}, {}, model::Crenel{0.9, 0.4})}}},
        {"3 + 2: waves along x4, x5 and their sum and difference",
         {{8, 8, 8, 90, 90, 90},
          {28, 28, 28, 12, 10},
          {atom({0.25, 0.25, 0.3}, 10, {{{1, 0, 0}, {0.01, 0, 0}, {0, 0, 0.006}}, {{0, 1, 0}, {0, 0.008, 0}, {0.004, 0, 0}},
                                        {{1, -1, 0}, {0, 0, 0.004}, {0, 0, 0}}}),
           atom({0.7, 0.65, 0.75}, 8, {{{1, 1, 0}, {0.003, 0.003, 0}, {0, 0, 0}}}, {{{0, 1, 0}, 0.15, 0.05}})}}},
        {"3: the peaks", {{8, 8, 8, 90, 90, 120}, {28, 28, 28}, {atom({0.1, 0.2, 0.3}, 10), atom({0.6, 0.5, 0.7}, 6)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Map map = model::model_map(c.model);
        const std::vector<Atom> found = find_atoms(map, {});
        expect_model(c.model, map, found);
        if (map.dimension > 3) continue;
        const std::vector<Peak> peaks = find_peaks(map, {});
        ASSERT_EQ(found.size(), peaks.size());
        for (std::size_t i = 0; i < peaks.size(); ++i) {
            EXPECT_EQ(found[i].height, peaks[i].height);
            EXPECT_EQ(found[i].charge, peaks[i].charge);
            EXPECT_TRUE(found[i].displacive.empty());
        }
    }
}

// An atom that moves on by a whole cell along a over one period of x4 is one atom, its
// sawtooth taken off the series.
TEST(Atoms, ClosingShiftedByALatticeVectorAreOneAtom) {
    const model::Model real{{8, 8, 8, 90, 90, 90}, {28, 28, 28}, {atom({}, 10)}};
    const Map map = sections_map(real, 16, [](double x4) {
        return Vec{0.1 + x4 + 0.01 * std::sin(2 * std::numbers::pi * x4), 0.3, 0.4};
    });
    const std::vector<Atom> found = find_atoms(map, {});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].shift[0], (std::array<int, 3>{1, 0, 0}));
    EXPECT_NEAR(found[0].position[0], 0.1, 0.0005);
    EXPECT_NEAR(found[0].displacive[0].sin[0], 0.01, 0.0005);
    EXPECT_NEAR(found[0].displacive[0].cos[0], 0.0, 0.0005);
    EXPECT_EQ(found[0].trace.size(), 16u);
}

TEST(FourierFit, RecoversASeriesToTheOrderThePointsSupport) {
    struct Case {
        const char* name;
        int d, order;
        std::vector<std::array<double, 3>> points;
        FourierSeries truth;
        int fitted_order;
    };
    const auto grid = [](int n4, int n5, double from, double to) {
        std::vector<std::array<double, 3>> x;
        for (int j = 0; j < n5; ++j) {
            for (int i = 0; i < n4; ++i) {
                const double x4 = static_cast<double>(i) / n4;
                if (x4 >= from && x4 < to) x.push_back({x4, static_cast<double>(j) / n5, 0});
            }
        }
        return x;
    };
    const std::vector<Case> cases{
        {"a whole period", 1, 2, grid(16, 1, 0, 1), {2, {{1, 0, 0}, {2, 0, 0}}, {0.3}, {{0.02}, {-0.01}}, {{0.01}, {0.004}}}, 2},
        {"two dimensions", 2, 2, grid(8, 6, 0, 1), {2, {{1, -1, 0}, {0, 2, 0}}, {-0.1}, {{0.03}, {0.0}}, {{0.0}, {0.02}}}, 2},
        {"4 samples: the sine of order 2 vanishes on them", 1, 2, grid(4, 1, 0, 1),
         {1, {{1, 0, 0}}, {0.5}, {{0.1}}, {{-0.2}}}, 1},
        {"a crenel of 10 samples in 32", 1, 2, grid(32, 1, 0.3, 0.6), {1, {{1, 0, 0}}, {0.5}, {{0.02}}, {{0.01}}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<double> values;
        for (const auto& x : c.points) values.push_back(c.truth.at(x)[0]);
        const FourierSeries fit = fit_fourier_series(c.points, values, 1, c.d, c.order);
        EXPECT_EQ(fit.order, c.fitted_order);
        EXPECT_EQ(fit.waves, wave_vectors(c.d, c.fitted_order));
        EXPECT_NEAR(fit.constant[0], c.truth.constant[0], 1e-9);
        for (const auto& x : grid(7, c.d == 2 ? 5 : 1, 0, 1)) {
            EXPECT_NEAR(fit.at(x)[0], c.truth.at(x)[0], 1e-9);
        }
    }
    // By increasing sum of |n_k|, then lexicographically, one of n and -n.
    EXPECT_EQ(wave_vectors(2, 1), (std::vector<std::array<int, 3>>{{0, 1, 0}, {1, 0, 0}, {1, -1, 0}, {1, 1, 0}}));
    EXPECT_EQ(wave_vectors(3, 2).size(), (5u * 5 * 5 - 1) / 2);
}

// The JSON holds exactly its keys, one trace sample a CSV row; a map of two dimensions is
// refused in one line.
TEST(AtomsCommand, WritesEveryKeyAndRefusesAPlane) {
    vtest::ScratchDir dir;
    const model::Model m{{8, 8, 8, 90, 90, 90}, {24, 24, 24, 8},
                         {atom({0.2, 0.3, 0.4}, 10, {{{1, 0, 0}, {0.01, 0, 0}, {0, 0, 0}}}, {}, model::Crenel{0.5, 0.5})}};
    Map map = model::model_map(m);
    write_map_file(map, dir.path("m.q47"), MapFormat::q47, XplorLayout::standard);
    Map plane = full_cell_map({6, 6});
    std::fill(plane.rho.begin(), plane.rho.end(), 1.0f);
    write_map_file(plane, dir.path("plane.q47"), MapFormat::q47, XplorLayout::standard);
    const auto run = [&](std::vector<std::string> args, std::string& out, std::string& err) {
        std::vector<const char*> argv{"voxmill", "atoms", "--cell", "8,8,8,90,90,90"};
        for (const std::string& a : args) argv.push_back(a.c_str());
        std::ostringstream o, e;
        const int status = run_command_line(static_cast<int>(argv.size()), argv.data(), o, e);
        out = o.str(), err = e.str();
        return status;
    };
    std::string out, err;
    ASSERT_EQ(run({"--json", dir.path("m.q47")}, out, err), 0) << err;
    const nlohmann::json j = nlohmann::json::parse(out);
    const auto keys = [](const nlohmann::json& o) {
        std::vector<std::string> k;
        for (const auto& item : o.items()) k.push_back(item.key());
        return k;
    };
    EXPECT_EQ(keys(j), (std::vector<std::string>{"atoms", "cell", "dimension", "file"}));
    ASSERT_EQ(j["atoms"].size(), 1u);
    const nlohmann::json& a = j["atoms"][0];
    EXPECT_EQ(keys(a), (std::vector<std::string>{"charge", "crenel", "displacive", "height", "id", "occupational", "position",
                                                 "rms_residual", "trace"}));
    EXPECT_EQ(keys(a["crenel"]), (std::vector<std::string>{"center", "width"}));
    EXPECT_EQ(keys(a["displacive"][0]), (std::vector<std::string>{"cos", "n", "sin"}));
    EXPECT_EQ(keys(a["trace"][0]), (std::vector<std::string>{"at", "charge", "height", "position"}));
    EXPECT_EQ(a["trace"].size(), 4u);  // x4 within 0.25 of 0.5: 4 of 8 samples
    EXPECT_EQ(a["trace"][0]["at"].size(), 1u);

    ASSERT_EQ(run({"--csv", dir.path("m.q47")}, out, err), 0) << err;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1 + 4);
    EXPECT_EQ(out.substr(0, out.find('\n')), "atom,x4,x,y,z,height,charge");

    EXPECT_EQ(run({dir.path("plane.q47")}, out, err), 1);
    EXPECT_EQ(err, "voxmill: error: " + dir.path("plane.q47") +
                       ": a map of 2 dimensions has no atoms: they need three real-space axes\n");
}
