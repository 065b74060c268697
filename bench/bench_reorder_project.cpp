// Options 4 (reorders 2143 and 4321, the latter the worst order for the caches), 5 (shift), 7 (box of half the cell) and B (projection) on a 4D
// map of 64^4 voxels (67 MB), each timed as its operation routine against a baseline measured
// in the same run: reading the input's bytes into new memory and writing as many bytes as the
// operation's output has to a new file. Prints every time and ratio, best of the repetitions;
// the target is at most 3x the baseline.
//
//   build/bench/bench_reorder_project [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/project.hpp"
#include "app/q47reorder.hpp"
#include "bench_maps.hpp"

namespace {

using bench::Clock;
using bench::kEdge;
using bench::Routine;
using bench::seconds_since;
namespace fs = std::filesystem;
using voxmill::Tab;

double baseline(const std::string& in, const std::string& out, std::size_t out_bytes) {
    fs::remove(out);
    const auto in_bytes = static_cast<std::size_t>(fs::file_size(in));
    const std::vector<unsigned char> bytes(out_bytes, 0x20);
    const auto start = Clock::now();
    voxmill::DensityArray held = bench::file_buffer(in_bytes);
    std::FILE* f = std::fopen(in.c_str(), "rb");
    if (f == nullptr || std::fread(bench::bytes_of(held), 1, in_bytes, f) != in_bytes) throw std::runtime_error("cannot read " + in);
    std::fclose(f);
    f = std::fopen(out.c_str(), "wbx");
    if (f == nullptr || std::fwrite(bytes.data(), 1, out_bytes, f) != out_bytes) throw std::runtime_error("cannot write " + out);
    std::fclose(f);
    return seconds_since(start);
}

double operation(const Routine& run, const std::string& in, const std::string& out) {
    return bench::time_routine(run, in, "", out).seconds;
}

Routine reorder(std::string axord, Tab<std::int32_t, 6> iorg, Tab<std::int32_t, 6> iwidth, std::int32_t onsub) {
    return [=](voxmill::State& st, voxmill::Console& con) {
        voxmill::q47reorder(st, con, axord, axord, iorg, iwidth, onsub);
    };
}

struct Case {
    const char* what;
    Routine run;
    double op = 1e30;
    double base = 1e30;
    std::size_t out_bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path dir = bench::scratch_folder("bench-reorder-project");
    const std::string in = (dir / "in.q47").string();
    const std::string out = (dir / "out.q47").string();
    bench::write_map(in, 11);

    const Tab<std::int32_t, 6> whole{{kEdge - 1, kEdge - 1, kEdge - 1, kEdge - 1, 0, 0}};
    std::vector<Case> cases;
    cases.push_back({"4 reorder 2143", reorder("2143  ", {}, whole, 0)});
    cases.push_back({"4 reorder 4321", reorder("4321  ", {}, whole, 0)});
    cases.push_back({"5 shift .25 -.125 .5 .1", reorder("123456", {{16, -8, 32, 6, 0, 0}}, whole, 0)});
    cases.push_back({"7 box of half widths", reorder("1234  ", {{16, 16, 16, 16, 0, 0}}, {{32, 32, 32, 32, 0, 0}}, 1)});
    cases.push_back({"B projection", voxmill::project});
    for (int r = 0; r < repetitions; ++r) {
        for (Case& c : cases) {
            c.op = std::min(c.op, operation(c.run, in, out));
            c.out_bytes = static_cast<std::size_t>(fs::file_size(out));
            c.base = std::min(c.base, baseline(in, out, c.out_bytes));
        }
    }
    std::printf("map 64x64x64x64, %.1f MB, best of %d\n", static_cast<double>(fs::file_size(in)) / 1e6, repetitions);
    for (const Case& c : cases) {
        std::printf("%-26s %7.1f ms   baseline %7.1f ms   ratio %5.2f (target at most 3)   output %.1f MB\n", c.what,
                    c.op * 1e3, c.base * 1e3, c.op / c.base, static_cast<double>(c.out_bytes) / 1e6);
    }
    fs::remove_all(dir);
    return 0;
}
