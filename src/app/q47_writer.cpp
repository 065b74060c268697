#include "app/q47_writer.hpp"

#include <string>

#include "app/stops.hpp"
#include "core/errors.hpp"
#include "formats/q47_extremes.hpp"
#include "formats/q47_output.hpp"

namespace voxmill {

namespace {

const char* const kWriteStop = "Error during writing of the density. Check the log file.";

Q47Header header_of(const State& st) {
    Q47Header h;
    for (int i = 1; i <= 6; ++i) {
        const bool on_map = i <= st.sdim;
        h.nvox(i) = on_map ? st.map.nvox(i) : 1;
        h.xfmn(i) = on_map ? st.map.xfmn(i) : 0.0f;
        h.xfmx(i) = on_map ? st.map.xfmx(i) : 0.0f;
        h.xdf(i) = on_map ? st.map.xdf(i) : 1.0f;
        h.iorien(i) = i;
    }
    h.nxny = st.map.nvox(1) * st.map.nvox(2);
    h.nmap = h.nvox(3) * h.nvox(4) * h.nvox(5) * h.nvox(6);
    h.mapa = 4;
    h.nsubs = 1;
    h.satelitybyly = st.sdim >= 4;
    return h;
}

[[noreturn]] void write_failure(Console& con, Q47Output& out, const std::string& name) {
    con.block({"Routine WriteOrvo:", "Error! Cannot write into density file.", "Output file: " + name,
               "Something may have been saved. Stopping."});
    out.discard();
    throw Stop(kWriteStop);
}

}  // namespace

void writeorvo(State& st, Console& con, std::string_view rhofile) {
    const std::string name = name_of(rhofile, kShortName);
    const Q47Header h = header_of(st);
    Q47Output out;
    if (!out.open(name, RecordFile::Mode::replace, h)) {
        con.block({"Routine WriteOrvo:", "Error! Cannot open density file for writing!", "Output file: " + name,
                   "Stopping."});
        throw Stop(kWriteStop);
    }
    if (!out.write_header()) write_failure(con, out, name);
    TrailerExtremes ext(ExtremesRule::beyond_or_equal, 100000.0f);
    ext.take(st.map.rho.data(), static_cast<std::size_t>(h.nxny) * static_cast<std::size_t>(h.nmap));
    if (!out.write_layers(1, h.nmap, st.map.rho.data())) write_failure(con, out, name);
    if (!out.write_trailer(ext.rmax, ext.rmin)) write_failure(con, out, name);
    if (!out.close()) {
        con.block({"Routine WriteOrvo:", "Error! Cannot close density file.", "Output file: " + name,
                   "Density might have been saved. Stopping."});
        throw Stop(kWriteStop);
    }
}

}  // namespace voxmill
