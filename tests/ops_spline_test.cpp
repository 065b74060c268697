#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "ops/spline_weights.hpp"
#include "ops/voxmill_splin.hpp"
#include "support/map_state.hpp"
#include "support/reference_density.hpp"
#include "support/test_support.hpp"

using voxmill::Tab;

namespace {

using Ints = Tab<std::int32_t, 6>;
using Reals = Tab<float, 6>;

const Ints kInOrder{{1, 2, 3, 4, 5, 6}};

// The density of the current map at pt from the block of `range` nodes per axis at orig.
float density_at(const voxmill::State& st, const Reals& pt, const Ints& orig, int range, const Ints& derord = {},
                 const Ints& axord = kInOrder) {
    std::size_t count = 1;
    for (int k = 1; k <= st.sdim; ++k) count *= static_cast<std::size_t>(range);
    std::vector<float> block(count);
    EXPECT_EQ(vtest::fillrhocut(st.map, st.sdim, axord, orig, st.sdim, range, block), static_cast<std::int32_t>(count));
    std::vector<float> y(static_cast<std::size_t>(range)), y2(static_cast<std::size_t>(range));
    float rout = 0.0f;
    vtest::rhoatpoint(st.sdim, range, derord, axord, pt, orig, block, rout, y, y2);
    return rout;
}

// 1 + 0.5 x - 0.25 y + 2 z: linear along every axis.
std::vector<float> linear_map(int nx, int ny, int nz) {
    std::vector<float> rho;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) rho.push_back(1.0f + 0.5f * x - 0.25f * y + 2.0f * z);
    return rho;
}

}  // namespace

TEST(FillRhoCut, CopiesTheWrappedBlockInTheOrderOfTheAxes) {
    voxmill::State st;
    std::vector<float> rho(20);
    for (int c = 0; c < 20; ++c) rho[static_cast<std::size_t>(c)] = 100.0f + static_cast<float>(c);
    vtest::load_map(st, {20}, rho);
    std::vector<float> block(5);
    EXPECT_EQ(vtest::fillrhocut(st.map, st.sdim, kInOrder, Ints{{-2}}, 1, 5, block), 5);
    EXPECT_EQ(block, (std::vector<float>{118, 119, 100, 101, 102}));

    // Two axes, axis 2 stored fastest: the block walks down a column first, wrapping on both.
    vtest::load_map(st, {4, 3}, vtest::ramp(12));
    block.assign(4, -1.0f);
    EXPECT_EQ(vtest::fillrhocut(st.map, st.sdim, Ints{{2, 1}}, Ints{{3, 2}}, 2, 2, block), 4);
    // voxels (3,2) (3,0) (0,2) (0,0) at linear indices 11, 3, 8, 0
    EXPECT_EQ(block, (std::vector<float>{11, 3, 8, 0}));
}

TEST(RhoAtPoint, GivesTheVoxelDensityOnANodeAcrossTheBorder) {
    voxmill::State st;
    vtest::load_map(st, {7, 6, 5});
    // Voxel (0, 5, 4) reached from the negative side of every axis: -7, -1, -1.
    const float exact = st.map.rho[static_cast<std::size_t>(0 + 7 * (5 + 6 * 4))];
    EXPECT_EQ(density_at(st, Reals{{-7.0f, -1.0f, -1.0f}}, Ints{{-9, -3, -3}}, 5), exact);
    // The same voxel as the last node of a block along axis 1, and interpolated in y first.
    EXPECT_EQ(density_at(st, Reals{{7.0f, 5.0f, 4.0f}}, Ints{{5, 3, 2}}, 3, {}, Ints{{2, 3, 1}}), exact);
}

TEST(RhoAtPoint, ReproducesLinearDensitiesAndTheirDerivativesPerVoxel) {
    voxmill::State st;
    vtest::load_map(st, {12, 12, 12}, linear_map(12, 12, 12));
    const Reals pt{{4.3f, 5.77f, 6.5f}};
    const Ints orig{{2, 4, 4}};
    EXPECT_NEAR(density_at(st, pt, orig, 5), 1.0f + 0.5f * 4.3f - 0.25f * 5.77f + 2.0f * 6.5f, 1e-5);
    EXPECT_NEAR(density_at(st, pt, orig, 5, Ints{{1, 0, 0}}), 0.5f, 1e-5);
    EXPECT_NEAR(density_at(st, pt, orig, 5, Ints{{0, 1, 0}}), -0.25f, 1e-5);
    EXPECT_NEAR(density_at(st, pt, orig, 5, Ints{{0, 0, 1}}), 2.0f, 1e-5);
    EXPECT_NEAR(density_at(st, pt, orig, 5, Ints{{2, 0, 2}}), 0.0f, 1e-5);

    // x*y: the mixed derivative is 1 and the derivative along x alone is y.
    std::vector<float> xy;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) xy.push_back(static_cast<float>(x * y));
    vtest::load_map(st, {8, 8}, xy);
    EXPECT_NEAR(density_at(st, Reals{{3.25f, 2.5f}}, Ints{{1, 0}}, 5, Ints{{1, 1}}), 1.0f, 1e-5);
    EXPECT_NEAR(density_at(st, Reals{{3.25f, 2.5f}}, Ints{{1, 0}}, 5, Ints{{1, 0}}), 2.5f, 1e-5);
}

