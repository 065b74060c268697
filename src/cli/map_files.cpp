#include "cli/map_files.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

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

MapFile read_map_file(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw MapError("no such file");
    if (std::filesystem::is_directory(path, ec)) throw MapError("is a folder, not a map file");
    StoredRange stored;
    if (is_q47(path)) {
        Map m = read_q47_map(path, &stored);
        return {MapFormat::q47, std::move(m), stored};
    }
    if (is_ccp4(path)) {
        Map m = read_ccp4(path, &stored);
        return {MapFormat::ccp4, std::move(m), stored};
    }
    if (is_xplor(path)) {
        Map m = read_xplor_map(path, &stored);
        return {MapFormat::xplor, std::move(m), stored};
    }
    throw MapError("not a map of a format this program reads (q47, CCP4/MRC, X-PLOR)");
}

void write_map_file(const Map& map, const std::string& path, MapFormat format, XplorLayout layout) {
    switch (format) {
        case MapFormat::q47: return write_q47_map(map, path);
        case MapFormat::ccp4: return write_ccp4(map, path);
        case MapFormat::xplor:
            return layout == XplorLayout::standard ? write_xplor_standard(map, path) : write_xplor_one_per_line(map, path);
        case MapFormat::vend: return write_vend_map(map, path);
    }
}

}  // namespace voxmill
