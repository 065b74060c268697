#include "crystal_samples.hpp"

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "sample_grid.hpp"

namespace voxmill::samples {

namespace {

constexpr double kSigma = 0.6;  // A; the atoms are blurred by this standard deviation

struct Atom {
    std::array<double, 3> at;  // fractional
    double electrons;
};

// A normalised Gaussian of the atom's electrons, r in A.
double gaussian(double electrons, double r2) {
    const double norm = std::pow(2.0 * std::numbers::pi * kSigma * kSigma, 1.5);
    return electrons / norm * std::exp(-r2 / (2.0 * kSigma * kSigma));
}

// Density of atoms in an orthogonal cell at fractional x, from the nearest image of each.
double crystal_density(const std::vector<Atom>& atoms, const std::array<double, 3>& cell,
                       const std::array<double, 3>& x) {
    double rho = 0.0;
    for (const Atom& a : atoms) {
        double r2 = 0.0;
        for (std::size_t i = 0; i < 3; ++i) {
            const double d = wrapped(x[i] - a.at[i]) * cell[i];
            r2 += d * d;
        }
        rho += gaussian(a.electrons, r2);
    }
    return rho;
}

const std::array<double, 3> kCubic{12.0, 12.0, 12.0};

std::vector<Atom> molecule() {
    return {{{0.20, 0.30, 0.40}, 8.0}, {{0.30, 0.35, 0.48}, 6.0}, {{0.62, 0.70, 0.15}, 7.0}};
}

void fill_cubic(State& st, const std::vector<Atom>& atoms) {
    fill_map(st, {24, 24, 24}, [&](const Fractional& x) { return crystal_density(atoms, kCubic, {x[0], x[1], x[2]}); });
}

}  // namespace

void atoms_map(State& st) {
    std::vector<Atom> atoms = molecule();
    atoms.push_back({{0.80, 0.45, 0.75}, 16.0});
    fill_cubic(st, atoms);
}

void model_map(State& st) { fill_cubic(st, molecule()); }

void modulated_map(State& st) {
    const std::array<double, 3> cell{6.0, 6.0, 8.0};
    const double two_pi = 2.0 * std::numbers::pi;
    fill_map(st, {20, 20, 20, 10}, [&](const Fractional& x) {
        const std::vector<Atom> displaced{
            {{0.03 * std::sin(two_pi * x[3]), 0.0, 0.0}, 20.0},
            {{0.5, 0.5, 0.5 + 0.04 * std::sin(two_pi * (x[3] + 0.25))}, 8.0},
        };
        return crystal_density(displaced, cell, {x[0], x[1], x[2]});
    });
}

}  // namespace voxmill::samples
