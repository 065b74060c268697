// voxmill plot [...] MAP OUT: a picture of the plane of two map axes as PNG, SVG or PDF.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <filesystem>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "cli/cell_option.hpp"
#include "cli/command.hpp"
#include "cli/list_option.hpp"
#include "cli/map_files.hpp"
#include "cli/marks.hpp"
#include "cli/picture.hpp"
#include "cli/plot.hpp"
#include "cli/report.hpp"
#include "core/density_stats.hpp"
#include "formats/same_file.hpp"

namespace voxmill {

namespace {

constexpr std::size_t kMostLevels = 1000;
constexpr double kMostPixels = 100e6;   // of a PNG picture
constexpr double kMostSamples = 4096;  // along either side of the plane
constexpr std::size_t kMostContourPoints = 4'000'000;  // of all lines together

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

// A coordinate as given, to its last digit: 0.417 and 0.41666667 stay apart.
std::string exact(double v) {
    char text[32];
    const auto done = std::to_chars(text, text + sizeof text, v);
    return std::string(text, done.ptr);
}

// A failure of the command, reported as NAME: what; the marks' reading throws the same.
using PlotFailure = CommandFailure;

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

// The contour levels and how the picture says where they are.
struct Levels {
    std::vector<double> values;
    std::string note;
};

// A step of 1, 2, 2.5 or 5 times a power of ten that cuts `span` into about `count` pieces.
double round_step(double span, int count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 2.5, 5.0}) {
        if (m * power >= raw * (1 - 1e-9)) return m * power;
    }
    return 10.0 * power;
}

// Every multiple of `step` strictly between low and high (zero left out when asked), at most
// kMostLevels of them; `option` is named when there would be more.
std::vector<double> multiples_inside(double step, double low, double high, bool skip_zero, const char* option) {
    std::vector<double> levels;
    if (!(high > low)) return levels;
    // Counted by the width of the range first: a tiny step would take low / step beyond any
    // number, and NaN passes every comparison of a bound.
    const double most = static_cast<double>(kMostLevels);
    const double first = std::floor(low / step) + 1, last = std::ceil(high / step) - 1;
    if (!((high - low) / step <= most + 1) || !(last - first + 1 <= most)) {
        throw PlotFailure{option, "gives more than " + std::to_string(kMostLevels) + " levels between " + number(low) +
                                      " and " + number(high)};
    }
    for (double k = first; k <= last; ++k) {
        if (k != 0 || !skip_zero) levels.push_back(k * step);
    }
    return levels;
}

// The levels the options ask for over the data's range and the colour range shown: N levels
// spread over the data, every multiple of --step, every --sigma times the map's rms, or by
// default round values inside the shown range, symmetric about zero on a diverging scale,
// without the zero line, which only traces noise.
Levels contour_levels(const PlotOptions& o, const Range& data, double low, double high, double rms) {
    Levels l;
    if (o.levels >= 0) {
        for (int k = 1; k <= o.levels && data.high > data.low; ++k) {
            l.values.push_back(data.low + (data.high - data.low) * k / (o.levels + 1));
        }
        l.note = o.levels == 0 ? "" : std::to_string(o.levels) + " contour levels";
    } else if (o.step > 0) {
        l.values = multiples_inside(o.step, data.low, data.high, false, "--step");
        l.note = "contours every " + number(o.step);
    } else if (o.sigma > 0) {
        if (!(rms > 0)) throw PlotFailure{"--sigma", "the map's densities do not vary: its rms deviation is 0"};
        const double step = o.sigma * rms;
        l.values = multiples_inside(step, std::max(low, data.low), std::min(high, data.high), true, "--sigma");
        l.note = "contours every " + number(o.sigma) + "\xCF\x83 = " + number(step);
    } else if (high > low) {
        const double step = round_step(high - low, 10);
        l.values = multiples_inside(step, std::max(low, data.low), std::min(high, data.high), true, "--levels");
        l.note = "contours every " + number(step);
    }
    return l;
}

// The axis that map position k holds, by its code: x1 .. x3 of real space, x4 .. x6 of
// superspace. A code outside 1..6 (0 in some headers) means the position's own axis.
int axis_code(const Map& map, int k) {
    const int code = map.iorien(k);
    return code >= 1 && code <= 6 ? code : k;
}

std::string axis_name(int code) { return "x" + std::to_string(code); }

