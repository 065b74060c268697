#include "app/add1.hpp"

#include "app/closed_map_writer.hpp"
#include "app/q47_files.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"

namespace voxmill {

void add1(State& st, Console& con) {
    if (!read_input_map(st, con)) return;
    writeorvop1(st, con, st.outrhofile);
}

}  // namespace voxmill
