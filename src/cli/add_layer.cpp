// voxmill add-layer: the map closed along every axis, as console option 1 closes it.
#include <CLI/CLI.hpp>

#include "cli/command.hpp"
#include "cli/map_command.hpp"
#include "ops/closing_layer.hpp"

namespace voxmill {

namespace {

int run(const OneMapOptions& o, std::ostream&, std::ostream& err) {
    return run_one_map(o, err, "add-layer", [](Map& map) { return add_layer(map); });
}

}  // namespace

const Command kAddLayerCommand{
    "add-layer", "close the map: one more voxel at the end of every axis, repeating its first (console option 1)",
    "usage: voxmill add-layer " VOXMILL_OUTPUT_USAGE " IN OUT",
    bind_options<OneMapOptions, add_one_map_options, check_one_map_options, run>};

}  // namespace voxmill
