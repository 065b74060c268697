// A q47 map read back with the program's own reader, with voxel access by coordinates.
#pragma once

#include <array>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/console.hpp"
#include "app/q47_files.hpp"
#include "app/state.hpp"
#include "core/map.hpp"

namespace vtest {

using Coords = std::array<std::int64_t, 6>;

struct LoadedMap {
    voxmill::Tab<std::int32_t, 6> nvox{};
    int sdim = 0;
    std::vector<float> rho;

    std::int64_t count() const { return static_cast<std::int64_t>(rho.size()); }
    // Coordinates of voxel p, axis 1 fastest.
    Coords coords(std::int64_t p) const {
        Coords c{};
        for (int k = 1; k <= 6; ++k) {
            c[static_cast<std::size_t>(k - 1)] = p % nvox(k);
            p /= nvox(k);
        }
        return c;
    }
    // The voxel at c, each coordinate wrapped periodically.
    float at(const Coords& c) const {
        std::int64_t p = 0;
        for (int k = 6; k >= 1; --k) {
            const std::int64_t n = nvox(k);
            p = p * n + ((c[static_cast<std::size_t>(k - 1)] % n) + n) % n;
        }
        return rho[static_cast<std::size_t>(p)];
    }
};

inline LoadedMap load_q47(const std::string& path) {
    voxmill::State st;
    std::istringstream in;
    std::ostringstream out, err;
    voxmill::Console con(in, out, err);
    if (voxmill::readorvo(st, con, path) != voxmill::FileStatus::ok) throw std::runtime_error("cannot read the map " + path + ": " + out.str());
    LoadedMap m;
    m.nvox = st.map.nvox;
    m.sdim = st.sdim;
    std::size_t count = 1;
    for (int k = 1; k <= 6; ++k) count *= static_cast<std::size_t>(st.map.nvox(k));
    m.rho.assign(st.map.rho.data(), st.map.rho.data() + count);
    return m;
}

// The header of a q47 map as the console reads it: counts, frame, axis codes, map code and
// subsystem, without the densities.
inline voxmill::Map load_q47_frame(const std::string& path) {
    voxmill::State st;
    std::istringstream in;
    std::ostringstream out, err;
    voxmill::Console con(in, out, err);
    if (voxmill::readorvo(st, con, path) != voxmill::FileStatus::ok) throw std::runtime_error("cannot read the map " + path + ": " + out.str());
    return voxmill::frame_of(st.map);
}

}  // namespace vtest
