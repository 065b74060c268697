#include "cli/plot.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <new>
#include <optional>

#include "cli/cell_option.hpp"
#include "cli/list_option.hpp"
#include "cli/map_files.hpp"
#include "cli/picture.hpp"
#include "cli/report.hpp"
#include "core/density_stats.hpp"
#include "formats/same_file.hpp"

namespace voxmill {

const char* const kPlotUsage =
    "usage: voxmill plot [--axes I,J] [--at C1,...,Cn] [--window U0,U1,V0,V1] [--levels N | --step S] [--size W] "
    "[--cell A,B,C,ALPHA,BETA,GAMMA] [--title TEXT] MAP OUT";

namespace {

constexpr std::size_t kMostLevels = 1000;
constexpr double kMostPixels = 100e6;   // of a PNG picture
constexpr double kMostSamples = 4096;  // along either side of the plane

std::optional<PictureFormat> picture_format(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".png") return PictureFormat::png;
    if (ext == ".svg") return PictureFormat::svg;
    if (ext == ".pdf") return PictureFormat::pdf;
    return std::nullopt;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// A failure of the command, reported as NAME: what.
struct PlotFailure {
    std::string name, what;
};

struct Range {
    double low = std::numeric_limits<double>::infinity(), high = -std::numeric_limits<double>::infinity();
};

Range range_of(const std::vector<float>& values) {
    Range r;
    for (const float v : values) {
        if (!std::isfinite(v)) continue;
        r.low = std::min(r.low, static_cast<double>(v));
        r.high = std::max(r.high, static_cast<double>(v));
    }
    return r;
}

// N levels spread evenly inside the range, or every multiple of the step inside it.
std::vector<double> contour_levels(const PlotOptions& o, const Range& r) {
    std::vector<double> levels;
    if (!(r.high > r.low)) return levels;
    if (o.step > 0) {
        // Counted by the width of the range first: a tiny step would take low / step beyond
        // any number, and NaN passes every comparison of a bound.
        const double first = std::floor(r.low / o.step) + 1, last = std::ceil(r.high / o.step) - 1;
        const double most = static_cast<double>(kMostLevels);
        if (!((r.high - r.low) / o.step <= most + 1) || !(last - first + 1 <= most)) {
            throw PlotFailure{"--step", "gives more than " + std::to_string(kMostLevels) + " levels between " +
                                            number(r.low) + " and " + number(r.high)};
        }
        for (double k = first; k <= last; ++k) levels.push_back(k * o.step);
    } else {
        for (int k = 1; k <= o.levels; ++k) levels.push_back(r.low + (r.high - r.low) * k / (o.levels + 1));
    }
    return levels;
}

// Plot units per cell fraction along axis k: its cell length for a real-space axis when
// --cell is given and both axes are of real space; 1 otherwise.
double axis_length(const PlotOptions& o, int k) {
    const bool real = o.axes[0] <= 3 && o.axes[1] <= 3;
    return !o.cell.empty() && real ? o.cell[static_cast<std::size_t>(k - 1)] : 1.0;
}

std::string default_title(const PlotOptions& o, const Map& map, const PlaneRequest& r) {
    std::string title = std::filesystem::path(o.map).filename().string();
    for (int k = 1; k <= map.dimension; ++k) {
        if (k == r.across || k == r.up) continue;
        title += ", x" + std::to_string(k) + " = " + number(r.at[static_cast<std::size_t>(k - 1)]);
    }
    return title;
}

void plot(const PlotOptions& o, std::ostream& err) {
    if (same_file(o.map, o.out)) throw PlotFailure{o.out, "is the input map " + o.map + "; nothing was written"};
    MapFile f;
    try {
        f = read_map_file(o.map);
    } catch (const std::bad_alloc&) {
        throw PlotFailure{o.map, "not enough memory for the map"};
    } catch (const std::exception& e) {
        throw PlotFailure{o.map, e.what()};
    }
    for (const std::string& w : f.warnings) report_warning(err, o.map, w);
    const Map& map = f.map;
    for (const int k : o.axes) {
        if (k > map.dimension) {
            throw PlotFailure{o.map, "a map of " + std::to_string(map.dimension) + " axes has no axis " + std::to_string(k)};
        }
    }
    if (!o.at.empty() && o.at.size() != static_cast<std::size_t>(map.dimension)) {
        throw PlotFailure{"--at", "gives " + std::to_string(o.at.size()) + " coordinates for a map of " +
                                      std::to_string(map.dimension) + " axes"};
    }
    PlaneRequest r;
    r.across = o.axes[0];
    r.up = o.axes[1];
    std::copy(o.at.begin(), o.at.end(), r.at.begin());
    r.u0 = o.window[0];
    r.u1 = o.window[1];
    r.v0 = o.window[2];
    r.v1 = o.window[3];
    const double aspect = ((r.v1 - r.v0) * axis_length(o, r.up)) / ((r.u1 - r.u0) * axis_length(o, r.across));
    Picture p;
    p.layout = picture_layout(o.size, aspect);
    if (*picture_format(o.out) == PictureFormat::png && p.layout.width * p.layout.height > kMostPixels) {
        throw PlotFailure{o.out, "a picture of " + number(p.layout.width) + " x " + number(p.layout.height) +
                                     " pixels is too large; give a smaller --size"};
    }
    r.most_samples = static_cast<int>(std::clamp(std::max(p.layout.plot_w, p.layout.plot_h), 2.0, kMostSamples));
    const PlaneSamples samples = sample_plane(map, r);
    const Range range = range_of(samples.values);
    p.plane = &r;
    p.samples = &samples;
    // The scale follows the signs of the map's own densities: the small overshoots of the
    // spline beside a peak are no densities of the other sign.
    const DensityStats map_range = density_stats(map.rho.data(), static_cast<std::size_t>(map.voxels()));
    if (map_range.min && *map_range.min < 0 && *map_range.max > 0 && range.low < 0 && range.high > 0) {
        p.scale = ColourScale::diverging;
        p.high = std::max(-range.low, range.high);
        p.low = -p.high;
    } else if (range.high >= range.low) {
        p.low = range.low;
        p.high = range.high;
    }
    p.levels = contour_levels(o, range);
    p.title = o.title.empty() ? default_title(o, map, r) : o.title;
    try {
        draw_picture(p, *picture_format(o.out), o.out);
    } catch (const std::bad_alloc&) {
        throw PlotFailure{o.out, "not enough memory for the picture"};
    } catch (const std::exception& e) {
        throw PlotFailure{o.out, e.what()};
    }
}

}  // namespace

CLI::App* add_plot_command(CLI::App& app, PlotOptions& options) {
    CLI::App* plot = app.add_subcommand("plot", "draw the plane of two map axes as a contour map (PNG, SVG or PDF)");
    add_list_option(*plot, "--axes", options.axes, 2, 2, "the map axes I,J across and up the picture (default 1,2)")
        ->type_name("I,J");
    add_list_option(*plot, "--at", options.at, 1, 6, "fractional coordinate on every map axis, in axis order (default 0)")
        ->type_name("C1,...,Cn");
    add_list_option(*plot, "--window", options.window, 4, 4,
                    "fractional range U0,U1 of axis I and V0,V1 of axis J (default 0,1,0,1)")
        ->type_name("U0,U1,V0,V1");
    CLI::Option* levels =
        plot->add_option("--levels", options.levels, "contour lines at N levels spread over the data range (default 10)")
            ->check(CLI::Range(0, static_cast<int>(kMostLevels)));
    plot->add_option("--step", options.step, "a contour line every S instead")
        ->check(CLI::Validator(
            [](std::string& text) {
                double step = 0;
                const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), step);
                const bool number = error == std::errc() && end == text.data() + text.size();
                return number && std::isfinite(step) && step > 0 ? std::string() : "must be a finite number above 0";
            },
            "S"))
        ->excludes(levels);
    plot->add_option("--size", options.size, "width in pixels (PNG) or points (SVG, PDF), default 800")
        ->check(CLI::Range(100, 20000));
    add_cell_option(*plot, options.cell, "unit cell A,B,C in A and ALPHA,BETA,GAMMA: real-space axes drawn to scale");
    plot->add_option("--title", options.title, "title (default: the file name and the fixed coordinates)");
    plot->add_option("MAP", options.map, "map file (q47, CCP4/MRC, X-PLOR)")->required();
    plot->add_option("OUT", options.out, "picture file (.png, .svg, .pdf)")->required();
    return plot;
}

