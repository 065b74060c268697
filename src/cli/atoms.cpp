// voxmill atoms: the atoms of a map, its peaks in three dimensions, and in a superspace map
// the strings, sheets or volumes of maxima across the superspace axes, with the Fourier series
// of their positions and charges.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "cli/json_reports.hpp"
#include "cli/cell_option.hpp"
#include "cli/command.hpp"
#include "cli/list_option.hpp"
#include "cli/map_command.hpp"
#include "ops/atom_trace.hpp"
#include "ops/atoms.hpp"
#include "ops/cell_geometry.hpp"

namespace voxmill {

namespace {

struct AtomsOptions {
    int order = 2;
    std::optional<double> min_height;
    double min_sigma = 3.0;
    std::vector<double> cell;
    bool json = false, csv = false;
    std::string map;
};

// A number as the table shows it, without the sign of a value that shows as 0.
std::string num(const char* format, double v) {
    char text[32];
    std::snprintf(text, sizeof text, format, v);
    const std::string t = text;
    return t[0] == '-' && t.find_first_of("123456789") == std::string::npos ? t.substr(1) : t;
}

std::string wave_text(const std::array<int, 3>& n, int d) {
    std::string t = "(";
    for (int k = 0; k < d; ++k) t += (k ? "," : "") + std::to_string(n[static_cast<std::size_t>(k)]);
    return t + ")";
}

// s sin t + c cos t = A sin(t + phase), A scaled by `edge`: the amplitude, and the phase in
// degrees where the amplitude shows.
std::string amplitude_phase(double s, double c, double edge, const char* unit) {
    const std::string amplitude = num("%.4f", std::hypot(s, c) * edge);
    if (amplitude.find_first_of("123456789") == std::string::npos) return amplitude + unit;
    return amplitude + unit + " (" + num("%.1f", std::atan2(c, s) * 180.0 / std::numbers::pi) + " deg)";
}

void print_csv(std::ostream& out, const Map& map, const std::vector<Atom>& atoms) {
    const int d = map.dimension - 3;
    out << "atom";
    for (int k = 4; k <= map.dimension; ++k) out << ",x" << k;
    out << ",x,y,z,height,charge\n";
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        for (const AtomSample& s : atoms[i].trace) {
            out << i + 1;
            for (int k = 0; k < d; ++k) out << ',' << num("%.9g", s.at[static_cast<std::size_t>(k)]);
            for (const double x : s.position) out << ',' << num("%.9g", x);
            out << ',' << num("%.9g", s.height) << ',' << num("%.9g", s.charge) << '\n';
        }
    }
}

void print_text(std::ostream& out, const std::string& name, const Map& map, const std::vector<Atom>& atoms) {
    const int d = map.dimension - 3;
    const CellMetric metric(map.cell);
    const bool in_a = map.cell && sound_cell(*map.cell);
    const char* unit = in_a ? " A" : "";
    std::int64_t samples = 1;
    for (int k = 4; k <= map.dimension; ++k) samples *= map.nvox(k);
    out << name << ": " << atoms.size() << (atoms.size() == 1 ? " atom" : " atoms") << " of a map of " << map.dimension
        << " dimensions" << (in_a ? "" : "; no cell: lengths in fractions of the edges") << '\n';
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        const Atom& a = atoms[i];
        out << "\natom " << i + 1 << "\n  position    ";
        for (const double x : a.position) out << ' ' << num("%.5f", x);
        if (in_a) {
            const std::array<double, 3> r = orthogonal(*map.cell, a.position);
            out << "   X, Y, Z " << num("%.4f", r[0]) << ' ' << num("%.4f", r[1]) << ' ' << num("%.4f", r[2]) << " A";
        }
        out << "\n  charge       " << num("%.6g", a.charge) << "\n  height       " << num("%.6g", a.height) << '\n';
        if (d == 0) continue;
        out << "  present at   " << a.trace.size() << " of " << samples << " samples\n";
        out << "  series       order " << a.order << ", rms residual " << num("%.3g", a.rms_residual) << unit
            << "; the first harmonics, amplitude (phase):\n";
        for (std::size_t w = 0; w < a.displacive.size(); ++w) {
            const DisplaciveTerm& t = a.displacive[w];
            if (std::abs(t.n[0]) + std::abs(t.n[1]) + std::abs(t.n[2]) != 1) continue;
            out << "    " << wave_text(t.n, d);
            for (int e = 0; e < 3; ++e) {
                const auto j = static_cast<std::size_t>(e);
                out << "   " << "abc"[e] << ' ' << amplitude_phase(t.sin[j], t.cos[j], metric.edge(e), unit);
            }
            out << "   occupancy " << amplitude_phase(a.occupational[w].sin, a.occupational[w].cos, 1.0, "") << '\n';
        }
        for (int k = 0; k < d; ++k) {
            const std::array<int, 3>& t = a.shift[static_cast<std::size_t>(k)];
            if (t[0] || t[1] || t[2]) {
                out << "  shift        " << t[0] << ' ' << t[1] << ' ' << t[2] << " cells after one period of axis "
                    << k + 4 << '\n';
            }
        }
        if (d == 1) {
            const std::optional<CrenelInterval>& c = a.crenel;
            out << "  crenel       "
                << (c ? "center " + num("%.4f", c->center) + ", width " + num("%.4f", c->width) : "none") << '\n';
        }
    }
}

void add_options(CLI::App& command, AtomsOptions& o) {
    command.add_option("--order", o.order, "the highest |n| of each superspace component of the series' waves (default 2)")
        ->check(CLI::Range(0, 6));
    CLI::Option* height = command.add_option_function<double>(
        "--min-height", [&o](double h) { o.min_height = h; }, "keep the maxima of at least this density");
    command.add_option("--min-sigma", o.min_sigma, "keep the maxima of at least mean + S rms of the whole map (default 3)")
        ->excludes(height);
    add_cell_option(command, o.cell, "unit cell A,B,C in A and ALPHA,BETA,GAMMA: distances in A (q47 maps hold none)");
    CLI::Option* json = command.add_flag("--json", o.json, "one JSON object: the atoms, their series and traces");
    command.add_flag("--csv", o.csv, "one row per sample of each atom's trace, under one header line")->excludes(json);
    command.add_option("MAP", o.map, "map file (" + readable_formats() + ")")->required();
}

void check(const AtomsOptions& o) {
    if (o.min_height) check_finite("--min-height", {*o.min_height});
    check_finite("--min-sigma", {o.min_sigma});
    check_cell(o.cell);
}

int run(const AtomsOptions& o, std::ostream& out, std::ostream& err) {
    return reported(err, [&] {
        MapFile f = read_input(o.map, err);
        apply_cell(f.map, o.cell);
        const std::vector<Atom> atoms = operate(o.map, [&] { return find_atoms(f.map, {o.min_height, o.min_sigma, o.order}); });
        if (o.json) {
            out << json_line(atoms_json(o.map, f.map, atoms)) << '\n';
        } else if (o.csv) {
            print_csv(out, f.map, atoms);
        } else {
            print_text(out, o.map, f.map, atoms);
        }
    });
}

}  // namespace

const Command kAtomsCommand{"atoms", "the atoms of a map: its peaks, or in superspace their modulation as Fourier series",
                            "usage: voxmill atoms [--order N] [--min-height H | --min-sigma S] [--cell A,B,C,ALPHA,BETA,GAMMA] "
                            "[--json | --csv] MAP",
                            bind_options<AtomsOptions, add_options, check, run>};

}  // namespace voxmill
