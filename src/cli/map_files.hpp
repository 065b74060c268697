// Map files of every format the command-line tools know: which format a file is (by its
// content), which one a name asks for (by its extension), and reading and writing either.
// One table holds what each format is; the names, extensions, the probing order and the lists
// in the commands' help all come from it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/map.hpp"

namespace voxmill {

enum class MapFormat { q47, ccp4, xplor, vend };

enum class XplorLayout { standard, one_per_line };

std::string_view format_name(MapFormat f);
// The format of a --to argument (q47, ccp4, xplor, vend), or none.
std::optional<MapFormat> format_named(std::string_view name);
// The format an output name asks for by its extension, or none.
std::optional<MapFormat> format_of_extension(const std::string& path);
// Whether a map is written in the format only with a cell.
bool format_needs_cell(MapFormat f);

// For the help and the messages, in the table's order: the names --to takes ("q47", "ccp4",
// ...), those names joined as "q47, ccp4, xplor or vend" (or with another last joint), the
// same with the formats' titles where they differ ("ccp4 (CCP4/MRC)"), the output extensions
// ("(.q47, .ccp4/.map/.mrc, ...)") and the titles of the formats that are read ("q47,
// CCP4/MRC, X-PLOR").
std::vector<std::string> format_names();
std::string format_choices(std::string_view last = " or ");
std::string format_choices_titled();
std::string output_extensions();
std::string readable_formats();

struct MapFile {
    MapFormat format;
    Map map;
    StoredRange stored;
    std::vector<std::string> warnings;  // what the reader had to guess
};

// Reads a q47, CCP4/MRC (also gzipped) or X-PLOR map, whatever its name: the format is decided
// by the strongest evidence first, the CCP4/MRC stamp (or gzip's magic bytes), then a
// consistent q47 header, then the X-PLOR text. Only plain files are read: a pipe or a device
// would give its bytes to the first probe only. Throws MapError.
MapFile read_map_file(const std::string& path);

// Writes the map in `format`. A format that needs a cell refuses a map without a sound one; a
// format without a place for ORIGIN gets it folded into the map's start, for which it needs a
// sound cell too. Throws MapError (or FileError for a text that cannot be written); the file
// is then left as it was.
void write_map_file(Map& map, const std::string& path, MapFormat format, XplorLayout layout);

}  // namespace voxmill
