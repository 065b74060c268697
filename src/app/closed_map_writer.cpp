#include "app/closed_map_writer.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <vector>

#include "core/errors.hpp"
#include "formats/q47_output.hpp"
#include "app/q47_files.hpp"

namespace voxmill {

namespace {

void close_failure(Console& con, std::int32_t& ferror) {
    con.block({"Routine WriteOrvo:", "Error! Cannot close density file!",
               "Density should have been written, but I\xB4m not sure! Returning..."});
    ferror = kFileCannotClose;
}

void open_failure(Console& con, std::int32_t& ferror) {
    con.block({"Routine WriteOrvo:", "Error! Cannot open density file for writing!",
               "Nothing has been written! Returning..."});
    ferror = kFileCannotOpen;
}

void write_failure(Console& con, Q47Output& out, std::int32_t& ferror) {
    con.block({"Routine WriteOrvo:", "Error! Cannot write density file!",
               "Something may have been written! Returning..."});
    ferror = kFileCannotReadOrWrite;
    if (!out.discard()) close_failure(con, ferror);
}

// Extremes of the written densities; NaN replaces neither.
struct Extremes {
    float rmax = -100000000.0f;
    float rmin = 100000000.0f;

    void take(const float* v, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            rmax = v[i] > rmax ? v[i] : rmax;
            rmin = v[i] < rmin ? v[i] : rmin;
        }
    }
};

}  // namespace

void writeorvop1(State& st, Console& con, std::string_view rhofile, std::int32_t& ferror) {
    Q47Header h;
    std::int64_t closed_total = 1;
    for (int i = 1; i <= 6; ++i) {
        const bool on_map = i <= st.sdim;
        h.nvox(i) = on_map ? st.map.nvox(i) + 1 : 1;
        h.xfmn(i) = 0.0f;
        h.xfmx(i) = on_map ? 1.0f : 0.0f;
        h.xdf(i) = on_map ? 1.0f / static_cast<float>(st.map.nvox(i)) : 1.0f;
        h.iorien(i) = i;
        closed_total *= h.nvox(i);
    }
    h.mapa = 4;
    h.nsubs = 1;
    h.satelitybyly = st.sdim >= 4;

    // A closed map too large for the 32-bit counts of the header is not started.
    Q47Output out;
    if (closed_total > std::numeric_limits<std::int32_t>::max()) {
        open_failure(con, ferror);
        return;
    }
    st.nvoxtot = static_cast<std::int32_t>(closed_total);
    h.nxny = h.nvox(1) * h.nvox(2);
    h.nmap = st.nvoxtot / h.nxny;
    if (!out.open(name_of(rhofile), RecordFile::Mode::create_new, h)) {
        open_failure(con, ferror);
        return;
    }
    if (!out.write_header()) {
        write_failure(con, out, ferror);
        return;
    }

    std::vector<float> table;
    try {
        table.resize(static_cast<std::size_t>(h.nxny));
        st.allocerror = 0;
    } catch (const std::bad_alloc&) {
        st.allocerror = 1;
        throw Stop("Error allocating tables of Orvo file!");
    }

    // Strides of the open map, and of the closed map's layers over axes 3 .. sdim.
    std::array<std::int64_t, 7> n{1, 1, 1, 1, 1, 1, 1};
    for (int k = 1; k <= st.sdim; ++k) n[k] = n[k - 1] * st.map.nvox(k);
    Tab<std::int64_t, 6> s{};
    s(2) = 1;
    for (int i = 3; i <= 6; ++i) s(i) = s(i - 1) * h.nvox(i);

    // Each closed layer is built row by row: a row of the open map, then its first voxel
    // again; the last row repeats the first, the last layer of an axis its first.
    const std::int64_t nvox1 = st.map.nvox(1);
    const std::int64_t nx1 = h.nvox(1);
    Extremes ext;
    for (std::int64_t k = 0; k < h.nmap; ++k) {
        std::int64_t rest = k;
        std::int64_t layer = 0;
        for (int i = st.sdim; i >= 3; --i) {
            const std::int64_t d = rest / s(i - 1);
            rest -= d * s(i - 1);
            layer += (d % st.map.nvox(i)) * n[static_cast<std::size_t>(i - 1)];
        }
        for (std::int64_t d2 = 0; d2 < h.nvox(2); ++d2) {
            const std::int64_t c2 = st.sdim >= 2 ? d2 % st.map.nvox(2) : 0;
            const float* row = st.map.rho.data() + layer + c2 * nvox1;
            float* closed = table.data() + d2 * nx1;
            std::copy(row, row + nvox1, closed);
            closed[nvox1] = row[0];
        }
        ext.take(table.data(), table.size());
        if (!out.write_layer(k + 1, table.data())) {
            write_failure(con, out, ferror);
            return;
        }
    }
    if (!out.write_trailer(ext.rmax, ext.rmin)) {
        write_failure(con, out, ferror);
        return;
    }
    ferror = kFileOk;
    if (!out.close()) close_failure(con, ferror);
}

}  // namespace voxmill
