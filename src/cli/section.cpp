// voxmill section: a three-dimensional section of a map interpolated by the spline, as console
// option C cuts it: a general affine section of any map, or the physical-space section of a
// decagonal (5D) or icosahedral (6D) quasicrystal through its embedding.
#include <CLI/CLI.hpp>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cli/axis_options.hpp"
#include "cli/command.hpp"
#include "cli/list_option.hpp"
#include "cli/map_command.hpp"
#include "core/voxmill_mod.hpp"
#include "ops/qc_geometry.hpp"
#include "ops/qc_parallel.hpp"

namespace voxmill {

namespace {

// Runs a check of the section's request; its refusal is the failure of `name`.
template <class Check>
void refused_as(const std::string& name, Check check) {
    try {
        check();
    } catch (const MapError& e) {
        throw CommandFailure{name, as_clause(e.what())};
    }
}

struct SectionOptions {
    // A general section: its origin and axes in fractions of the cell, pixels per axis.
    std::vector<double> origin;
    std::vector<std::vector<double>> axes;
    std::vector<int> size;
    // A section through an embedding: its scope and pixel size along the section's axes.
    bool decagonal = false, icosahedral_5 = false, icosahedral_2 = false;
    std::vector<double> scope;
    std::vector<double> pixel;
    OneMapOptions map;

