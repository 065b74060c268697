// The quasicrystal samples: superspace maps of cut-and-project structures. Each lattice node
// of the superspace cell carries an atom that is a Gaussian in parallel (physical) space
// times an occupation domain in perpendicular space; the physical structure is the cut of
// that density with parallel space, the section that option C makes.
#pragma once

#include "app/state.hpp"

namespace voxmill::samples {

// Decagonal, 16 x 16 x 16 x 16 x 10 voxels: axes 1..4 span the quasiperiodic plane, axis 5
// the periodic tenfold axis with one atomic layer at z = 0 (a Gaussian of 0.1 c along it).
// The occupation domains are those of the vertices of a Penrose rhombus tiling: four sites
// on the body diagonal of the four-dimensional cell, at k/5 (1,1,1,1), k = 1..4, with
// pentagonal domains of circumradii 0.4, 0.4 tau, 0.4 tau and 0.4. Each pentagon is replaced
// by its inscribed disc, so every atom is a vertex of the tiling (edge 0.4) and no two atoms
// come closer than that edge.
void decagonal_map(State& st);

// Icosahedral, 10 voxels on each of six axes of the hypercubic lattice. Its nodes carry the
// sphere inscribed in the rhombic triacontahedron (the projection of the cell on
// perpendicular space), radius 0.973: the atoms are a subset of the vertices of the
// three-dimensional Penrose tiling of rhombohedra of edge 1/sqrt(2).
void icosahedral_map(State& st);

}  // namespace voxmill::samples
