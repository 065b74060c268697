#include "formats/vend_writer.hpp"

#include <algorithm>
#include <cstring>

#include "formats/fixed_fields.hpp"
#include "formats/map_for_text.hpp"
#include "formats/same_file.hpp"
#include "formats/text_output.hpp"

namespace voxmill {

namespace {

constexpr int kCoordinateWidth = 6;
constexpr std::int32_t kLinesAtOnce = 4096;  // voxel lines formatted between two buffer checks

}  // namespace

void writevend(State& st, Console& con) {
    // The voxel lines carry as many coordinates as the probe of this file found dimensions.
    const int fields = st.sdim;
    const std::string output = name_of(st.outrhofile);
    if (output_is_an_input(con, {name_of(st.infile1)}, output) || !read_map_for_text(st, con)) return;
    TextOutput out(output);

    out.line("Title");
    out.field_i(st.nvoxtot, 10);
    out.end_line();

    // Coordinates as `coordinates` gives them, stepped like an odometer (axis 1 fastest; 0 on
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
    const float* rho = st.rho.data();
    for (std::int32_t v = 0; v < st.nvoxtot;) {
        const std::int32_t lines = std::min(st.nvoxtot - v, kLinesAtOnce);
        char* p = out.reserve(static_cast<std::size_t>(lines) * line_length + sizeof rest);
        for (const std::int32_t end = v + lines; v < end; ++v) {
            p = put_i_fixed<kCoordinateWidth>(p, coo(1));
            std::memcpy(p, rest, sizeof rest);
            p = put_f_fixed<14, 7>(p + rest_length, rho[v]);
            *p++ = '\r';
            *p++ = '\n';
            if (++coo(1) < st.nvox(1)) continue;
            coo(1) = 0;
            for (int k = 2; k <= st.sdim; ++k) {
                if (++coo(k) < st.nvox(k)) break;
                coo(k) = 0;
            }
            format_rest();
        }
        out.commit(p);
    }

    for (int i = 1; i <= 6; ++i) out.field_f(st.cell(i), 10, 5);
    out.end_line();
    for (const std::int32_t g : {st.nvox(1), st.nvox(2), st.nvox(3), 1, 0, 1}) out.field_i(g, 5);
    out.end_line();
    out.line("    1    0    0    0    1    0    0    0    1    0    0    0");
    out.line("    0    0    0");
    out.close();
}

}  // namespace voxmill
