#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <set>
#include <utility>
#include <vector>

#include "ops/contour.hpp"

using voxmill::trace_contour;

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr int kNu = 64, kNv = 48;

// cos 2π(x - shift) + cos 2π(y - shift) at grid point (u, v), x and y running over [0, 1].
double wave(double u, double v, double shift) {
    return std::cos(kTwoPi * (u / (kNu - 1) - shift)) + std::cos(kTwoPi * (v / (kNv - 1) - shift));
}

std::vector<float> sampled_wave(double shift) {
    std::vector<float> f;
    for (int v = 0; v < kNv; ++v)
        for (int u = 0; u < kNu; ++u) f.push_back(static_cast<float>(wave(u, v, shift)));
    return f;
}

// Whether the exact curve passes within r of (u, v): the wave minus the level changes sign
// between the point and the circle of radius r round it (sound at the saddles too, where a
// step along the gradient is not).
bool near_curve(double u, double v, double level, double r) {
    const double here = wave(u, v, 0) - level;
    for (int k = 0; k < 32; ++k)
        if ((wave(u + r * std::cos(kTwoPi * k / 32), v + r * std::sin(kTwoPi * k / 32), 0) - level) * here <= 0)
            return true;
    return false;
}

}  // namespace

TEST(Contour, WaveLinesAreWholeAndLieOnTheLevelCurve) {
    // Round the minimum in the middle the lines close; round the four peaks at the corners
    // they are arcs cut by the edges. At 0 the diamond through the saddles closes inside the
    // grid, as the edge samples either side of each saddle lie just above 0. Beyond the
    // values (2 at the corners, about -1.99 nearest the middle) there is nothing.
    const struct {
        double level;
        std::size_t lines;
        bool closed;
    } cases[] = {{-1.5, 1, true},  {-0.5, 1, true},     {0.0, 1, true},  {0.7, 4, false},
                 {1.2, 4, false},  {2.0001, 0, false},  {-2.0, 0, false}};
    const auto f = sampled_wave(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        const auto lines = trace_contour(f.data(), kNu, kNv, c.level);
        ASSERT_EQ(lines.size(), c.lines);
        for (const auto& line : lines) {
            EXPECT_EQ(line.closed, c.closed);
            for (std::size_t k = 0; k < line.points.size(); ++k) {
                // Linear crossings stay within 0.2 of a step here; edge midpoints would not.
                const auto p = line.points[k];
                EXPECT_TRUE(near_curve(p.u, p.v, c.level, 0.25)) << p.u << ", " << p.v;
                if (k > 0) {
                    const auto q = line.points[k - 1];
                    EXPECT_LE(std::hypot(p.u - q.u, p.v - q.v), std::sqrt(2.0) + 1e-12);
                }
            }
        }
    }
}

TEST(Contour, CurveRoundAPeakIsOneClosedLineThatWindsRoundIt) {
    const auto f = sampled_wave(0.5);
    const double pu = (kNu - 1) / 2.0, pv = (kNv - 1) / 2.0;
    for (double level : {1.9, 1.2, 0.5}) {
        SCOPED_TRACE(level);
        const auto lines = trace_contour(f.data(), kNu, kNv, level);
        ASSERT_EQ(lines.size(), 1u);
        const auto& p = lines[0].points;
        ASSERT_GE(p.size(), 4u);
        EXPECT_TRUE(lines[0].closed);
        EXPECT_TRUE(p.front().u == p.back().u && p.front().v == p.back().v);
        double turn = 0;
        const auto angle = [&](std::size_t k) { return std::atan2(p[k].v - pv, p[k].u - pu); };
        for (std::size_t k = 1; k < p.size(); ++k) turn += std::remainder(angle(k) - angle(k - 1), kTwoPi);
        EXPECT_NEAR(std::abs(turn), kTwoPi, 1e-9);
    }
}

TEST(Contour, CellsWithANanCornerAreLeftOut) {
    auto f = sampled_wave(0);
    const int su = 10, sv = 20, s = su + kNu * sv;
    const double level = (f[s] + f[s + 1]) / 2.0;  // a curve runs past the sample
    f[s] = std::numeric_limits<float>::quiet_NaN();
    const auto lines = trace_contour(f.data(), kNu, kNv, level);
    ASSERT_FALSE(lines.empty());
    for (const auto& line : lines)
        for (std::size_t k = 0; k < line.points.size(); ++k) {
            const auto p = line.points[k];
            ASSERT_FALSE(std::isnan(p.u) || std::isnan(p.v));
            if (k == 0) continue;
            // no segment crosses the four cells round the NaN sample
            const double mu = (p.u + line.points[k - 1].u) / 2, mv = (p.v + line.points[k - 1].v) / 2;
            EXPECT_FALSE(std::abs(mu - su) < 1 && std::abs(mv - sv) < 1) << mu << ", " << mv;
        }
}

TEST(Contour, SamplesAtTheLevelGiveEachLineOnceWithoutEmptySegments) {
    struct Case {
        const char* what;
        int nu, nv;
        std::vector<float> values;
        double level;
        std::size_t lines;
        bool closed;
    };
    const std::vector<Case> cases = {
        {"a lone sample at the level", 3, 3, {0, 0, 0, 0, 1, 0, 0, 0, 0}, 1, 0, false},
        {"a column at the level", 4, 3, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}, 2, 1, false},
        {"a block at the level", 4, 4, {0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0}, 1, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto lines = trace_contour(c.values.data(), c.nu, c.nv, c.level);
        ASSERT_EQ(lines.size(), c.lines);
        for (const auto& line : lines) {
            EXPECT_EQ(line.closed, c.closed);
            for (std::size_t k = 1; k < line.points.size(); ++k)
                EXPECT_FALSE(line.points[k].u == line.points[k - 1].u && line.points[k].v == line.points[k - 1].v);
        }
    }
}

TEST(Contour, SaddleJoinsTheCornersOnTheSideOfTheCellMean) {
    // Corners (0,0) and (1,1) reach 0.5, the other two do not; the first corner decides the mean.
    const std::vector<std::pair<float, std::set<std::pair<int, int>>>> cases = {
        {1.2f, {{1, 0}, {0, 1}}},  // mean 0.55: the low corners are cut off
        {0.8f, {{0, 0}, {1, 1}}},  // mean 0.45: the high corners are cut off
    };
    for (const auto& [first, cut_off] : cases) {
        SCOPED_TRACE(first);
        const float values[] = {first, 0, 0, 1};
        const auto lines = trace_contour(values, 2, 2, 0.5);
        ASSERT_EQ(lines.size(), 2u);
        std::set<std::pair<int, int>> nearest;
        for (const auto& line : lines) {
            ASSERT_EQ(line.points.size(), 2u);
            nearest.insert({static_cast<int>(std::lround((line.points[0].u + line.points[1].u) / 2)),
                            static_cast<int>(std::lround((line.points[0].v + line.points[1].v) / 2))});
        }
        EXPECT_EQ(nearest, cut_off);
    }
}
