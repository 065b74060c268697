// The atoms of a 64 x 64 x 64 x 32 model map (8.4 million voxels, 34 MB) of 20 atoms at least
// 2.5 A apart in a cubic cell of 19.2 A (steps of 0.3 A), with displacive and occupational
// waves and crenels: find_atoms on the map in memory (32 sections searched on all cores,
// traced and fitted), and `voxmill atoms --json` run in-process on the map as a q47 file. The
// target for the whole process is 3 s.
//
//   build/bench/bench_atoms [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>

#include <cmath>
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
#include "ops/atoms.hpp"

namespace {

using namespace voxmill;

// Atoms placed at random, each kept when it lies 2.5 A or more from those before it (the
// modulations move them by 0.2 A at most).
model::Model modulated_atoms() {
    model::Model m;
    m.cell = {19.2, 19.2, 19.2, 90, 90, 90};
    m.counts = {64, 64, 64, 32};
    std::mt19937 gen(19);
    std::uniform_real_distribution<double> fraction(0.0, 1.0), width(0.35, 0.45);
    const auto apart = [&](const std::array<double, 3>& p) {
        for (const model::Atom& a : m.atoms) {
            double r2 = 0;
            for (std::size_t i = 0; i < 3; ++i) {
                const double d = p[i] - a.position[i];
                r2 += std::pow((d - std::nearbyint(d)) * 19.2, 2);
            }
            if (r2 < 2.5 * 2.5) return false;
        }
        return true;
    };
    while (m.atoms.size() < 20) {
        model::Atom a;
        a.position = {fraction(gen), fraction(gen), fraction(gen)};
        if (!apart(a.position)) continue;
        const std::size_t i = m.atoms.size();
        a.electrons = 6.0 + static_cast<double>(i % 4) * 2.0;
        a.width = width(gen);
        if (i % 2 == 0) a.displacive.push_back({{1, 0, 0}, {0.005, 0.0, 0.003}, {0.0, 0.004, 0.0}});
        if (i % 4 == 0) a.displacive.push_back({{2, 0, 0}, {0.0, 0.002, 0.0}, {0.001, 0.0, 0.0}});
        if (i % 3 == 1) a.occupational.push_back({{1, 0, 0}, 0.2, 0.1});
        if (i % 5 == 2) a.crenel = model::Crenel{fraction(gen), 0.5};
        m.atoms.push_back(a);
    }
    return m;
}

const Map& the_map() {
    static const Map map = model::model_map(modulated_atoms());
    return map;
}

void FindAtoms(benchmark::State& state) {
    const Map& map = the_map();
    std::size_t found = 0;
    for (auto _ : state) {
        const std::vector<Atom> atoms = find_atoms(map, {});
        found = atoms.size();
        benchmark::DoNotOptimize(atoms.data());
    }
    state.counters["atoms"] = static_cast<double>(found);
}
BENCHMARK(FindAtoms)->Unit(benchmark::kMillisecond)->UseRealTime();

void AtomsCommand(benchmark::State& state) {
    const auto file = std::filesystem::temp_directory_path() / ("voxmill-bench-atoms-" + std::to_string(::getpid()) + ".q47");
    write_q47_map(the_map(), file.string());
    const std::string path = file.string();
    const char* argv[] = {"voxmill", "atoms", "--cell", "19.2,19.2,19.2,90,90,90", "--json", path.c_str()};
    for (auto _ : state) {
        std::ostringstream out, err;
        if (run_command_line(6, argv, out, err) != 0) throw std::runtime_error("voxmill atoms failed: " + err.str());
    }
    std::filesystem::remove(file);
}
BENCHMARK(AtomsCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
