// voxmill plot --marks: which peaks and trace samples a plane shows and where, the curves of
// the atoms' displacive series on planes of a real against a superspace axis, all against
// hand-computed points; and the files that cannot be drawn, through the program.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/marks.hpp"
#include "cli/picture.hpp"
#include "core/map.hpp"
#include "formats/q47_map.hpp"
#include "support/test_support.hpp"

namespace {

using voxmill::Atom;
using voxmill::MapModel;
using voxmill::PlaneCut;
using voxmill::PlanePoint;

struct Mark {
    double u, v;
    std::string label;
};

// A piece of a curve: its first and last points and points it passes through.
struct Piece {
    PlanePoint first, last;
    std::vector<PlanePoint> through;
};

// An atom at `position`, displaced by one wave along x4 (sin and cos in fractions of a, b, c).
Atom atom(std::array<double, 3> position, std::array<double, 3> sin, std::array<double, 3> cos,
          std::optional<voxmill::CrenelInterval> crenel = std::nullopt, std::vector<voxmill::AtomSample> trace = {}) {
    Atom a;
    a.position = position;
    a.displacive.push_back({{1, 0, 0}, sin, cos});
    a.crenel = crenel;
    a.trace = std::move(trace);
    return a;
}

bool near(const PlanePoint& a, const PlanePoint& b) { return std::abs(a.u - b.u) < 1e-9 && std::abs(a.v - b.v) < 1e-9; }

TEST(PlotMarks, ThePlaneShowsWhatLiesOnItWhereItLies) {
    struct Case {
        const char* what;
        std::vector<std::int32_t> counts;  // of the map; half a voxel is how near a mark must be
        std::array<int, 6> codes;
        int across, up;
        std::array<double, 6> at;
        std::array<double, 4> window;
        std::optional<std::array<double, 6>> cell;
        MapModel model;
        std::vector<Mark> marks;
        std::vector<Piece> pieces;
    };
    const std::array<int, 6> plain{1, 2, 3, 4, 5, 6};
    const double s = 1.0 / 64;  // the curves' samples along one period
    const Case cases[] = {
        {"peaks on x3 = 0.5, half a voxel 1/64: one off by 0.03, one by 0.01, one on the window's edge",
         {32, 32, 32}, plain, 1, 2, {0, 0, 0.5}, {0, 1, 0, 1}, std::nullopt,
         {3, std::nullopt, {{0.25, 0.75, 0.5}, {0.25, 0.25, 0.53}, {0.6, 0.4, 0.49}, {0, 0.5, 0.5}}, {}, {}},
         {{0.25, 0.75, ""}, {0.6, 0.4, ""}, {0, 0.5, ""}, {1, 0.5, ""}}, {}},
        {"peaks across the periodic edges: x3 = 0.99 lies on x3 = 0, a window from -0.5",
         {32, 32, 32}, plain, 1, 2, {0, 0, 0}, {-0.5, 0.5, -0.5, 0.5}, std::nullopt,
         {3, std::nullopt, {{0.9, 0.2, 0.99}, {0.5, 0.5, 0.02}, {0.5, 0.5, 0}}, {}, {}},
         {{-0.1, 0.2, ""}, {-0.5, -0.5, ""}, {-0.5, 0.5, ""}, {0.5, -0.5, ""}, {0.5, 0.5, ""}}, {}},
        {"trace samples by the axis codes: map axis 1 holds x4, labelled on a plane of real axes",
         {10, 20, 20, 20}, {4, 1, 2, 3, 5, 6}, 2, 3, {0.3, 0, 0, 0}, {0, 1, 0, 1}, std::nullopt,
         {4, std::nullopt, {}, {atom({0.1, 0.2, 0}, {}, {}, std::nullopt, {{{0.3}, {0.1, 0.2, 0.0}}, {{0.4}, {0.12, 0.2, 0.0}}})}, {"Ca1"}},
         {{0.1, 0.2, "Ca1"}}, {}},
        {"x1 against x4: 0.03 sin(2 pi x4), the sample at x4 = 0.25 on it",
         {32, 32, 32, 16}, plain, 1, 4, {0, 0, 0, 0}, {-0.5, 0.5, 0, 1}, std::nullopt,
         {4, std::nullopt, {}, {atom({0, 0, 0}, {0.03, 0, 0}, {}, std::nullopt, {{{0.25}, {0.03, 0, 0}}})}, {"1"}},
         {{0.03, 0.25, ""}},
         {{{0, 0}, {0, 1}, {{0.03, 0.25}, {0, 0.5}, {-0.03, 0.75}}}}},
        {"the same moved by a whole cell into a window from 0.5",
         {32, 32, 32, 16}, plain, 1, 4, {0, 0, 0, 0}, {0.5, 1.5, 0, 1}, std::nullopt,
         {4, std::nullopt, {}, {atom({0, 0, 0}, {0.03, 0, 0}, {})}, {"1"}}, {},
         {{{1, 0}, {1, 1}, {{1.03, 0.25}, {0.97, 0.75}}}}},
        {"x4 across, x1 up",
         {32, 32, 32, 16}, plain, 4, 1, {0, 0, 0, 0}, {0, 1, -0.5, 0.5}, std::nullopt,
         {4, std::nullopt, {}, {atom({0, 0, 0}, {0.03, 0, 0}, {})}, {"1"}}, {},
         {{{0, 0}, {1, 0}, {{0.25, 0.03}, {0.75, -0.03}}}}},
        {"a crenel from 0.275 to 0.725, between samples, over a window of one and a half periods",
         {32, 32, 32, 16}, plain, 1, 4, {0, 0, 0, 0}, {-0.5, 0.5, 0, 1.5}, std::nullopt,
         {4, std::nullopt, {}, {atom({0, 0, 0}, {0.03, 0, 0}, {}, voxmill::CrenelInterval{0.5, 0.45})}, {"1"}}, {},
         {{{0.03 * std::sin(0.55 * M_PI), 0.275}, {-0.03 * std::sin(0.55 * M_PI), 0.725}, {{0, 0.5}}},
          {{0.03 * std::sin(0.55 * M_PI), 1.275}, {0, 1.5}, {}}}},
        {"an atom moving 0.04 cos(2 pi x4) along c, drawn within 0.5 A of x3 = 0.54 (c = 10 A): cos >= -1/4",
         {32, 32, 32, 16}, plain, 1, 4, {0, 0.5, 0.54, 0}, {0, 1, 0, 1}, std::array<double, 6>{6, 6, 10, 90, 90, 90},
         {4, std::nullopt, {}, {atom({0.5, 0.5, 0.5}, {}, {0, 0, 0.04})}, {"O"}}, {},
         {{{0.5, 0}, {0.5, 18 * s}, {}}, {{0.5, 46 * s}, {0.5, 1}, {}}}},
    };
    for (const Case& c : cases) {
        voxmill::PlaneRequest r;
        r.across = c.across;
        r.up = c.up;
        r.at = c.at;
        std::tie(r.u0, r.u1, r.v0, r.v1) = std::tuple{c.window[0], c.window[1], c.window[2], c.window[3]};
        const PlaneCut cut = voxmill::plane_cut(voxmill::full_cell_map(c.counts), r, c.codes, c.cell);
        const voxmill::ModelMarks got = voxmill::model_marks(c.model, cut);

        std::vector<Mark> marks;
        for (const voxmill::PlaneMark& m : got.marks) marks.push_back({m.at.u, m.at.v, m.label});
        const auto order = [](const Mark& a, const Mark& b) { return std::tie(a.u, a.v) < std::tie(b.u, b.v); };
        std::vector<Mark> want = c.marks;
        std::sort(marks.begin(), marks.end(), order);
        std::sort(want.begin(), want.end(), order);
        ASSERT_EQ(marks.size(), want.size()) << c.what;
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_TRUE(near({marks[i].u, marks[i].v}, {want[i].u, want[i].v}))
                << c.what << ": mark at " << marks[i].u << ", " << marks[i].v << " where " << want[i].u << ", " << want[i].v << " was due";
            EXPECT_EQ(marks[i].label, want[i].label) << c.what;
        }

        ASSERT_EQ(got.curves.size(), c.pieces.size()) << c.what;
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            const std::vector<PlanePoint>& p = got.curves[i].points;
            const Piece& want_piece = c.pieces[i];
            EXPECT_EQ(got.curves[i].label, c.model.ids[0]) << c.what;
            EXPECT_TRUE(near(p.front(), want_piece.first)) << c.what << ": piece " << i << " starts at " << p.front().u << ", " << p.front().v;
            EXPECT_TRUE(near(p.back(), want_piece.last)) << c.what << ": piece " << i << " ends at " << p.back().u << ", " << p.back().v;
            for (const PlanePoint& q : want_piece.through) {
                EXPECT_TRUE(std::any_of(p.begin(), p.end(), [&](const PlanePoint& x) { return near(x, q); }))
                    << c.what << ": piece " << i << " misses " << q.u << ", " << q.v;
            }
        }
    }
}

