// The pixels of a section spread over the processor cores. Every pixel is computed on its own
// from the map, so the result does not depend on how many threads share the work.
#pragma once

#include <cstdint>

#include "core/work_sharing.hpp"
#include "ops/qc_geometry.hpp"
#include "ops/qc_stencil.hpp"

namespace voxmill {

// rhor[L] = the fast pixel value, for first <= L < last, on `threads` threads (0: all cores).
void section_pixels(const MapGrid& m, const SectionGeometry& g, std::int64_t first, std::int64_t last, float* rhor,
                    unsigned threads);

// The whole section of `map` (of g.sdim dimensions) as a map value: section_frame(g) with the
// pixels' densities.
Map cut_section(const Map& map, const SectionGeometry& g, unsigned threads = 0);

}  // namespace voxmill