void check_plot_options(const PlotOptions& o) {
    for (const int k : o.axes) {
        if (k < 1 || k > 6) throw CLI::ValidationError("--axes", "names axis " + std::to_string(k) + ": axes are 1 to 6");
    }
    if (o.axes[0] == o.axes[1]) throw CLI::ValidationError("--axes", "names axis " + std::to_string(o.axes[0]) + " twice");
    for (const double w : o.window) {
        if (!std::isfinite(w)) throw CLI::ValidationError("--window", "holds a value that is not a finite number");
    }
    if (!(o.window[1] > o.window[0]) || !(o.window[3] > o.window[2])) {
        throw CLI::ValidationError("--window", "needs U1 above U0 and V1 above V0");
    }
    for (const double c : o.at) {
        if (!std::isfinite(c)) throw CLI::ValidationError("--at", "holds a value that is not a finite number");
    }
    if (!picture_format(o.out)) throw CLI::ValidationError("OUT", o.out + ": unknown extension; give .png, .svg or .pdf");
    check_cell(o.cell);
}

int run_plot(const PlotOptions& options, std::ostream& err) {
    try {
        plot(options, err);
    } catch (const PlotFailure& f) {
        report_error(err, f.name, f.what);
        return 1;
    }
    return 0;
}

}  // namespace voxmill
