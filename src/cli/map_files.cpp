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

namespace {

// One format: the name --to takes, its title in the help and the messages, the extensions
// that ask for it (lower case), where it comes in the probing of an input (the strongest
// evidence first: 1, then 2, ...; 0 for a format that is written only) and how it is
// recognised, read and written.
struct FormatEntry {
    MapFormat format;
    std::string_view name;
    std::string_view title;
    std::array<std::string_view, 3> extensions;
    int probe_rank;
    bool (*probe)(const std::string& path);
    Map (*read)(const std::string& path, StoredRange* stored, std::vector<std::string>* warnings);
    void (*write)(const Map& map, const std::string& path, XplorLayout layout);
    bool needs_cell;    // a map is written with its cell, which must be sound
    bool holds_origin;  // ORIGIN is kept as it is, not folded into the start
};

const FormatEntry kFormats[] = {
    {MapFormat::q47, "q47", "q47", {".q47"}, 2, is_q47,
     [](const std::string& path, StoredRange* stored, std::vector<std::string>*) { return read_q47_map(path, stored); },
     [](const Map& map, const std::string& path, XplorLayout) { write_q47_map(map, path); }, false, false},
    {MapFormat::ccp4, "ccp4", "CCP4/MRC", {".ccp4", ".map", ".mrc"}, 1, is_ccp4,
     [](const std::string& path, StoredRange* stored, std::vector<std::string>* warnings) {
         return read_ccp4(path, stored, warnings);
     },
     [](const Map& map, const std::string& path, XplorLayout) { write_ccp4(map, path); }, true, true},
    {MapFormat::xplor, "xplor", "X-PLOR", {".xplor", ".xplr"}, 3, is_xplor,
     [](const std::string& path, StoredRange* stored, std::vector<std::string>*) { return read_xplor_map(path, stored); },
     [](const Map& map, const std::string& path, XplorLayout layout) {
         layout == XplorLayout::standard ? write_xplor_standard(map, path) : write_xplor_one_per_line(map, path);
     },
     true, false},
    {MapFormat::vend, "vend", "MEED/VEND", {".vend"}, 0, nullptr, nullptr,
     [](const Map& map, const std::string& path, XplorLayout) { write_vend_map(map, path); }, true, false},
};

const FormatEntry& entry(MapFormat f) {
    for (const FormatEntry& e : kFormats) {
        if (e.format == f) return e;
    }
    return kFormats[0];  // every format has its entry
}

// "a, b, c or d"
std::string joined(const std::vector<std::string>& items, std::string_view last) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? last : ", ";
        text += items[i];
    }
    return text;
}

}  // namespace

std::string_view format_name(MapFormat f) { return entry(f).name; }

std::optional<MapFormat> format_named(std::string_view name) {
    for (const FormatEntry& e : kFormats) {
        if (e.name == name) return e.format;
    }
    return std::nullopt;
}

std::optional<MapFormat> format_of_extension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const FormatEntry& e : kFormats) {
        for (const std::string_view x : e.extensions) {
            if (!x.empty() && x == ext) return e.format;
        }
    }
    return std::nullopt;
}

bool format_needs_cell(MapFormat f) { return entry(f).needs_cell; }

std::vector<std::string> format_names() {
    std::vector<std::string> names;
    for (const FormatEntry& e : kFormats) names.emplace_back(e.name);
    return names;
}

std::string format_choices(std::string_view last) { return joined(format_names(), last); }

std::string format_choices_titled() {
    std::vector<std::string> items;
    for (const FormatEntry& e : kFormats) {
        items.emplace_back(e.name);
        if (e.title != e.name) items.back() += " (" + std::string(e.title) + ")";
    }
    return joined(items, " or ");
}

std::string output_extensions() {
    std::vector<std::string> items;
    for (const FormatEntry& e : kFormats) {
        std::string item;
        for (const std::string_view x : e.extensions) {
            if (x.empty()) continue;
            if (!item.empty()) item += '/';
            item.append(x);
        }
        items.push_back(item);
    }
    std::string text(1, '(');
    text += joined(items, ", ");
    text += ')';
    return text;
}

std::string readable_formats() {
    std::vector<std::string> titles;
    for (const FormatEntry& e : kFormats) {
        if (e.read) titles.emplace_back(e.title);
    }
    return joined(titles, ", ");
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
    std::vector<const FormatEntry*> probes;
    for (const FormatEntry& e : kFormats) {
        if (e.probe_rank > 0) probes.push_back(&e);
    }
    std::sort(probes.begin(), probes.end(), [](const FormatEntry* a, const FormatEntry* b) { return a->probe_rank < b->probe_rank; });
    for (const FormatEntry* e : probes) {
        if (!e->probe(path)) continue;
        MapFile f;
        f.format = e->format;
        f.map = e->read(path, &f.stored, &f.warnings);
        return f;
    }
    throw MapError("not a map of a format this program reads (" + readable_formats() + ")");
}

void write_map_file(Map& map, const std::string& path, MapFormat format, XplorLayout layout) {
    const FormatEntry& e = entry(format);
    if (e.needs_cell && map.cell && !sound_cell(*map.cell)) {
        throw MapError("the map's cell is not a valid cell: give one with --cell");
    }
    if (!e.holds_origin) fold_origin(map);
    e.write(map, path, layout);
}

}  // namespace voxmill
