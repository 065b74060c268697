#include "app/map_for_text.hpp"

#include "app/stops.hpp"
#include "core/errors.hpp"
#include "app/q47_files.hpp"

namespace voxmill {

bool read_map_for_text(State& st, Console& con) {
    const ProbedRead read = read_probed_map(st, con);
    if (read == ProbedRead::failed) throw Stop();
    return read == ProbedRead::read;
}

}  // namespace voxmill
