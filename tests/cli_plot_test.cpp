// voxmill plot as a process: pictures of maps with known peaks, decoded and looked at where
// the peaks and the background must be; SVG and PDF read by other programs; bad input.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/console.hpp"
#include "cli/colour_scale.hpp"
#include "cli/picture.hpp"
#include "formats/q47_map.hpp"
#include "samples.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;
using voxmill::ColourScale;
using voxmill::Rgb;

int run(const vtest::ScratchDir& dir, const std::string& command) { return vtest::shell(dir, command).status; }

// A map over one whole cell (start 0, step 1/n) with these densities.
void write_cell_map(const std::string& path, const std::vector<std::int32_t>& counts, const std::vector<float>& rho) {
    voxmill::Map m = voxmill::full_cell_map(counts);
    std::copy(rho.begin(), rho.end(), m.rho.begin());
    voxmill::write_q47_map(m, path);
}

// A map of these counts over one cell whose density is a sum of Gaussian peaks (height, and
// position in fractions per axis), periodic, on a background of 0.
std::vector<float> peaks(const std::vector<std::int32_t>& n, const std::vector<std::pair<float, std::vector<double>>>& p) {
    std::size_t count = 1;
    for (const std::int32_t k : n) count *= static_cast<std::size_t>(k);
    std::vector<float> rho(count);
    for (std::size_t at = 0; at < count; ++at) {
        double sum = 0;
        for (const auto& [height, where] : p) {
            double r2 = 0;
            std::size_t rest = at;
            for (std::size_t k = 0; k < n.size(); ++k) {
                const double x = static_cast<double>(rest % static_cast<std::size_t>(n[k])) / n[k];
                rest /= static_cast<std::size_t>(n[k]);
                const double d = x - where[k] - std::round(x - where[k]);
                r2 += d * d;
            }
            sum += height * std::exp(-r2 / (2 * 0.06 * 0.06));
        }
        rho[at] = static_cast<float>(sum);
    }
    return rho;
}

struct Png {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    Rgb at(double x, double y) const {
        const std::uint32_t p = pixels[static_cast<std::size_t>(std::lround(y)) * static_cast<std::size_t>(width) +
                                       static_cast<std::size_t>(std::lround(x))];
        return {((p >> 16) & 0xFF) / 255.0, ((p >> 8) & 0xFF) / 255.0, (p & 0xFF) / 255.0};
    }
};

Png read_png(const std::string& path) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    Png png;
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        png.width = cairo_image_surface_get_width(s);
        png.height = cairo_image_surface_get_height(s);
        const int stride = cairo_image_surface_get_stride(s);
        const unsigned char* data = cairo_image_surface_get_data(s);
        for (int y = 0; y < png.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            png.pixels.insert(png.pixels.end(), row, row + png.width);
        }
    }
    cairo_surface_destroy(s);
    return png;
}

