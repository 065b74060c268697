// The periodic sample crystals: Gaussian atoms in a unit cell, in three dimensions and, for
// a displacively modulated structure, in four.
#pragma once

#include "app/state.hpp"

namespace voxmill::samples {

// Cubic cell of 12 A, 24 x 24 x 24 voxels of 0.5 A: O, C and N of a small molecule and a
// sulphur atom, each a Gaussian of its electron count (e/A^3).
void atoms_map(State& st);
// The same cell and grid without the sulphur atom: a model that misses one atom, so that
// the difference of the two maps shows it.
void model_map(State& st);

// Tetragonal cell a = b = 6 A, c = 8 A, 20 x 20 x 20 voxels, and a fourth axis of 10 voxels
// over one period of the modulation. Ca at the origin is displaced along a by
// 0.03 sin(2 pi x4), O at the cell centre along c by 0.04 sin(2 pi (x4 + 1/4)) (fractions of
// the cell edges), so each atom is a sinuous string along x4 in superspace; the crystal
// itself is the cut x4 = t + q.r for a modulation wave vector q.
void modulated_map(State& st);

}  // namespace voxmill::samples
