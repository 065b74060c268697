// voxmill info [--json] MAP...: what each map is and what its densities are.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/command.hpp"
#include "cli/json_reports.hpp"
#include "cli/map_files.hpp"
#include "cli/report.hpp"
#include "core/density_stats.hpp"

namespace voxmill {

namespace {

struct InfoOptions {
    bool json = false;
    std::vector<std::string> maps;
};

using nlohmann::json;

// A number as the text shows it: seven significant digits, enough for a float.
std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", v);
    return text;
}

std::string opt(const std::optional<double>& v) { return v ? num(*v) : "-"; }
std::string opt(const std::optional<float>& v) { return v ? num(*v) : "-"; }

json as_json(const std::string& name, const MapFile& f, const DensityStats& s) {
    json j = map_json(f.map, s, f.format == MapFormat::q47);
    j["file"] = name;
    j["format"] = format_name(f.format);
    const StoredRange& r = f.stored;
    j["stored"] = {{"min", or_null(r.min)}, {"max", or_null(r.max)}, {"mean", or_null(r.mean)}, {"rms", or_null(r.rms)}};
    return j;
}

void print_text(std::ostream& out, const std::string& name, const MapFile& f, const DensityStats& s) {
    const Map& m = f.map;
    out << name << '\n';
    out << "  format      " << format_name(f.format) << '\n';
    out << "  dimension   " << m.dimension << '\n';
    out << "  voxels     ";
    for (int i = 1; i <= m.dimension; ++i) out << (i > 1 ? " x " : " ") << m.nvox(i);
    out << "\n  axis codes ";
    for (int i = 1; i <= m.dimension; ++i) out << ' ' << m.iorien(i);
    out << '\n';
    for (int i = 1; i <= m.dimension; ++i) {
        out << "  axis " << i << "      " << num(m.xfmn(i)) << " .. " << num(m.xfmx(i)) << ", step " << num(m.xdf(i))
            << '\n';
    }
    if (f.format == MapFormat::q47) out << "  map code    " << m.q47.mapa << "\n  subsystem   " << m.q47.nsubs << '\n';
    out << "  cell       ";
    if (m.cell) {
        for (const double c : *m.cell) out << ' ' << num(c);
        if (!sound_cell(*m.cell)) out << " (not a valid cell)";
    } else {
        out << " none";
    }
    if (m.origin) out << "\n  origin (A) " << ' ' << num((*m.origin)[0]) << ' ' << num((*m.origin)[1]) << ' ' << num((*m.origin)[2]);
    out << "\n  stored      min " << opt(f.stored.min) << ", max " << opt(f.stored.max) << ", mean "
        << opt(f.stored.mean) << ", rms " << opt(f.stored.rms) << '\n';
    out << "  data        min " << opt(s.min) << ", max " << opt(s.max) << ", mean " << opt(s.mean) << ", rms "
        << opt(s.rms) << ", NaN voxels " << s.nan << ", infinite voxels " << s.inf << '\n';
}

void add_options(CLI::App& info, InfoOptions& options) {
    info.add_flag("--json", options.json, "one JSON object per map, one per line");
    info.add_option("MAP", options.maps, "map files (" + readable_formats() + ")")->required();
}

// 0 when every map was read, 1 when some could not be (each reported on `err`).
int run(const InfoOptions& options, std::ostream& out, std::ostream& err) {
    int status = 0;
    for (const std::string& name : options.maps) {
        try {
            const MapFile f = read_map_file(name);
            for (const std::string& w : f.warnings) report_warning(err, name, w);
            const DensityStats s = density_stats(f.map.rho.data(), static_cast<std::size_t>(f.map.voxels()));
            if (options.json) {
                out << json_line(as_json(name, f, s)) << '\n';
            } else {
                print_text(out, name, f, s);
            }
        } catch (const std::bad_alloc&) {
            report_error(err, name, "not enough memory for the map");
            status = 1;
        } catch (const std::exception& e) {
            report_error(err, name, e.what());
            status = 1;
        }
    }
    return status;
}

}  // namespace

const Command kInfoCommand{"info", "describe maps: format, grid, cell, stored and computed range",
                           "usage: voxmill info [--json] MAP...", bind_options<InfoOptions, add_options, no_check<InfoOptions>, run>};

}  // namespace voxmill
