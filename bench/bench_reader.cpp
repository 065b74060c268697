// Loading a 4D map of 64^4 voxels (67 MB) with readorvo, against reading the same file's
// bytes into memory in one go. Prints both times and their ratio; the reader should stay
// within 2x of the plain read.
//
//   build/bench/bench_reader [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "app/q47_files.hpp"
#include "bench_maps.hpp"

namespace {

using bench::Clock;
using bench::seconds_since;

double plain_read(const std::string& name) {
    const auto start = Clock::now();
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (f == nullptr) throw std::runtime_error("cannot open " + name);
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(name));
    voxmill::DensityArray bytes = bench::file_buffer(size);
    const std::size_t got = std::fread(bench::bytes_of(bytes), 1, size, f);
    std::fclose(f);
    if (got != size) throw std::runtime_error("short read of " + name);
    return seconds_since(start);
}

double reader(const std::string& name) {
    std::istringstream in;
    std::ostringstream out, err;
    voxmill::Console con(in, out, err);
    voxmill::State st;
    const auto start = Clock::now();
    const voxmill::FileStatus status = voxmill::readorvo(st, con, name);
    const double t = seconds_since(start);
    if (status != voxmill::FileStatus::ok) throw std::runtime_error("readorvo failed on " + name);
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const auto dir = bench::scratch_folder("bench-reader");
    const std::string name = (dir / "map4d.q47").string();
    bench::write_map(name, 7);
    double best_plain = 1e30;
    double best_reader = 1e30;
    for (int r = 0; r < repetitions; ++r) {
        best_plain = std::min(best_plain, plain_read(name));
        best_reader = std::min(best_reader, reader(name));
    }
    std::printf("map 64x64x64x64, %.1f MB, best of %d\n",
                static_cast<double>(std::filesystem::file_size(name)) / 1e6, repetitions);
    std::printf("plain read of the bytes  %8.2f ms\n", best_plain * 1e3);
    std::printf("readorvo                 %8.2f ms\n", best_reader * 1e3);
    std::printf("ratio readorvo / plain   %8.2f (target at most 2)\n", best_reader / best_plain);
    std::filesystem::remove_all(dir);
    return 0;
}