double distance(const Rgb& a, const Rgb& b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

TEST(Plot, PeaksShowTheTopOfTheScaleAndTheBackgroundItsBottom) {
    struct Spot {
        double u, v;  // fractional coordinates on the picture's axes
        double t;     // where on the colour scale its colour must be
    };
    struct Case {
        const char* what;
        std::vector<std::int32_t> counts;  // none: the modulated 4D sample map
        std::vector<std::pair<float, std::vector<double>>> peaks;
        std::string args;
        double u0, u1, v0, v1, aspect;
        ColourScale scale;
        std::vector<Spot> spots;
        double tolerance;
    };
    const Case cases[] = {
        {"one peak, voxels on the grid", {32, 32, 8}, {{5.0f, {0.25, 0.5, 0}}}, "--size 640", 0, 1, 0, 1, 1,
         ColourScale::sequential, {{0.25, 0.5, 1}, {0.75, 0.0, 0}}, 0.02},
        {"axes 1 and 4 of a 4D map", {16, 8, 8, 12}, {{3.0f, {0.25, 0.5, 0.5, 0.75}}},
         "--axes 1,4 --at 0,0.5,0.5,0", 0, 1, 0, 1, 1, ColourScale::sequential, {{0.25, 0.75, 1}, {0.75, 0.25, 0}},
         0.02},
        {"the modulated sample's Ca atom, axes 1 and 4", {}, {}, "--axes 1,4 --window -0.5,0.5,0,1", -0.5, 0.5, 0, 1,
         1, ColourScale::sequential, {{0, 0, 1}, {0, 0.5, 1}, {0.45, 0.25, 0}}, 0.02},
        {"fixed coordinates between grid points", {16, 16, 16}, {{4.0f, {0.5, 0.5, 0.53}}}, "--at 0,0,0.53", 0, 1, 0, 1,
         1, ColourScale::sequential, {{0.5, 0.5, 1}, {0.0, 0.0, 0}}, 0.06},
        {"a window beyond the cell", {20, 20, 4}, {{2.0f, {0.25, 0.25, 0}}}, "--window -1,0.5,0,0.5", -1, 0.5, 0, 0.5,
         1.0 / 3, ColourScale::sequential, {{-0.75, 0.25, 1}, {0.25, 0.25, 1}, {-0.25, 0.0, 0}}, 0.02},
        {"real-space axes to the scale of the cell", {16, 16, 4}, {{2.0f, {0.25, 0.75, 0}}},
         "--cell 20,10,10,90,90,90", 0, 1, 0, 1, 0.5, ColourScale::sequential, {{0.25, 0.75, 1}, {0.75, 0.25, 0}},
         0.02},
        {"a difference map, one layer on axis 3", {24, 24, 1}, {{3.0f, {0.25, 0.25, 0}}, {-3.0f, {0.75, 0.75, 0}}}, "", 0, 1, 0, 1, 1,
         ColourScale::diverging, {{0.25, 0.25, 1}, {0.75, 0.75, 0}, {0.25, 0.75, 0.5}}, 0.03},
    };
    vtest::ScratchDir dir;
    {
        std::istringstream in;
        std::ostringstream out, err;
        voxmill::Console con(in, out, err);
        voxmill::samples::write_samples(dir.path(""), con);
    }
    for (const Case& c : cases) {
        if (c.counts.empty()) {
            fs::copy_file(dir.path("modulated4d.q47"), dir.path("map.q47"), fs::copy_options::overwrite_existing);
        } else {
            write_cell_map(dir.path("map.q47"), c.counts, peaks(c.counts, c.peaks));
        }
        fs::remove(dir.path("map.png"));
        const vtest::ProcessRun r = vtest::voxmill(dir, "plot " + c.args + " map.q47 map.png");
        ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
        const Png png = read_png(dir.path("map.png"));
        const int width = c.args.find("--size 640") != std::string::npos ? 640 : 800;
        const voxmill::PictureLayout l = voxmill::picture_layout(width, c.aspect);
        ASSERT_EQ(png.width, width) << c.what;
        EXPECT_EQ(png.height, static_cast<int>(l.height)) << c.what;
        for (const Spot& s : c.spots) {
            const double x = l.plot_x + (s.u - c.u0) / (c.u1 - c.u0) * l.plot_w;
            const double y = l.plot_y + l.plot_h - (s.v - c.v0) / (c.v1 - c.v0) * l.plot_h;
            const Rgb got = png.at(std::clamp(x, l.plot_x + 2, l.plot_x + l.plot_w - 2),
                                   std::clamp(y, l.plot_y + 2, l.plot_y + l.plot_h - 2));
            EXPECT_LT(distance(got, voxmill::colour_at(c.scale, s.t)), c.tolerance)
                << c.what << ": at " << s.u << ", " << s.v << " not the colour " << s.t << " of the scale";
        }
    }
}

TEST(Plot, SvgAndPdfAreReadByOtherPrograms) {
    vtest::ScratchDir dir;
    write_cell_map(dir.path("map.q47"), {12, 10, 4}, peaks({12, 10, 4}, {{1.0f, {0.5, 0.5, 0}}}));
    ASSERT_EQ(vtest::voxmill(dir, "plot --size 500 --title 'a <peak> & more' map.q47 map.svg").status, 0);
    EXPECT_EQ(run(dir, "/usr/bin/python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' map.svg"), 0);
    ASSERT_EQ(vtest::voxmill(dir, "plot map.q47 map.pdf").status, 0);
    const auto pdf = vtest::read_bytes(dir.path("map.pdf"));
    ASSERT_GE(pdf.size(), 5u);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 5), "%PDF-");
    if (run(dir, "command -v pdftoppm") == 0) {
        EXPECT_EQ(run(dir, "pdftoppm -png -r 20 map.pdf page"), 0);
        EXPECT_TRUE(fs::exists(dir.path("page-1.png")));
    }
}

