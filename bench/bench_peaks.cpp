// The peaks of a 64 x 64 x 64 x 32 model map (8.4 million voxels, 34 MB) of 20 atoms, some of
// them modulated, in a cubic cell of 19.2 A (steps of 0.3 A): find_peaks on the map in memory,
// and `voxmill peaks` run in-process on the map as a q47 file (reading, searching, printing).
// The target for the whole process is 1 s.
//
//   build/bench/bench_peaks [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/command_line.hpp"
#include "formats/q47_map.hpp"
#include "model_map.hpp"
#include "ops/peaks.hpp"

namespace {

using namespace voxmill;

model::Model twenty_atoms() {
    model::Model m;
    m.cell = {19.2, 19.2, 19.2, 90, 90, 90};
    m.counts = {64, 64, 64, 32};
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> fraction(0.0, 1.0), width(0.35, 0.45);
    const double electrons[] = {6, 7, 8, 16};
    for (int i = 0; i < 20; ++i) {
        model::Atom a;
        a.position = {fraction(gen), fraction(gen), fraction(gen)};
        a.electrons = electrons[i % 4];
        a.width = width(gen);
        if (i % 3 == 0) a.displacive.push_back({{1, 0, 0}, {0.01, 0.0, 0.005}, {0.0, 0.008, 0.0}});
        if (i % 4 == 1) a.occupational.push_back({{1, 0, 0}, 0.0, 0.3});
        m.atoms.push_back(a);
    }
    return m;
}

const Map& the_map() {
    static const Map map = model::model_map(twenty_atoms());
    return map;
}

void FindPeaks(benchmark::State& state) {
    const Map& map = the_map();
    std::size_t found = 0;
    for (auto _ : state) {
        const std::vector<Peak> peaks = find_peaks(map, {});
        found = peaks.size();
        benchmark::DoNotOptimize(peaks.data());
    }
    state.counters["peaks"] = static_cast<double>(found);
}
BENCHMARK(FindPeaks)->Unit(benchmark::kMillisecond)->UseRealTime();

void PeaksCommand(benchmark::State& state) {
    const auto file = std::filesystem::temp_directory_path() / ("voxmill-bench-peaks-" + std::to_string(::getpid()) + ".q47");
    write_q47_map(the_map(), file.string());
    const std::string path = file.string();
    const char* argv[] = {"voxmill", "peaks", path.c_str()};
    for (auto _ : state) {
        std::ostringstream out, err;
        if (run_command_line(3, argv, out, err) != 0) throw std::runtime_error("voxmill peaks failed: " + err.str());
    }
    std::filesystem::remove(file);
}
BENCHMARK(PeaksCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
