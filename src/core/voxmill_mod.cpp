#include "core/voxmill_mod.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace voxmill {

int idel(std::string_view l) {
    for (std::size_t i = l.size(); i > 0; --i) {
        if (l[i - 1] != ' ') return static_cast<int>(i);
    }
    return 0;
}

bool names_a_file(std::string_view name) { return !name.empty() && name.find('\0') == std::string_view::npos; }

std::string name_of(std::string_view text, int limit) {
    if (static_cast<int>(text.size()) > limit) text = text.substr(0, static_cast<std::size_t>(limit));
    return std::string(text.substr(0, static_cast<std::size_t>(idel(text))));
}

std::string padded(std::string_view text, int length) {
    std::string out(text.substr(0, std::min(text.size(), static_cast<std::size_t>(length))));
    out.resize(static_cast<std::size_t>(length), ' ');
    return out;
}

static void refresh_strides(State& st) {
    for (int k = 1; k <= st.sdim; ++k) st.n[k] = st.map.nvox(k) * st.n[k - 1];
}

void arraylocation(State& st, const Tab<std::int32_t, 6>& idhkl, std::int32_t& oarrloc,
                   std::int32_t idelta) {
    oarrloc = 0;
    refresh_strides(st);
    for (int k = 1; k <= st.sdim; ++k) {
        std::int32_t h = idhkl(k);
        const std::int32_t nk = st.map.nvox(k);
        // The wrap of a coordinate that lies within one cell of the map is one step; a
        // remainder gives the same voxel for coordinates further away.
        if (h < 0 || h > nk - 1) {
            h %= nk;
            if (h < 0) h += nk;
        }
        oarrloc += h * st.n[k - 1] * idelta;
    }
}

void coordinates(State& st, std::int32_t iarrloc, Tab<std::int32_t, 6>& odxyz) {
    refresh_strides(st);
    for (int k = 1; k <= 6; ++k) odxyz(k) = 0;
    std::int32_t locrest = iarrloc;
    for (int k = st.sdim; k >= 1; --k) {
        odxyz(k) = locrest / st.n[k - 1];
        locrest -= odxyz(k) * st.n[k - 1];
    }
}

bool nextcoo(int dim, const Tab<std::int32_t, 6>& startc, const Tab<std::int32_t, 6>& endc,
             Tab<std::int32_t, 6>& coo, const Tab<std::int32_t, 6>& axord) {
    for (int i = 1; i <= dim; ++i) {
        const int k = axord(i);
        coo(k) += 1;
        if (coo(k) <= endc(k)) return true;
        coo(k) = startc(k);
    }
    return false;
}

std::int32_t nint(double x) {
    const double r = std::round(x);
    if (std::isnan(r)) return 0;
    if (r >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (r <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(r);
}

int dimension_of(const Tab<std::int32_t, 6>& nvox) {
    int d = 0;
    for (int k = 1; k <= 6; ++k) {
        if (nvox(k) > 1) d = k;
    }
    return d;
}

}  // namespace voxmill
