#include "ops/add1.hpp"

#include "core/errors.hpp"
#include "formats/q47_closed_writer.hpp"
#include "formats/voxmill_lib.hpp"

namespace voxmill {

void add1(State& st, Console& con) {
    std::int32_t ferror = kFileOk;
    readorvo(st, con, st.infile1, ferror);
    if (ferror != kFileOk) throw Stop();
    writeorvop1(st, con, st.outrhofile, ferror);
}

}  // namespace voxmill