TEST(Plot, BadInputSaysWhatIsWrongAndWritesNothing) {
    vtest::ScratchDir dir;
    write_cell_map(dir.path("map.q47"), {6, 6, 4}, vtest::ramp(144));
    vtest::write_bytes(dir.path("junk.q47"), {'n', 'o', 't', ' ', 'a', ' ', 'm', 'a', 'p'});
    write_cell_map(dir.path("inf.q47"), {6, 6, 4}, std::vector<float>(144, INFINITY));
    const struct {
        std::string args;
        int status;
        std::string says;
    } cases[] = {
        {"--axes 1,4 map.q47 out.png", 1, "map.q47: a map of 3 axes has no axis 4"},
        {"--axes 2,2 map.q47 out.png", 2, "names axis 2 twice"},
        {"--axes 0,2 map.q47 out.png", 2, "--axes"},
        {"--window 0,0,0,1 map.q47 out.png", 2, "needs U1 above U0 and V1 above V0"},
        {"--window 0,1,0.5,0.2 map.q47 out.png", 2, "needs U1 above U0 and V1 above V0"},
        {"map.q47 out.jpg", 2, "out.jpg: unknown extension; give .png, .svg or .pdf"},
        {"--levels 5 --step 1 map.q47 out.png", 2, "excludes"},
        {"--at 0,0 map.q47 out.png", 1, "--at: gives 2 coordinates for a map of 3 axes"},
        {"junk.q47 out.png", 1, "junk.q47: "},
        {"none.q47 out.png", 1, "none.q47: "},
        {"map.q47 map.q47.png --title x", 0, ""},
        {"map.q47 none/out.png", 1, "none/out.png: no such file or directory"},
        {"--size 20000 --window 0,0.1,0,1 map.q47 out.png", 1, "out.png: a picture of 20000 x 122500 pixels is too large"},
        // Work that must end at once: a window of a few rounding steps, a step that would count
        // levels past any number, many levels over many cells, a plane of infinities.
        {"--window 1,1.0000000000000002,0,1 map.q47 out.svg", 1, "--window: shows 2.22045e-16 of axis 1, less than"},
        {"--step 2.3e-308 map.q47 out.png", 1, "--step: gives more than 1000 levels"},
        {"--levels 1000 --window 0,50,0,50 map.q47 out.svg", 1, "--levels: the contour lines would take more than"},
        {"inf.q47 out.png", 1, "inf.q47: the plane shown holds no finite density"},
        {"--sigma 1 --step 1 map.q47 out.png", 2, "excludes"},
        {"--range 2,1 map.q47 out.png", 2, "--range: needs finite LO and HI with HI above LO"},
        {"--scale rainbow map.q47 out.png", 2, "--scale"},
        {"--voxels --interpolate map.q47 out.png", 2, "excludes"},
    };
    for (const auto& c : cases) {
        const vtest::ProcessRun r = vtest::voxmill(dir, "plot " + c.args);
        const std::string& err = r.err;
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(err.find(c.says), std::string::npos) << c.args << ": " << err;
        if (c.status != 0) {
            EXPECT_EQ(err.find("voxmill: error: "), 0u) << c.args;
            EXPECT_FALSE(fs::exists(dir.path("out.png")) || fs::exists(dir.path("out.jpg"))) << c.args;
        }
    }
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path(""))) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"inf.q47", "junk.q47", "map.q47", "map.q47.png", "stderr", "stdout"}));
}

}  // namespace

