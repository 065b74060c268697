#include <gtest/gtest.h>

#include "core/voxmill_mod.hpp"

using voxmill::State;
using voxmill::Tab;

namespace {

State map_of(std::initializer_list<std::int32_t> counts) {
    State st;
    int k = 1;
    for (std::int32_t c : counts) st.map.nvox(k++) = c;
    st.sdim = static_cast<std::int32_t>(counts.size());
    return st;
}

std::int32_t location(State& st, Tab<std::int32_t, 6> c) {
    std::int32_t loc = -1;
    voxmill::arraylocation(st, c, loc, 1);
    return loc;
}

}  // namespace

TEST(ArrayLocation, WrapsEveryCoordinatePeriodically) {
    State st = map_of({10, 10, 10});
    EXPECT_EQ(location(st, {{-1, 0, 0}}), 9);
    EXPECT_EQ(location(st, {{10, 0, 0}}), 0);
    EXPECT_EQ(location(st, {{0, 1, 0}}), 10);
    EXPECT_EQ(location(st, {{0, 0, 1}}), 100);
    EXPECT_EQ(location(st, {{-11, 0, 0}}), 9);
    EXPECT_EQ(location(st, {{-1000001, 25, -3}}), 9 + 50 + 700);
    EXPECT_EQ(st.n[3], 1000);
    std::int32_t scaled = 0;
    voxmill::arraylocation(st, {{1, 2, 3}}, scaled, 2);
    EXPECT_EQ(scaled, 2 * 321);
}

TEST(Coordinates, InvertTheLinearIndexOnEveryVoxel) {
    State st = map_of({3, 1, 4, 2, 5});
    st.nvoxtot = 3 * 4 * 2 * 5;
    Tab<std::int32_t, 6> c{};
    voxmill::coordinates(st, 0, c);
    EXPECT_EQ(c, (Tab<std::int32_t, 6>{{0, 0, 0, 0, 0, 0}}));
    voxmill::coordinates(st, st.nvoxtot - 1, c);
    EXPECT_EQ(c, (Tab<std::int32_t, 6>{{2, 0, 3, 1, 4, 0}}));
    for (std::int32_t i = 0; i < st.nvoxtot; ++i) {
        voxmill::coordinates(st, i, c);
        EXPECT_EQ(location(st, c), i);
    }
    // An index past the map is not wrapped: the excess goes to the slowest axis.
    voxmill::coordinates(st, st.nvoxtot + 1, c);
    EXPECT_EQ(c(5), 5);
    EXPECT_EQ(c(1), 1);
}

TEST(NextCoo, StepsLikeAnOdometerOverTheListedAxes) {
    Tab<std::int32_t, 6> start{}, end{{1, 2, 0, 0, 0, 0}}, coo{}, axord{{2, 1, 0, 0, 0, 0}};
    coo(3) = 7;  // not listed: never touched
    std::vector<std::pair<int, int>> seen;
    while (voxmill::nextcoo(2, start, end, coo, axord)) seen.emplace_back(coo(1), coo(2));
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
