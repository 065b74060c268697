#include "app/add1.hpp"

#include "app/stops.hpp"
#include "core/errors.hpp"
#include "app/closed_map_writer.hpp"
#include "app/q47_files.hpp"

namespace voxmill {

void add1(State& st, Console& con) {
    const ProbedRead read = read_probed_map(st, con);
    if (read == ProbedRead::failed) throw Stop();
    if (read == ProbedRead::changed) return;
    std::int32_t ferror = kFileOk;
    writeorvop1(st, con, st.outrhofile, ferror);
}

}  // namespace voxmill