namespace {

// The centres of the patches of a PNG's plot (left of the colour bar) whose colour is within
// `tolerance` of `colour`, largest patch first.
std::vector<std::pair<double, double>> patches_of(const Png& png, const Rgb& colour, double tolerance) {
    std::vector<int> patch(png.pixels.size(), -1);
    std::vector<std::tuple<double, double, double>> found;  // size, x, y
    const double bar = voxmill::picture_layout(png.width, 1).plot_x + voxmill::picture_layout(png.width, 1).plot_w;
    const auto near = [&](int x, int y) { return x < bar && distance(png.at(x, y), colour) < tolerance; };
    for (int y0 = 0; y0 < png.height; ++y0) {
        for (int x0 = 0; x0 < png.width; ++x0) {
            if (patch[static_cast<std::size_t>(y0 * png.width + x0)] >= 0 || !near(x0, y0)) continue;
            double n = 0, sx = 0, sy = 0;
            std::vector<std::pair<int, int>> todo{{x0, y0}};
            patch[static_cast<std::size_t>(y0 * png.width + x0)] = static_cast<int>(found.size());
            while (!todo.empty()) {
                const auto [x, y] = todo.back();
                todo.pop_back();
                n += 1;
                sx += x;
                sy += y;
                for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= png.width || ny >= png.height) continue;
                    int& mark = patch[static_cast<std::size_t>(ny * png.width + nx)];
                    if (mark >= 0 || !near(nx, ny)) continue;
                    mark = static_cast<int>(found.size());
                    todo.emplace_back(nx, ny);
                }
            }
            found.emplace_back(n, sx / n, sy / n);
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return std::get<0>(a) > std::get<0>(b); });
    std::vector<std::pair<double, double>> centres;
    for (const auto& [n, x, y] : found) centres.emplace_back(x, y);
    return centres;
}

// Three equal peaks at (0.2, 0.2), (0.6, 0.2) and (0.2, 0.6) of the plane: in the picture the
// edges from the first to the others must meet at the cell's angle, their lengths in the
// ratio of the cell's axes; a plane with a superspace axis is drawn square.
TEST(Plot, PlanesOfRealAxesHaveTheShapeOfTheCell) {
    vtest::ScratchDir dir;
    const std::vector<std::int32_t> n{40, 20, 30};  // the peaks and 0.5 fall on grid points
    // The three peaks in the plane of map positions i and j, the third position at 0.5.
    const auto three_peaks = [&](int i, int j) {
        std::vector<std::pair<float, std::vector<double>>> p;
        for (const auto& [u, v] : {std::pair{0.2, 0.2}, std::pair{0.6, 0.2}, std::pair{0.2, 0.6}}) {
            std::vector<double> at(3, 0.5);
            at[static_cast<std::size_t>(i - 1)] = u;
            at[static_cast<std::size_t>(j - 1)] = v;
            p.push_back({1.0f, at});
        }
        return peaks(n, p);
    };
    write_cell_map(dir.path("12.q47"), n, three_peaks(1, 2));
    write_cell_map(dir.path("13.q47"), n, three_peaks(1, 3));
    write_cell_map(dir.path("23.q47"), n, three_peaks(2, 3));
    ASSERT_EQ(vtest::voxmill(dir, "convert --cell 12,8,10,80,100,120 12.q47 12.ccp4").status, 0);
    // Map positions 1, 2 and 3 hold the axes of codes 4, 1 and 2 (a map reordered by option 4).
    vtest::RawHeader reordered;
    reordered.nvox = {40, 20, 30, 1, 1, 1};
    reordered.iorien = {4, 1, 2, 3, 0, 0};
    for (std::size_t i = 0; i < 3; ++i) reordered.xdf[i] = 1.0f / static_cast<float>(n[i]);
    vtest::write_bytes(dir.path("codes.q47"), vtest::q47_bytes(reordered, three_peaks(1, 3)));
    const std::string cell = "--cell 12,8,10,80,100,120 ";
    const struct {
        std::string args;
        double angle, ratio;  // expected between the edges from the first peak
    } cases[] = {
        {cell + "--at 0,0,0.5 12.q47", 120, 1.5},
        {"--at 0,0,0.5 12.ccp4", 120, 1.5},                    // the file's own cell
        {cell + "--axes 1,3 --at 0,0.5,0 13.q47", 100, 1.2},   // beta, a over c
        {cell + "--axes 2,3 --at 0.5,0,0 23.q47", 80, 0.8},    // alpha, b over c
        {cell + "--axes 1,3 --at 0,0.5,0 codes.q47", 90, 1},   // x4 and x2: no shape
    };
    for (const auto& c : cases) {
        ASSERT_EQ(vtest::voxmill(dir, "plot --levels 0 " + c.args + " out.png").status, 0) << c.args;
        const auto centres = patches_of(read_png(dir.path("out.png")), voxmill::colour_at(ColourScale::sequential, 1.0), 0.1);
        ASSERT_GE(centres.size(), 3u) << c.args;
        // The first peak is where the edges meet at the largest angle; the edge along the
        // picture's width goes to the second.
        std::array<std::pair<double, double>, 3> p{centres[0], centres[1], centres[2]};
        const auto angle_at = [&](int i) {
            const auto& a = p[static_cast<std::size_t>(i)];
            const auto& b = p[static_cast<std::size_t>((i + 1) % 3)];
            const auto& d = p[static_cast<std::size_t>((i + 2) % 3)];
            const double ux = b.first - a.first, uy = b.second - a.second, vx = d.first - a.first, vy = d.second - a.second;
            return std::acos((ux * vx + uy * vy) / std::hypot(ux, uy) / std::hypot(vx, vy)) * 180 / M_PI;
        };
        int first = 0;
        for (int i = 1; i < 3; ++i) first = angle_at(i) > angle_at(first) ? i : first;
        const auto& a = p[static_cast<std::size_t>(first)];
        auto b = p[static_cast<std::size_t>((first + 1) % 3)], d = p[static_cast<std::size_t>((first + 2) % 3)];
        if (std::abs(d.second - a.second) < std::abs(b.second - a.second)) std::swap(b, d);
        EXPECT_NEAR(angle_at(first), c.angle, 1.5) << c.args;
        EXPECT_NEAR(std::hypot(b.first - a.first, b.second - a.second) / std::hypot(d.first - a.first, d.second - a.second),
                    c.ratio, 0.03)
            << c.args;
    }
    // The reordered map's axes are named by their codes, in the labels and the title.
    if (run(dir, "command -v pdftotext") == 0) {
        ASSERT_EQ(vtest::voxmill(dir, "plot --axes 1,3 --at 0,0.5,0 codes.q47 out.pdf").status, 0);
        ASSERT_EQ(run(dir, "pdftotext out.pdf out.txt"), 0);
        const std::string text = vtest::slurp(dir.path("out.txt"));
        for (const char* label : {"codes.q47, x1 = 0.5", "x4", "x2"}) EXPECT_NE(text.find(label), std::string::npos) << label << " in " << text;
    }
}

