#include "formats/q47_map.hpp"

#include <algorithm>

#include "core/voxmill_mod.hpp"
#include "formats/q47_header.hpp"
#include "formats/q47_output.hpp"

namespace voxmill {

namespace {

Q47Header header_of(const Map& m) {
    Q47Header h;
    h.nvox = m.nvox;
    h.nxny = m.nvox(1) * m.nvox(2);
    h.nmap = m.nvox(3) * m.nvox(4) * m.nvox(5) * m.nvox(6);
    h.xfmn = m.xfmn;
    h.xfmx = m.xfmx;
    h.xdf = m.xdf;
    h.iorien = m.iorien;
    h.mapa = m.mapa;
    h.nsubs = m.nsubs;
    h.satelitybyly = m.dimension >= 4;
    return h;
}

}  // namespace

bool is_q47(const std::string& path) {
    RecordFile file;
    Q47Header h;
    return open_q47(path, file, h) && h.counts_usable();
}

Map read_q47_map(const std::string& path, StoredRange* stored) {
    RecordFile file;
    Q47Header h;
    if (!open_q47(path, file, h)) throw MapError("cannot be opened, or is too short for a q47 header");
    if (!h.counts_usable()) throw MapError("the q47 header's voxel counts do not fit together");
    const std::int64_t records = file.size() / static_cast<std::int64_t>(file.record_length());
    if (records < std::int64_t{h.nmap} + 1) {
        throw MapError("the q47 file holds " + std::to_string(std::max<std::int64_t>(records - 1, 0)) + " of its " +
                       std::to_string(h.nmap) + " layers");
    }
    Map m;
    m.nvox = h.nvox;
    m.dimension = std::max(dimension_of(h.nvox), 1);
    m.xfmn = h.xfmn;
    m.xfmx = h.xfmx;
    m.xdf = h.xdf;
    m.iorien = h.iorien;
    m.mapa = h.mapa;
    m.nsubs = h.nsubs;
    m.rho.allocate(static_cast<std::size_t>(m.voxels()));
    if (!read_q47_layers(file, h, m.rho.data())) throw MapError("cannot read the layers of the q47 file");
    unsigned char trailer[8];
    if (stored != nullptr && file.read(std::int64_t{h.nmap} + 2, trailer, sizeof trailer)) {
        stored->max = get_f32(trailer);
        stored->min = get_f32(trailer + 4);
    }
    return m;
}

void write_q47_map(const Map& map, const std::string& path) {
    const Q47Header h = header_of(map);
    // The extremes as the console's q47 writer gathers them: from +-100000, a value equal
    // to an extreme takes its place, NaN never does.
    float rmax = -100000.0f;
    float rmin = 100000.0f;
    for (const float v : map.rho) {
        rmax = v >= rmax ? v : rmax;
        rmin = v <= rmin ? v : rmin;
    }
    Q47Output out;
    if (!out.open(path, RecordFile::Mode::replace, h)) throw MapError("cannot create the output file");
    if (!out.write_header() || !out.write_layers(1, h.nmap, map.rho.data()) || !out.write_trailer(rmax, rmin)) {
        throw MapError("cannot write the q47 file");
    }
    if (!out.close()) throw MapError("cannot close the q47 file");
}

}  // namespace voxmill
