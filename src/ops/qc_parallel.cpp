#include "ops/qc_parallel.hpp"

#include "ops/qc_pixel.hpp"

namespace voxmill {

namespace {

// Pixels handed out at a time: small enough to keep the threads evenly busy, large enough
// that the shared counter costs nothing.
constexpr std::int64_t kBlock = 16;

}  // namespace

void section_pixels(const MapGrid& m, const SectionGeometry& g, std::int64_t first, std::int64_t last, float* rhor,
                    unsigned threads) {
    share_work(first, last, kBlock, threads, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t L = begin; L < end; ++L) rhor[L] = fast_pixel(m, g, static_cast<std::int32_t>(L));
    });
}

Map cut_section(const Map& map, const SectionGeometry& g, unsigned threads) {
    Map section = section_frame(g);
    section.rho.allocate(static_cast<std::size_t>(g.nvoxtotr));
    section_pixels(map_grid(map, g.sdim), g, 0, g.nvoxtotr, section.rho.data(), threads);
    return section;
}

}  // namespace voxmill
