// The figures, analyses and picture of the commands `voxmill info`, `peaks`, `atoms` and
// `plot`, of a map that Python holds: the commands' own code, so the same JSON and the same
// picture.
#include <array>
#include <charconv>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "bindings.hpp"
#include "cli/command_line.hpp"
#include "cli/json_reports.hpp"
#include "cli/list_option.hpp"
#include "cli/map_command.hpp"
#include "cli/plot.hpp"
#include "core/density_stats.hpp"
#include "core/errors.hpp"
#include "unlocked.hpp"

namespace py = pybind11;

namespace voxmill::python {

namespace {

// The name a Python map goes by in messages, titles and the JSON: the file it was read from,
// or "map".
std::string name_of(const py::object& map) {
    return py::hasattr(map, "path") ? py::str(map.attr("path")).cast<std::string>() : std::string("map");
}

py::object as_python(const nlohmann::json& j) { return py::module_::import("json").attr("loads")(json_line(j)); }

py::object statistics(const Map& map) {
    const DensityStats s = unlocked([&] { return density_stats(map.rho.data(), static_cast<std::size_t>(map.voxels())); });
    return as_python(map_json(map, s, true));
}

py::object peaks(const py::object& python_map, std::optional<double> min_height, double min_sigma, std::optional<std::size_t> max) {
    check_finite("min_sigma", {min_sigma});
    if (min_height) check_finite("min_height", {*min_height});
    if (max && *max == 0) throw MapError("max: needs 1 peak or more");
    const Map& map = python_map.cast<const Map&>();
    const std::string name = name_of(python_map);
    const PeakCriteria criteria{min_height, min_sigma, max};
    const nlohmann::json found = unlocked([&] {
        const std::vector<Peak> peaks = operate(name, [&] { return find_peaks(map, criteria); });
        return peaks_json(name, map, peaks, peak_threshold(map, criteria));
    });
    return as_python(found["peaks"]);
}

py::object atoms(const py::object& python_map, int order, std::optional<double> min_height, double min_sigma) {
    if (order < 0 || order > 6) throw MapError("order: needs 0 to 6");
    check_finite("min_sigma", {min_sigma});
    if (min_height) check_finite("min_height", {*min_height});
    const Map& map = python_map.cast<const Map&>();
    const std::string name = name_of(python_map);
    const nlohmann::json found = unlocked([&] {
        const std::vector<Atom> atoms = operate(name, [&] { return find_atoms(map, {min_height, min_sigma, order}); });
        return atoms_json(name, map, atoms);
    });
    return as_python(found["atoms"]);
}

// A number to its last digit.
std::string exact(double v) {
    char text[32];
    const auto done = std::to_chars(text, text + sizeof text, v);
    return std::string(text, done.ptr);
}

template <class Numbers>
std::string listed(const Numbers& values) {
    std::string text;
    for (const auto v : values) text += (text.empty() ? "" : ",") + exact(static_cast<double>(v));
    return text;
}

// The keyword arguments as the command's words, parsed and checked by the command's own parser.
void plot(const py::object& python_map, const std::string& path, std::array<int, 2> axes, std::optional<std::vector<double>> at,
          std::optional<std::array<double, 4>> window, std::optional<int> levels, std::optional<double> step,
          std::optional<double> sigma, std::optional<std::array<double, 2>> range, const std::string& scale, bool voxels,
          bool interpolate, int size, std::optional<std::array<double, 6>> cell, std::optional<std::string> title,
          std::optional<std::string> marks) {
    std::vector<std::string> words;
    // As --name=value, so that a value may start with '-'.
    const auto option = [&](const char* name, const std::string& value) { words.push_back(std::string(name) + "=" + value); };
    option("--axes", listed(axes));
    if (at) option("--at", listed(*at));
    if (window) option("--window", listed(*window));
    if (levels) option("--levels", std::to_string(*levels));
    if (step) option("--step", exact(*step));
    if (sigma) option("--sigma", exact(*sigma));
    if (range) option("--range", listed(*range));
    option("--scale", scale);
    if (voxels) words.push_back("--voxels");
    if (interpolate) words.push_back("--interpolate");
    option("--size", std::to_string(size));
    if (cell) option("--cell", listed(*cell));
    if (title) option("--title", *title);
    if (marks) option("--marks", *marks);
    words.insert(words.end(), {"--", name_of(python_map), path});
    const PlotOptions o = plot_options(words);
    refuse_input_as_output(o);
    const Map& map = python_map.cast<const Map&>();
    unlocked([&] { draw_plot(o, map); });
}

py::tuple run_command(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"voxmill"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    std::ostringstream output, errors;
    const int status = unlocked([&] { return run_command_line(static_cast<int>(argv.size()), argv.data(), output, errors); });
    return py::make_tuple(status, output.str(), errors.str());
}

}  // namespace

void bind_commands(py::module_& m) {
    m.def("run_command", &run_command, py::arg("arguments"),
          R"(Runs a command of the command line in this process, as `voxmill ARGUMENTS...` would.

Args:
    arguments: the words after `voxmill`, e.g. ["info", "--json", "map.q47"].

Returns:
    tuple: (exit status 0, 1 or 2, standard output, error output) as texts.)");
    m.def("statistics", &statistics, py::arg("map"),
          R"(What the map is and what its densities are: the figures of `voxmill info --json` but the file's.

Args:
    map: the map.

Returns:
    dict: dimension, voxels, axis_codes, frame (start, end, step per axis), map_code, subsystem,
        cell, cell_valid, origin; min, max, mean, rms (over the finite voxels, None when there
        are none), nan and inf (counts).)");
    m.def("peaks", &peaks, py::arg("map"), py::kw_only(), py::arg("min_height") = py::none(), py::arg("min_sigma") = 3.0,
          py::arg("max") = py::none(),
          R"(The maxima of the map, refined between the voxels, with the charges of their basins (voxmill peaks).

Args:
    map: the map (its cell, when valid, gives the charges in electrons).
    min_height: keep the peaks of at least this refined height.
    min_sigma: else keep those of at least mean + min_sigma rms of the map.
    max: at most this many peaks, the highest.

Returns:
    list: one dict per peak, highest first, with the keys of `voxmill peaks --json`: position,
        height, charge, voxels, refined.

Raises:
    voxmill.MapError: a map that cannot be analysed, or criteria the command refuses.)");
    m.def("atoms", &atoms, py::arg("map"), py::kw_only(), py::arg("order") = 2, py::arg("min_height") = py::none(),
          py::arg("min_sigma") = 3.0,
          R"(The atoms of the map: its peaks in 3D, and in superspace their modulation as Fourier series (voxmill atoms).

Args:
    map: the map, 3 to 6 dimensions.
    order: the highest |n| of each superspace component of the series' waves (0 to 6).
    min_height: keep the maxima of at least this density.
    min_sigma: else those of at least mean + min_sigma rms of the whole map.

Returns:
    list: one dict per atom, by decreasing height, with the keys of `voxmill atoms --json`: id,
        position, charge, height, displacive, occupational, crenel, rms_residual, trace.

Raises:
    voxmill.MapError: a map that cannot be analysed, or criteria the command refuses.)");
    m.def("plot", &plot, py::arg("map"), py::arg("path"), py::kw_only(), py::arg("axes") = std::array<int, 2>{1, 2},
          py::arg("at") = py::none(), py::arg("window") = py::none(), py::arg("levels") = py::none(), py::arg("step") = py::none(),
          py::arg("sigma") = py::none(), py::arg("range") = py::none(), py::arg("scale") = "auto", py::arg("voxels") = false,
          py::arg("interpolate") = false, py::arg("size") = 800, py::arg("cell") = py::none(), py::arg("title") = py::none(),
          py::arg("marks") = py::none(),
          R"(Draws the plane of two map axes as a contour map, PNG, SVG or PDF by path's extension (voxmill plot).

Args:
    map: the map.
    path: the picture file (.png, .svg, .pdf), written whole or not at all.
    axes: the map axes (I, J) across and up.
    at: the fractional coordinate on every map axis (default 0).
    window: (U0, U1, V0, V1), the fractional range of axis I and of axis J (default one cell).
    levels: contour lines at this many levels spread over the data.
    step: a contour line at every multiple of step instead.
    sigma: a contour line every sigma times the map's rms deviation.
    range: (LO, HI), the densities at the ends of the colour scale.
    scale: "auto", "sequential" or "diverging".
    voxels: draw the voxels as blocks.
    interpolate: draw the spline even on grid points.
    size: the width in pixels (PNG) or points (SVG, PDF), 100 to 20000.
    cell: six numbers drawing real-space axes to scale (default: the map's valid cell).
    title: the title (default: the map's file name and the fixed coordinates; "" for none).
    marks: the JSON file of `voxmill peaks --json` or `voxmill atoms --json`: its peaks or
        atoms marked on the plane, with the atoms' fitted curves.

Raises:
    voxmill.MapError: options the command refuses, with its text.
    PermissionError: a picture that may not be written.)");
}

}  // namespace voxmill::python
