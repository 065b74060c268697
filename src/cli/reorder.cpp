// voxmill reorder: the map's axes permuted through their codes, as console option 4 does.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <limits>
#include <string>

#include "cli/axis_options.hpp"
#include "cli/command.hpp"
#include "cli/map_command.hpp"
#include "ops/reorder.hpp"

namespace voxmill {

namespace {

struct ReorderOptions {
    std::string order;
    std::string codes;  // empty: the order's
    std::int32_t subsystem = 0;
    OneMapOptions map;
};

void add_options(CLI::App& command, ReorderOptions& o) {
    add_order_option(command, "--order", o.order,
                     "the axis code that each output axis carries, one digit for each axis of the map (4123: the "
                     "axis of code 4 first)")
        ->required();
    add_order_option(command, "--codes", o.codes, "the axis codes written, one digit for each axis (default: --order)");
    command.add_option("--subsystem", o.subsystem, "the subsystem number written; 0, the default, keeps the input's")
        ->check(CLI::Range(0, std::numeric_limits<std::int32_t>::max()));
    add_one_map_options(command, o.map);
}

void check(const ReorderOptions& o) { check_one_map_options(o.map); }

int run(const ReorderOptions& o, std::ostream&, std::ostream& err) {
    return run_one_map(o.map, err, "reorder", [&](Map& map) {
        const std::string& codes = o.codes.empty() ? o.order : o.codes;
        require_per_axis("--order", o.order.size(), map, "digits");
        require_per_axis("--codes", codes.size(), map, "digits");
        BoxOrder box = whole_map_order(map, o.order, codes);
        box.subsystem = o.subsystem;
        return reorder(map, box);
    });
}

}  // namespace

const Command kReorderCommand{
    "reorder", "permute the map's axes through their axis codes (console option 4)",
    "usage: voxmill reorder --order DIGITS [--codes DIGITS] [--subsystem N] " VOXMILL_OUTPUT_USAGE " IN OUT",
    bind_options<ReorderOptions, add_options, check, run>};

}  // namespace voxmill
