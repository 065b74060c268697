// Options 1 (add1), 2 (diffmap, difference) and F (histogram, 100 classes) on a 4D map of
// 64^4 voxels (67 MB), each timed as its operation routine against a baseline measured in
// the same run: reading the bytes of the input maps and writing as many bytes as the output
// has. The histogram is also compared with a std::sort of the same densities. Prints every
// time and ratio; targets: each operation at most 3x its baseline, the histogram at most
// 1.5x the sort.
//
//   build/bench/bench_closing_arith_hist [repetitions]
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

#include "app/add1.hpp"
#include "app/classes.hpp"
#include "app/diffmap.hpp"
#include "bench_maps.hpp"
#include "ops/histogram.hpp"

namespace {

using bench::Clock;
using bench::seconds_since;
namespace fs = std::filesystem;

// Reading the inputs whole and writing `out_bytes` bytes to a new file. With fresh memory the
// read buffers are allocated on the clock, as a program that reads a map must (and as the
// reader benchmark measures its plain read); otherwise they are allocated and touched before,
// which leaves the file transfer alone.
double baseline(const std::vector<std::string>& inputs, const std::string& out, std::size_t out_bytes,
                bool fresh_memory) {
    fs::remove(out);
    std::vector<voxmill::DensityArray> held(inputs.size());
    auto make_buffers = [&] {
        for (std::size_t i = 0; i < inputs.size(); ++i) held[i] = bench::file_buffer(fs::file_size(inputs[i]));
    };
    if (!fresh_memory) {
        make_buffers();
        for (std::size_t i = 0; i < inputs.size(); ++i) std::fill_n(bench::bytes_of(held[i]), fs::file_size(inputs[i]), 0);
    }
    const std::vector<unsigned char> bytes(out_bytes, 0x20);
    const auto start = Clock::now();
    if (fresh_memory) make_buffers();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto size = static_cast<std::size_t>(fs::file_size(inputs[i]));
        std::FILE* f = std::fopen(inputs[i].c_str(), "rb");
        if (f == nullptr || std::fread(bench::bytes_of(held[i]), 1, size, f) != size) {
            throw std::runtime_error("cannot read " + inputs[i]);
        }
        std::fclose(f);
    }
    std::FILE* f = std::fopen(out.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, out_bytes, f) != out_bytes) {
        throw std::runtime_error("cannot write " + out);
    }
    std::fclose(f);
    return seconds_since(start);
}

double operation(const bench::Routine& run, const std::string& in1, const std::string& in2, const std::string& out) {
    return bench::time_routine(run, in1, in2, out).seconds;
}

double sort_of(const std::vector<float>& rho) {
    std::vector<float> copy = rho;
    const auto start = Clock::now();
    std::sort(copy.begin(), copy.end());
    return seconds_since(start);
}

struct Baselines {
    double fresh = 1e30;     // read into new memory, then write
    double transfer = 1e30;  // the file transfer alone

    void measure(const std::vector<std::string>& inputs, const std::string& out, std::size_t out_bytes) {
        fresh = std::min(fresh, baseline(inputs, out, out_bytes, true));
        transfer = std::min(transfer, baseline(inputs, out, out_bytes, false));
    }
};

void report(const char* what, double op, const Baselines& base) {
    std::printf("%-24s %7.1f ms   baseline %7.1f ms   ratio %5.2f (target at most 3)   "
                "transfer alone %7.1f ms, ratio %5.2f\n",
                what, op * 1e3, base.fresh * 1e3, op / base.fresh, base.transfer * 1e3, op / base.transfer);
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path dir = bench::scratch_folder("bench-closing-arith-hist");
    const std::string map1 = (dir / "first.q47").string();
    const std::string map2 = (dir / "second.q47").string();
    const std::string out = (dir / "out").string();
    const std::vector<float> rho = bench::write_map(map1, 7);
    bench::write_map(map2, 8);

    double add1_op = 1e30, diff_op = 1e30, hist_op = 1e30, sort = 1e30;
    Baselines add1_base, diff_base, hist_base;
    std::size_t add1_bytes = 0, diff_bytes = 0, hist_bytes = 0;
    for (int r = 0; r < repetitions; ++r) {
        add1_op = std::min(add1_op, operation(voxmill::add1, map1, "", out));
        add1_bytes = static_cast<std::size_t>(fs::file_size(out));
        add1_base.measure({map1}, out, add1_bytes);

        diff_op = std::min(diff_op, operation([](voxmill::State& st, voxmill::Console& con) {
                               voxmill::diffmap(st, con, '1');
                           }, map1, map2, out));
        diff_bytes = static_cast<std::size_t>(fs::file_size(out));
        diff_base.measure({map1, map2}, out, diff_bytes);

        hist_op = std::min(hist_op, operation([](voxmill::State& st, voxmill::Console& con) {
                               voxmill::histogram(st, con, 100);
                           }, map1, "", out));
        hist_bytes = static_cast<std::size_t>(fs::file_size(out));
        hist_base.measure({map1}, out, hist_bytes);
        sort = std::min(sort, sort_of(rho));
    }
    std::printf("map 64x64x64x64, %.1f MB per input, best of %d\n",
                static_cast<double>(fs::file_size(map1)) / 1e6, repetitions);
    report("add1", add1_op, add1_base);
    report("diffmap, mode 1", diff_op, diff_base);
    report("histogram, 100 classes", hist_op, hist_base);
    std::printf("%-26s %8.1f ms   std::sort %7.1f ms   ratio %5.2f (target at most 1.5)\n", "histogram against sort",
                hist_op * 1e3, sort * 1e3, hist_op / sort);
    std::printf("output bytes: add1 %zu, diffmap %zu, histogram %zu\n", add1_bytes, diff_bytes, hist_bytes);
    fs::remove_all(dir);
    return 0;
}