// A box of a cell is drawn over its frame, once, where it lies; a periodic map far out in the
// window is drawn as in its first cell.
TEST(Plot, BoxesStayWhereTheyAreAndFarWindowsRepeatTheCell) {
    vtest::ScratchDir dir;
    vtest::RawHeader box;  // voxels 20 .. 32 of 40 along axis 1, 0 .. 12 of 20 along axis 2
    box.nvox = {13, 13, 1, 1, 1, 1};
    box.xdf = {1.0f / 40, 1.0f / 20, 1, 1, 1, 1};
    box.xfmn = {0.5f, 0.0f, 0, 0, 0, 0};
    box.xfmx = {0.8f, 0.6f, 0, 0, 0, 0};
    std::vector<float> rho(169);
    for (int j = 0; j < 13; ++j) {
        for (int i = 0; i < 13; ++i) {
            const double du = 0.5 + i / 40.0 - 0.6, dv = j / 20.0 - 0.3;
            rho[static_cast<std::size_t>(i + 13 * j)] = static_cast<float>(std::exp(-(du * du + dv * dv) / (2 * 0.03 * 0.03)));
        }
    }
    vtest::write_bytes(dir.path("box.q47"), vtest::q47_bytes(box, rho));
    const voxmill::PictureLayout square = voxmill::picture_layout(800, 1);
    const auto top = voxmill::colour_at(ColourScale::sequential, 1.0);
    for (const auto& [args, u0, u1, v0, v1] :
         {std::tuple{std::string("box.q47"), 0.5, 0.8, 0.0, 0.6}, std::tuple{std::string("--window 0,1,0,1 box.q47"), 0.0, 1.0, 0.0, 1.0}}) {
        ASSERT_EQ(vtest::voxmill(dir, "plot --levels 0 " + args + " out.png").status, 0) << args;
        const Png png = read_png(dir.path("out.png"));
        const voxmill::PictureLayout l = voxmill::picture_layout(800, (v1 - v0) / (u1 - u0));
        const auto centres = patches_of(png, top, 0.05);
        ASSERT_EQ(centres.size(), 1u) << args;
        EXPECT_NEAR(centres[0].first, l.plot_x + (0.6 - u0) / (u1 - u0) * l.plot_w, 0.02 * l.plot_w) << args;
        EXPECT_NEAR(centres[0].second, l.plot_y + (1 - (0.3 - v0) / (v1 - v0)) * l.plot_h, 0.02 * l.plot_h) << args;
    }

    write_cell_map(dir.path("cell.q47"), {24, 20, 16}, peaks({24, 20, 16}, {{3.0f, {0.3, 0.6, 0.013}}}));
    std::vector<std::uint32_t> near;
    for (const char* window : {"0,1,0,1", "1000000,1000001,0,1", "-1000000000,-999999999,0,1"}) {
        ASSERT_EQ(vtest::voxmill(dir, std::string("plot --at 0,0,0.013 --window ") + window + " cell.q47 out.png").status, 0);
        const Png png = read_png(dir.path("out.png"));
        std::vector<std::uint32_t> plot;  // the plot's pixels, not the tick labels under it
        for (int y = static_cast<int>(square.plot_y); y < static_cast<int>(square.plot_y + square.plot_h); ++y) {
            const auto row = png.pixels.begin() + static_cast<std::ptrdiff_t>(y) * png.width;
            plot.insert(plot.end(), row + static_cast<std::ptrdiff_t>(square.plot_x), row + static_cast<std::ptrdiff_t>(square.plot_x + square.plot_w));
        }
        if (near.empty()) near = plot;
        EXPECT_TRUE(plot == near) << window;
    }
}

