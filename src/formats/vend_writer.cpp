#include "formats/vend_writer.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "core/interruption.hpp"
#include "formats/fixed_fields.hpp"
#include "formats/fixed_text_fit.hpp"
#include "formats/text_output.hpp"

namespace voxmill {

namespace {

constexpr int kCoordinateWidth = 6;
constexpr std::int32_t kLinesAtOnce = 4096;  // voxel lines formatted between two buffer checks

}  // namespace

void write_vend_list(TextOutput& out, const VendList& list) {
    const Tab<std::int32_t, 6>& nvox = list.nvox;
    const int fields = list.fields;
    const float* rho = list.rho;
    const std::int32_t voxels = list.voxels;
    out.line("Title");
    out.field_i(voxels, 10);
    out.end_line();

    // Grid coordinates stepped like an odometer (axis 1 fastest; 0 on
    // the axes above the map). Only axis 1 changes within a row, so the fields of the other
    // axes are formatted once per row and copied (a fixed 32 bytes, which the density field
    // then partly overwrites).
    Tab<std::int32_t, 6> coo{};
    char rest[32];
    auto format_rest = [&] {
        for (int k = 2; k <= fields; ++k) put_i_fixed<kCoordinateWidth>(rest + (k - 2) * kCoordinateWidth, coo(k));
    };
    format_rest();
    const std::size_t rest_length = static_cast<std::size_t>(fields - 1) * kCoordinateWidth;
    const std::size_t line_length = kCoordinateWidth + rest_length + 14 + 2;
    for (std::int32_t v = 0; v < voxels;) {
        stop_if_interrupted();
        const std::int32_t lines = std::min(voxels - v, kLinesAtOnce);
        char* p = out.reserve(static_cast<std::size_t>(lines) * line_length + sizeof rest);
        for (const std::int32_t end = v + lines; v < end; ++v) {
            p = put_i_fixed<kCoordinateWidth>(p, coo(1));
            std::memcpy(p, rest, sizeof rest);
            p = put_f_fixed<14, 7>(p + rest_length, rho[v]);
            *p++ = '\r';
            *p++ = '\n';
            if (++coo(1) < nvox(1)) continue;
            coo(1) = 0;
            for (int k = 2; k <= fields; ++k) {
                if (++coo(k) < nvox(k)) break;
                coo(k) = 0;
            }
            format_rest();
        }
        out.commit(p);
    }

    for (const float c : list.cell) out.field_f(c, 10, 5);
    out.end_line();
    for (const std::int32_t g : {nvox(1), nvox(2), nvox(3), 1, 0, 1}) out.field_i(g, 5);
    out.end_line();
    out.line("    1    0    0    0    1    0    0    0    1    0    0    0");
    out.line("    0    0    0");
    out.close();
}

void write_vend_map(const Map& map, const std::string& path) {
    if (!map.cell) throw MapError("the map holds no unit cell: give one with --cell");
    if (map.voxels() >= std::numeric_limits<std::int32_t>::max()) throw MapError("too many voxels for a MEED/VEND list");
    // The grid line gives the counts of axes 1 to 3 in 5 characters; every coordinate takes 6.
    constexpr std::int64_t kGrid = 99999, kCoordinates = 1000000;
    check_fixed_fields(map, map.dimension,
                       {"MEED/VEND", 14, 7, 10, 5, {kGrid, kGrid, kGrid, kCoordinates, kCoordinates, kCoordinates}, ""});
    std::array<float, 6> cell{};
    for (std::size_t i = 0; i < 6; ++i) cell[i] = static_cast<float>((*map.cell)[i]);
    TextOutput out(path);
    write_vend_list(out, {map.nvox, map.dimension, map.rho.data(), static_cast<std::int32_t>(map.voxels()), cell});
}

}  // namespace voxmill
