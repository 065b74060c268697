// The peaks of maps: model maps of Gaussian atoms, whose centres, heights and electrons the
// model knows, and one-dimensional maps written by hand, whose basins, plateaus and NaN
// voxels can be counted on the fingers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

#include "model_map.hpp"
#include "ops/peaks.hpp"
#include "ops/reorder.hpp"

namespace {

using namespace voxmill;

model::Atom atom(std::array<double, 3> position, double electrons, double width,
                 std::vector<model::OccupationalWave> occupational = {}) {
    return {position, electrons, width, {}, std::move(occupational), std::nullopt};
}

struct ModelCase {
    const char* what;
    model::Model model;
    std::vector<bool> isolated;  // per atom: its basin holds all of it, its top only its own density
    std::vector<double> top_x4;  // per atom of a 4D map: where its occupancy is highest
    std::optional<BoxOrder> box;  // the part of the map searched
};

// A box of `width` voxels on each of three axes from `start`.
BoxOrder box(std::array<std::int32_t, 3> start, std::int32_t width) {
    BoxOrder b;
    for (int k = 1; k <= 3; ++k) {
        b.start(k) = start[static_cast<std::size_t>(k - 1)];
        b.width(k) = width - 1;
    }
    return b;
}

std::vector<ModelCase> model_cases() {
    const std::array<double, 6> oblique{10, 11, 12, 90, 100, 90};
    return {
        {"isolated atoms and a bonded pair 1.6 A apart, oblique cell",
         {oblique, {36, 40, 44},
          {atom({0.21, 0.33, 0.47}, 8, 0.4), atom({0.85, 0.1, 0.2}, 7, 0.35), atom({0.45, 0.8, 0.15}, 16, 0.45),
           atom({0.6, 0.6, 0.6}, 6, 0.4), atom({0.76, 0.6, 0.6}, 6, 0.4)}},
         {true, true, true, false, false}, {}, {}},
        {"an atom across the corner of the cell",
         {oblique, {36, 40, 44}, {atom({0.995, 0.002, 0.998}, 10, 0.42), atom({0.5, 0.5, 0.5}, 8, 0.4)}},
         {true, true}, {}, {}},
        {"the same cut to a box around the corner, crossing the cell's edges",
         {oblique, {36, 40, 44}, {atom({0.995, 0.002, 0.998}, 10, 0.42), atom({0.5, 0.5, 0.5}, 8, 0.4)}},
         {true, false}, {}, box({28, 32, 36}, 16)},
        {"4D: occupancies that peak at x4 = 0 and 0.25",
         {{8, 8, 8, 90, 90, 90}, {32, 32, 32, 16},
          {atom({0.3, 0.6, 0.45}, 8, 0.4, {{{1, 0, 0}, 0.0, 0.5}}),
           atom({0.8, 0.1, 0.95}, 6, 0.38, {{{1, 0, 0}, 0.4, 0.0}})}},
         {true, true}, {0.0, 0.25}, {}},
    };
}

double wrapped(double d) { return d - std::nearbyint(d); }

// Each atom is one refined peak within 0.01 voxel of its centre (at the top of its occupancy
// in 4D); an isolated atom's top has the height of its Gaussian and its basin its electrons.
TEST(Peaks, ModelAtoms) {
    for (const ModelCase& c : model_cases()) {
        SCOPED_TRACE(c.what);
        Map map = model::model_map(c.model);
        if (c.box) {
            // The box framed where it lies in the cell, as a CCP4/MRC box is.
            map = reorder(map, *c.box);
            for (int k = 1; k <= 3; ++k) map.xfmn(k) = static_cast<float>(c.box->start(k)) / static_cast<float>(c.model.counts[static_cast<std::size_t>(k - 1)]);
        }
        const std::vector<Peak> peaks = find_peaks(map, {1.0, 3.0, std::nullopt});
        const std::size_t atoms = c.box ? 1 : c.model.atoms.size();
        ASSERT_EQ(peaks.size(), atoms);
        for (std::size_t a = 0; a < atoms; ++a) {
            const model::Atom& at = c.model.atoms[a];
            std::array<double, 4> centre{at.position[0], at.position[1], at.position[2], 0};
            if (!c.top_x4.empty()) centre[3] = c.top_x4[a];
            // The peak nearest, in voxels of each axis.
            const auto off = [&](const Peak& p, int k) {
                const auto i = static_cast<std::size_t>(k);
                return std::abs(wrapped(p.position[i] - centre[i])) / map.xdf(k + 1);
            };
            const Peak* found = nullptr;
            for (const Peak& p : peaks) {
                if (off(p, 0) < 1 && off(p, 1) < 1 && off(p, 2) < 1) found = &p;
            }
            ASSERT_NE(found, nullptr) << "atom " << a;
            EXPECT_TRUE(found->refined) << "atom " << a;
            for (int k = 0; k < map.dimension; ++k) {
                EXPECT_LT(off(*found, k), 0.01) << "atom " << a << ", axis " << k + 1;
                // Wrapped into the cell, or where the box lies.
                const double first = map.xfmn(k + 1), last = map.xfmn(k + 1) + (map.nvox(k + 1) - 1) * map.xdf(k + 1);
                const auto x = found->position[static_cast<std::size_t>(k)];
                EXPECT_TRUE(c.box ? x >= first && x <= last : x >= 0 && x < 1) << "atom " << a << ": " << x;
            }
            if (!c.isolated[a]) continue;
            const double occupancy = model::atom_occupancy(at, {centre[3], 0, 0});
            const double top = occupancy * at.electrons / (std::pow(2 * std::numbers::pi, 1.5) * std::pow(at.width, 3));
            EXPECT_NEAR(found->height, top, 1e-3 * top) << "atom " << a;
            EXPECT_NEAR(found->charge, at.electrons, 0.01 * at.electrons) << "atom " << a;
        }
    }
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Expected {
    double position, height, charge;
    std::int64_t voxels;
    bool refined;
};

struct LineCase {
    const char* what;
    std::vector<float> rho;  // 16 voxels of a one-dimensional map
    PeakCriteria criteria;
    std::vector<Expected> peaks;
};

// The height of the parabola through log 2, log 2 and log 1 at its top, half a voxel off the
// voxel of the flat top that the search keeps.
const double kTwoVoxelTop = std::pow(2.0, 9.0 / 8.0);

// Positions are voxel/16, charges the basin's densities / 16 (no cell). On a plateau that
// leads up, each voxel steps towards its nearest voxel that leads up, the lower-index way
// when both are as near.
std::vector<LineCase> line_cases() {
    const PeakCriteria all{0.5, 3.0, std::nullopt};
    const std::vector<float> two_peaks{0, 0, 1, 2, 1, 0, 0, 0, 0, 0, 1, 3, 1, 0, 0, 0};
    return {
        {"two peaks with a shelf between them shared out by nearness", two_peaks, all,
         {{11.0 / 16, 3, 5.0 / 16, 7, true}, {3.0 / 16, 2, 4.0 / 16, 9, true}}},
        {"a threshold keeps the higher peak, whose basin stays", two_peaks, {2.5, 3.0, std::nullopt},
         {{11.0 / 16, 3, 5.0 / 16, 7, true}}},
        {"mean + 2 rms (2.29) keeps the higher peak", two_peaks, {std::nullopt, 2.0, std::nullopt},
         {{11.0 / 16, 3, 5.0 / 16, 7, true}}},
        {"at most one peak: the highest", two_peaks, {0.5, 3.0, 1}, {{11.0 / 16, 3, 5.0 / 16, 7, true}}},
        {"a flat top of three voxels: one unrefined peak in its middle",
         {0, 1, 2, 2, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, all, {{3.0 / 16, 2, 8.0 / 16, 16, false}}},
        {"a flat top of two voxels: one peak between them",
         {0, 1, 2, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, all, {{2.5 / 16, kTwoVoxelTop, 6.0 / 16, 16, true}}},
        {"a flat top across the cell's edge", {2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2}, all,
         {{15.5 / 16, kTwoVoxelTop, 6.0 / 16, 16, true}}},
        {"a NaN voxel is no neighbour: both voxels beside it are tops, unrefined",
         {0, 1, 3, kNaN, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, all,
         {{2.0 / 16, 3, 4.0 / 16, 8, false}, {4.0 / 16, 1, 1.0 / 16, 7, false}}},
        {"a constant map", std::vector<float>(16, 2.5f), all, {}},
        {"a map of NaN", std::vector<float>(16, kNaN), all, {}},
        {"a voxel among NaN voxels", {kNaN, kNaN, kNaN, kNaN, kNaN, 4, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN},
         all, {}},
    };
}

TEST(Peaks, LinesByHand) {
    for (const LineCase& c : line_cases()) {
        SCOPED_TRACE(c.what);
        Map map = full_cell_map({static_cast<std::int32_t>(c.rho.size())});
        std::copy(c.rho.begin(), c.rho.end(), map.rho.begin());
        const std::vector<Peak> peaks = find_peaks(map, c.criteria);
        ASSERT_EQ(peaks.size(), c.peaks.size());
        for (std::size_t i = 0; i < peaks.size(); ++i) {
            const Expected& e = c.peaks[i];
            EXPECT_NEAR(peaks[i].position[0], e.position, 1e-9) << i;
            EXPECT_NEAR(peaks[i].height, e.height, 1e-6 * e.height) << i;
            EXPECT_NEAR(peaks[i].charge, e.charge, 1e-9) << i;
            EXPECT_EQ(peaks[i].voxels, e.voxels) << i;
            EXPECT_EQ(peaks[i].refined, e.refined) << i;
        }
    }
}

}  // namespace
