#include "ops/reorder.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "core/voxmill_mod.hpp"

namespace voxmill {

namespace {

// The axis codes of an order as typed, one digit per character, a blank read as 0. A
// character that is neither cannot be converted.
struct AxisCodes {
    Tab<std::int32_t, 6> code{};
    Tab<bool, 6> convertible{};
};

AxisCodes axis_codes(const std::string& order) {
    AxisCodes a;
    for (int j = 1; j <= 6; ++j) {
        const char c = static_cast<std::size_t>(j) <= order.size() ? order[static_cast<std::size_t>(j - 1)] : ' ';
        a.convertible(j) = c == ' ' || (c >= '0' && c <= '9');
        a.code(j) = c >= '0' && c <= '9' ? c - '0' : 0;
    }
    return a;
}

void require_convertible(const AxisCodes& a, const std::string& order) {
    for (int j = 1; j <= 6; ++j) {
        if (!a.convertible(j)) {
            throw MapError("cannot read the order of axes \"" + name_of(order) + "\": character " + std::to_string(j) +
                           " is neither a digit nor a blank",
                           FailureKind::unreadable);
        }
    }
}

// conv(i), the output axis that carries input axis i: the last position whose code is the
// input axis's header code, or i itself when there is none.
Tab<int, 6> axis_correspondence(const Map& h, const AxisCodes& iorienr, int sdim) {
    Tab<int, 6> conv{};
    for (int i = 1; i <= 6; ++i) conv(i) = i;
    for (int i = 1; i <= sdim; ++i) {
        for (int p = 1; p <= sdim; ++p) {
            if (iorienr.convertible(p) && h.iorien(i) == iorienr.code(p)) conv(i) = p;
        }
    }
    return conv;
}

std::string codes_text(const Map& h, int sdim) {
    std::string s;
    for (int i = 1; i <= sdim; ++i) {
        if (i > 1) s += ' ';
        s += std::to_string(h.iorien(i));
    }
    return s;
}

// Whether some axis of the map carries `code`. A position whose code is 0 carries no named
// axis and counts as in order, so it holds its own number.
bool code_held(const Map& h, std::int32_t code, int sdim) {
    for (int i = 1; i <= sdim; ++i) {
        if (h.iorien(i) == code || (h.iorien(i) == 0 && code == i)) return true;
    }
    return false;
}

// Why the box cannot be made, or nothing. Every output axis must carry exactly one input
// axis, or its extent would be undefined; every digit of the true order must name an axis
// of the map, or the copy would not be in the order typed; every extent must be at
// least one voxel; and the voxels must fit the 32-bit counts of a q47 map that can be read
// back.
std::string refusal(const Map& h, const std::string& axord, const AxisCodes& iorienr, const Tab<int, 6>& conv,
                    const Tab<std::int32_t, 6>& iwidth, int sdim) {
    for (int i = 1; i <= sdim; ++i) {
        if (iwidth(i) < 0) {
            return "The box would have " + std::to_string(static_cast<std::int64_t>(iwidth(i)) + 1) +
                   " voxels along axis " + std::to_string(i) + " of the map; it needs at least one";
        }
    }
    Tab<int, 6> carriers{};
    for (int i = 1; i <= sdim; ++i) ++carriers(conv(i));
    // Every input axis goes to one output axis, so an axis that gets two leaves another with none:
    // that one is named.
    for (int j = 1; j <= sdim; ++j) {
        if (carriers(j) == 0) {
            return "The true order of axes " + name_of(axord, 6) + " leaves output axis " + std::to_string(j) +
                   " with no axis of the map, whose axis codes are " + codes_text(h, sdim);
        }
    }
    // A blank keeps its axis in place (an empty order of option 7 copies the map with the
    // codes 0); characters that are no digit are reported by the conversion.
    for (int p = 1; p <= sdim; ++p) {
        const char c = static_cast<std::size_t>(p) <= axord.size() ? axord[static_cast<std::size_t>(p - 1)] : ' ';
        if (c < '0' || c > '9' || code_held(h, iorienr.code(p), sdim)) continue;
        return "The true order of axes " + name_of(axord, 6) + " holds the digit " + std::string(1, c) +
               " at position " + std::to_string(p) + ", which is none of the map's axis codes " + codes_text(h, sdim);
    }
    constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    std::int64_t total = 1;
    for (int i = 1; i <= sdim; ++i) {
        total *= static_cast<std::int64_t>(iwidth(i)) + 1;
        if (total >= limit) return "The box is too large for a q47 map";
    }
    return {};
}

}  // namespace

BoxOrder whole_map_order(const Map& map, std::string order, std::string codes) {
    BoxOrder box;
    box.order = std::move(order);
    box.codes = std::move(codes);
    for (int k = 1; k <= map.dimension; ++k) box.width(k) = map.nvox(k) - 1;
    return box;
}

BoxOrder shift_order(const Map& map, const std::vector<double>& fractions) {
    BoxOrder box = whole_map_order(map, "123456", "123456");
    for (int k = 1; k <= map.dimension; ++k) {
        const double f = static_cast<float>(fractions[static_cast<std::size_t>(k - 1)]);
        box.start(k) = voxels_of(static_cast<double>(map.nvox(k)) * f);
    }
    return box;
}

BoxOrder box_order(const Map& map, const std::vector<double>& center, const std::vector<double>& width,
                   const std::string& order) {
    BoxOrder box;
    box.order = order;
    box.codes = order;
    box.subsystem = 1;
    for (int k = 1; k <= map.dimension; ++k) {
        const double c = static_cast<float>(center[static_cast<std::size_t>(k - 1)]);
        const double w = static_cast<float>(width[static_cast<std::size_t>(k - 1)]);
        box.start(k) = voxels_of((c - 0.5 * w) * map.nvox(k));
        box.width(k) = voxels_of(static_cast<double>(map.nvox(k)) * w);
    }
    return box;
}

ReorderedMap::ReorderedMap(const Map& map, const BoxOrder& box) : map_(map) {
    const int sdim = map.dimension;
    const AxisCodes iorienr = axis_codes(box.order);
    const AxisCodes iorienf = axis_codes(box.codes);
    const Tab<int, 6> conv = axis_correspondence(map, iorienr, sdim);
    if (const std::string why = refusal(map, box.order, iorienr, conv, box.width, sdim); !why.empty()) {
        throw MapError(why, FailureKind::refused);
    }
    require_convertible(iorienr, box.order);
    require_convertible(iorienf, box.codes);

    // Output axis conv(i) takes the extent of the box along input axis i, the input's start
    // coordinate, and the input's voxel spacing.
    Map& r = frame_;
    r.dimension = sdim;
    for (int j = 1; j <= 6; ++j) {
        r.nvox(j) = 1;
        r.xfmn(j) = 0.0f;
        r.xfmx(j) = 0.0f;
        r.xdf(j) = 1.0f;
    }
    for (int i = 1; i <= sdim; ++i) {
        const int j = conv(i);
        r.nvox(j) = box.width(i) + 1;
        r.xfmn(j) = map.xfmn(i);
        r.xfmx(j) = map.xfmn(i) + static_cast<float>(box.width(i)) / static_cast<float>(map.nvox(i));
        r.xdf(j) = 1.0f / static_cast<float>(map.nvox(i));
    }
    r.iorien = iorienf.code;
    r.q47.mapa = map.q47.mapa;
    r.q47.nsubs = box.subsystem != 0 ? box.subsystem : map.q47.nsubs;
    r.q47.satelitybyly = sdim >= 4;
    r.cell = map.cell;

    for (int j = 1; j <= 6; ++j) offset_(j).assign(1, 0);
    for (int i = 1; i <= sdim; ++i) {
        std::vector<std::ptrdiff_t>& t = offset_(conv(i));
        t.resize(static_cast<std::size_t>(r.nvox(conv(i))));
        const std::int64_t stride = map.stride(i);
        for (std::size_t c = 0; c < t.size(); ++c) {
            t[c] = static_cast<std::ptrdiff_t>(wrap(static_cast<std::int64_t>(c) + box.start(i), map.nvox(i)) * stride);
        }
    }
    // Along output axis 1 the input runs in stretches of consecutive voxels when that axis
    // is the input's first; each stretch is then one copy.
    const std::vector<std::ptrdiff_t>& row = offset_(1);
    for (std::size_t c = 0; c < row.size(); ++c) {
        if (c > 0 && row[c] == row[c - 1] + 1) {
            ++runs_.back().length;
        } else {
            runs_.push_back({row[c], 1});
        }
    }
    copy_runs_ = 4 * runs_.size() <= row.size();
}

void ReorderedMap::fill(std::int64_t first, std::int64_t count, float* out) const {
    for (std::int64_t layer = first; layer < first + count; ++layer) {
        std::ptrdiff_t base = 0;
        std::int64_t rest = layer;
        for (int j = 3; j <= 6; ++j) {
            const std::vector<std::ptrdiff_t>& t = offset_(j);
            const auto extent = static_cast<std::int64_t>(t.size());
            base += t[static_cast<std::size_t>(rest % extent)];
            rest /= extent;
        }
        const std::vector<std::ptrdiff_t>& row = offset_(1);
        for (const std::ptrdiff_t b2 : offset_(2)) {
            const float* in = map_.rho.data() + base + b2;
            if (copy_runs_) {
                for (const Run& s : runs_) {
                    std::memcpy(out, in + s.start, sizeof(float) * s.length);
                    out += s.length;
                }
            } else {
                for (const std::ptrdiff_t a : row) *out++ = in[a];
            }
        }
    }
}

Map reorder(const Map& map, const BoxOrder& box) { return whole_map(ReorderedMap(map, box)); }

}  // namespace voxmill
