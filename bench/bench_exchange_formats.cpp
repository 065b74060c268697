// Options D (X-PLOR to q47), E (q47 to X-PLOR) and A (MEED/VEND list) on a 4D map of 64^4
// voxels, each timed as its routine against a baseline measured in the same run:
//   D: reading every line of its X-PLOR text (about 235 MB) with std::getline; target 3x;
//   E and A: writing as many bytes as their output has from a prepared buffer through the
//   same output path (TextOutput); target 4x each.
// The files go into a temporary folder that is removed at the end.
//
//   build/bench/bench_exchange_formats [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/q47_files.hpp"
#include "app/q47_writer.hpp"
#include "app/text_maps.hpp"
#include "app/xplor_input.hpp"
#include "bench_maps.hpp"
#include "formats/text_output.hpp"

namespace {

using bench::Clock;
using bench::seconds_since;
namespace fs = std::filesystem;

// One call of an option's routine; it must print nothing.
double option(const bench::Routine& run, const std::string& in, const std::string& out) {
    const bench::Timed t = bench::time_routine(run, in, "", out);
    if (!t.printed.empty()) throw std::runtime_error("the option reported: " + t.printed);
    return t.seconds;
}

double getline_baseline(const std::string& name) {
    const auto start = Clock::now();
    std::ifstream in(name, std::ios::binary);
    std::string line;
    std::size_t lines = 0;
    while (std::getline(in, line)) ++lines;
    const double t = seconds_since(start);
    if (lines == 0) throw std::runtime_error("no lines in " + name);
    return t;
}

double write_baseline(const std::string& name, const std::string& prepared) {
    fs::remove(name);
    const auto start = Clock::now();
    voxmill::TextOutput out(name);
    constexpr std::size_t chunk = std::size_t{1} << 20;
    for (std::size_t at = 0; at < prepared.size(); at += chunk) {
        out.text(std::string_view(prepared).substr(at, chunk));
    }
    out.close();
    return seconds_since(start);
}

void report(const char* what, double op, const char* base_name, double base, double target) {
    std::printf("%-28s %8.1f ms   %-22s %8.1f ms   ratio %5.2f (target at most %.0f)\n", what, op * 1e3, base_name,
                base * 1e3, op / base, target);
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path dir = bench::scratch_folder("bench-exchange-formats");
    const std::string map = (dir / "map.q47").string();
    const std::string xplor = (dir / "map.xplor").string();
    const std::string out = (dir / "out").string();
    bench::write_map(map, 11);

    double d_op = 1e30, d_base = 1e30, e_op = 1e30, e_base = 1e30, a_op = 1e30, a_base = 1e30;
    double map_read = 1e30;
    std::size_t xplor_bytes = 0, vend_bytes = 0;
    for (int r = 0; r < repetitions; ++r) {
        e_op = std::min(e_op, option(voxmill::writexplor, map, xplor));
        xplor_bytes = static_cast<std::size_t>(fs::file_size(xplor));
        e_base = std::min(e_base, write_baseline(out, std::string(xplor_bytes, ' ')));

        d_op = std::min(d_op, option([](voxmill::State& st, voxmill::Console& con) {
                            voxmill::readxplor(st, con, st.infile1);
                            voxmill::writeorvo(st, con, st.outrhofile);
                        }, xplor, out));
        d_base = std::min(d_base, getline_baseline(xplor));

        a_op = std::min(a_op, option(voxmill::writevend, map, out));
        vend_bytes = static_cast<std::size_t>(fs::file_size(out));
        a_base = std::min(a_base, write_baseline(out, std::string(vend_bytes, ' ')));

        map_read = std::min(map_read, option([](voxmill::State& st, voxmill::Console& con) {
                                voxmill::readorvo(st, con, st.infile1);
                            }, map, out));
    }
    std::printf("map 64x64x64x64, best of %d; X-PLOR text %.1f MB, MEED/VEND list %.1f MB\n", repetitions,
                static_cast<double>(xplor_bytes) / 1e6, static_cast<double>(vend_bytes) / 1e6);
    report("D: readxplor + writeorvo", d_op, "getline of every line", d_base, 3);
    report("E: writexplor", e_op, "write of as many bytes", e_base, 4);
    report("A: writevend", a_op, "write of as many bytes", a_base, 4);
    // E and A read their map with readorvo first, into fresh memory.
    std::printf("of which the map read (readorvo) %.1f ms: E without it %.2fx, A without it %.2fx its baseline\n",
                map_read * 1e3, (e_op - map_read) / e_base, (a_op - map_read) / a_base);
    fs::remove_all(dir);
    return 0;
}
