// An icosahedral section (type A) of 100 x 100 x 1 pixels through a 6D map of 12^6 voxels
// with random densities, three ways in one run: the literal path (fillrhocut and rhoatpoint
// per pixel, from the tests' support/reference_density.hpp), the stencil path on one thread,
// and the stencil path on all cores. The literal path takes seconds per thousand pixels, so
// it is timed on every 50th pixel and scaled up.
//
//   build/bench/bench_qc_section [repetitions] [literal pixel step]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench_maps.hpp"
#include "ops/qc_geometry.hpp"
#include "ops/qc_parallel.hpp"
#include "support/reference_density.hpp"

namespace {

using bench::Clock;
using bench::seconds_since;

void load_random_map(voxmill::State& st, int edge) {
    st.sdim = 6;
    std::size_t count = 1;
    for (int k = 1; k <= 6; ++k) {
        st.map.nvox(k) = edge;
        count *= static_cast<std::size_t>(edge);
    }
    st.map.rho.allocate(count + 1);
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> density(-1.0f, 5.0f);
    for (std::size_t i = 0; i < count; ++i) st.map.rho[i] = density(gen);
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int literal_step = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    voxmill::State st;
    load_random_map(st, 12);
    const voxmill::Mat<std::int32_t, 2, 3> qcdim{{0, 99, 0, 99, 0, 0}};
    const voxmill::SectionGeometry g =
        voxmill::make_section('A', st.sdim, qcdim, voxmill::Tab<float, 3>{{0.5f, 0.5f, 1.0f}}, {}, {});
    const voxmill::MapGrid m = voxmill::map_grid(st.map, st.sdim);
    const std::int32_t pixels = g.nvoxtotr;
    const unsigned cores = voxmill::worker_threads(0);

    std::vector<float> fast1(static_cast<std::size_t>(pixels)), fastn(fast1.size());
    double best1 = 1e30, bestn = 1e30, literal = 1e30;
    double worst_difference = 0.0;
    for (int r = 0; r < repetitions; ++r) {
        auto start = Clock::now();
        voxmill::section_pixels(m, g, 0, pixels, fast1.data(), 1);
        best1 = std::min(best1, seconds_since(start));
        start = Clock::now();
        voxmill::section_pixels(m, g, 0, pixels, fastn.data(), cores);
        bestn = std::min(bestn, seconds_since(start));
    }
    const int literal_rounds = std::max(1, repetitions / 2);
    int sampled = 0;
    for (int r = 0; r < literal_rounds; ++r) {
        sampled = 0;
        const auto start = Clock::now();
        for (std::int32_t L = 0; L < pixels; L += literal_step, ++sampled) {
            const float v = vtest::literal_pixel(st.map, st.sdim, g, L);
            worst_difference = std::max(worst_difference, std::fabs(static_cast<double>(v - fast1[static_cast<std::size_t>(L)])));
        }
        literal = std::min(literal, seconds_since(start) * pixels / sampled);
    }
    if (fast1 != fastn) std::printf("WARNING: one thread and %u threads differ\n", cores);

    const double voxels = static_cast<double>(pixels) * 15625.0;
    std::printf("6D map 12^6, icosahedral section A of %d pixels, 5^6 stencil voxels per pixel\n", pixels);
    std::printf("literal path (%d of %d pixels, scaled)  %9.1f ms  %6.2f ns per stencil voxel\n", sampled, pixels,
                literal * 1e3, literal / voxels * 1e9);
    std::printf("fast path, 1 thread (best of %d)        %9.1f ms  %6.3f ns per stencil voxel\n", repetitions,
                best1 * 1e3, best1 / voxels * 1e9);
    std::printf("fast path, %u threads (best of %d)       %9.1f ms  %6.3f ns per stencil voxel\n", cores, repetitions,
                bestn * 1e3, bestn / voxels * 1e9);
    std::printf("literal / fast 1 thread   %8.1f (target at least 50)\n", literal / best1);
    std::printf("1 thread / %u threads      %8.2f (target at least 1.7)\n", cores, best1 / bestn);
    std::printf("largest |literal - fast| on the sampled pixels: %.3g (densities up to 5)\n", worst_difference);
    return 0;
}
