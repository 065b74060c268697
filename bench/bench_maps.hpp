// What the benchmark programs share: the 4D test map of 64^4 voxels (67 MB), the clock, and
// one call of an option's routine on a state as the file-name dialogue leaves it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/console.hpp"
#include "app/state.hpp"
#include "core/density_array.hpp"
#include "formats/q47_output.hpp"

namespace bench {

using Clock = std::chrono::steady_clock;
using Routine = std::function<void(voxmill::State&, voxmill::Console&)>;

inline constexpr int kEdge = 64;

inline double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A new empty folder for one benchmark's files, named after the benchmark and the process.
inline std::filesystem::path scratch_folder(const std::string& benchmark) {
    std::string name = "voxmill-";
    name.append(benchmark).append("-").append(std::to_string(::getpid()));
    const auto dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Writes the 64^4 map with densities drawn evenly from [-1, 5) by `seed`, and returns them.
inline std::vector<float> write_map(const std::string& name, unsigned seed) {
    voxmill::Q47Header h;
    for (int i = 1; i <= 6; ++i) {
        h.nvox(i) = i <= 4 ? kEdge : 1;
        h.iorien(i) = i;
        h.xdf(i) = 1.0f / static_cast<float>(h.nvox(i));
    }
    h.nxny = kEdge * kEdge;
    h.nmap = kEdge * kEdge;
    h.mapa = 4;
    h.nsubs = 1;
    h.satelitybyly = true;
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> density(-1.0f, 5.0f);
    std::vector<float> rho(static_cast<std::size_t>(h.nxny) * static_cast<std::size_t>(h.nmap));
    for (float& v : rho) v = density(gen);
    voxmill::Q47Output out;
    if (!out.open(name, voxmill::RecordFile::Mode::create_new, h) || !out.write_header() ||
        !out.write_layers(1, h.nmap, rho.data()) || !out.write_trailer(5.0f, -1.0f) || !out.close()) {
        throw std::runtime_error("cannot write " + name);
    }
    return rho;
}

// Memory for a whole file's bytes, allocated the way the map readers allocate their density
// arrays, so that the baselines and the operations pay the same price for fresh memory.
inline voxmill::DensityArray file_buffer(std::size_t bytes) {
    voxmill::DensityArray buffer;
    buffer.allocate(bytes / sizeof(float) + 1);
    return buffer;
}

inline unsigned char* bytes_of(voxmill::DensityArray& buffer) { return reinterpret_cast<unsigned char*>(buffer.data()); }

struct Timed {
    double seconds;
    std::string printed;  // what the routine wrote on the console
};

// One call of `run` with the 64^4 map's dimensions and a cell set, as the dialogue leaves
// them; `out` is removed first, so that options that make new files can run again.
inline Timed time_routine(const Routine& run, const std::string& in1, const std::string& in2,
                          const std::string& out) {
    std::filesystem::remove(out);
    std::istringstream none;
    std::ostringstream con_out, con_err;
    voxmill::Console con(none, con_out, con_err);
    voxmill::State st;
    st.infile1 = voxmill::padded(in1, voxmill::kNameLength);
    st.infile2 = voxmill::padded(in2, voxmill::kNameLength);
    st.outrhofile = voxmill::padded(out, voxmill::kNameLength);
    st.sdim = 4;
    for (int i = 1; i <= 6; ++i) st.probed(i) = i <= 4 ? kEdge : 1;
    const float cell[6] = {10.0f, 11.0f, 12.0f, 90.0f, 90.0f, 120.0f};
    for (int i = 1; i <= 6; ++i) st.cell(i) = cell[i - 1];
    const auto start = Clock::now();
    run(st, con);
    return {seconds_since(start), con_out.str()};
}

}  // namespace bench
