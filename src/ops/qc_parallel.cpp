#include "ops/qc_parallel.hpp"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include "ops/qc_pixel.hpp"

namespace voxmill {

namespace {

// Pixels handed out at a time: small enough to keep the threads evenly busy when other work
// shares the machine, large enough that the shared counter costs nothing.
constexpr std::int64_t kBlock = 16;

}  // namespace

unsigned section_threads(unsigned requested) {
    if (requested > 0) return requested;
    return std::max(1u, std::thread::hardware_concurrency());
}

void section_pixels(const MapGrid& m, const SectionGeometry& g, std::int64_t first, std::int64_t last, float* rhor,
                    unsigned threads) {
    std::atomic<std::int64_t> next{first};
    auto work = [&] {
        for (;;) {
            const std::int64_t begin = next.fetch_add(kBlock, std::memory_order_relaxed);
            if (begin >= last) return;
            const std::int64_t end = std::min(begin + kBlock, last);
            for (std::int64_t L = begin; L < end; ++L) rhor[L] = fast_pixel(m, g, static_cast<std::int32_t>(L));
        }
    };
    std::vector<std::jthread> helpers;
    const unsigned count = section_threads(threads);
    try {
        for (unsigned t = 1; t < count && last - first > kBlock * t; ++t) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than asked for only take longer: the ones running share all pixels.
    }
    work();
}

}  // namespace voxmill