TEST(RhoAtPoint, WithTwoNodesIsLinearInterpolation) {
    voxmill::State st;
    vtest::load_map(st, {5, 4}, {}, 3);
    auto rho = [&](int x, int y) { return st.map.rho[static_cast<std::size_t>(x + 5 * y)]; };
    const float fx = 0.3f, fy = 0.8f;
    const float expected = (1 - fy) * ((1 - fx) * rho(4, 3) + fx * rho(0, 3)) + fy * ((1 - fx) * rho(4, 0) + fx * rho(0, 0));
    // Nodes 4, 5 along x and 3, 4 along y: both wrap to 0 at the far node.
    EXPECT_NEAR(density_at(st, Reals{{4.0f + fx, 3.0f + fy}}, Ints{{4, 3}}, 2), expected, 1e-5);
}

TEST(Spline, SolvesTheNaturalSplineEquationsAndSplintFollowsIt) {
    const std::array<float, 6> x{-3, -2, -1, 0, 1, 2};
    const std::array<float, 6> y{2.0f, -1.0f, 4.0f, 0.5f, 3.0f, -2.0f};
    std::array<float, 6> y2{};
    voxmill::spline(x, y, 6, y2);
    EXPECT_EQ(y2[0], 0.0f);
    EXPECT_EQ(y2[5], 0.0f);
    for (std::size_t i = 1; i < 5; ++i) {  // unit spacing: y2(i-1) + 4 y2(i) + y2(i+1) = 6 (second difference)
        EXPECT_NEAR(y2[i - 1] + 4 * y2[i] + y2[i + 1], 6 * (y[i + 1] - 2 * y[i] + y[i - 1]), 1e-4);
    }
    Tab<float, 3> v;
    for (float at : {-2.6f, -0.5f, 0.4f, 1.9f}) {
        voxmill::splint(x, y, y2, 6, at, v);
        Tab<float, 3> lo, hi;
        const float h = 1e-2f;
        voxmill::splint(x, y, y2, 6, at - h, lo);
        voxmill::splint(x, y, y2, 6, at + h, hi);
        EXPECT_NEAR(v(2), (hi(1) - lo(1)) / (2 * h), 2e-3) << at;
        EXPECT_NEAR(v(3), (hi(2) - lo(2)) / (2 * h), 2e-2) << at;
    }
    voxmill::splint(x, y, y2, 6, 0.0f, v);
    EXPECT_EQ(v(1), 0.5f);
    EXPECT_NEAR(v(3), y2[3], 1e-6);
    // The last node belongs to the last piece.
    voxmill::splint(x, y, y2, 6, 2.0f, v);
    EXPECT_EQ(v(1), -2.0f);

    // Points off the table take the end pieces, which continue a straight line.
    const std::array<float, 6> line{-5.0f, -3.0f, -1.0f, 1.0f, 3.0f, 5.0f};
    voxmill::spline(x, line, 6, y2);
    for (float at : {-4.5f, 3.25f, 30.0f}) {
        voxmill::splint(x, line, y2, 6, at, v);
        EXPECT_NEAR(v(1), 1.0f + 2.0f * at, 1e-4) << at;
        EXPECT_NEAR(v(2), 2.0f, 1e-5) << at;
    }
}

TEST(StencilWeights, WeighTheNodesAsTheSplineDoes) {
    std::mt19937 gen(5);
    std::uniform_real_distribution<float> value(-3.0f, 7.0f);
    std::uniform_real_distribution<float> where(-40.0f, 40.0f);
    for (int trial = 0; trial < 200; ++trial) {
        const float at = where(gen);
        const auto orig = static_cast<std::int32_t>(std::floor(at - 1.5f));
        std::array<float, 5> x{}, y{}, y2{};
        for (std::size_t p = 0; p < 5; ++p) {
            x[p] = static_cast<float>(orig + static_cast<std::int32_t>(p));
            y[p] = value(gen);
        }
        voxmill::spline(x, y, 5, y2);
        Tab<float, 3> v;
        voxmill::splint(x, y, y2, 5, at, v);
        const voxmill::NodeWeights w = voxmill::stencil_weights(at, orig);
        float sum = 0.0f, total = 0.0f;
        for (std::size_t p = 0; p < 5; ++p) {
            sum += w[p] * y[p];
            total += w[p];
        }
        EXPECT_NEAR(sum, v(1), 1e-5f * 7.0f) << at;
        EXPECT_NEAR(total, 1.0f, 1e-6f) << at;  // a constant density stays constant
    }
}
