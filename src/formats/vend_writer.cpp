#include "formats/vend_writer.hpp"

#include <cstring>

#include "formats/fixed_fields.hpp"
#include "formats/map_for_text.hpp"
#include "formats/text_output.hpp"

namespace voxmill {

namespace {

constexpr int kCoordinateWidth = 6;

}  // namespace

void writevend(State& st, Console& con) {
    // The voxel lines carry as many coordinates as the probe of this file found dimensions.
    const int fields = st.sdim;
    TextOutput out(name_of(st.outrhofile));
    read_map_for_text(st, con, out);

    out.line("Title");
    out.field_i(st.nvoxtot, 10);
    out.end_line();

    // Coordinates as `coordinates` gives them, stepped like an odometer (axis 1 fastest; 0 on
    // the axes above the map). Only axis 1 changes from one line to the next, so the fields
    // of the other axes are formatted once per row.
    Tab<std::int32_t, 6> coo{};
    char rest[6 * kCoordinateWidth];
    auto format_rest = [&] {
        for (int k = 2; k <= fields; ++k) put_i(rest + (k - 2) * kCoordinateWidth, coo(k), kCoordinateWidth);
    };
    format_rest();
    const std::size_t rest_length = static_cast<std::size_t>(fields - 1) * kCoordinateWidth;
    const std::size_t line_length = kCoordinateWidth + rest_length + 14 + 2;
    const float* rho = st.rho.data();
    for (std::int32_t v = 0; v < st.nvoxtot; ++v) {
        char* p = put_i(out.reserve(line_length), coo(1), kCoordinateWidth);
        std::memcpy(p, rest, rest_length);
        p = put_f_fixed<14, 7>(p + rest_length, rho[v]);
        p[0] = '\r';
        p[1] = '\n';
        out.commit(p + 2);
        for (int k = 1; k <= st.sdim; ++k) {
            if (++coo(k) < st.nvox(k)) break;
            coo(k) = 0;
        }
        if (coo(1) == 0) format_rest();
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