// The colour range, the scale and the contour levels as the options say, and the levels'
// interval written beside the colour bar (read from the PDF's text).
TEST(Plot, ScalesAndLevelsFollowTheOptions) {
    vtest::ScratchDir dir;
    const std::vector<std::int32_t> n{24, 24, 4};
    std::vector<float> peak = peaks(n, {{5.0f, {0.5, 0.5, 0}}});
    write_cell_map(dir.path("peak.q47"), n, peak);
    std::vector<float> ringing = peaks(n, {{1.0f, {0.5, 0.5, 0}}});
    ringing[3] = -0.015f;
    write_cell_map(dir.path("ringing.q47"), n, ringing);
    vtest::RawHeader difference;  // a difference map of console option 2: map code 6, all below 0
    difference.nvox = {24, 24, 4, 1, 1, 1};
    difference.mapa = 6;
    for (std::size_t i = 0; i < 3; ++i) difference.xdf[i] = 1.0f / static_cast<float>(n[i]);
    std::vector<float> negative(peak);
    for (float& v : negative) v = -v;
    vtest::write_bytes(dir.path("difference.q47"), vtest::q47_bytes(difference, negative));
    double mean = 0, squares = 0;
    for (const float v : peak) mean += v / static_cast<double>(peak.size());
    for (const float v : peak) squares += (v - mean) * (v - mean) / static_cast<double>(peak.size());
    char two_sigma[32];
    std::snprintf(two_sigma, sizeof two_sigma, "%g", 2 * std::sqrt(squares));

    const struct {
        std::string args;
        ColourScale scale;
        double peak_t, background_t;  // where on the scale the peak and the background are
        std::string note;
    } cases[] = {
        {"peak.q47", ColourScale::sequential, 1.0, 0.0, "contours every 0.5"},
        {"--range 0,10 peak.q47", ColourScale::sequential, 0.5, 0.0, "contours every 1"},
        {"--range -2,2 peak.q47", ColourScale::sequential, 1.0, 0.5, "contours every 0.5"},
        {"--levels 4 peak.q47", ColourScale::sequential, 1.0, 0.0, "4 contour levels"},
        {"--sigma 2 peak.q47", ColourScale::sequential, 1.0, 0.0, std::string("contours every 2\xCF\x83 = ") + two_sigma},
        {"--scale diverging peak.q47", ColourScale::diverging, 1.0, 0.5, "contours every 1"},
        {"difference.q47", ColourScale::diverging, 0.0, 0.5, "contours every 1"},
        {"ringing.q47", ColourScale::sequential, 1.0, 0.015 / 1.015, "contours every 0.2"},
    };
    const bool can_read_pdf = run(dir, "command -v pdftotext") == 0;
    for (const auto& c : cases) {
        ASSERT_EQ(vtest::voxmill(dir, "plot " + c.args + " out.png").status, 0) << c.args;
        const Png png = read_png(dir.path("out.png"));
        const voxmill::PictureLayout l = voxmill::picture_layout(800, 1);
        const auto spot = [&](double u, double v) { return png.at(l.plot_x + u * l.plot_w, l.plot_y + (1 - v) * l.plot_h); };
        EXPECT_LT(distance(spot(0.5, 0.5), voxmill::colour_at(c.scale, c.peak_t)), 0.03) << c.args;
        EXPECT_LT(distance(spot(0.05, 0.05), voxmill::colour_at(c.scale, c.background_t)), 0.03) << c.args;
        if (!can_read_pdf) continue;
        ASSERT_EQ(vtest::voxmill(dir, "plot " + c.args + " out.pdf").status, 0) << c.args;
        ASSERT_EQ(run(dir, "pdftotext out.pdf out.txt"), 0);
        EXPECT_NE(vtest::slurp(dir.path("out.txt")).find(c.note), std::string::npos) << c.args;
    }
    // The default title names the file, with bytes that are no UTF-8 replaced; an empty one
    // draws none.
    write_cell_map(dir.path("bad\xff.q47"), n, peak);
    for (const auto& [args, title] : {std::pair{"'bad\xff.q47'", "bad\xEF\xBF\xBD.q47, x3 = 0"}, std::pair{"--title '' peak.q47", ""}}) {
        ASSERT_EQ(vtest::voxmill(dir, std::string("plot ") + args + " out.pdf").status, 0) << args;
        if (!can_read_pdf) continue;
        ASSERT_EQ(run(dir, "pdftotext out.pdf out.txt"), 0);
        const std::string text = vtest::slurp(dir.path("out.txt"));
        EXPECT_NE(text.find(*title ? title : "density"), std::string::npos) << args << ": " << text;
        if (!*title) {
            EXPECT_EQ(text.find(".q47"), std::string::npos) << args << ": " << text;
        }
    }
}

