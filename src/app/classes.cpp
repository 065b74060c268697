#include "app/classes.hpp"

#include <string>

#include "app/output_guard.hpp"
#include "app/q47_files.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"
#include "formats/class_table.hpp"
#include "ops/histogram.hpp"

namespace voxmill {

void histogram(State& st, Console& con, std::int32_t hmclasses) {
    const std::string output = name_of(st.outrhofile);
    if (output_is_an_input(con, {name_of(st.infile1)}, output)) return;
    if (!read_input_map(st, con)) return;
    write_class_table(output, class_limits(st.map.rho.data(), static_cast<std::int32_t>(st.map.voxels()), hmclasses));
}

}  // namespace voxmill
