// Where a model of a map meets a plane of it: the points of the model (its peaks, the samples
// of its atoms' traces) that lie on the plane, and the curve an atom's displacive series draws
// on a plane of a real axis against a superspace axis. The crystal repeats with the cell along
// every axis, whether the map does or not, so coordinates off the plane compare periodically
// and a point or a curve shows wherever a whole cell's shift brings it into the window.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "core/map.hpp"
#include "ops/atoms.hpp"
#include "ops/plane_samples.hpp"

namespace voxmill {

// A point of a plane: fractional coordinates on the map axes across and up.
struct PlanePoint {
    double u = 0, v = 0;
};

// A plane as it cuts a model: the plane and its window, the axis code of each map axis (1 to 3
// of real space, 4 to 6 of superspace), and how near the plane a point or an atom must lie.
struct PlaneCut {
    PlaneRequest plane;
    int dimension = 3;
    std::array<int, 6> codes{1, 2, 3, 4, 5, 6};
    std::array<double, 6> on_plane{};    // per map axis: a point off the plane by at most this is on it
    std::array<double, 6> near_plane{};  // per real axis: a curve is drawn where its atom is off the plane by at most this
};

// How near the plane of `r` the model must lie along each map axis of `map`, whose axes hold
// the axes of `codes`: a point within half a voxel (along an axis of one voxel, a section,
// within a hundredth of the cell); an atom's curve within 0.5 A, about the half-width of an
// atom's density, when a cell is known, else within two voxels; never less than half a voxel.
PlaneCut plane_cut(const Map& map, const PlaneRequest& r, const std::array<int, 6>& codes,
                   const std::optional<std::array<double, 6>>& cell);

// Where a point, given on every map axis, lies on the plane: its coordinates across and up,
// as given; none when it lies off the plane.
std::optional<PlanePoint> point_on_plane(const std::array<double, 6>& x, const PlaneCut& cut);

// A sample of an atom's trace on every map axis: its position on the axes of real space, its
// superspace coordinates on the others, by the axis codes.
std::array<double, 6> sample_coordinates(const AtomSample& s, const PlaneCut& cut);

// The whole-cell shifts m, from first to last, that bring some of [low + m, high + m] into
// the window [w0, w1] (its edges included, to a billionth of a cell); none when last < first.
struct CellShifts {
    double first = 0, last = -1;
    double count() const { return last >= first ? last - first + 1 : 0; }
};
CellShifts cell_shifts(double low, double high, double w0, double w1);

// Every image of a point of the plane in the window.
std::vector<PlanePoint> window_images(const PlanePoint& p, const PlaneRequest& r);

// The atom's curve on a plane of a real axis against a superspace axis: for the superspace
// coordinate running across the window (the others at the plane's fixed coordinates), the
// real coordinate that the displacive series gives, as polylines, without whole-cell shifts.
// The curve is cut where the atom is absent (outside its crenel, whose ends it reaches
// exactly) and where its other real coordinates lie farther from the plane than near_plane.
// Sampled at 64 points per period of its fastest wave along the running axis, at most 20000
// points. None on any other plane.
std::vector<std::vector<PlanePoint>> atom_curve(const Atom& atom, const PlaneCut& cut);

}  // namespace voxmill
