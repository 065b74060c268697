// voxmill plot as a whole process: an 800-pixel-wide PNG of the x1-x4 section of the 64^4
// map, once with the fixed coordinates on the grid (the voxels themselves; target at most
// 0.3 s) and once between grid points (the spline on all cores; target at most 1 s). The
// files go into a temporary folder that is removed at the end.
//
//   build/bench/bench_plot [repetitions]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "bench_maps.hpp"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::seconds_since;

double shell(const std::string& line) {
    const auto start = Clock::now();
    if (std::system(line.c_str()) != 0) throw std::runtime_error("failed: " + line);
    return seconds_since(start);
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path dir = bench::scratch_folder("bench-plot");
    const std::string map = (dir / "map4.q47").string();
    bench::write_map(map, 5);
    const fs::path program = fs::path(argv[0]).parent_path().parent_path() / "voxmill";
    const auto plot = [&](const std::string& at) {
        std::string line = "'";
        for (const std::string& part : {program.string(), std::string("' plot --axes 1,4 --size 800 --at "), at, std::string(" '"), map,
                                        std::string("' '"), (dir / "p.png").string(), std::string("'")}) {
            line += part;
        }
        return shell(line);
    };
    double on_grid = 1e30, between = 1e30;
    for (int r = 0; r < repetitions; ++r) {
        on_grid = std::min(on_grid, plot("0,0.25,0.5,0"));
        between = std::min(between, plot("0,0.2571,0.5093,0"));
    }
    std::printf("x1-x4 section of a 64^4 map, 800 pixels wide, whole process, best of %d\n", repetitions);
    std::printf("fixed coordinates on the grid       %7.1f ms   (target at most 300 ms)\n", on_grid * 1e3);
    std::printf("fixed coordinates between points    %7.1f ms   (target at most 1000 ms)\n", between * 1e3);
    fs::remove_all(dir);
}
