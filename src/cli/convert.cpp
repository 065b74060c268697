// voxmill convert: a map in another format.
#include <CLI/CLI.hpp>

#include "cli/command.hpp"
#include "cli/map_command.hpp"

namespace voxmill {

namespace {

void add_options(CLI::App& command, OneMapOptions& options) {
    command.description(command.get_description() + " (" + format_choices(", ") + ")");
    add_one_map_options(command, options);
}

int run(const OneMapOptions& o, std::ostream&, std::ostream& err) {
    return run_one_map(o, err, "convert", [](Map& map) { return std::move(map); });
}

}  // namespace

const Command kConvertCommand{"convert", "write a map in another format", "usage: voxmill convert " VOXMILL_OUTPUT_USAGE " IN OUT",
                              bind_options<OneMapOptions, add_options, check_one_map_options, run>};

}  // namespace voxmill
