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

#include "cli/colour_scale.hpp"
#include "cli/picture.hpp"
#include "core/console.hpp"
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
    EXPECT_EQ(left, (std::vector<std::string>{"junk.q47", "map.q47", "map.q47.png", "stderr", "stdout"}));
}

}  // namespace
