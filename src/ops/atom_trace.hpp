// The maxima of the real-space sections of a superspace map, linked from section to section
// into atoms: strings, sheets or volumes of maxima across the superspace axes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace voxmill {

// Lengths of fractional differences: in A through the cell's metric, or in fractions of the
// edges when there is no cell.
class CellMetric {
public:
    explicit CellMetric(const std::optional<std::array<double, 6>>& cell);
    double length(const std::array<double, 3>& d) const;
    // The length of edge i (0 for a, 1 for b, 2 for c): A, or 1.
    double edge(int i) const;

private:
    std::array<std::array<double, 3>, 3> g_{};
};

// The superspace samples of a map: the voxels along axes 4 .. 3 + d, numbered axis 4 fastest.
struct SampleGrid {
    int d = 1;
    std::array<std::int64_t, 3> counts{1, 1, 1};

    std::int64_t size() const { return counts[0] * counts[1] * counts[2]; }
    std::array<std::int64_t, 3> coordinates(std::int64_t sample) const;
    // The sample `step` voxels along superspace axis k (0 .. d-1), periodically.
    std::int64_t neighbour(std::int64_t sample, int k, std::int64_t step) const;
};

// One maximum of one section.
struct SectionPeak {
    std::array<double, 3> position{};  // fractions of a, b, c
    double height = 0, charge = 0;
};

// One atom as its maxima trace it.
struct AtomTrace {
    std::vector<std::int64_t> samples;  // where it is present, ascending
    // Its maxima there, the positions followed continuously along the grid of samples: from
    // the last sample of an axis to the first they move on by the lattice vector `shift`.
    std::vector<SectionPeak> peaks;
    std::array<std::array<int, 3>, 3> shift{};  // for each superspace axis, in lattice vectors
};

// Links the maxima of each sample (sections[s]) into atoms by nearest continuation. The
// highest maximum not yet taken starts an atom, which spreads from sample to neighbouring
// sample along every superspace axis (periodically). At each new sample it takes the free
// maximum that lies nearer to where it was at the sample it came from than half the distance
// from that maximum to the nearest other one of its section (or to its own image), which
// makes it the nearest there. Where there is none the atom is absent, and the spread carries
// its last position on. Atoms are listed in the order they were started, highest first.
std::vector<AtomTrace> trace_atoms(const std::vector<std::vector<SectionPeak>>& sections, const SampleGrid& grid,
                                   const CellMetric& metric);

}  // namespace voxmill
