#include "app/q47_files.hpp"

#include <algorithm>
#include <new>
#include <vector>

#include "app/stops.hpp"
#include "core/errors.hpp"
#include "formats/q47_header.hpp"
#include "formats/record_file.hpp"

namespace voxmill {

namespace {

// Closes the file: `status`, or cannot_close with its block printed.
FileStatus reader_close(Console& con, RecordFile& file, FileStatus status) {
    if (file.close()) return status;
    con.block({"Routine ReadOrvo:", "Error! Cannot close density file!",
               "Density should have been read, but I\xB4m not sure! Returning..."});
    return FileStatus::cannot_close;
}

FileStatus open_failure(Console& con, RecordFile& file) {
    con.block({"Routine ReadOrvo:", "Error! Cannot open density file for reading!",
               "Nothing has been read! Returning..."});
    return reader_close(con, file, FileStatus::cannot_open);
}

}  // namespace

FileStatus readorvo(State& st, Console& con, std::string_view rhofile) {
    RecordFile file;
    Q47Header h;
    if (!open_q47(name_of(rhofile), file, h) || !h.counts_usable()) return open_failure(con, file);
    describe_map(h, st.map);
    if (!h.axes_in_order()) {
        con.line(" Warning, order of axes is not a b c... Results can be unpredictable.");
    }
    if (const int d = dimension_of(h.nvox); d > 0) st.sdim = d;

    // A file cut short holds fewer layers than its header counts; the array is made for the
    // layers it holds, so that a header of billions of voxels on a short file costs no more
    // memory than the file and reads as any file cut short: up to the first missing layer.
    const auto records = file.size() / static_cast<std::int64_t>(file.record_length());
    const std::int64_t layers = std::clamp<std::int64_t>(records - 1, 0, h.nmap);
    const std::size_t count = static_cast<std::size_t>(h.nxny) * static_cast<std::size_t>(layers);
    st.map.rho.release();
    try {
        st.map.rho.allocate(count + 1);
    } catch (const std::bad_alloc&) {
        throw Stop("Error allocating tables of Orvo file!");
    }

    if (!read_q47_layers(file, h, st.map.rho.data())) {
        con.block({"Routine ReadOrvo:", "Error! Cannot read density file!",
                   "Something may have been read! Returning..."});
        return reader_close(con, file, FileStatus::cannot_read_or_write);
    }
    return reader_close(con, file, FileStatus::ok);
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
