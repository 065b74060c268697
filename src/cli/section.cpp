// voxmill section: a three-dimensional section of a map interpolated by the spline, as console
// option C cuts it: a general affine section of any map, or the physical-space section of a
// decagonal (5D) or icosahedral (6D) quasicrystal through its embedding.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/axis_options.hpp"
#include "cli/command.hpp"
#include "cli/list_option.hpp"
#include "cli/map_command.hpp"
#include "cli/section_request.hpp"
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
    SectionRequest section;
    OneMapOptions map;
};

void add_options(CLI::App& command, SectionOptions& o) {
    SectionRequest& s = o.section;
    CLI::Option* origin =
        add_list_option(command, "--origin", s.origin, 1, 6,
                        "general section: the point of pixel 0, in fractions of the cell, one value for each axis")
            ->type_name("O1,...,On");
    CLI::Option* axes =
        add_lists_option(command, "--axes", s.axes, 3, 1, 6,
                         "general section: its three axes U/V/W in fractions of the cell, each one value for each "
                         "axis of the map; --size pixels span each")
            ->type_name("U1,...,Un/V1,...,Vn/W1,...,Wn");
    CLI::Option* size = add_list_option(command, "--size", s.size, 3, 3, "general section: pixels along U, V and W")
                            ->type_name("NU,NV,NW");
    CLI::Option* flags[] = {
        command.add_flag("--decagonal", s.decagonal, "physical-space section of a decagonal quasicrystal (5 or more axes)"),
        command.add_flag("--icosahedral-5", s.icosahedral_5,
                         "physical-space section of an icosahedral quasicrystal (6 axes), a five-fold axis special"),
        command.add_flag("--icosahedral-2", s.icosahedral_2, "the same with a two-fold axis special"),
    };
    for (CLI::Option* f : flags) {
        for (CLI::Option* g : flags) {
            if (f != g) f->excludes(g);
        }
        f->excludes(origin)->excludes(axes)->excludes(size);
    }
    add_list_option(command, "--scope", s.scope, 6, 6,
                    "section through an embedding: first and last coordinate along each section axis, from pixel "
                    "nint(X0/P) to nint(X1/P); with --pixel in A when IN has a cell (--cell gives one to a q47 map), "
                    "turned into voxels by the voxel length of axis 1 (a over its voxels), since the embedding treats "
                    "the hyperlattice axes alike; in voxels of the map otherwise")
        ->type_name("X0,X1,Y0,Y1,Z0,Z1");
    add_list_option(command, "--pixel", s.pixel, 1, 3,
                    "section through an embedding: the pixel size, one for all section axes or one for each")
        ->type_name("P[,P2,P3]");
    add_output_options(command, o.map.output,
                       "unit cell A,B,C in A and ALPHA,BETA,GAMMA in degrees of IN (q47 maps hold none); a section "
                       "through an embedding cut in A gets a cell of its pixels");
    add_input_argument(command, "IN", o.map.in);
    add_output_argument(command, o.map.output);
}

void check(const SectionOptions& o) {
    const SectionRequest& s = o.section;
    if (s.embedded()) {
        if (s.scope.empty() || s.pixel.empty()) {
            throw CLI::ValidationError("--scope", "a section through an embedding needs --scope and --pixel");
        }
    } else {
        if (s.origin.empty() || s.axes.empty() || s.size.empty()) {
            throw CLI::ValidationError("--origin", "a general section needs --origin, --axes and --size "
                                                   "(or --decagonal, --icosahedral-5 or --icosahedral-2)");
        }
        if (!s.scope.empty() || !s.pixel.empty()) {
            throw CLI::ValidationError("--scope", "--scope and --pixel go with --decagonal, --icosahedral-5 or --icosahedral-2");
        }
    }
    check_finite("--origin", s.origin);
    for (const std::vector<double>& axis : s.axes) check_finite("--axes", axis);
    for (const int n : s.size) {
        if (n < 1) throw CLI::ValidationError("--size", "needs at least 1 pixel along each axis");
    }
    check_finite("--scope", s.scope);
    check_finite("--pixel", s.pixel);
    if (s.pixel.size() == 2) throw CLI::ValidationError("--pixel", "takes one size for all section axes or three, one for each");
    for (const double p : s.pixel) {
        if (!(p > 0)) throw CLI::ValidationError("--pixel", "needs a pixel size above 0");
    }
    check_one_map_options(o.map);
}

int run(const SectionOptions& o, std::ostream&, std::ostream& err) {
    return reported(err, [&] {
        refuse_output_over(o.map.output.out, {o.map.in});
        MapFile f = read_input(o.map.in, err);
        apply_cell(f.map, o.map.output.cell);
        const Map& map = f.map;
        SectionPlan plan;
        refused_as(o.map.in, [&] { plan = plan_section(o.section, map); });
        refused_as(o.section.embedded() ? "--scope" : "--size", [&] { check_scope(plan.qcdim); });
        const SectionGeometry g =
            make_section(o.section.key(), map.dimension, plan.qcdim, plan.pstep, plan.center, plan.basvec);
        refused_as(o.map.in, [&] { check_reach(g); });
        // --cell is IN's: the section's axes are not the cell's, and only a section cut in A
        // has a cell, that of its pixels.
        if (!plan.cell && format_needs_cell(output_format(o.map.output))) {
            throw CommandFailure{o.map.output.out, "the section holds no unit cell (only one through an embedding cut in A "
                                                   "has one): write it as q47"};
        }
        Map section = operate(o.map.in, [&] { return cut_section(map, g); });
        section.cell = plan.cell;
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
