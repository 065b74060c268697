#include "core/map.hpp"

#include <charconv>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace voxmill {

std::int64_t Map::voxels() const {
    std::int64_t n = 1;
    for (int i = 1; i <= 6; ++i) n *= nvox(i);
    return n;
}

std::int64_t Map::stride(int k) const {
    std::int64_t s = 1;
    for (int i = 1; i < k; ++i) s *= nvox(i);
    return s;
}

std::int64_t Map::index(const Tab<std::int64_t, 6>& c) const {
    std::int64_t at = 0;
    for (int i = 6; i >= 1; --i) at = at * nvox(i) + c(i);
    return at;
}

Map frame_of(const Map& map) {
    Map m;
    m.dimension = map.dimension;
    m.nvox = map.nvox;
    m.xfmn = map.xfmn;
    m.xfmx = map.xfmx;
    m.xdf = map.xdf;
    m.iorien = map.iorien;
    m.q47 = map.q47;
    m.cell = map.cell;
    m.origin = map.origin;
    m.labels = map.labels;
    m.space_group = map.space_group;
    return m;
}

bool sound_cell(const std::array<double, 6>& cell) {
    for (int i = 0; i < 6; ++i) {
        const double c = cell[static_cast<std::size_t>(i)];
        if (!std::isfinite(c) || !(c > 0.0) || (i >= 3 && !(c < 180.0))) return false;
    }
    const auto cosine = [&](int i) { return std::cos(cell[static_cast<std::size_t>(i)] * std::numbers::pi / 180.0); };
    const double ca = cosine(3), cb = cosine(4), cg = cosine(5);
    // The volume of the cell over abc, squared.
    const double v2 = 1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg;
    return v2 > 1e-12;
}

Map full_cell_map(const std::vector<std::int32_t>& counts) {
    Map m = full_cell_frame(counts);
    m.rho.allocate(static_cast<std::size_t>(m.voxels()));
    return m;
}

Map full_cell_frame(const std::vector<std::int32_t>& counts) {
    Map m;
    m.dimension = 0;
    for (int i = 1; i <= 6; ++i) {
        const bool on_map = static_cast<std::size_t>(i) <= counts.size();
        m.nvox(i) = on_map ? counts[static_cast<std::size_t>(i - 1)] : 1;
        if (m.nvox(i) > 1) m.dimension = i;
        m.iorien(i) = i;
    }
    if (m.dimension == 0) m.dimension = 1;
    frame_whole_cell(m, static_cast<int>(counts.size()));
    return m;
}

void frame_whole_cell(Map& map, int axes) {
    for (int i = 1; i <= 6; ++i) {
        const bool on_map = i <= axes;
        const float n = static_cast<float>(map.nvox(i));
        map.xfmn(i) = 0.0f;
        map.xfmx(i) = on_map ? (n - 1.0f) / n : 0.0f;
        map.xdf(i) = on_map ? 1.0f / n : 1.0f;
    }
}

namespace {

std::string shortest(float v) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, v);
    return std::string(text, end);
}

}  // namespace

std::string frame_fault(const Map& map) {
    for (int i = 1; i <= 6; ++i) {
        if (map.nvox(i) <= 1) continue;
        const std::string of_axis = " of axis " + std::to_string(i) + " is ";
        const std::string needs = ": an axis of " + std::to_string(map.nvox(i)) + " voxels needs ";
        for (const auto& [name, x] : {std::pair{"start", map.xfmn(i)}, std::pair{"end", map.xfmx(i)}}) {
            if (!std::isfinite(x)) return name + of_axis + shortest(x) + needs + "a finite start and end";
        }
        const float step = map.xdf(i);
        if (!std::isfinite(step) || !(step > 0.0f)) return "step" + of_axis + shortest(step) + needs + "a finite step above 0";
    }
    return {};
}

}  // namespace voxmill
