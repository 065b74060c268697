#include "app/closed_map_writer.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <vector>

#include "app/q47_files.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"
#include "formats/q47_extremes.hpp"
#include "formats/q47_output.hpp"
#include "ops/closing_layer.hpp"

namespace voxmill {

namespace {

FileStatus close_failure(Console& con) {
    con.block({"Routine WriteOrvo:", "Error! Cannot close density file!",
               "Density should have been written, but I\xB4m not sure! Returning..."});
    return FileStatus::cannot_close;
}

FileStatus open_failure(Console& con) {
    con.block({"Routine WriteOrvo:", "Error! Cannot open density file for writing!",
               "Nothing has been written! Returning..."});
    return FileStatus::cannot_open;
}

FileStatus write_failure(Console& con, Q47Output& out) {
    con.block({"Routine WriteOrvo:", "Error! Cannot write density file!",
               "Something may have been written! Returning..."});
    return out.discard() ? FileStatus::cannot_read_or_write : close_failure(con);
}

}  // namespace

FileStatus writeorvop1(State& st, Console& con, std::string_view rhofile) {
    const ClosedMap closed(st.map);
    const Q47Header h = header_of(closed.frame());

    // A closed map too large for the 32-bit counts of the header is not started.
    Q47Output out;
    if (closed.frame().voxels() > std::numeric_limits<std::int32_t>::max()) {
        return open_failure(con);
    }
    if (!out.open(name_of(rhofile), RecordFile::Mode::create_new, h)) {
        return open_failure(con);
    }
    if (!out.write_header()) {
        return write_failure(con, out);
    }

    std::vector<float> table;
    try {
        table.resize(static_cast<std::size_t>(h.nxny));
    } catch (const std::bad_alloc&) {
        throw Stop("Error allocating tables of Orvo file!");
    }

    TrailerExtremes ext(ExtremesRule::beyond, 100000000.0f);
    for (std::int64_t k = 0; k < h.nmap; ++k) {
        closed.fill(k, 1, table.data());
        ext.take(table.data(), table.size());
        if (!out.write_layer(k + 1, table.data())) {
            return write_failure(con, out);
        }
    }
    if (!out.write_trailer(ext.rmax, ext.rmin)) {
        return write_failure(con, out);
    }
    return out.close() ? FileStatus::ok : close_failure(con);
}

}  // namespace voxmill
