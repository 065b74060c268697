// voxmill shift: the map rolled periodically by whole voxels, so that its origin moves, as
// console option 5 does.
#include <CLI/CLI.hpp>
#include <vector>

#include "cli/axis_options.hpp"
#include "cli/command.hpp"
#include "cli/list_option.hpp"
#include "cli/map_command.hpp"
#include "ops/reorder.hpp"

namespace voxmill {

namespace {

struct ShiftOptions {
    std::vector<double> by;
    OneMapOptions map;
};

void add_options(CLI::App& command, ShiftOptions& o) {
    add_list_option(command, "--by", o.by, 1, 6,
                    "the shift of the origin in fractions of the cell, one for each axis of the map; each axis moves "
                    "by the nearest whole number of voxels")
        ->type_name("F1,...,Fn")
        ->required();
    add_one_map_options(command, o.map);
}

void check(const ShiftOptions& o) {
    check_finite("--by", o.by, true);
    check_one_map_options(o.map);
}

int run(const ShiftOptions& o, std::ostream&, std::ostream& err) {
    return run_one_map(o.map, err, "shift", [&](Map& map) {
        require_per_axis("--by", o.by.size(), map);
        return reorder(map, shift_order(map, o.by));
    });
}

}  // namespace

const Command kShiftCommand{"shift", "move the origin of the map by whole voxels, rolling it periodically (console option 5)",
                            "usage: voxmill shift --by F1,...,Fn " VOXMILL_OUTPUT_USAGE " IN OUT",
                            bind_options<ShiftOptions, add_options, check, run>};

}  // namespace voxmill
