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

std::int32_t voxels_of(double fraction_times_count) { return nint(static_cast<float>(fraction_times_count)); }

int dimension_of(const Tab<std::int32_t, 6>& nvox) {
    int d = 0;
    for (int k = 1; k <= 6; ++k) {
        if (nvox(k) > 1) d = k;
    }
    return d;
}

}  // namespace voxmill
