// The analyses and the picture of the commands, `voxmill peaks`, `atoms` and `plot`, run
// in-process on the map written to a temporary q47 file: the same code makes the same JSON
// and the same picture as the command line.
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "bindings.hpp"
#include "cli/command_line.hpp"
#include "cli/report.hpp"
#include "formats/q47_map.hpp"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace voxmill::python {

namespace {

// A folder of its own, removed with what it holds.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string name = (fs::temp_directory_path() / "voxmill-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) throw CommandFailure{name, "cannot make a temporary folder"};
        path_ = name;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// A number to its last digit.
std::string exact(double v) {
    char text[32];
    const auto done = std::to_chars(text, text + sizeof text, v);
    return std::string(text, done.ptr);
}

template <class Numbers>
std::string listed(const Numbers& values) {
    std::string text;
    for (const auto v : values) {
        if (!text.empty()) text += ',';
        text += exact(static_cast<double>(v));
    }
    return text;
}

// The command's arguments, options given as --name=value so that a value may start with '-'.
struct Arguments {
    std::vector<std::string> words;
    void add(const std::string& option, const std::string& value) {
        std::string word = option;
        word += '=';
        word += value;
        words.push_back(std::move(word));
    }
    void flag(const std::string& option, bool on) {
        if (on) words.push_back(option);
    }
};

// The name a Python map goes by in messages and titles: the file it was read from, or "map".
std::string name_of(const py::object& map) {
    return py::hasattr(map, "path") ? py::str(map.attr("path")).cast<std::string>() : std::string("map");
}

// Runs `voxmill COMMAND ARGS... MAP [OUT]` on the map, written to a temporary file of the map's
// own file name; the standard output. A failure is the command's, the map's name in it.
std::string run_on_map(const char* command, const py::object& python_map, Arguments a, const std::optional<std::string>& out) {
    const Map& map = python_map.cast<const Map&>();
    const std::string name = name_of(python_map);
    if (map.cell && sound_cell(*map.cell)) {
        if (std::none_of(a.words.begin(), a.words.end(), [](const std::string& w) { return w.starts_with("--cell="); })) {
            a.add("--cell", listed(*map.cell));
        }
    }
    std::ostringstream output, errors;
    int status = 0;
    std::string file;
    {
        py::gil_scoped_release unlocked;
        const TemporaryFolder folder;
        file = (folder.path() / fs::path(name == "map" ? "map.q47" : name).filename()).string();
        write_q47_map(map, file);
        std::vector<std::string> words{"voxmill", command};
        words.insert(words.end(), a.words.begin(), a.words.end());
        words.push_back(file);
        if (out) words.push_back(*out);
        std::vector<const char*> argv;
        for (const std::string& w : words) argv.push_back(w.c_str());
        status = run_command_line(static_cast<int>(argv.size()), argv.data(), output, errors);
    }
    if (status != 0) {
        // "voxmill: error: NAME: what", the first line of the report.
        std::string line = errors.str().substr(0, errors.str().find('\n'));
        constexpr std::string_view prefix = "voxmill: error: ";
        if (line.starts_with(prefix)) line.erase(0, prefix.size());
        const std::size_t colon = line.find(": ");
        std::string failed = line.substr(0, colon), what = colon == std::string::npos ? line : line.substr(colon + 2);
        if (failed == file) failed = name;
        throw CommandFailure{failed, what};
    }
    return output.str();
}

py::object json_of(const std::string& text) { return py::module_::import("json").attr("loads")(text); }

py::object peaks(const py::object& map, std::optional<double> min_height, double min_sigma, std::optional<std::size_t> max) {
    Arguments a;
    if (min_height) a.add("--min-height", exact(*min_height));
    else a.add("--min-sigma", exact(min_sigma));
    if (max) a.add("--max", std::to_string(*max));
    a.flag("--json", true);
    return json_of(run_on_map("peaks", map, a, std::nullopt))["peaks"];
}

py::object atoms(const py::object& map, int order, std::optional<double> min_height, double min_sigma) {
    Arguments a;
    a.add("--order", std::to_string(order));
    if (min_height) a.add("--min-height", exact(*min_height));
    else a.add("--min-sigma", exact(min_sigma));
    a.flag("--json", true);
    return json_of(run_on_map("atoms", map, a, std::nullopt))["atoms"];
}

void plot(const py::object& map, const std::string& path, std::array<int, 2> axes, std::optional<std::vector<double>> at,
          std::optional<std::array<double, 4>> window, std::optional<int> levels, std::optional<double> step,
          std::optional<double> sigma, std::optional<std::array<double, 2>> range, const std::string& scale, bool voxels,
          bool interpolate, int size, std::optional<std::array<double, 6>> cell, std::optional<std::string> title) {
    Arguments a;
    a.add("--axes", listed(axes));
    if (at) a.add("--at", listed(*at));
    if (window) a.add("--window", listed(*window));
    if (levels) a.add("--levels", std::to_string(*levels));
    if (step) a.add("--step", exact(*step));
    if (sigma) a.add("--sigma", exact(*sigma));
    if (range) a.add("--range", listed(*range));
    a.add("--scale", scale);
    a.flag("--voxels", voxels);
    a.flag("--interpolate", interpolate);
    a.add("--size", std::to_string(size));
    if (cell) a.add("--cell", listed(*cell));
    if (title) a.add("--title", *title);
    run_on_map("plot", map, a, path);
}

py::tuple run_command(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"voxmill"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    std::ostringstream output, errors;
    int status = 0;
    {
        py::gil_scoped_release unlocked;
        status = run_command_line(static_cast<int>(argv.size()), argv.data(), output, errors);
    }
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

Raises:
    voxmill.MapError: options the command refuses, with its text.
    PermissionError: a picture that may not be written.)");
}

}  // namespace voxmill::python