// The colour of the picture at (x, y).
std::array<double, 3> pixel(const std::string& path, int x, int y) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    std::array<double, 3> rgb{-1, -1, -1};
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        const unsigned char* row = cairo_image_surface_get_data(s) + static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(s);
        std::uint32_t p = 0;
        std::memcpy(&p, row + 4 * x, 4);
        rgb = {((p >> 16) & 0xFF) / 255.0, ((p >> 8) & 0xFF) / 255.0, (p & 0xFF) / 255.0};
    }
    cairo_surface_destroy(s);
    return rgb;
}

TEST(PlotMarks, FilesThatCannotBeDrawnSayWhyAndWriteNothing) {
    vtest::ScratchDir dir;
    for (const auto& [name, counts] : {std::pair{"map.q47", std::vector<std::int32_t>{8, 8, 4}}, std::pair{"map4.q47", std::vector<std::int32_t>{8, 8, 4, 4}}}) {
        voxmill::Map m = voxmill::full_cell_map(counts);
        const std::vector<float> rho = vtest::ramp(static_cast<std::size_t>(m.voxels()));
        std::copy(rho.begin(), rho.end(), m.rho.begin());
        voxmill::write_q47_map(m, dir.path(name));
    }
    const std::string peak = R"({"dimension": 3, "peaks": [{"position": [0.25, 0.5, 0]}]})";
    const struct {
        std::string json, args;
        int status;
        std::string says;
    } cases[] = {
        {"{\"dimension\": 3, \"peaks\": [", "map.q47", 1, "marks.json: is not JSON: parse error at line 1, column 28"},
        {R"({"dimension": 3, "peaks": [{"position": [0.1, 0.2, 0.3]}, {"height": 1}]})", "map.q47", 1,
         "marks.json: peak 2 has no \"position\""},
        {R"({"dimension": 3, "peaks": [{"position": [0.1, 0.2]}]})", "map.q47", 1,
         "marks.json: peak 1: \"position\" is not a list of 3 numbers"},
        {R"({"dimension": 4, "atoms": [{"id": 1, "position": [0, 0, 0], "displacive": [{"n": [1.5], "sin": [0, 0, 0], "cos": [0, 0, 0]}], "trace": []}]})",
         "map4.q47", 1, "marks.json: atom 1, displacive term 1: \"n\" is not a list of 1 whole number"},
        {R"({"dimension": 4, "atoms": [{"id": 1, "position": [0, 0, 0], "displacive": []}]})", "map4.q47", 1,
         "marks.json: atom 1 has no \"trace\""},
        {R"({"dimension": 3})", "map.q47", 1, "marks.json: holds neither \"peaks\" nor \"atoms\""},
        {peak, "map4.q47", 1, "marks.json: holds a model of a map of 3 dimensions, but map4.q47 has 4"},
        {"", "map.q47", 1, "marks.json: is not JSON: "},
        {peak, "map.q47", 0, ""},
    };
    const voxmill::PictureLayout l = voxmill::picture_layout(800, 1);
    const int x = static_cast<int>(std::lround(l.plot_x + 0.25 * l.plot_w)), y = static_cast<int>(std::lround(l.plot_y + 0.5 * l.plot_h));
    for (const auto& c : cases) {
        std::filesystem::remove(dir.path("out.png"));
        vtest::write_bytes(dir.path("marks.json"), std::vector<unsigned char>(c.json.begin(), c.json.end()));
        const vtest::ProcessRun r = vtest::voxmill(dir, "plot --levels 0 --marks marks.json " + c.args + " out.png");
        EXPECT_EQ(r.status, c.status) << c.json << ": " << r.err;
        EXPECT_EQ(r.err.rfind("voxmill: error: " + c.says, 0) == 0 || c.status == 0, true) << c.json << ": " << r.err;
        EXPECT_EQ(std::filesystem::exists(dir.path("out.png")), c.status == 0) << c.json;
        if (c.status != 0) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            continue;
        }
        // The peak's cross, dark, over the fill.
        for (const double v : pixel(dir.path("out.png"), x, y)) EXPECT_LT(v, 0.15) << c.json;
    }
}

}  // namespace
