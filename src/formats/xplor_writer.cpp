#include "formats/xplor_writer.hpp"

#include <algorithm>
#include <cstdint>

#include "formats/fixed_fields.hpp"
#include "formats/map_for_text.hpp"
#include "formats/text_output.hpp"

namespace voxmill {

namespace {

constexpr std::int64_t kLinesAtOnce = 4096;  // value lines formatted between two buffer checks

}  // namespace

void writexplor(State& st, Console& con) {
    TextOutput out(name_of(st.outrhofile));
    read_map_for_text(st, con, out);

    out.line(" ");
    out.line("1");
    out.line("title");
    for (int i = 1; i <= st.sdim; ++i) {
        out.field_i(st.nvox(i), 8);
        out.field_i(0, 8);
        out.field_i(st.nvox(i) - 1, 8);
    }
    out.end_line();
    for (int i = 1; i <= 6; ++i) out.field_f(st.cell(i), 12, 4);
    out.end_line();
    out.line("ZYX");

    const std::int64_t section = st.sdim > 1 ? std::int64_t{st.nvox(1)} * st.nvox(2) : st.nvox(1);
    const std::int64_t sections = st.nvoxtot / section;
    const float* rho = st.rho.data();
    float average = 0.0f;  // summed in single precision, in writing order
    for (std::int64_t s = 0; s < sections; ++s) {
        out.field_i(s, 5);
        out.end_line();
        for (std::int64_t j = 0; j < section;) {
            const std::int64_t lines = std::min<std::int64_t>(section - j, kLinesAtOnce);
            char* p = out.reserve(static_cast<std::size_t>(lines) * 14);
            for (std::int64_t k = 0; k < lines; ++k) {
                const float v = *rho++;
                p = put_f_fixed<12, 4>(p, v);
                *p++ = '\r';
                *p++ = '\n';
                average += v;
            }
            out.commit(p);
            j += lines;
        }
    }
    out.line("-9999");
    average = average / static_cast<float>(st.nvoxtot);
    out.field_f(average, 20, 6);
    out.field_f(0.01f * average, 20, 6);
    out.end_line();
    out.close();
}

}  // namespace voxmill