// The cell: --cell, else the map's own when it is sound.
std::optional<std::array<double, 6>> known_cell(const PlotOptions& o, const Map& map) {
    if (!o.cell.empty()) return std::array<double, 6>{o.cell[0], o.cell[1], o.cell[2], o.cell[3], o.cell[4], o.cell[5]};
    if (map.cell && sound_cell(*map.cell)) return map.cell;
    return std::nullopt;
}

// The shape of the plane of map positions `across` and `up`: when both hold axes of real
// space and a cell is known, their lengths and the cell's angle between them; otherwise one
// cell fraction is as long on both axes, at right angles.
PlaneShape plane_shape(const PlotOptions& o, const Map& map, int across, int up) {
    const std::optional<std::array<double, 6>> cell = known_cell(o, map);
    const int a = axis_code(map, across), b = axis_code(map, up);
    if (!cell || a > 3 || b > 3 || a == b) return {};
    const auto at = [&](int i) { return (*cell)[static_cast<std::size_t>(i)]; };
    // The angle between axes a and b is the cell's angle of the third: alpha, beta or gamma.
    return {at(a - 1), at(b - 1), at(3 + (6 - a - b) - 1)};
}

// The axis of a model that each map axis holds: its code when the codes name every axis of
// the map once, else its own position.
std::array<int, 6> model_codes(const Map& map) {
    std::array<int, 6> codes{1, 2, 3, 4, 5, 6};
    std::array<bool, 7> named{};
    for (int k = 1; k <= map.dimension; ++k) {
        const int code = axis_code(map, k);
        if (code > map.dimension || named[static_cast<std::size_t>(code)]) return {1, 2, 3, 4, 5, 6};
        named[static_cast<std::size_t>(code)] = true;
        codes[static_cast<std::size_t>(k - 1)] = code;
    }
    return codes;
}

// The marks of --marks on the plane of `r`: its model, of the map's dimension, and near the
// plane by the cell (--cell, the map's, else the file's).
ModelMarks plane_model(const PlotOptions& o, const Map& map, const PlaneRequest& r) {
    const MapModel model = read_map_model(o.marks);
    if (model.dimension != map.dimension) {
        throw PlotFailure{o.marks, "holds a model of a map of " + std::to_string(model.dimension) + " dimensions, but " + o.map +
                                       " has " + std::to_string(map.dimension)};
    }
    const std::optional<std::array<double, 6>> cell = known_cell(o, map);
    return model_marks(model, plane_cut(map, r, model_codes(map), cell ? cell : model.cell));
}

