// The atoms of a map. In three dimensions they are its peaks; in 3 + d dimensions each is a
// string (d = 1), sheet or volume of maxima across the superspace axes, described by where it
// is on average, how its position and charge vary with the superspace coordinates (Fourier
// series), and where it is absent (a crenel).
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "core/map.hpp"

namespace voxmill {

// Which maxima of the real-space sections count, as for find_peaks: a refined height of at
// least `min_height` when it is given, else of at least mean + min_sigma * rms of the whole
// map's finite voxels. `order` bounds the series: every |n_k| <= order.
struct AtomCriteria {
    std::optional<double> min_height;
    double min_sigma = 3.0;
    int order = 2;
};

// One term of the displacive series: sin sin(2 pi n.xs) + cos cos(2 pi n.xs) in fractions of
// a, b, c; the first d components of n are used.
struct DisplaciveTerm {
    std::array<int, 3> n{};
    std::array<double, 3> sin{}, cos{};
};

// One term of the occupational series, the charge over its average less 1.
struct OccupationalTerm {
    std::array<int, 3> n{};
    double sin = 0, cos = 0;
};

// Where an atom of a 3 + 1 dimensional map is present: x4 within width/2 of center,
// periodically (fractions of the period).
struct CrenelInterval {
    double center = 0, width = 1;
};

// One sample of an atom: its maximum in the section at superspace coordinates `at`.
struct AtomSample {
    std::array<double, 3> at{};        // fractions of the axes 4 .. 3 + d
    std::array<double, 3> position{};  // fractions of a, b, c, followed continuously from `position` of the atom
    double height = 0, charge = 0;
};

struct Atom {
    std::array<double, 3> position{};  // the constant of the displacive series, each in [0, 1)
    double charge = 0, height = 0;     // averages over the samples where the atom is present
    int order = 0;                     // the order of the series fitted (see fit_fourier_series)
    std::vector<DisplaciveTerm> displacive;
    std::vector<OccupationalTerm> occupational;
    std::optional<CrenelInterval> crenel;  // d = 1 only: present over one interval shorter than the period
    // The lattice vector by which the atom has moved after one period of each superspace
    // axis; the series describe the position less that sawtooth.
    std::array<std::array<int, 3>, 3> shift{};
    double rms_residual = 0;  // of the trace from the series: A, or fractions without a sound cell
    std::vector<AtomSample> trace;
};

// The atoms of `map`, by decreasing height. Each real-space section (one sample of the
// superspace axes) is searched with find_peaks for maxima above the map's threshold; these
// are linked into atoms by trace_atoms; each atom's trace is fitted by fit_fourier_series
// against the superspace coordinates (its positions less the sawtooth of its shift, and its
// charge over its average less 1), over the samples where it is present. A map of 3
// dimensions gives its peaks, each one sample of no superspace coordinates. Throws MapError
// (refused) for a map of fewer than 3 dimensions, one whose superspace axes do not cover one
// period, or one without a finite density.
std::vector<Atom> find_atoms(const Map& map, const AtomCriteria& criteria);

}  // namespace voxmill
