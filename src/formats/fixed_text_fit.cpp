#include "formats/fixed_text_fit.hpp"

#include <charconv>

#include "formats/fixed_fields.hpp"

namespace voxmill {

namespace {

constexpr std::array<const char*, 6> kCellNames{"a", "b", "c", "alpha", "beta", "gamma"};

std::string voxel_named(const Map& map, std::int64_t index, int axes) {
    std::string text = "voxel " + std::to_string(index) + " at (";
    for (int k = 1; k <= axes; ++k) {
        text += std::to_string(index % map.nvox(k)) + (k < axes ? ", " : ")");
        index /= map.nvox(k);
    }
    return text;
}

}  // namespace

std::string shortest(float value) {
    char text[32];
    const auto done = std::to_chars(text, text + sizeof text, value);
    return std::string(text, done.ptr);
}

void check_fixed_fields(const Map& map, int axes, const FixedTextFields& fields) {
    const std::string layout = fields.layout;
    for (int i = 1; i <= 6; ++i) {
        const std::int64_t most = fields.most_voxels[static_cast<std::size_t>(i - 1)];
        if (map.nvox(i) > most) {
            throw MapError("axis " + std::to_string(i) + " has " + std::to_string(map.nvox(i)) + " voxels, and " +
                           layout + " holds " + std::to_string(most) + " at most");
        }
    }
    // What the field holds, and what to write instead.
    const auto beyond = [&](int width, const FixedLimits& limits) {
        return " does not fit the " + std::to_string(width) + " characters of " + layout + ", which hold more than " +
               shortest(limits.too_low) + " and less than " + shortest(limits.too_high) +
               (*fields.remedy == '\0' ? "" : std::string(": ") + fields.remedy);
    };
    const FixedLimits cell_limits = fixed_limits(fields.cell_width, fields.cell_decimals);
    for (std::size_t i = 0; i < 6; ++i) {
        const auto value = static_cast<float>((*map.cell)[i]);
        if (!cell_limits.holds(value)) {
            throw MapError("the cell's " + std::string(kCellNames[i]) + " of " + shortest(value) +
                           beyond(fields.cell_width, cell_limits));
        }
    }
    const FixedLimits limits = fixed_limits(fields.density_width, fields.density_decimals);
    const std::int64_t voxels = map.voxels();
    const std::int64_t at = first_not_held(map.rho.data(), voxels, limits);
    if (at < voxels) {
        throw MapError("the density " + shortest(map.rho[static_cast<std::size_t>(at)]) + " of " +
                       voxel_named(map, at, axes) + beyond(fields.density_width, limits));
    }
}

}  // namespace voxmill