    bool embedded() const { return decagonal || icosahedral_5 || icosahedral_2; }
    // The type of section as option C's menu keys it.
    char key() const { return decagonal ? '2' : icosahedral_5 ? 'A' : icosahedral_2 ? 'B' : '1'; }
};

void add_options(CLI::App& command, SectionOptions& o) {
    CLI::Option* origin =
        add_list_option(command, "--origin", o.origin, 1, 6,
                        "general section: the point of pixel 0, in fractions of the cell, one value for each axis")
            ->type_name("O1,...,On");
    CLI::Option* axes =
        add_lists_option(command, "--axes", o.axes, 3, 1, 6,
                         "general section: its three axes U/V/W in fractions of the cell, each one value for each "
                         "axis of the map; --size pixels span each")
            ->type_name("U1,...,Un/V1,...,Vn/W1,...,Wn");
    CLI::Option* size = add_list_option(command, "--size", o.size, 3, 3, "general section: pixels along U, V and W")
                            ->type_name("NU,NV,NW");
    CLI::Option* flags[] = {
        command.add_flag("--decagonal", o.decagonal, "physical-space section of a decagonal quasicrystal (5 or more axes)"),
        command.add_flag("--icosahedral-5", o.icosahedral_5,
                         "physical-space section of an icosahedral quasicrystal (6 axes), a five-fold axis special"),
        command.add_flag("--icosahedral-2", o.icosahedral_2, "the same with a two-fold axis special"),
    };
    for (CLI::Option* f : flags) {
        for (CLI::Option* g : flags) {
            if (f != g) f->excludes(g);
        }
        f->excludes(origin)->excludes(axes)->excludes(size);
    }
    add_list_option(command, "--scope", o.scope, 6, 6,
                    "section through an embedding: first and last coordinate along each section axis, from pixel "
                    "nint(X0/P) to nint(X1/P); with --pixel in A when IN has a cell (--cell gives one to a q47 map), "
                    "turned into voxels by the voxel length of axis 1 (a over its voxels), since the embedding treats "
                    "the hyperlattice axes alike; in voxels of the map otherwise")
        ->type_name("X0,X1,Y0,Y1,Z0,Z1");
    add_list_option(command, "--pixel", o.pixel, 1, 3,
                    "section through an embedding: the pixel size, one for all section axes or one for each")
        ->type_name("P[,P2,P3]");
    add_output_options(command, o.map.output,
                       "unit cell A,B,C in A and ALPHA,BETA,GAMMA in degrees of IN (q47 maps hold none); a section "
                       "through an embedding cut in A gets a cell of its pixels");
    add_input_argument(command, "IN", o.map.in);
    add_output_argument(command, o.map.output);
}

void check(const SectionOptions& o) {
    if (o.embedded()) {
        if (o.scope.empty() || o.pixel.empty()) {
            throw CLI::ValidationError("--scope", "a section through an embedding needs --scope and --pixel");
        }
    } else {
        if (o.origin.empty() || o.axes.empty() || o.size.empty()) {
            throw CLI::ValidationError("--origin", "a general section needs --origin, --axes and --size "
                                                   "(or --decagonal, --icosahedral-5 or --icosahedral-2)");
        }
        if (!o.scope.empty() || !o.pixel.empty()) {
            throw CLI::ValidationError("--scope", "--scope and --pixel go with --decagonal, --icosahedral-5 or --icosahedral-2");
        }
    }
    check_finite("--origin", o.origin);
    for (const std::vector<double>& axis : o.axes) check_finite("--axes", axis);
    for (const int n : o.size) {
        if (n < 1) throw CLI::ValidationError("--size", "needs at least 1 pixel along each axis");
    }
    check_finite("--scope", o.scope);
    check_finite("--pixel", o.pixel);
    if (o.pixel.size() == 2) throw CLI::ValidationError("--pixel", "takes one size for all section axes or three, one for each");
    for (const double p : o.pixel) {
        if (!(p > 0)) throw CLI::ValidationError("--pixel", "needs a pixel size above 0");
    }
    check_one_map_options(o.map);
}

struct Geometry {
    Mat<std::int32_t, 2, 3> qcdim{};
    Tab<float, 3> pstep{};
    Tab<float, 6> center{};
    Mat<float, 6, 3> basvec{};
    std::optional<std::array<double, 6>> cell;  // of the section, when it is cut in A
};

// The general section: pixels 0 .. N-1 along each axis, the geometry in voxels of the map.
Geometry general_geometry(const SectionOptions& o, const Map& map) {
    require_per_axis("--origin", o.origin.size(), map);
    for (const std::vector<double>& axis : o.axes) require_per_axis("--axes", axis.size(), map);
    Geometry g;
    for (int j = 1; j <= 3; ++j) {
        const int n = o.size[static_cast<std::size_t>(j - 1)];
        g.qcdim(1, j) = 0;
        g.qcdim(2, j) = n - 1;
        g.pstep(j) = static_cast<float>(1.0 / n);
    }
    for (int k = 1; k <= map.dimension; ++k) {
        const auto at = static_cast<std::size_t>(k - 1);
        const double n = map.nvox(k);
        g.center(k) = static_cast<float>(n * o.origin[at]);
        for (int j = 1; j <= 3; ++j) g.basvec(k, j) = static_cast<float>(n * o.axes[static_cast<std::size_t>(j - 1)][at]);
    }
    return g;
}

// A section through an embedding: pixels nint(start / P) .. nint(end / P), P in voxels.
Geometry embedded_geometry(const SectionOptions& o, const Map& map) {
    refused_as(o.map.in, [&] { check_dimension(o.key(), map.dimension); });
    const bool in_angstrom = map.cell && sound_cell(*map.cell);
    const double voxel = in_angstrom ? (*map.cell)[0] / map.nvox(1) : 1.0;
    const auto pixel = [&](int j) { return o.pixel[o.pixel.size() == 1 ? 0 : static_cast<std::size_t>(j - 1)]; };
    Geometry g;
    for (int j = 1; j <= 3; ++j) {
        g.qcdim(1, j) = nint(o.scope[static_cast<std::size_t>(2 * j - 2)] / pixel(j));
        g.qcdim(2, j) = nint(o.scope[static_cast<std::size_t>(2 * j - 1)] / pixel(j));
        g.pstep(j) = static_cast<float>(pixel(j) / voxel);
    }
    if (in_angstrom) {
        // The pixels are P A apart along axes at right angles.
        std::array<double, 6> cell{0, 0, 0, 90, 90, 90};
        for (int j = 1; j <= 3; ++j) {
            cell[static_cast<std::size_t>(j - 1)] = pixel(j) * (static_cast<double>(g.qcdim(2, j)) - g.qcdim(1, j) + 1);
        }
        g.cell = cell;
    }
    return g;
}

int run(const SectionOptions& o, std::ostream&, std::ostream& err) {
    return reported(err, [&] {
        refuse_output_over(o.map.output.out, {o.map.in});
        MapFile f = read_input(o.map.in, err);
        apply_cell(f.map, o.map.output.cell);
        const Map& map = f.map;
        const Geometry s = o.embedded() ? embedded_geometry(o, map) : general_geometry(o, map);
        refused_as(o.embedded() ? "--scope" : "--size", [&] { check_scope(s.qcdim); });
        const SectionGeometry g = make_section(o.key(), map.dimension, s.qcdim, s.pstep, s.center, s.basvec);
        refused_as(o.map.in, [&] { check_reach(g); });
        // --cell is IN's: the section's axes are not the cell's, and only a section cut in A
        // has a cell, that of its pixels.
        if (!s.cell && format_needs_cell(output_format(o.map.output))) {
            throw CommandFailure{o.map.output.out, "the section holds no unit cell (only one through an embedding cut in A "
                                                   "has one): write it as q47"};
        }
        Map section = operate(o.map.in, [&] { return cut_section(map, g); });
        section.cell = s.cell;
        write_output(section, o.map.output, "section");
    });
}

}  // namespace

const Command kSectionCommand{
    "section", "cut a 3D section interpolated by the spline: general, decagonal or icosahedral (console option C)",
    "usage: voxmill section (--origin O1,...,On --axes U1,...,Un/V1,...,Vn/W1,...,Wn --size NU,NV,NW | "
    "--decagonal|--icosahedral-5|--icosahedral-2 --scope X0,X1,Y0,Y1,Z0,Z1 --pixel P[,P2,P3]) " VOXMILL_OUTPUT_USAGE
    " IN OUT",
    bind_options<SectionOptions, add_options, check, run>};

}  // namespace voxmill
