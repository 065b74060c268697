#include "app/q47_files.hpp"

#include <new>
#include <optional>

#include "app/stops.hpp"
#include "core/errors.hpp"
#include "formats/q47_input.hpp"

namespace voxmill {

namespace {

constexpr const char* kRoutine = "Routine ReadOrvo:";

// `status`, or cannot_close with its block printed when the file does not close.
FileStatus closed(Console& con, Q47Input& in, FileStatus status) {
    if (in.close()) return status;
    con.block({kRoutine, "Error! Cannot close density file!",
               "Density should have been read, but I\xB4m not sure! Returning..."});
    return FileStatus::cannot_close;
}

}  // namespace

FileStatus readorvo(State& st, Console& con, std::string_view rhofile) {
    std::optional<Q47Input> in;
    try {
        in.emplace(name_of(rhofile));
    } catch (const MapError&) {
    }
    if (!in || !in->header().counts_usable()) {
        con.block({kRoutine, "Error! Cannot open density file for reading!", "Nothing has been read! Returning..."});
        return FileStatus::cannot_open;
    }
    if (!in->header().axes_in_order()) {
        con.line(" Warning, order of axes is not a b c... Results can be unpredictable.");
    }
    if (const int d = dimension_of(in->header().nvox); d > 0) st.sdim = d;

    bool whole = false;
    try {
        // One value past the map, as the console's arrays have always held.
        whole = in->read_into(st.map, 1);
    } catch (const std::bad_alloc&) {
        throw Stop("Error allocating tables of Orvo file!");
    }
    if (!whole) {
        con.block({kRoutine, "Error! Cannot read density file!", "Something may have been read! Returning..."});
        return closed(con, *in, FileStatus::cannot_read_or_write);
    }
    return closed(con, *in, FileStatus::ok);
}

bool read_input_map(State& st, Console& con, const char* stop) {
    if (readorvo(st, con, st.infile1) != FileStatus::ok) throw Stop(stop);
    if (st.map.nvox != st.probed) {
        con.free({"The map ", name_of(st.infile1), " changed since its name was checked. Nothing was written."});
        return false;
    }
    return true;
}

}  // namespace voxmill
