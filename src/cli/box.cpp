// voxmill box: a box of the map around a centre, wrapping around the cell where it reaches
// beyond it, its axes in the order asked for, as console option 7 cuts it.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/axis_options.hpp"
#include "cli/command.hpp"
#include "cli/list_option.hpp"
#include "cli/map_command.hpp"
#include "ops/reorder.hpp"

namespace voxmill {

namespace {

struct BoxOptions {
    std::vector<double> center, width;
    std::string order = "123456";
    OneMapOptions map;
};

void add_options(CLI::App& command, BoxOptions& o) {
    add_list_option(command, "--center", o.center, 1, 6, "the centre of the box in fractions of the cell, one for each axis")
        ->type_name("C1,...,Cn")
        ->required();
    add_list_option(command, "--width", o.width, 1, 6,
                    "the width of the box in fractions of the cell, one for each axis; a width of W takes "
                    "W times the axis's voxels and one more")
        ->type_name("W1,...,Wn")
        ->required();
    add_order_option(command, "--order", o.order,
                     "the axis code that each output axis carries, written as its code too (default 123456)");
    add_one_map_options(command, o.map);
}

void check(const BoxOptions& o) {
    check_finite("--center", o.center, true);
    check_finite("--width", o.width, true);
    check_one_map_options(o.map);
}

int run(const BoxOptions& o, std::ostream&, std::ostream& err) {
    return run_one_map(o.map, err, "box", [&](Map& map) {
        require_per_axis("--center", o.center.size(), map);
        require_per_axis("--width", o.width.size(), map);
        return reorder(map, box_order(map, o.center, o.width, o.order));
    });
}

}  // namespace

const Command kBoxCommand{
    "box", "cut a box around a centre, wrapping around the cell, its axes in a new order (console option 7)",
    "usage: voxmill box --center C1,...,Cn --width W1,...,Wn [--order DIGITS] " VOXMILL_OUTPUT_USAGE " IN OUT",
    bind_options<BoxOptions, add_options, check, run>};

}  // namespace voxmill
