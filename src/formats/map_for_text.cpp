#include "formats/map_for_text.hpp"

#include <string>

#include "core/errors.hpp"
#include "formats/voxmill_lib.hpp"

namespace voxmill {

void read_map_for_text(State& st, Console& con, TextOutput& out) {
    std::int32_t ferror = kFileOk;
    readorvo(st, con, st.infile1, ferror);
    if (ferror != kFileOk) {
        out.close();
        throw Stop();
    }
    // readorvo holds one element past the map.
    if (st.nvoxtot < 0 || static_cast<std::size_t>(st.nvoxtot) + 1 > st.rho.size()) {
        throw FileError("the map " + name_of(st.infile1) + " holds fewer voxels than its header said");
    }
}

}  // namespace voxmill
