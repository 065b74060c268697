// The plane of a map where its frame misleads: frames that place no voxel, windows a billion
// cells out, boxes that are not cells, and axes as long as a grid can be.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "formats/q47_map.hpp"
#include "ops/plane_samples.hpp"
#include "ops/qc_stencil.hpp"
#include "support/test_support.hpp"

namespace {

using voxmill::Map;
using voxmill::PlaneRequest;
using voxmill::PlaneSamples;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

PlaneRequest request(int across, int up, std::array<double, 6> at, double u0, double u1, double v0, double v1,
                     int most_samples = 800) {
    return PlaneRequest{across, up, at, u0, u1, v0, v1, most_samples};
}

// A q47 file of 4 x 1 x 4 voxels 0, 1, 2, ... over one whole cell, the axis of one voxel with
// step 0 as files often have it, read after `change` to its header: the error, or the map.
std::string read_changed(const vtest::ScratchDir& dir, const std::function<void(vtest::RawHeader&)>& change, Map& map) {
    vtest::RawHeader h;
    h.nvox = {4, 1, 4, 1, 1, 1};
    h.xfmx = {0.75f, 0, 0.75f, 0, 0, 0};
    h.xdf = {0.25f, 0, 0.25f, 1, 1, 1};
    change(h);
    vtest::write_bytes(dir.path("map.q47"), vtest::q47_bytes(h, vtest::ramp(16)));
    try {
        map = voxmill::read_q47_map(dir.path("map.q47"));
    } catch (const voxmill::MapError& e) {
        return e.what();
    }
    return {};
}

TEST(PlaneFaults, FramesThatPlaceNoVoxelAreRefusedWhenRead) {
    using H = vtest::RawHeader;
    const struct {
        const char* what;
        std::function<void(H&)> change;
        std::string error;  // empty: the map is read
    } cases[] = {
        {"a step of NaN", [](H& h) { h.xdf[2] = kNaN; },
         "the q47 header's step of axis 3 is nan: an axis of 4 voxels needs a finite step above 0"},
        {"a step of 0", [](H& h) { h.xdf[0] = 0; },
         "the q47 header's step of axis 1 is 0: an axis of 4 voxels needs a finite step above 0"},
        {"a step below 0", [](H& h) { h.xdf[2] = -0.25f; },
         "the q47 header's step of axis 3 is -0.25: an axis of 4 voxels needs a finite step above 0"},
        {"an infinite step", [](H& h) { h.xdf[0] = kInf; },
         "the q47 header's step of axis 1 is inf: an axis of 4 voxels needs a finite step above 0"},
        {"a start of NaN", [](H& h) { h.xfmn[2] = kNaN; },
         "the q47 header's start of axis 3 is nan: an axis of 4 voxels needs a finite start and end"},
        {"an infinite end", [](H& h) { h.xfmx[0] = -kInf; },
         "the q47 header's end of axis 1 is -inf: an axis of 4 voxels needs a finite start and end"},
        {"step 0 on the axis of one voxel", [](H&) {}, ""},
        {"no number at all on the axis of one voxel", [](H& h) {
             h.xfmn[1] = kNaN;
             h.xfmx[1] = kInf;
             h.xdf[1] = kNaN;
         }, ""},
    };
    vtest::ScratchDir dir;
    for (const auto& c : cases) {
        Map map;
        EXPECT_EQ(read_changed(dir, c.change, map), c.error) << c.what;
        if (!c.error.empty()) continue;
        // Constant along the axis of one voxel, wherever the plane crosses it or runs along it.
        const PlaneSamples across_it = voxmill::sample_plane(map, request(1, 3, {0, 0.7, 0}, 0, 0.75, 0, 0.75));
        const PlaneSamples along_it = voxmill::sample_plane(map, request(1, 2, {0, 0, 0.25}, 0, 0.75, 0, 1));
        ASSERT_EQ(across_it.values.size(), 16u) << c.what;
        for (std::size_t i = 0; i < across_it.values.size(); ++i) EXPECT_EQ(across_it.values[i], static_cast<float>(i)) << c.what;
        ASSERT_EQ(along_it.nu, 4) << c.what;
        for (std::size_t i = 0; i < along_it.values.size(); ++i) EXPECT_EQ(along_it.values[i], static_cast<float>(4 + i % 4)) << c.what;
    }
}

TEST(PlaneFaults, FarWindowsSampleTheirImageInTheCell) {
    // Steps of 1/24 and 1/20 are no binary fractions: a million cells out, a coordinate taken
    // in voxels before it is wrapped is off by a quarter of a voxel.
    Map map = voxmill::full_cell_map({24, 20, 8});
    const std::vector<float> rho = vtest::ramp(map.rho.size(), 0.01f);
    std::copy(rho.begin(), rho.end(), map.rho.begin());
    for (const double cells : {1e6, 1e9, -1e9}) {
        for (const double at : {0.25, 0.013}) {
            const PlaneSamples near = voxmill::sample_plane(map, request(1, 2, {0, 0, at}, 0, 1, 0, 1));
            const PlaneSamples far = voxmill::sample_plane(map, request(1, 2, {0, 0, at}, cells, cells + 1, cells, cells + 1));
            const std::string what = std::to_string(cells) + " cells out, at " + std::to_string(at);
            EXPECT_EQ(near.voxels, at == 0.25) << what;
            EXPECT_EQ(far.voxels, near.voxels) << what;
            EXPECT_EQ(far.nu, near.nu) << what;
            EXPECT_EQ(far.values, near.values) << what;
        }
    }
}

// A map of three axes whose density is 100 x1 + 10 x3 at the true fractional coordinates of its
// voxels, for these frames (start and step per axis).
struct Frame {
    std::int32_t n;
    float start, step;
};

Map linear_map(const std::array<Frame, 3>& axes) {
    Map map = voxmill::full_cell_map({axes[0].n, axes[1].n, axes[2].n});
    for (int k = 1; k <= 3; ++k) {
        const Frame& a = axes[static_cast<std::size_t>(k - 1)];
        map.xfmn(k) = a.start;
        map.xfmx(k) = a.start + static_cast<float>(a.n - 1) * a.step;
        map.xdf(k) = a.step;
    }
    const auto x = [&](int k, std::int64_t i) { return static_cast<double>(map.xfmn(k)) + static_cast<double>(i) * map.xdf(k); };
    for (std::int64_t at = 0; at < map.voxels(); ++at) {
        map.rho[static_cast<std::size_t>(at)] = static_cast<float>(100 * x(1, at % axes[0].n) + 10 * x(3, at / map.layer()));
    }
    return map;
}

TEST(PlaneFaults, BoxesHoldDataOverTheirFrameOnly) {
    // Axis 1 a box of 10 voxels from 0.8, axis 2 a whole cell, axis 3 a box of 8 voxels from 0.25.
    const Map box = linear_map({{{10, 0.8f, 0.02f}, {8, 0, 0.125f}, {8, 0.25f, 0.05f}}});
    // A CCP4 map of 4 columns near the end of a cell sampled by 2^31 - 1 voxels, and a box
    // whose step is so small that no float holds its inverse.
    constexpr double kMx = 2147483647;
    const Map far_column = linear_map({{{4, static_cast<float>(2147483000 / kMx), static_cast<float>(1 / kMx)}, {8, 0, 0.125f}, {8, 0, 0.125f}}});
    const Map tiny_step = linear_map({{{4, 0.5f, 1e-39f}, {8, 0, 0.125f}, {8, 0, 0.125f}}});
    const double column0 = far_column.xfmn(1), column3 = column0 + 3 * static_cast<double>(far_column.xdf(1));
    struct Probe {
        double u, v;
        float value;  // NaN: no data
    };
    const struct {
        const char* what;
        const Map& map;
        PlaneRequest r;
        bool voxels;
        std::vector<Probe> probes;
    } cases[] = {
        {"voxels: the box at its own place, once", box, request(1, 2, {0, 0, 0.4}, 0, 1, 0, 1), true,
         {{0, 0, kNaN}, {0.2, 0.5, kNaN}, {0.78, 0.5, kNaN}, {0.8, 0.5, 84}, {0.9, 0, 94}, {0.98, 1, 102}, {1, 0.5, kNaN}}},
        {"voxels: the box along the picture's height", box, request(2, 1, {0, 0, 0.4}, 0, 1, 0, 1), true,
         {{0.5, 0.8, 84}, {0.5, 0.2, kNaN}}},
        {"spline: within the box to its edges", box, request(1, 2, {0, 0, 0.425}, 0.8, 0.98, 0, 1, 37), false,
         {{0.8, 0.5, 84.25f}, {0.85, 0.25, 89.25f}, {0.9, 0, 94.25f}, {0.98, 0.5, 102.25f}}},
        {"spline: nothing beyond the box", box, request(1, 2, {0, 0, 0.425}, 0, 1, 0, 1, 201), false,
         {{0, 0.5, kNaN}, {0.5, 0.5, kNaN}, {0.85, 0.5, 89.25f}, {0.99, 0.5, kNaN}}},
        {"spline: fixed beyond the box", box, request(1, 2, {0, 0, 0.93}, 0.8, 0.98, 0, 1, 37), false,
         {{0.8, 0.5, kNaN}, {0.9, 0.5, kNaN}}},
        {"voxels: fixed on the grid beyond the box", box, request(1, 2, {0, 0, 1.25}, 0.8, 0.98, 0, 1), true,
         {{0.8, 0.5, kNaN}, {0.9, 0.5, kNaN}}},
        {"the far columns, seen from the cell", far_column, request(1, 2, {0, 0, 0.5}, 0, 2, 0, 1, 801), false,
         {{0, 0.5, kNaN}, {1, 0.5, kNaN}, {2, 0.5, kNaN}}},
        {"the far columns themselves", far_column, request(1, 2, {0, 0, 0.5}, column0, column3, 0, 1), true,
         {{column0, 0.5, static_cast<float>(100 * column0 + 5)}, {column3, 0.5, static_cast<float>(100 * column3 + 5)}}},
        {"a step too small to invert", tiny_step, request(1, 2, {0, 0, 0.5}, 0, 1, 0, 1, 801), false,
         {{0, 0.5, kNaN}, {0.5, 0.5, 55}, {1, 0.5, kNaN}}},
    };
    for (const auto& c : cases) {
        const PlaneSamples s = voxmill::sample_plane(c.map, c.r);
        EXPECT_EQ(s.voxels, c.voxels) << c.what;
        for (const Probe& p : c.probes) {
            // The sample that lies at the probe.
            const double du = (c.r.u1 - c.r.u0) / (s.nu - 1), dv = (c.r.v1 - c.r.v0) / (s.nv - 1);
            const auto i = static_cast<int>(std::lround((p.u - c.r.u0) / du)), j = static_cast<int>(std::lround((p.v - c.r.v0) / dv));
            ASSERT_TRUE(i >= 0 && i < s.nu && j >= 0 && j < s.nv) << c.what;
            ASSERT_NEAR(c.r.u0 + i * du, p.u, 1e-6 * du) << c.what;
            const float got = s.values[static_cast<std::size_t>(i + s.nu * j)];
            const std::string where = std::string(c.what) + ": at " + std::to_string(p.u) + ", " + std::to_string(p.v);
            if (std::isnan(p.value)) {
                EXPECT_TRUE(std::isnan(got)) << where << " holds " << got;
            } else {
                EXPECT_NEAR(got, p.value, 2e-3) << where;
            }
        }
    }
}

TEST(PlaneFaults, NodesAtTheEndOfTheLongestAxisWrapOrHold) {
    // The nodes of a point a voxel and a half before the end of an axis of 2^31 - 1 voxels
    // pass the largest 32-bit index.
    constexpr std::ptrdiff_t kLast = 2147483646;
    voxmill::MapGrid m;
    m.sdim = 2;
    m.nvox(1) = kLast + 1;
    m.nvox(2) = 3;
    m.stride(1) = 1;
    m.stride(2) = kLast + 1;
    const struct {
        int axis;
        std::int64_t orig;
        bool periodic;
        std::array<std::ptrdiff_t, 5> off;
    } cases[] = {
        {1, kLast - 1, true, {kLast - 1, kLast, 0, 1, 2}},
        {1, kLast - 1, false, {kLast - 1, kLast, kLast, kLast, kLast}},
        {1, -2, false, {0, 0, 0, 1, 2}},
        {1, -2, true, {kLast - 1, kLast, 0, 1, 2}},
    };
    for (const auto& c : cases) {
        const voxmill::AxisNodes a = voxmill::axis_nodes(m, c.axis, c.orig, {}, c.periodic);
        EXPECT_EQ(a.off, c.off) << "axis " << c.axis << " from " << c.orig << (c.periodic ? ", wrapped" : ", held");
    }
}

}  // namespace
