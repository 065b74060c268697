#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/voxmill_mod.hpp"
#include "support/reference_density.hpp"

using voxmill::Map;
using voxmill::Tab;

namespace {

// A map of these voxel counts, as many axes as counts; its densities are not needed.
struct Counts {
    Map map;
    int sdim = 0;
};

Counts map_of(std::initializer_list<std::int32_t> counts) {
    Counts m;
    int k = 1;
    for (std::int32_t c : counts) m.map.nvox(k++) = c;
    m.sdim = static_cast<int>(counts.size());
    return m;
}

std::int32_t location(const Counts& m, Tab<std::int32_t, 6> c) { return vtest::arraylocation(m.map, m.sdim, c); }

}  // namespace

// The voxel addressing of the reference routines (support/reference_density.hpp).
TEST(ArrayLocation, WrapsEveryCoordinatePeriodically) {
    const Counts m = map_of({10, 10, 10});
    EXPECT_EQ(location(m, {{-1, 0, 0}}), 9);
    EXPECT_EQ(location(m, {{10, 0, 0}}), 0);
    EXPECT_EQ(location(m, {{0, 1, 0}}), 10);
    EXPECT_EQ(location(m, {{0, 0, 1}}), 100);
    EXPECT_EQ(location(m, {{-11, 0, 0}}), 9);
    EXPECT_EQ(location(m, {{-1000001, 25, -3}}), 9 + 50 + 700);
    EXPECT_EQ(vtest::arraylocation(m.map, m.sdim, {{1, 2, 3}}, 2), 2 * 321);
}

TEST(Coordinates, InvertTheLinearIndexOnEveryVoxel) {
    const Counts m = map_of({3, 1, 4, 2, 5});
    const std::int32_t voxels = 3 * 4 * 2 * 5;
    EXPECT_EQ(vtest::coordinates(m.map, m.sdim, 0), (Tab<std::int32_t, 6>{{0, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(vtest::coordinates(m.map, m.sdim, voxels - 1), (Tab<std::int32_t, 6>{{2, 0, 3, 1, 4, 0}}));
    for (std::int32_t i = 0; i < voxels; ++i) EXPECT_EQ(location(m, vtest::coordinates(m.map, m.sdim, i)), i);
    // An index past the map is not wrapped: the excess goes to the slowest axis.
    const Tab<std::int32_t, 6> c = vtest::coordinates(m.map, m.sdim, voxels + 1);
    EXPECT_EQ(c(5), 5);
    EXPECT_EQ(c(1), 1);
}

TEST(NextCoo, StepsLikeAnOdometerOverTheListedAxes) {
    Tab<std::int32_t, 6> start{}, end{{1, 2, 0, 0, 0, 0}}, coo{}, axord{{2, 1, 0, 0, 0, 0}};
    coo(3) = 7;  // not listed: never touched
    std::vector<std::pair<int, int>> seen;
    while (vtest::nextcoo(2, start, end, coo, axord)) seen.emplace_back(coo(1), coo(2));
    const std::vector<std::pair<int, int>> expected{{0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(coo(1), 0);
    EXPECT_EQ(coo(2), 0);
    EXPECT_EQ(coo(3), 7);
}

TEST(Idel, CountsOnlyTrailingSpacesAsBlank) {
    EXPECT_EQ(voxmill::idel("ab  "), 2);
    EXPECT_EQ(voxmill::idel("      "), 0);
    EXPECT_EQ(voxmill::idel(""), 0);
    EXPECT_EQ(voxmill::idel("a\t"), 2);
    EXPECT_EQ(voxmill::name_of("  x y   "), "  x y");
    EXPECT_EQ(voxmill::name_of(std::string(140, 'a'), voxmill::kShortName), std::string(132, 'a'));
}

TEST(Nint, RoundsHalvesAwayFromZeroAndSaturates) {
    EXPECT_EQ(voxmill::nint(7.5), 8);
    EXPECT_EQ(voxmill::nint(-7.5), -8);
    EXPECT_EQ(voxmill::nint(2.4999), 2);
    EXPECT_EQ(voxmill::nint(1e20), 2147483647);
    EXPECT_EQ(voxmill::nint(-1e20), -2147483647 - 1);
}

TEST(DimensionOf, IsTheHighestAxisWithMoreThanOneVoxel) {
    EXPECT_EQ(voxmill::dimension_of({{48, 48, 1, 1, 1, 1}}), 2);
    EXPECT_EQ(voxmill::dimension_of({{20, 20, 20, 1, 8, 1}}), 5);
    EXPECT_EQ(voxmill::dimension_of({{10, 1, 10, 1, 1, 1}}), 3);
    EXPECT_EQ(voxmill::dimension_of({{1, 1, 1, 1, 1, 1}}), 0);
}