// Valid UTF-8 for the picture's text: a byte that starts no valid sequence becomes U+FFFD.
std::string as_utf8(const std::string& text) {
    std::string out;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool valid = length > 0 && i + length <= n;
        for (std::size_t k = 1; valid && k < length; ++k) valid = (s[i + k] & 0xC0) == 0x80;
        if (valid && length > 1) {
            // No overlong forms, surrogates or code points beyond U+10FFFF.
            std::uint32_t cp = c & (0xFF >> (length + 1));
            for (std::size_t k = 1; k < length; ++k) cp = cp << 6 | (s[i + k] & 0x3F);
            static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
            valid = cp >= kLeast[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        }
        if (valid) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::string default_title(const PlotOptions& o, const Map& map, const PlaneRequest& r) {
    std::string title = as_utf8(std::filesystem::path(o.map).filename().string());
    for (int k = 1; k <= map.dimension; ++k) {
        if (k == r.across || k == r.up) continue;
        title += ", " + axis_name(axis_code(map, k)) + " = " + exact(r.at[static_cast<std::size_t>(k - 1)]);
    }
    return title;
}

// A window must be wider than a hundredth of a voxel, and wide enough for its coordinates to
// tell its edges apart.
void check_window_width(const Map& map, int k, double w0, double w1) {
    const double step = AxisFrame(map, k).step;
    const double least = std::max(0.01 * step, 1e-12 * std::max({1.0, std::abs(w0), std::abs(w1)}));
    if (!(w1 - w0 >= least)) {
        throw PlotFailure{"--window", "shows " + number(w1 - w0) + " of axis " + std::to_string(k) +
                                          ", less than a hundredth of a voxel (" + number(step) + ") or too fine for its coordinates"};
    }
}

// Diverging for a difference map (map code 6, as console option 2 writes) or a plane whose
// densities of either sign reach a tenth of the larger extreme; sequential otherwise, so that
// the small ringing of the spline beside a peak does not halve a one-signed scale.
ColourScale colour_scale(const PlotOptions& o, const Map& map, const Range& r) {
    if (o.scale == "sequential") return ColourScale::sequential;
    if (o.scale == "diverging") return ColourScale::diverging;
    const double below = std::max(0.0, -r.low), above = std::max(0.0, r.high);
    const bool both_signs = std::min(below, above) >= 0.1 * std::max(below, above) && below > 0;
    return map.q47.mapa == 6 || both_signs ? ColourScale::diverging : ColourScale::sequential;
}

// The grid point of axis k nearest to x.
double nearest_grid_point(const Map& map, int k, double x) {
    const AxisFrame a(map, k);
    return a.n == 1 ? x : a.start + std::round((x - a.start) / a.step) * a.step;
}

// For --voxels: the window's edges and the fixed coordinates moved to their nearest grid
// points, so that the picture shows whole voxels where they are.
void snap_to_voxels(const Map& map, PlaneRequest& r) {
    for (int k = 1; k <= map.dimension; ++k) {
        if (k != r.across && k != r.up) r.at[static_cast<std::size_t>(k - 1)] = nearest_grid_point(map, k, r.at[static_cast<std::size_t>(k - 1)]);
    }
    r.u0 = nearest_grid_point(map, r.across, r.u0);
    r.u1 = nearest_grid_point(map, r.across, r.u1);
    r.v0 = nearest_grid_point(map, r.up, r.v0);
    r.v1 = nearest_grid_point(map, r.up, r.v1);
}

// Whether the picture has room for every voxel of the window as a block of its own.
void check_voxel_window(const Map& map, const PlaneRequest& r) {
    for (const auto& [k, w0, w1] : {std::tuple{r.across, r.u0, r.u1}, std::tuple{r.up, r.v0, r.v1}}) {
        const double points = std::round((w1 - w0) / AxisFrame(map, k).step) + 1;
        if (!(points >= 2)) throw PlotFailure{"--voxels", "the window holds less than two grid points of axis " + std::to_string(k)};
        if (points > r.most_samples) {
            throw PlotFailure{"--voxels", "the window holds " + number(points) + " grid points of axis " + std::to_string(k) +
                                              ", more than the picture's " + std::to_string(r.most_samples) +
                                              ": give a larger --size or a smaller window"};
        }
    }
}

// The contour lines of every level, refused when they would be more points than a picture
// can show (many levels over many cells).
std::vector<ContourLevel> trace_levels(const PlaneSamples& s, const std::vector<double>& levels) {
    std::vector<ContourLevel> contours;
    std::size_t points = 0;
    for (const double level : levels) {
        ContourLevel c{level, trace_contour(s.values.data(), s.nu, s.nv, level)};
        for (const ContourLine& line : c.lines) points += line.points.size();
        if (points > kMostContourPoints) {
            throw PlotFailure{"--levels", "the contour lines would take more than " + std::to_string(kMostContourPoints) +
                                              " points: give fewer levels or a smaller window"};
        }
        contours.push_back(std::move(c));
    }
    return contours;
}

// The plane the options ask for: its axes, the fixed coordinates (by default 0, or the first
// voxel of an axis that holds a box) and the window (by default one cell, or a box's frame).
PlaneRequest plane_request(const PlotOptions& o, const Map& map) {
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
    r.interpolate = o.interpolate;
    for (int k = 1; k <= map.dimension; ++k) {
        if (k == r.across || k == r.up) continue;
        double& x = r.at[static_cast<std::size_t>(k - 1)];
        if (o.at.empty() && !periodic_axis(map, k)) x = frame_range(map, k).first;
        if (!holds_coordinate(map, k, x)) {
            const auto [first, last] = frame_range(map, k);
            throw PlotFailure{"--at", axis_name(axis_code(map, k)) + " = " + exact(x) + " lies outside the map, which holds it from " +
                                          number(first) + " to " + number(last) + " only"};
        }
    }
    const auto default_window = [&](int k) {
        return periodic_axis(map, k) ? std::pair{0.0, 1.0} : frame_range(map, k);
    };
    std::tie(r.u0, r.u1) = o.window.empty() ? default_window(r.across) : std::pair{o.window[0], o.window[1]};
    std::tie(r.v0, r.v1) = o.window.empty() ? default_window(r.up) : std::pair{o.window[2], o.window[3]};
    if (o.voxels) snap_to_voxels(map, r);
    check_window_width(map, r.across, r.u0, r.u1);
    check_window_width(map, r.up, r.v0, r.v1);
    return r;
}

// The densities at the ends of the colour scale: --range, or the plane's range, symmetric
// about zero on a diverging scale.
std::pair<double, double> colour_range(const PlotOptions& o, ColourScale scale, const Range& r) {
    if (!o.range.empty()) return {o.range[0], o.range[1]};
    if (scale == ColourScale::diverging) {
        const double most = std::max(std::abs(r.low), std::abs(r.high));
        return {-most, most};
    }
    return {r.low, r.high};
}

// Reads MAP and draws it.
void plot(const PlotOptions& o, std::ostream& err) {
    refuse_input_as_output(o);
    MapFile f;
    try {
        f = read_map_file(o.map);
    } catch (const std::bad_alloc&) {
        throw PlotFailure{o.map, "not enough memory for the map"};
    } catch (const std::exception& e) {
        throw PlotFailure{o.map, e.what()};
    }
    for (const std::string& w : f.warnings) report_warning(err, o.map, w);
    draw_plot(o, f.map);
}

}  // namespace

void refuse_input_as_output(const PlotOptions& o) {
    if (same_file(o.map, o.out)) throw PlotFailure{o.out, "is the input map " + o.map + "; nothing was written"};
}

void draw_plot(const PlotOptions& o, const Map& map) {
    PlaneRequest r = plane_request(o, map);
    Picture p;
    if (!o.marks.empty()) {
        ModelMarks marks = plane_model(o, map, r);
        p.marks = std::move(marks.marks);
        p.curves = std::move(marks.curves);
    }
    p.shape = plane_shape(o, map, r.across, r.up);
    p.across_label = axis_name(axis_code(map, r.across));
    p.up_label = axis_name(axis_code(map, r.up));
    p.layout = picture_layout(o.size, plane_aspect(r, p.shape));
    if (*picture_format(o.out) == PictureFormat::png && p.layout.width * p.layout.height > kMostPixels) {
        throw PlotFailure{o.out, "a picture of " + number(p.layout.width) + " x " + number(p.layout.height) +
                                     " pixels is too large; give a smaller --size"};
    }
    r.most_samples = static_cast<int>(std::clamp(std::max(p.layout.plot_w, p.layout.plot_h), 2.0, kMostSamples));
    if (o.voxels) check_voxel_window(map, r);
    const PlaneSamples samples = sample_plane(map, r);
    if (o.voxels && !samples.voxels) throw PlotFailure{"--voxels", "the voxels of this plane cannot be shown as blocks"};
    const Range range = range_of(samples.values);
    if (!(range.high >= range.low)) throw PlotFailure{o.map, "the plane shown holds no finite density"};
    p.plane = &r;
    p.samples = &samples;
    p.scale = colour_scale(o, map, range);
    std::tie(p.low, p.high) = colour_range(o, p.scale, range);
    const DensityStats stats = density_stats(map.rho.data(), static_cast<std::size_t>(map.voxels()));
    const Levels levels = contour_levels(o, range, p.low, p.high, stats.rms.value_or(0.0));
    p.contours = trace_levels(samples, levels.values);
    p.levels_note = levels.note;
    p.title = o.title_given ? as_utf8(o.title) : default_title(o, map, r);
    try {
        draw_picture(p, *picture_format(o.out), o.out);
    } catch (const std::bad_alloc&) {
        throw PlotFailure{o.out, "not enough memory for the picture"};
    } catch (const std::exception& e) {
        throw PlotFailure{o.out, e.what()};
    }
}

namespace {

// Checks what the parser cannot (two different axes, a window of some width, the output's
// extension); throws CLI::ValidationError.
void check_plot_options(const PlotOptions& o) {
    for (const int k : o.axes) {
        if (k < 1 || k > 6) throw CLI::ValidationError("--axes", "names axis " + std::to_string(k) + ": axes are 1 to 6");
    }
    if (o.axes[0] == o.axes[1]) throw CLI::ValidationError("--axes", "names axis " + std::to_string(o.axes[0]) + " twice");
    for (const double w : o.window) {
        if (!std::isfinite(w)) throw CLI::ValidationError("--window", "holds a value that is not a finite number");
    }
    if (!o.window.empty() && (!(o.window[1] > o.window[0]) || !(o.window[3] > o.window[2]))) {
        throw CLI::ValidationError("--window", "needs U1 above U0 and V1 above V0");
    }
    if (!o.range.empty() && !(std::isfinite(o.range[0]) && std::isfinite(o.range[1]) && o.range[1] > o.range[0])) {
        throw CLI::ValidationError("--range", "needs finite LO and HI with HI above LO");
    }
    for (const double c : o.at) {
        if (!std::isfinite(c)) throw CLI::ValidationError("--at", "holds a value that is not a finite number");
    }
    if (!picture_format(o.out)) throw CLI::ValidationError("OUT", o.out + ": unknown extension; give .png, .svg or .pdf");
    check_cell(o.cell);
}

void add_options(CLI::App& command, PlotOptions& options) {
    add_list_option(command, "--axes", options.axes, 2, 2, "the map axes I,J across and up the picture (default 1,2)")
        ->type_name("I,J");
    add_list_option(command, "--at", options.at, 1, 6, "fractional coordinate on every map axis, in axis order (default 0)")
        ->type_name("C1,...,Cn");
    add_list_option(command, "--window", options.window, 4, 4,
                    "fractional range U0,U1 of axis I and V0,V1 of axis J (default 0,1,0,1)")
        ->type_name("U0,U1,V0,V1");
    CLI::Option* levels =
        command.add_option("--levels", options.levels,
                           "contour lines at N levels spread over the data range (default: round values, about 10)")
            ->check(CLI::Range(0, static_cast<int>(kMostLevels)));
    const CLI::Validator above_zero(
        [](std::string& text) {
            double value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            const bool number = error == std::errc() && end == text.data() + text.size();
            return number && std::isfinite(value) && value > 0 ? std::string() : "must be a finite number above 0";
        },
        "S");
    CLI::Option* step = command.add_option("--step", options.step, "a contour line at every multiple of S instead")
                             ->check(above_zero)
                             ->excludes(levels);
    command.add_option("--sigma", options.sigma, "a contour line every S times the map's rms deviation from its mean")
        ->check(above_zero)
        ->excludes(levels)
        ->excludes(step);
    add_list_option(command, "--range", options.range, 2, 2, "densities LO,HI at the ends of the colour scale (default: the plane's)")
        ->type_name("LO,HI");
    command.add_option("--scale", options.scale, "colour scale: auto (default), sequential or diverging")
        ->check(CLI::IsMember({"auto", "sequential", "diverging"}));
    CLI::Option* voxels = command.add_flag("--voxels", options.voxels,
                                         "draw the voxels as blocks, the window and fixed coordinates moved to the nearest grid points");
    command.add_flag("--interpolate", options.interpolate, "draw the spline interpolation even on grid points")->excludes(voxels);
    command.add_option("--size", options.size, "width in pixels (PNG) or points (SVG, PDF), default 800")
        ->check(CLI::Range(100, 20000));
    add_cell_option(command, options.cell, "unit cell A,B,C in A and ALPHA,BETA,GAMMA: real-space axes drawn to scale");
    command.add_option_function<std::string>(
        "--title",
        [&options](const std::string& title) {
            options.title = title;
            options.title_given = true;
        },
        "title (default: the file name and the fixed coordinates; \"\" for none)");
    command.add_option("--marks", options.marks,
                       "the JSON of voxmill peaks or atoms: marks its peaks or atoms on the plane, and the atoms' curves")
        ->type_name("FILE.json");
    command.add_option("MAP", options.map, "map file (" + readable_formats() + ")")->required();
    command.add_option("OUT", options.out, "picture file (.png, .svg, .pdf)")->required();
}

// 0 when OUT has been drawn, 1 when it could not be (reported on `err`, nothing written).
int run(const PlotOptions& options, std::ostream&, std::ostream& err) {
    try {
        plot(options, err);
    } catch (const PlotFailure& f) {
        report_error(err, f.name, f.what);
        return 1;
    }
    return 0;
}

}  // namespace

PlotOptions plot_options(const std::vector<std::string>& words) {
    CLI::App parser;
    PlotOptions o;
    add_options(parser, o);
    std::vector<const char*> argv{"plot"};
    for (const std::string& w : words) argv.push_back(w.c_str());
    parser.parse(static_cast<int>(argv.size()), argv.data());
    check_plot_options(o);
    return o;
}

const Command kPlotCommand{
    "plot", "draw the plane of two map axes as a contour map (PNG, SVG or PDF)",
    "usage: voxmill plot [--axes I,J] [--at C1,...,Cn] [--window U0,U1,V0,V1] [--levels N | --step S | --sigma S] "
    "[--range LO,HI] [--scale auto|sequential|diverging] [--voxels | --interpolate] [--size W] "
    "[--cell A,B,C,ALPHA,BETA,GAMMA] [--title TEXT] [--marks FILE.json] MAP OUT",
    bind_options<PlotOptions, add_options, check_plot_options, run>};

}  // namespace voxmill
