#include "ops/plane_marks.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "ops/axis_frame.hpp"
#include "ops/fourier_fit.hpp"

namespace voxmill {

namespace {

constexpr double kEdge = 1e-9;            // of a cell: on a window's edge, at a crenel's end
constexpr double kSectionReach = 0.01;    // of the cell: "half a voxel" along an axis of one voxel
constexpr double kAtomReach = 0.5;        // A: about the half-width of an atom's density
constexpr double kPointsPerPeriod = 64;   // of the fastest wave: the curve's chords stay within pixels
constexpr double kMostCurvePoints = 20000;

// How far a lies from b along an axis that repeats with the cell: 0 to 0.5.
double periodic_distance(double a, double b) {
    const double d = a - b;
    return std::abs(d - std::round(d));
}

// The atom's position as a series of width 3: the mean position and the displacive waves.
FourierSeries displacement(const Atom& atom) {
    FourierSeries s;
    s.constant.assign(atom.position.begin(), atom.position.end());
    for (const DisplaciveTerm& t : atom.displacive) {
        s.waves.push_back(t.n);
        s.sin.emplace_back(t.sin.begin(), t.sin.end());
        s.cos.emplace_back(t.cos.begin(), t.cos.end());
    }
    return s;
}

// Whether the atom is present at x4: within its crenel, both ends included.
bool present(const Atom& atom, double x4) {
    if (!atom.crenel) return true;
    double t = x4 - (atom.crenel->center - atom.crenel->width / 2);
    t -= std::floor(t);
    return t <= atom.crenel->width + kEdge || t >= 1 - kEdge;
}

// Where the curve is sampled along the running superspace axis (0 for x4): evenly over the
// window, and at the ends of the crenel.
std::vector<double> curve_samples(const Atom& atom, int running, double w0, double w1) {
    int fastest = 1;
    for (const DisplaciveTerm& t : atom.displacive) fastest = std::max(fastest, std::abs(t.n[static_cast<std::size_t>(running)]));
    const double count = std::clamp(std::ceil((w1 - w0) * kPointsPerPeriod * fastest), 1.0, kMostCurvePoints - 1);
    std::vector<double> x;
    for (double i = 0; i <= count; ++i) x.push_back(w0 + (w1 - w0) * i / count);
    if (running == 0 && atom.crenel && atom.crenel->width < 1) {
        for (const double end : {atom.crenel->center - atom.crenel->width / 2, atom.crenel->center + atom.crenel->width / 2}) {
            const CellShifts m = cell_shifts(end, end, w0, w1);
            for (double k = m.first; k <= m.last && k < m.first + kMostCurvePoints; ++k) x.push_back(std::clamp(end + k, w0, w1));
        }
        std::sort(x.begin(), x.end());
    }
    return x;
}

}  // namespace

PlaneCut plane_cut(const Map& map, const PlaneRequest& r, const std::array<int, 6>& codes,
                   const std::optional<std::array<double, 6>>& cell) {
    PlaneCut cut{r, map.dimension, codes, {}, {}};
    for (int k = 1; k <= map.dimension; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        const AxisFrame a(map, k);
        cut.on_plane[i] = a.n > 1 ? a.step / 2 : kSectionReach;
        const int code = codes[i];
        cut.near_plane[i] = code <= 3 && cell ? std::max(kAtomReach / (*cell)[static_cast<std::size_t>(code - 1)], cut.on_plane[i])
                                              : 4 * cut.on_plane[i];
    }
    return cut;
}

std::optional<PlanePoint> point_on_plane(const std::array<double, 6>& x, const PlaneCut& cut) {
    const PlaneRequest& r = cut.plane;
    for (int k = 1; k <= cut.dimension; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        if (k != r.across && k != r.up && periodic_distance(x[i], r.at[i]) > cut.on_plane[i]) return std::nullopt;
    }
    return PlanePoint{x[static_cast<std::size_t>(r.across - 1)], x[static_cast<std::size_t>(r.up - 1)]};
}

std::array<double, 6> sample_coordinates(const AtomSample& s, const PlaneCut& cut) {
    std::array<double, 6> x{};
    for (std::size_t i = 0; i < static_cast<std::size_t>(cut.dimension); ++i) {
        const auto code = static_cast<std::size_t>(cut.codes[i]);
        x[i] = code <= 3 ? s.position[code - 1] : s.at[code - 4];
    }
    return x;
}

CellShifts cell_shifts(double low, double high, double w0, double w1) {
    return {std::ceil(w0 - high - kEdge), std::floor(w1 - low + kEdge)};
}

std::vector<PlanePoint> window_images(const PlanePoint& p, const PlaneRequest& r) {
    const CellShifts across = cell_shifts(p.u, p.u, r.u0, r.u1), up = cell_shifts(p.v, p.v, r.v0, r.v1);
    std::vector<PlanePoint> images;
    for (double i = across.first; i <= across.last; ++i) {
        for (double j = up.first; j <= up.last; ++j) images.push_back({p.u + i, p.v + j});
    }
    return images;
}

std::vector<std::vector<PlanePoint>> atom_curve(const Atom& atom, const PlaneCut& cut) {
    const PlaneRequest& r = cut.plane;
    const int across = cut.codes[static_cast<std::size_t>(r.across - 1)], up = cut.codes[static_cast<std::size_t>(r.up - 1)];
    if ((across <= 3) == (up <= 3)) return {};
    const bool running_across = across > 3;
    const auto real = static_cast<std::size_t>((running_across ? up : across) - 1);
    const int running = (running_across ? across : up) - 4;
    // The superspace coordinates: the plane's fixed ones, the running one set at each sample.
    std::array<double, 3> xs{};
    for (int k = 1; k <= cut.dimension; ++k) {
        const int code = cut.codes[static_cast<std::size_t>(k - 1)];
        if (code > 3 && k != r.across && k != r.up) xs[static_cast<std::size_t>(code - 4)] = r.at[static_cast<std::size_t>(k - 1)];
    }
    const FourierSeries series = displacement(atom);
    const auto [w0, w1] = running_across ? std::pair{r.u0, r.u1} : std::pair{r.v0, r.v1};
    std::vector<std::vector<PlanePoint>> pieces(1);
    for (const double x : curve_samples(atom, running, w0, w1)) {
        xs[static_cast<std::size_t>(running)] = x;
        const std::vector<double> p = series.at(xs);
        bool shown = present(atom, xs[0]);
        for (int k = 1; k <= cut.dimension && shown; ++k) {
            const auto i = static_cast<std::size_t>(k - 1);
            const int code = cut.codes[i];
            if (code <= 3 && k != r.across && k != r.up) {
                shown = periodic_distance(p[static_cast<std::size_t>(code - 1)], r.at[i]) <= cut.near_plane[i];
            }
        }
        if (shown) {
            pieces.back().push_back(running_across ? PlanePoint{x, p[real]} : PlanePoint{p[real], x});
        } else if (!pieces.back().empty()) {
            pieces.emplace_back();
        }
    }
    std::erase_if(pieces, [](const std::vector<PlanePoint>& piece) { return piece.size() < 2; });
    return pieces;
}

}  // namespace voxmill
