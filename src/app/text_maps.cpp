#include "app/text_maps.hpp"

#include "app/output_guard.hpp"
#include "app/q47_files.hpp"
#include "formats/text_output.hpp"
#include "formats/vend_writer.hpp"
#include "formats/xplor_map.hpp"

namespace voxmill {

namespace {

std::array<float, 6> typed_cell(const State& st) {
    return {st.cell(1), st.cell(2), st.cell(3), st.cell(4), st.cell(5), st.cell(6)};
}

}  // namespace

void writexplor(State& st, Console& con) {
    const std::string output = name_of(st.outrhofile);
    if (output_is_an_input(con, {name_of(st.infile1)}, output) || !read_input_map(st, con)) return;
    TextOutput out(output);
    write_one_per_line(out, {st.sdim, st.map.nvox, st.map.voxels(), st.map.rho.data(), typed_cell(st)});
    out.close();
}

void writevend(State& st, Console& con) {
    // The voxel lines carry as many coordinates as the probe of this file found dimensions.
    const int fields = st.sdim;
    const std::string output = name_of(st.outrhofile);
    if (output_is_an_input(con, {name_of(st.infile1)}, output) || !read_input_map(st, con)) return;
    TextOutput out(output);
    write_vend_list(out, {st.map.nvox, fields, st.map.rho.data(), static_cast<std::int32_t>(st.map.voxels()), typed_cell(st)});
}

}  // namespace voxmill
