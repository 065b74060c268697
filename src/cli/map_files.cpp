#include "cli/map_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <gemmi/unitcell.hpp>

#include "formats/ccp4.hpp"
#include "formats/q47_map.hpp"
#include "formats/vend_writer.hpp"
#include "formats/xplor_map.hpp"

namespace voxmill {

std::string_view format_name(MapFormat f) {
    switch (f) {
        case MapFormat::q47: return "q47";
        case MapFormat::ccp4: return "ccp4";
        case MapFormat::xplor: return "xplor";
        case MapFormat::vend: return "vend";
    }
    return "";
}

std::optional<MapFormat> format_named(std::string_view name) {
    for (const MapFormat f : {MapFormat::q47, MapFormat::ccp4, MapFormat::xplor, MapFormat::vend}) {
        if (format_name(f) == name) return f;
    }
    return std::nullopt;
}

std::optional<MapFormat> format_of_extension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".q47") return MapFormat::q47;
    if (ext == ".ccp4" || ext == ".map" || ext == ".mrc") return MapFormat::ccp4;
    if (ext == ".xplor" || ext == ".xplr") return MapFormat::xplor;
    if (ext == ".vend") return MapFormat::vend;
    return std::nullopt;
}

namespace {

// A failed system call on the input, in the words of the messages.
MapError input_error(int error) {
    switch (error) {
        case ENOENT: return MapError("no such file");
        case EACCES: return MapError("permission denied");
        case ENOTDIR: return MapError("no such file: a part of the path is not a folder");
        case ELOOP: return MapError("too many levels of symbolic links");
        default: return MapError(std::string("cannot open the file: ") + std::strerror(error));
    }
}

// Refuses an input that is no plain file that may be read.
void check_input(const std::string& path) {
    struct stat s {};
    if (::stat(path.c_str(), &s) != 0) throw input_error(errno);
    if (S_ISDIR(s.st_mode)) throw MapError("is a folder, not a map file");
    if (!S_ISREG(s.st_mode)) throw MapError("not a plain file: maps are read from files, not from pipes or devices");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw input_error(errno);
    ::close(fd);
}

bool needs_cell(MapFormat f) { return f != MapFormat::q47; }

// ORIGIN moved into the start of the map's frame, in fractions of the cell.
void fold_origin(Map& map) {
    if (!map.origin) return;
    const std::array<double, 3> o = *map.origin;
    map.origin.reset();
    if (o == std::array<double, 3>{}) return;
    if (!map.cell || !sound_cell(*map.cell)) {
        throw MapError("the map is placed by its ORIGIN, which needs a valid cell to be kept in this format: give one with --cell");
    }
    const std::array<double, 6>& c = *map.cell;
    const gemmi::UnitCell cell(c[0], c[1], c[2], c[3], c[4], c[5]);
    const gemmi::Fractional f = cell.fractionalize(gemmi::Position(o[0], o[1], o[2]));
    for (int i = 1; i <= 3; ++i) {
        const double shift = f.at(i - 1);
        map.xfmn(i) = static_cast<float>(map.xfmn(i) + shift);
        map.xfmx(i) = static_cast<float>(map.xfmx(i) + shift);
    }
    // A huge ORIGIN over a tiny cell would give starts beyond any number.
    if (const std::string fault = frame_fault(map); !fault.empty()) {
        throw MapError("the map's ORIGIN, in fractions of its cell, places it beyond any coordinate: " + fault);
    }
}

}  // namespace

MapFile read_map_file(const std::string& path) {
    check_input(path);
    MapFile f;
    if (is_ccp4(path)) {
        f.format = MapFormat::ccp4;
        f.map = read_ccp4(path, &f.stored, &f.warnings);
    } else if (is_q47(path)) {
        f.format = MapFormat::q47;
        f.map = read_q47_map(path, &f.stored);
    } else if (is_xplor(path)) {
        f.format = MapFormat::xplor;
        f.map = read_xplor_map(path, &f.stored);
    } else {
        throw MapError("not a map of a format this program reads (q47, CCP4/MRC, X-PLOR)");
    }
    return f;
}

void write_map_file(Map& map, const std::string& path, MapFormat format, XplorLayout layout) {
    if (needs_cell(format) && map.cell && !sound_cell(*map.cell)) {
        throw MapError("the map's cell is not a valid cell: give one with --cell");
    }
    if (format != MapFormat::ccp4) fold_origin(map);
    switch (format) {
        case MapFormat::q47: return write_q47_map(map, path);
        case MapFormat::ccp4: return write_ccp4(map, path);
        case MapFormat::xplor:
            return layout == XplorLayout::standard ? write_xplor_standard(map, path) : write_xplor_one_per_line(map, path);
        case MapFormat::vend: return write_vend_map(map, path);
    }
}

}  // namespace voxmill
