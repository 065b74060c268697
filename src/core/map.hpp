// A map as a value: what every reader of a map file returns and every writer takes. The
// grid frame and the axis codes are those of a q47 header; formats that hold less fill in
// the full cell (start 0, step 1/n) and the codes 1 to 6.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/density_array.hpp"
#include "core/errors.hpp"
#include "core/tab.hpp"

namespace voxmill {

struct Map {
    int dimension = 3;              // 1..6: the highest axis with more than one voxel, or as read
    Tab<std::int32_t, 6> nvox{};    // voxels per axis, 1 above the dimension
    Tab<float, 6> xfmn{};           // fractional coordinate of the first voxel per axis
    Tab<float, 6> xfmx{};           // and of the last
    Tab<float, 6> xdf{};            // step between neighbouring voxels
    Tab<std::int32_t, 6> iorien{};  // axis code of each position
    // The words that only q47 files hold.
    struct Q47Words {
        std::int32_t mapa = 4;                // map type code
        std::int32_t nsubs = 1;               // subsystem number
        std::optional<bool> satelitybyly;     // whether the map has satellites; none: from 4 dimensions on
    } q47;
    std::optional<std::array<double, 6>> cell;  // a, b, c in A, alpha, beta, gamma in degrees; as read,
                                                // so perhaps no sound cell (see sound_cell)
    // Where the formats of electron microscopy place the map besides its grid start: a shift
    // in A along the orthogonal X, Y, Z of the cell. None for formats that hold no such shift.
    std::optional<std::array<double, 3>> origin;
    std::vector<std::string> labels;        // lines of text describing the map (CCP4/MRC labels)
    std::optional<std::int32_t> space_group;  // as a CCP4/MRC file records it
    DensityArray rho;               // voxels() densities, axis 1 fastest

    std::int64_t voxels() const;
    std::int64_t layer() const { return std::int64_t{nvox(1)} * nvox(2); }  // voxels of one section
    std::int64_t layers() const { return voxels() / layer(); }

    // The grid: axis k (1..6) steps by stride(k) in rho, and the voxel at coordinates c
    // (0 .. nvox - 1 on each axis) lies at index(c).
    std::int64_t stride(int k) const;
    std::int64_t index(const Tab<std::int64_t, 6>& c) const;
};

// Everything of the map but its densities.
Map frame_of(const Map& map);

// A grid coordinate wrapped periodically into 0 .. n-1.
constexpr std::int64_t wrap(std::int64_t c, std::int64_t n) {
    c %= n;
    return c < 0 ? c + n : c;
}

// Whether a cell describes a real crystal: finite lengths above 0, angles strictly between 0
// and 180 degrees, and a positive volume (three angles can pass one by one and still leave
// the axes in a plane, as 90, 90, 0 or 120, 120, 120 do).
bool sound_cell(const std::array<double, 6>& cell);

// A map of these counts (1 above the given ones) over one whole cell: start 0, end (n-1)/n,
// step 1/n on its axes, 0, 0 and 1 above; codes 1 to 6; the densities allocated, unset.
Map full_cell_map(const std::vector<std::int32_t>& counts);
// The same without densities, for a reader that has them already.
Map full_cell_frame(const std::vector<std::int32_t>& counts);
// The frame of one whole cell on the first `axes` axes of the map's counts: start 0, end
// (n-1)/n, step 1/n; 0, 0 and 1 above.
void frame_whole_cell(Map& map, int axes);

// What keeps the frame from placing the voxels, as "step of axis 2 is nan: an axis of 16
// voxels needs a finite step above 0"; empty when nothing does. Only axes of more than one
// voxel are judged: the map is constant along an axis of one voxel, whose frame files often
// leave at 0 or anything, and no tool reads it.
std::string frame_fault(const Map& map);

// The range of the densities as the file itself records it, where the format holds one.
struct StoredRange {
    std::optional<float> min, max, mean, rms;
};

}  // namespace voxmill
