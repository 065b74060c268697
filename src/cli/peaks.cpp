// voxmill peaks: the maxima of a map, refined between the voxels, with the charges of their
// basins; a table, CSV or JSON.
#include <CLI/CLI.hpp>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cli/json_reports.hpp"
#include "cli/cell_option.hpp"
#include "cli/command.hpp"
#include "cli/list_option.hpp"
#include "cli/map_command.hpp"
#include "ops/cell_geometry.hpp"
#include "ops/peaks.hpp"

namespace voxmill {

namespace {

struct PeaksOptions {
    std::optional<double> min_height;
    double min_sigma = 3.0;
    std::optional<std::size_t> max;
    std::vector<double> cell;
    bool json = false, csv = false;
    std::string map;
};

// A number as the tables show it: seven significant digits, enough for a float.
std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", v);
    return text;
}

// What the rows show of the map: the name of each axis, and the cell that places the peaks in
// A when there is one and the map's first three axes are a, b and c in some order.
struct Columns {
    std::vector<std::string> axes;              // "x1", ..., by axis code
    std::optional<std::array<double, 6>> cell;  // a sound cell, the one of the charges
    std::array<int, 3> real{};                  // the map axis (from 0) that holds a, b and c
    bool orthogonal = false;                    // X, Y, Z in A are shown
};

Columns columns(const Map& map) {
    Columns c;
    std::array<bool, 3> held{};
    for (int k = 1; k <= map.dimension; ++k) {
        const int code = map.iorien(k) >= 1 && map.iorien(k) <= 6 ? map.iorien(k) : k;
        c.axes.push_back("x" + std::to_string(code));
        if (k <= 3 && code <= 3) {
            held[static_cast<std::size_t>(code - 1)] = true;
            c.real[static_cast<std::size_t>(code - 1)] = k - 1;
        }
    }
    if (map.cell && sound_cell(*map.cell)) c.cell = map.cell;
    c.orthogonal = c.cell && held[0] && held[1] && held[2];
    return c;
}

std::array<double, 3> in_angstroms(const Columns& c, const Peak& p) {
    std::array<double, 3> f{};
    for (std::size_t i = 0; i < 3; ++i) f[i] = p.position[static_cast<std::size_t>(c.real[i])];
    return orthogonal(*c.cell, f);
}

// The cells of one row, or of the header line.
std::vector<std::string> header(const Columns& c) {
    std::vector<std::string> h = c.axes;
    if (c.orthogonal) h.insert(h.end(), {"X (A)", "Y (A)", "Z (A)"});
    h.insert(h.end(), {"height", "charge", "voxels"});
    return h;
}

std::vector<std::string> row(const Columns& c, const Peak& p) {
    std::vector<std::string> r;
    for (std::size_t i = 0; i < c.axes.size(); ++i) r.push_back(num(p.position[i]));
    if (c.orthogonal) {
        for (const double x : in_angstroms(c, p)) r.push_back(num(x));
    }
    r.insert(r.end(), {num(p.height), num(p.charge), std::to_string(p.voxels)});
    return r;
}

void print_table(std::ostream& out, const PeaksOptions& o, const Columns& c, const std::vector<Peak>& peaks,
                 const std::optional<double>& threshold) {
    out << o.map << ": ";
    if (!threshold) {
        out << "no peaks: the map has no finite density\n";
        return;
    }
    out << (peaks.empty() ? std::string("no") : std::to_string(peaks.size())) << (peaks.size() == 1 ? " peak" : " peaks")
        << " at or above " << num(*threshold);
    if (!o.min_height) out << " (mean + " << num(o.min_sigma) << " rms)";
    out << '\n';
    if (peaks.empty()) return;
    const auto line = [&](const std::vector<std::string>& cells, const char* mark) {
        for (const std::string& cell : cells) out << std::string(cell.size() < 12 ? 12 - cell.size() : 1, ' ') << cell;
        out << mark << '\n';
    };
    line(header(c), "");
    bool unrefined = false;
    for (const Peak& p : peaks) {
        line(row(c, p), p.refined ? "" : " *");
        unrefined = unrefined || !p.refined;
    }
    if (unrefined) out << "* not refined: the position of the maximum's voxel\n";
}

void print_csv(std::ostream& out, const Columns& c, const std::vector<Peak>& peaks) {
    const auto line = [&](const std::vector<std::string>& cells, const char* last) {
        for (const std::string& cell : cells) out << cell << ',';
        out << last << '\n';
    };
    line(header(c), "refined");
    for (const Peak& p : peaks) line(row(c, p), p.refined ? "yes" : "no");
}

void add_options(CLI::App& command, PeaksOptions& o) {
    CLI::Option* height = command.add_option_function<double>(
        "--min-height", [&o](double h) { o.min_height = h; }, "keep the peaks of at least this refined height");
    CLI::Option* sigma =
        command.add_option("--min-sigma", o.min_sigma, "keep the peaks of at least mean + S rms of the map (default 3)");
    height->excludes(sigma);
    command
        .add_option_function<std::int64_t>(
            "--max", [&o](std::int64_t n) { o.max = static_cast<std::size_t>(n); }, "at most N peaks, the highest")
        ->check(CLI::Range(std::int64_t{1}, std::numeric_limits<std::int64_t>::max()))
        ->type_name("N");
    add_cell_option(command, o.cell, "unit cell A,B,C in A and ALPHA,BETA,GAMMA in degrees, replacing the map's");
    CLI::Option* json_flag = command.add_flag("--json", o.json, "one JSON object");
    command.add_flag("--csv", o.csv, "comma-separated values under one header line")->excludes(json_flag);
    add_input_argument(command, "MAP", o.map, "map");
}

void check(const PeaksOptions& o) {
    if (o.min_height) check_finite("--min-height", {*o.min_height});
    check_finite("--min-sigma", {o.min_sigma});
    check_cell(o.cell);
}

int run(const PeaksOptions& o, std::ostream& out, std::ostream& err) {
    return reported(err, [&] {
        MapFile f = read_input(o.map, err);
        apply_cell(f.map, o.cell);
        const PeakCriteria criteria{o.min_height, o.min_sigma, o.max};
        const std::vector<Peak> peaks = operate(o.map, [&] { return find_peaks(f.map, criteria); });
        const std::optional<double> threshold = peak_threshold(f.map, criteria);
        const Columns c = columns(f.map);
        if (o.json) {
            out << json_line(peaks_json(o.map, f.map, peaks, threshold)) << '\n';
        } else if (o.csv) {
            print_csv(out, c, peaks);
        } else {
            print_table(out, o, c, peaks, threshold);
        }
    });
}

}  // namespace

const Command kPeaksCommand{"peaks", "the maxima of a map: refined positions, heights and the charges of their basins",
                            "usage: voxmill peaks [--min-height H | --min-sigma S] [--max N] "
                            "[--cell A,B,C,ALPHA,BETA,GAMMA] [--json | --csv] MAP",
                            bind_options<PeaksOptions, add_options, check, run>};

}  // namespace voxmill
