// Maps computed from a model of atoms: Gaussian atoms of given electrons and width whose
// positions and occupancies follow Fourier series of the superspace coordinates, with crenel
// intervals. The model is the oracle of the analyses' tests and benchmarks: it knows where
// every atom is at every superspace point.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "core/map.hpp"
#include "ops/atoms.hpp"

namespace voxmill::model {

// The series terms and the crenel of a model are those that the analysis reports: a
// displacive term sin(n) sin(2 pi n.xs) + cos(n) cos(2 pi n.xs) in fractions of a, b, c; an
// occupational term added to an occupancy of 1; a crenel where x4 lies within width/2 of
// center, from center - width/2 up to but not including center + width/2 (fractions of the
// period of axis 4).
using DisplaciveWave = DisplaciveTerm;
using OccupationalWave = OccupationalTerm;
using Crenel = CrenelInterval;

struct Atom {
    std::array<double, 3> position{};  // fractions of a, b, c at the superspace origin's mean
    double electrons = 8;
    double width = 0.4;                // standard deviation of the Gaussian in A
    std::vector<DisplaciveWave> displacive;
    std::vector<OccupationalWave> occupational;
    std::optional<Crenel> crenel;
};

struct Model {
    std::array<double, 6> cell{10, 10, 10, 90, 90, 90};  // a, b, c in A, angles in degrees
    std::vector<int> counts{32, 32, 32};                  // voxels per axis: 3 real + d superspace
    std::vector<Atom> atoms;
};

// The fractional position of the atom at superspace coordinates xs (fractions of axes 4 ..),
// not wrapped into the cell.
std::array<double, 3> atom_position(const Atom& atom, const std::array<double, 3>& xs);
// Its occupancy there: 1 plus the occupational series, 0 outside its crenel.
double atom_occupancy(const Atom& atom, const std::array<double, 3>& xs);

// The map of the model over one whole cell (start 0, step 1/n on every axis, codes 1 to 6,
// the model's cell): at each grid point the sum of every atom's Gaussian, weighted by its
// occupancy at that point's superspace coordinates, over all periodic images that reach it.
// Densities in electrons per cubic angstrom; each atom cut off at 6 widths. The dimension is
// the number of counts. Throws MapError (refused) for a model that makes no map: a cell that
// is not sound_cell, 0 or more than 6 axes, an axis of no voxels, an atom whose position or
// electrons are not finite or whose width is not above 0.
Map model_map(const Model& model);

}  // namespace voxmill::model
