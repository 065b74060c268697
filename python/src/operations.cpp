// Every operation of the commands as a function from maps to a map or a result: the engine's
// own operations, with the commands' checks, without the interpreter's lock.
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "bindings.hpp"
#include "cli/axis_options.hpp"
#include "cli/list_option.hpp"
#include "core/errors.hpp"
#include "ops/closing_layer.hpp"
#include "ops/combine.hpp"
#include "ops/histogram.hpp"
#include "ops/project.hpp"
#include "ops/qc_parallel.hpp"
#include "ops/reorder.hpp"
#include "section_request.hpp"
#include "unlocked.hpp"

namespace py = pybind11;

namespace voxmill::python {

namespace {

// The result of `make` on maps that stay as they are, computed without the lock.
template <class Make>
MapPtr made(Make&& make) {
    return shared(unlocked(make));
}

Combination combination_named(const std::string& op) {
    if (op == "difference") return Combination::difference;
    if (op == "relative") return Combination::relative;
    if (op == "sum") return Combination::sum;
    if (op == "share") return Combination::share;
    throw MapError("op: " + op + " is no combination: give difference, relative, sum or share");
}

py::tuple combine_maps(const Map& a, const Map& b, const std::string& op) {
    const Combination how = combination_named(op);
    CombinedMap c = unlocked([&] { return combine(a, b, how); });
    const CombinationTotals t = c.totals;
    return py::make_tuple(shared(std::move(c.map)), static_cast<float>(t.r_value()), py::make_tuple(t.range.rmin, t.range.rmax));
}

MapPtr reorder_map(const Map& map, const std::string& order, const std::optional<std::string>& codes, std::int32_t subsystem) {
    require_per_axis("order", order.size(), map, "digits");
    require_per_axis("codes", codes.value_or(order).size(), map, "digits");
    if (subsystem < 0) throw MapError("subsystem: needs 0 (the map's own) or more");
    BoxOrder box = whole_map_order(map, order, codes.value_or(order));
    box.subsystem = subsystem;
    return made([&] { return reorder(map, box); });
}

MapPtr shift_map(const Map& map, const std::vector<double>& by) {
    check_finite("by", by, true);
    require_per_axis("by", by.size(), map);
    const BoxOrder box = shift_order(map, by);
    return made([&] { return reorder(map, box); });
}

MapPtr box_map(const Map& map, const std::vector<double>& center, const std::vector<double>& width, const std::string& order) {
    check_finite("center", center, true);
    check_finite("width", width, true);
    require_per_axis("center", center.size(), map);
    require_per_axis("width", width.size(), map);
    const BoxOrder box = box_order(map, center, width, order);
    return made([&] { return reorder(map, box); });
}

MapPtr section_map(const Map& map, const SectionRequest& request) {
    const SectionCut cut = checked_section(request, map);
    const SectionGeometry& g = cut.geometry;
    Map section = section_frame(g);
    section.rho.allocate(static_cast<std::size_t>(g.nvoxtotr));
    const MapGrid grid = map_grid(map, g.sdim);
    unlocked([&] { section_pixels(grid, g, 0, g.nvoxtotr, section.rho.data(), 0); });
    section.cell = cut.cell;
    return shared(std::move(section));
}

py::array_t<float> class_limits_of(const Map& map, std::int32_t count) {
    if (count < 1) throw MapError("count: needs 1 class or more");
    const std::int64_t voxels = map.voxels();
    if (voxels > std::numeric_limits<std::int32_t>::max()) {
        throw MapError("a map of " + std::to_string(voxels) + " voxels: the classes are counted in 32 bits");
    }
    const std::vector<float> limits = unlocked([&] {
        // The limits are found by reordering the densities: a copy of them.
        std::vector<float> rho(map.rho.begin(), map.rho.end());
        return class_limits(rho.data(), static_cast<std::int32_t>(voxels), count);
    });
    return py::array_t<float>(static_cast<py::ssize_t>(limits.size()), limits.data());
}

}  // namespace

void bind_operations(py::module_& m) {
    m.def("add_layer", [](const Map& map) { return made([&] { return add_layer(map); }); }, py::arg("map"),
          R"(Closes the map: one more voxel at the end of every axis, repeating its first (voxmill add-layer).

Args:
    map: the map.

Returns:
    Map: each axis running from 0 to 1 inclusive.

Raises:
    voxmill.MapError: a map that cannot be closed.)");
    m.def("combine", &combine_maps, py::arg("a"), py::arg("b"), py::arg("op") = "difference",
          R"(Combines two maps of the same counts voxel by voxel (voxmill combine).

Args:
    a: the first map.
    b: the second map, whose frame the result takes.
    op: "difference" a-b, "relative" 100 (a-b)/b, "sum" a+b, or "share" |a|/(|a|+|b|).

Returns:
    tuple: (Map of map code 6, R-value sum|a-b|/sum|b|, (minimum, maximum) of the result).

Raises:
    voxmill.MapError: maps of other counts, or an unknown op.)");
    m.def("reorder", &reorder_map, py::arg("map"), py::arg("order"), py::arg("codes") = py::none(), py::arg("subsystem") = 0,
          R"(Permutes the map's axes through their axis codes (voxmill reorder).

Args:
    map: the map.
    order: the axis code each output axis carries, one digit per axis ("4123": the axis of code 4 first).
    codes: the axis codes written, one digit per axis (default: order).
    subsystem: the subsystem number written; 0 keeps the map's.

Returns:
    Map: the reordered map.

Raises:
    voxmill.MapError: an order that does not fit the map.)");
    m.def("shift", &shift_map, py::arg("map"), py::arg("by"),
          R"(Moves the origin by whole voxels, rolling the map periodically (voxmill shift).

Args:
    map: the map.
    by: the shift in fractions of the cell, one per axis; each axis moves by the nearest whole number of voxels.

Returns:
    Map: the shifted map.

Raises:
    voxmill.MapError: not one value per axis, or a value that is not finite.)");
    m.def("box", &box_map, py::arg("map"), py::arg("center"), py::arg("width"), py::arg("order") = "123456",
          R"(Cuts a box around a centre, wrapping around the cell (voxmill box).

Args:
    map: the map.
    center: the centre in fractions of the cell, one per axis.
    width: the width in fractions of the cell, one per axis (W takes W times the axis's voxels and one more).
    order: the axis code each output axis carries, written as its code too.

Returns:
    Map: the box, subsystem 1.

Raises:
    voxmill.MapError: not one value per axis, a box of no voxels, an order that does not fit.)");
    m.def("project", [](const Map& map) { return made([&] { return project(map); }); }, py::arg("map"),
          R"(Projects a superspace map on real space: the sum over axes 4 to 6 (voxmill project).

Args:
    map: the map.

Returns:
    Map: the projection.

Raises:
    voxmill.MapError: a map that cannot be projected.)");
    m.def(
        "section",
        [](const Map& map, std::optional<std::vector<double>> origin, std::optional<std::vector<std::vector<double>>> axes,
           std::optional<std::vector<int>> size, bool decagonal, bool icosahedral_5, bool icosahedral_2,
           std::optional<std::vector<double>> scope, std::optional<std::vector<double>> pixel) {
            SectionRequest r{origin.value_or(std::vector<double>{}), axes.value_or(std::vector<std::vector<double>>{}),
                             size.value_or(std::vector<int>{}), decagonal, icosahedral_5, icosahedral_2,
                             scope.value_or(std::vector<double>{}), pixel.value_or(std::vector<double>{})};
            return section_map(map, r);
        },
        py::arg("map"), py::kw_only(), py::arg("origin") = py::none(), py::arg("axes") = py::none(), py::arg("size") = py::none(),
        py::arg("decagonal") = false, py::arg("icosahedral_5") = false, py::arg("icosahedral_2") = false,
        py::arg("scope") = py::none(), py::arg("pixel") = py::none(),
        R"(Cuts a 3D section interpolated by the spline, on all cores (voxmill section); Ctrl-C stops it.

A general section gives origin, axes and size; one through an embedding gives decagonal,
icosahedral_5 or icosahedral_2 with scope and pixel.

Args:
    map: the map.
    origin: the point of pixel 0 in fractions of the cell, one per axis.
    axes: three axes U, V, W in fractions of the cell, each one value per axis; size pixels span each.
    size: pixels along U, V and W.
    decagonal: the physical-space section of a decagonal quasicrystal (5 or more axes).
    icosahedral_5: that of an icosahedral quasicrystal (6 axes), a five-fold axis special.
    icosahedral_2: the same with a two-fold axis special.
    scope: (X0, X1, Y0, Y1, Z0, Z1), pixels nint(X0/P) to nint(X1/P): in A when the map has a cell, else in voxels.
    pixel: the pixel size P, one for all axes or three.

Returns:
    Map: the section, 3 dimensions; with a cell of its pixels when cut in A.

Raises:
    voxmill.MapError: a request the map cannot satisfy, with the command's text.
    KeyboardInterrupt: Ctrl-C.)");
    m.def("class_limits", &class_limits_of, py::arg("map"), py::arg("count"),
          R"(The limits of equal-count classes of the densities (voxmill classes).

Args:
    map: the map (left as it is).
    count: the number of classes, each of as many voxels.

Returns:
    numpy.ndarray: the density at the start of each class, then the largest (count + 1 values).

Raises:
    voxmill.MapError: a count below 1, or a map beyond 2^31 voxels.)");
}

}  // namespace voxmill::python