// SVG readers smooth images, so voxel blocks are drawn there as many pixels each: rendered, the
// plot shows the voxels' own colours, not blends between them.
TEST(Plot, VoxelBlocksStayBlocksInSvg) {
    vtest::ScratchDir dir;
    if (run(dir, "command -v rsvg-convert") != 0) GTEST_SKIP() << "rsvg-convert is not installed";
    write_cell_map(dir.path("map.q47"), {4, 4, 1}, vtest::ramp(16));
    for (const auto& [args, blocks] : {std::pair{"map.q47", true}, std::pair{"--voxels --window 0.01,0.74,0,0.75 map.q47", true},
                                       std::pair{"--interpolate map.q47", false}}) {
        ASSERT_EQ(vtest::voxmill(dir, std::string("plot --levels 0 ") + args + " out.svg").status, 0) << args;
        ASSERT_EQ(run(dir, "rsvg-convert -d 72 -p 72 out.svg -o out.png"), 0);
        const Png png = read_png(dir.path("out.png"));
        const voxmill::PictureLayout l = voxmill::picture_layout(800, 1);
        int own = 0, all = 0;
        for (int y = static_cast<int>(l.plot_y) + 2; y < static_cast<int>(l.plot_y + l.plot_h) - 2; y += 3) {
            for (int x = static_cast<int>(l.plot_x) + 2; x < static_cast<int>(l.plot_x + l.plot_w) - 2; x += 3) {
                double best = 1;
                for (int k = 0; k < 16; ++k) {
                    best = std::min(best, distance(png.at(x, y), voxmill::colour_at(ColourScale::sequential, k / 15.0)));
                }
                own += best < 0.02 ? 1 : 0;
                ++all;
            }
        }
        EXPECT_EQ(own > all * 97 / 100, blocks) << args << ": " << own << " of " << all << " samples show a voxel's colour";
    }
}

}  // namespace
