// The densities at any points by the sections' spline, their gradients, and the samples of a
// plane for drawing: on all cores, without the interpreter's lock.
#include <array>
#include <cmath>
#include <optional>
#include <tuple>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "bindings.hpp"
#include "core/errors.hpp"
#include "core/work_sharing.hpp"
#include "ops/plane_samples.hpp"
#include "ops/qc_geometry.hpp"
#include "ops/qc_stencil.hpp"
#include "spline_slope.hpp"
#include "unlocked.hpp"

namespace py = pybind11;

namespace voxmill::python {

namespace {

using Points = py::array_t<double, py::array::c_style | py::array::forcecast>;

// Points handed to one thread at a time.
constexpr std::int64_t kPiece = 256;

// The point's voxel coordinates, as a general section places its origin: n x in double, then
// single precision.
Tab<float, 6> voxel_point(const Map& map, const double* x) {
    Tab<float, 6> coo{};
    for (int k = 1; k <= map.dimension; ++k) coo(k) = static_cast<float>(static_cast<double>(map.nvox(k)) * x[k - 1]);
    return coo;
}

// The number of points of an (N, D) array or of one point (D,), refusing other shapes.
std::int64_t point_count(const Map& map, const Points& points) {
    const bool one = points.ndim() == 1;
    if ((!one && points.ndim() != 2) || points.shape(points.ndim() - 1) != map.dimension) {
        throw MapError("points: needs an (N, " + std::to_string(map.dimension) + ") array of fractional coordinates, or one point");
    }
    return one ? 1 : points.shape(0);
}

// Calls each(i, stencil, coo) for every point, on all cores.
template <class Each>
void for_points(const Map& map, const Points& points, std::int64_t count, Each&& each) {
    const MapGrid grid = map_grid(map, map.dimension);
    const double* x = points.data();
    const int d = map.dimension;
    unlocked([&] {
        share_work(0, count, kPiece, 0, [&](std::int64_t begin, std::int64_t end) {
            for (std::int64_t i = begin; i < end; ++i) {
                const Tab<float, 6> coo = voxel_point(map, x + i * d);
                each(i, grid, make_stencil(grid, coo), coo);
            }
        });
    });
}

py::object interpolate(const Map& map, const Points& points) {
    const std::int64_t count = point_count(map, points);
    py::array_t<float> values(count);
    float* out = values.mutable_data();
    for_points(map, points, count, [&](std::int64_t i, const MapGrid& grid, const Stencil& s, const Tab<float, 6>&) {
        out[i] = stencil_sum(grid, s);
    });
    if (points.ndim() == 1) return py::float_(out[0]);
    return values;
}

py::array_t<float> gradient(const Map& map, const Points& points) {
    const std::int64_t count = point_count(map, points);
    const int d = map.dimension;
    py::array_t<float> slopes(points.ndim() == 1 ? std::vector<py::ssize_t>{d} : std::vector<py::ssize_t>{count, d});
    float* out = slopes.mutable_data();
    for_points(map, points, count, [&](std::int64_t i, const MapGrid& grid, const Stencil& s, const Tab<float, 6>& coo) {
        for (int k = 1; k <= d; ++k) {
            Stencil along = s;
            along.axis[static_cast<std::size_t>(k - 1)].w = stencil_slope_weights(coo(k), stencil_origin(coo(k)));
            // Per voxel, times the voxels per cell: per fraction of the cell.
            out[i * d + k - 1] = stencil_sum(grid, along) * static_cast<float>(map.nvox(k));
        }
    });
    return slopes;
}

py::tuple plane(const Map& map, std::array<int, 2> axes, std::optional<std::vector<double>> at, std::array<double, 4> window,
                std::optional<int> samples) {
    PlaneRequest r;
    std::tie(r.across, r.up) = std::pair{axes[0], axes[1]};
    for (const int k : axes) {
        if (k < 1 || k > map.dimension) {
            throw MapError("axes: a map of " + std::to_string(map.dimension) + " axes has no axis " + std::to_string(k));
        }
    }
    if (r.across == r.up) throw MapError("axes: names axis " + std::to_string(r.across) + " twice");
    if (at) {
        if (at->size() != static_cast<std::size_t>(map.dimension)) {
            throw MapError("at: gives " + std::to_string(at->size()) + " coordinates for a map of " + std::to_string(map.dimension) + " axes");
        }
        std::copy(at->begin(), at->end(), r.at.begin());
    }
    std::tie(r.u0, r.u1, r.v0, r.v1) = std::tuple{window[0], window[1], window[2], window[3]};
    if (!(r.u1 > r.u0) || !(r.v1 > r.v0) || !std::isfinite(r.u1 - r.u0) || !std::isfinite(r.v1 - r.v0)) {
        throw MapError("window: needs finite U1 above U0 and V1 above V0");
    }
    if (samples) {
        if (*samples < 2) throw MapError("samples: needs 2 or more");
        r.most_samples = *samples;
    }
    if (const std::string fault = frame_fault(map); !fault.empty()) throw MapError(fault);
    const PlaneSamples s = unlocked([&] { return sample_plane(map, r); });
    py::array_t<float> values({s.nv, s.nu});
    std::copy(s.values.begin(), s.values.end(), values.mutable_data());
    const auto coordinates = [](double w0, double w1, int n) {
        py::array_t<double> c(n);
        for (int i = 0; i < n; ++i) c.mutable_data()[i] = n == 1 ? w0 : w0 + i * (w1 - w0) / (n - 1);
        return c;
    };
    return py::make_tuple(values, coordinates(r.u0, r.u1, s.nu), coordinates(r.v0, r.v1, s.nv));
}

}  // namespace

void bind_sampling(py::module_& m) {
    py::class_<Map, MapPtr> map_class = py::reinterpret_borrow<py::class_<Map, MapPtr>>(m.attr("Map"));
    map_class.def("interpolate", &interpolate, py::arg("points"),
                  R"(The density at points by the sections' five-node cubic spline, on all cores; Ctrl-C stops it.

A point at fractional coordinates x lies at n x voxels on each axis (as a general section
places its points); the map repeats with the cell.

Args:
    points: an (N, D) array of fractional coordinates, or one point of D.

Returns:
    numpy.ndarray: (N,) float32 densities, or a float for one point.

Raises:
    voxmill.MapError: points of another shape.
    KeyboardInterrupt: Ctrl-C.)");
    map_class.def("gradient", &gradient, py::arg("points"),
                  R"(The gradient of the spline's density at points, per fraction of the cell along each axis.

Args:
    points: an (N, D) array of fractional coordinates, or one point of D.

Returns:
    numpy.ndarray: (N, D) float32, or (D,) for one point.

Raises:
    voxmill.MapError: points of another shape.
    KeyboardInterrupt: Ctrl-C.)");
    m.def("plane", &plane, py::arg("map"), py::arg("axes") = std::array<int, 2>{1, 2}, py::arg("at") = py::none(),
          py::arg("window") = std::array<double, 4>{0, 1, 0, 1}, py::arg("samples") = py::none(),
          R"(The densities on the plane of two map axes, as voxmill plot samples them.

Where the fixed coordinates fall on voxels and the window's edges on grid points the samples
are the voxels themselves; elsewhere the spline on a grid of up to `samples` points a side.

Args:
    map: the map.
    axes: the map axes (I, J) across and up.
    at: the fractional coordinate on every map axis (those of I and J unused); None: 0.
    window: (U0, U1, V0, V1), the fractional range of axis I and of axis J.
    samples: the most samples along either side (default 800).

Returns:
    tuple: (values, u, v): values of shape (len(v), len(u)), row j at v[j], column i at u[i]
        (NaN beyond a box), ready for matplotlib's contour(u, v, values).

Raises:
    voxmill.MapError: axes the map lacks, a wrong number of coordinates, an empty window.)");
}

}  // namespace voxmill::python
