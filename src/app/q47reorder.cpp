#include "app/q47reorder.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "core/errors.hpp"
#include "app/map_rewrite.hpp"

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
            throw FileError("cannot read the order of axes \"" + name_of(order) + "\": character " + std::to_string(j) +
                            " is neither a digit nor a blank");
        }
    }
}

// conv(i), the output axis that carries input axis i: the last position whose code is the
// input axis's header code, or i itself when there is none.
Tab<int, 6> axis_correspondence(const Q47Header& h, const AxisCodes& iorienr, int sdim) {
    Tab<int, 6> conv{};
    for (int i = 1; i <= 6; ++i) conv(i) = i;
    for (int i = 1; i <= sdim; ++i) {
        for (int p = 1; p <= sdim; ++p) {
            if (iorienr.convertible(p) && h.iorien(i) == iorienr.code(p)) conv(i) = p;
        }
    }
    return conv;
}

std::string codes_text(const Q47Header& h, int sdim) {
    std::string s;
    for (int i = 1; i <= sdim; ++i) {
        if (i > 1) s += ' ';
        s += std::to_string(h.iorien(i));
    }
    return s;
}

// Whether some axis of the map carries `code`. A position whose code is 0 carries no named
// axis and counts as in order, so it holds its own number.
bool code_held(const Q47Header& h, std::int32_t code, int sdim) {
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
std::string refusal(const Q47Header& h, const std::string& axord, const AxisCodes& iorienr, const Tab<int, 6>& conv,
                    const Tab<std::int32_t, 6>& iwidth, int sdim) {
    for (int i = 1; i <= sdim; ++i) {
        if (iwidth(i) < 0) {
            return "The box would have " + std::to_string(static_cast<std::int64_t>(iwidth(i)) + 1) +
                   " voxels along axis " + std::to_string(i) + " of the map; it needs at least one. Nothing was written.";
        }
    }
    Tab<int, 6> carriers{};
    for (int i = 1; i <= sdim; ++i) ++carriers(conv(i));
    // Every input axis goes to one output axis, so an axis that gets two leaves another with none:
    // that one is named.
    for (int j = 1; j <= sdim; ++j) {
        if (carriers(j) == 0) {
            return "The true order of axes " + name_of(axord, 6) + " leaves output axis " + std::to_string(j) +
                   " with no axis of the map, whose axis codes are " + codes_text(h, sdim) +
                   ". Nothing was written.";
        }
    }
    // A blank keeps its axis in place (an empty order of option 7 copies the map with the
    // codes 0); characters that are no digit are reported by the conversion.
    for (int p = 1; p <= sdim; ++p) {
        const char c = static_cast<std::size_t>(p) <= axord.size() ? axord[static_cast<std::size_t>(p - 1)] : ' ';
        if (c < '0' || c > '9' || code_held(h, iorienr.code(p), sdim)) continue;
        return "The true order of axes " + name_of(axord, 6) + " holds the digit " + std::string(1, c) +
               " at position " + std::to_string(p) + ", which is none of the map's axis codes " + codes_text(h, sdim) +
               ". Nothing was written.";
    }
    constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    std::int64_t total = 1;
    for (int i = 1; i <= sdim; ++i) {
        total *= static_cast<std::int64_t>(iwidth(i)) + 1;
        if (total >= limit) return "The box is too large for a q47 map. Nothing was written.";
    }
    return {};
}

// Output axis conv(i) takes the extent of the box along input axis i, the input's start
// coordinate, and the input's voxel spacing.
Q47Header output_header(const Q47Header& h, const Tab<int, 6>& conv, const Tab<std::int32_t, 6>& iwidth,
                        const AxisCodes& iorienf, std::int32_t onsub, int sdim) {
    Q47Header r;
    std::int32_t nvoxtotr = 1;
    for (int j = 1; j <= 6; ++j) {
        r.nvox(j) = 1;
        r.xfmn(j) = 0.0f;
        r.xfmx(j) = 0.0f;
        r.xdf(j) = 1.0f;
    }
    for (int i = 1; i <= sdim; ++i) {
        const int j = conv(i);
        r.nvox(j) = iwidth(i) + 1;
        nvoxtotr *= iwidth(i) + 1;
        r.xfmn(j) = h.xfmn(i);
        r.xfmx(j) = h.xfmn(i) + static_cast<float>(iwidth(i)) / static_cast<float>(h.nvox(i));
        r.xdf(j) = 1.0f / static_cast<float>(h.nvox(i));
    }
    r.nxny = r.nvox(1) * r.nvox(2);
    r.nmap = nvoxtotr / r.nxny;
    r.iorien = iorienf.code;
    r.mapa = h.mapa;
    r.nsubs = onsub != 0 ? onsub : h.nsubs;
    r.satelitybyly = sdim >= 4;
    return r;
}

// k wrapped into 0 .. n-1, as by repeated addition or subtraction of n.
std::int64_t wrapped(std::int64_t k, std::int32_t n) {
    k %= n;
    return k < 0 ? k + n : k;
}

// The output map walked in its own order. offset(j)[c] is the part of the input index that
// output coordinate c along axis j contributes, wrap included, so that an output voxel's
// input index is a sum of six table entries and no voxel needs a division.
class BoxWalk {
public:
    BoxWalk(const State& st, const Q47Header& r, const Tab<int, 6>& conv, const Tab<std::int32_t, 6>& iorg) {
        for (int j = 1; j <= 6; ++j) offset_(j).assign(1, 0);
        for (int i = 1; i <= st.sdim; ++i) {
            std::vector<std::ptrdiff_t>& t = offset_(conv(i));
            t.resize(static_cast<std::size_t>(r.nvox(conv(i))));
            const std::int64_t stride = st.n[static_cast<std::size_t>(i - 1)];
            for (std::size_t c = 0; c < t.size(); ++c) {
                t[c] = static_cast<std::ptrdiff_t>(wrapped(static_cast<std::int64_t>(c) + iorg(i), st.map.nvox(i)) * stride);
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

    // Fills layer `layer` (0-based) of the output: nvoxr(1) * nvoxr(2) values.
    void fill_layer(const float* rho, std::int64_t layer, float* out) const {
        std::ptrdiff_t base = 0;
        for (int j = 3; j <= 6; ++j) {
            const std::vector<std::ptrdiff_t>& t = offset_(j);
            const auto extent = static_cast<std::int64_t>(t.size());
            base += t[static_cast<std::size_t>(layer % extent)];
            layer /= extent;
        }
        const std::vector<std::ptrdiff_t>& row = offset_(1);
        for (const std::ptrdiff_t b2 : offset_(2)) {
            const float* in = rho + base + b2;
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

private:
    struct Run {
        std::ptrdiff_t start;
        std::size_t length;
    };
    Tab<std::vector<std::ptrdiff_t>, 6> offset_;
    std::vector<Run> runs_;
    bool copy_runs_ = false;
};

}  // namespace

void q47reorder(State& st, Console& con, const std::string& axord, const std::string& axordorvo,
                const Tab<std::int32_t, 6>& iorg, const Tab<std::int32_t, 6>& iwidth, std::int32_t onsub) {
    const AxisCodes iorienr = axis_codes(axord);
    const AxisCodes iorienf = axis_codes(axordorvo);
    const std::optional<Q47Header> input = load_input_map(st, con);
    if (!input) return;
    const Q47Header& h = *input;
    const int sdim = st.sdim;
    const Tab<int, 6> conv = axis_correspondence(h, iorienr, sdim);
    if (const std::string why = refusal(h, axord, iorienr, conv, iwidth, sdim); !why.empty()) {
        con.free({why});
        return;
    }
    require_convertible(iorienr, axord);
    require_convertible(iorienf, axordorvo);

    const Q47Header r = output_header(h, conv, iwidth, iorienf, onsub, sdim);
    // The layers are written as soon as a few megabytes of them are made: the file is the one
    // the whole output map would give, with a small buffer instead of a second map in memory.
    constexpr std::size_t kBufferBytes = std::size_t{4} << 20;
    const BoxWalk walk(st, r, conv, iorg);
    NewQ47Map out(name_of(st.outrhofile), r);
    const auto nxny = static_cast<std::size_t>(r.nxny);
    const auto batch = static_cast<std::int64_t>(std::max<std::size_t>(1, kBufferBytes / (4 * nxny)));
    std::vector<float> tabler(nxny * static_cast<std::size_t>(std::min<std::int64_t>(batch, r.nmap)));
    for (std::int64_t first = 0; first < r.nmap; first += batch) {
        const std::int64_t count = std::min<std::int64_t>(batch, r.nmap - first);
        for (std::int64_t k = 0; k < count; ++k) walk.fill_layer(st.map.rho.data(), first + k, tabler.data() + static_cast<std::size_t>(k) * nxny);
        out.write_layers(tabler.data(), count);
    }
    out.finish();
}

}  // namespace voxmill
