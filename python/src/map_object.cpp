// voxmill.Map: a map value of the engine whose densities Python sees as a numpy array without
// a copy; voxmill.read and Map.write through the command line's table of formats.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "bindings.hpp"
#include "cli/cell_option.hpp"
#include "cli/map_command.hpp"
#include "cli/map_files.hpp"
#include "core/errors.hpp"
#include "unlocked.hpp"

namespace py = pybind11;

namespace voxmill::python {

namespace {

using Cell = std::optional<std::array<double, 6>>;
using AxisFrame = std::tuple<float, float, float>;

// The densities as a writable view of shape (n_D, ..., n_1), axis 1 fastest, kept alive by
// the Python map `owner`.
py::array density_view(const Map& map, py::handle owner) {
    std::vector<py::ssize_t> shape, strides;
    for (int k = map.dimension; k >= 1; --k) {
        shape.push_back(map.nvox(k));
        strides.push_back(static_cast<py::ssize_t>(map.stride(k) * static_cast<std::int64_t>(sizeof(float))));
    }
    return py::array(py::dtype::of<float>(), shape, strides, map.rho.data(), owner);
}

// A map of the array's densities (copied once) over one whole cell, or the frame and codes given.
MapPtr map_of_array(const py::array_t<float, py::array::c_style | py::array::forcecast>& array, const Cell& cell,
                    const std::optional<std::vector<AxisFrame>>& frame, const std::optional<std::vector<int>>& codes) {
    const auto dimension = static_cast<int>(array.ndim());
    if (dimension < 1 || dimension > 6) {
        throw MapError("an array of " + std::to_string(dimension) + " dimensions: maps have 1 to 6");
    }
    std::vector<std::int32_t> counts;
    for (int k = 1; k <= dimension; ++k) {
        const py::ssize_t n = array.shape(dimension - k);
        if (n < 1 || n > 0x7fffffff) throw MapError("axis " + std::to_string(k) + " of " + std::to_string(n) + " voxels: maps have 1 to 2^31-1");
        counts.push_back(static_cast<std::int32_t>(n));
    }
    Map map = full_cell_map(counts);
    map.dimension = dimension;
    std::memcpy(map.rho.data(), array.data(), sizeof(float) * static_cast<std::size_t>(map.voxels()));
    map.cell = cell;
    if (frame) {
        if (frame->size() != counts.size()) throw MapError("frame gives " + std::to_string(frame->size()) + " axes for an array of " + std::to_string(dimension));
        for (int k = 1; k <= dimension; ++k) std::tie(map.xfmn(k), map.xfmx(k), map.xdf(k)) = (*frame)[static_cast<std::size_t>(k - 1)];
        if (const std::string fault = frame_fault(map); !fault.empty()) throw MapError("frame: " + fault);
    }
    if (codes) {
        if (codes->size() != counts.size()) throw MapError("axis_codes gives " + std::to_string(codes->size()) + " codes for an array of " + std::to_string(dimension));
        for (int k = 1; k <= dimension; ++k) map.iorien(k) = (*codes)[static_cast<std::size_t>(k - 1)];
    }
    return shared(std::move(map));
}

std::vector<int> counts_of(const Map& m) {
    std::vector<int> v;
    for (int k = 1; k <= m.dimension; ++k) v.push_back(m.nvox(k));
    return v;
}

std::string repr(const Map& m) {
    std::ostringstream text;
    text << "voxmill.Map(dimension=" << m.dimension << ", shape=(";
    for (int k = 1; k <= m.dimension; ++k) text << (k > 1 ? ", " : "") << m.nvox(k);
    text << (m.dimension == 1 ? ",)" : ")") << ", cell=";
    if (m.cell) {
        text << '(';
        for (std::size_t i = 0; i < 6; ++i) text << (i > 0 ? ", " : "") << (*m.cell)[i];
        text << ')';
    } else {
        text << "None";
    }
    text << ')';
    return text.str();
}

py::object read(const std::string& path) {
    std::ostringstream warnings;
    MapFile f = unlocked([&] { return read_input(path, warnings); });
    std::istringstream lines(warnings.str());
    for (std::string line; std::getline(lines, line);) {
        if (PyErr_WarnEx(PyExc_UserWarning, line.c_str(), 1) != 0) throw py::error_already_set();
    }
    py::object map = py::cast(shared(std::move(f.map)));
    map.attr("path") = path;
    return map;
}

// Writes the map as `voxmill convert` writes what it reads, labelled alike, so that the two
// files are the same; the map itself keeps its origin, labels and cell.
void write(Map& map, const std::string& path, const std::optional<std::string>& to, const std::optional<std::vector<double>>& cell,
           const std::optional<std::string>& xplor_layout) {
    if (to && !format_named(*to)) throw MapError("to: " + *to + " is no format: give " + format_choices());
    if (xplor_layout && *xplor_layout != "standard" && *xplor_layout != "one-per-line") {
        throw MapError("xplor_layout: " + *xplor_layout + " is no layout: give standard or one-per-line");
    }
    if (cell && cell->size() != 6) throw MapError("cell: needs 6 numbers, A, B, C, ALPHA, BETA, GAMMA");
    const OutputOptions options{to.value_or(""), cell.value_or(std::vector<double>{}), xplor_layout.value_or(""), path};
    check_output_options(options);
    Map kept = frame_of(map);
    const auto restore = [&] {
        DensityArray rho = std::move(map.rho);
        map = std::move(kept);
        map.rho = std::move(rho);
    };
    try {
        unlocked([&] {
            apply_cell(map, options.cell);
            write_output(map, options, "convert");
        });
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

}  // namespace

void bind_map(py::module_& m) {
    py::class_<Map, MapPtr>(m, "Map", py::dynamic_attr(), R"(A map of a crystal: a periodic grid of densities over one unit cell, 1 to 6 dimensions.

Axes 1 to 3 are those of real space, 4 to 6 superspace axes. The densities are `array`, a
numpy view of the map's own memory (no copy). A map read from a file has `path`.)")
        .def(py::init(&map_of_array), py::arg("array"), py::arg("cell") = py::none(), py::arg("frame") = py::none(),
             py::arg("axis_codes") = py::none(),
             R"(Makes a map of an array of densities, copied once into the map.

Args:
    array: array-like of 1 to 6 dimensions, shape (n_D, ..., n_1) (axis 1 last, fastest).
    cell: a, b, c in A and alpha, beta, gamma in degrees, or None.
    frame: per axis 1..D (start, end, step) in fractions of the cell; None: one whole cell.
    axis_codes: per axis 1..D its code (1 to 6); None: 1, 2, ..., D.

Raises:
    voxmill.MapError: an array of no or more than 6 dimensions, or a frame or codes that
        do not fit it.)")
        .def_property_readonly(
            "array", [](py::object self) { return density_view(self.cast<const Map&>(), self); },
            "The densities: a writable float32 view of shape (n_D, ..., n_1), C order, sharing the map's memory.")
        .def_property_readonly("dimension", [](const Map& map) { return map.dimension; }, "The number of axes, 1 to 6.")
        .def_property_readonly(
            "shape", [](const Map& map) { return py::tuple(py::cast(counts_of(map))); },
            "The voxels along axes 1 .. D: (n_1, ..., n_D), the reverse of array.shape.")
        .def_property_readonly(
            "frame",
            [](const Map& map) {
                std::vector<AxisFrame> frame;
                for (int k = 1; k <= map.dimension; ++k) frame.emplace_back(map.xfmn(k), map.xfmx(k), map.xdf(k));
                return frame;
            },
            "Per axis (start, end, step): the fractional coordinates of its first and last voxel and their step.")
        .def_property_readonly(
            "axis_codes",
            [](const Map& map) {
                std::vector<int> codes;
                for (int k = 1; k <= map.dimension; ++k) codes.push_back(map.iorien(k));
                return py::tuple(py::cast(codes));
            },
            "The axis code of each position: which axis of the crystal (1 to 6) it holds.")
        .def_property(
            "cell",
            [](const Map& map) { return map.cell ? py::object(py::tuple(py::cast(*map.cell))) : py::object(py::none()); }, [](Map& map, const Cell& cell) { map.cell = cell; },
            "The cell (a, b, c in A, alpha, beta, gamma in degrees) or None; settable.")
        .def_property_readonly("map_code", [](const Map& map) { return map.q47.mapa; }, "The map type code of a q47 file (6: a difference map).")
        .def_property_readonly("subsystem", [](const Map& map) { return map.q47.nsubs; }, "The subsystem number of a q47 file.")
        .def("__repr__", &repr)
        .def("write", &write, py::arg("path"), py::arg("to") = py::none(), py::arg("cell") = py::none(),
             py::arg("xplor_layout") = py::none(),
             R"(Writes the map whole or not at all, as `voxmill convert` writes it (byte for byte).

Args:
    path: the output file; its extension gives the format (.q47, .ccp4/.map/.mrc, .xplor/.xplr, .vend).
    to: the format instead: "q47", "ccp4", "xplor" or "vend".
    cell: six numbers replacing the map's cell in the file (the map keeps its own).
    xplor_layout: "standard" (six values a line) or "one-per-line", for X-PLOR only.

Raises:
    voxmill.MapError: an unknown format, a cell the format needs but the map lacks, a map the
        format cannot hold; the text names the file.
    PermissionError: a file that may not be written.
    FileNotFoundError: a folder that does not exist.)");

    m.def("read", &read, py::arg("path"), R"(Reads a map of any format the command line reads (q47, CCP4/MRC, X-PLOR).

The format is recognised by the file's content. What the reader had to guess comes as a
UserWarning.

Args:
    path: the map file.

Returns:
    Map: the map, with `path` set.

Raises:
    FileNotFoundError: no such file.
    PermissionError: a file that may not be read.
    voxmill.MapError: a file that is no map or breaks its format; the text names the file.)");
}

}  // namespace voxmill::python
