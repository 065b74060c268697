// voxmill project: the sum of a superspace map over its superspace axes, as console option B
// makes it.
#include <CLI/CLI.hpp>

#include "cli/command.hpp"
#include "cli/map_command.hpp"
#include "ops/project.hpp"

namespace voxmill {

namespace {

int run(const OneMapOptions& o, std::ostream&, std::ostream& err) {
    return run_one_map(o, err, "project", [](Map& map) { return project(map); });
}

}  // namespace

const Command kProjectCommand{"project", "project a superspace map on real space: the sum over axes 4 to 6 (console option B)",
                              "usage: voxmill project " VOXMILL_OUTPUT_USAGE " IN OUT",
                              bind_options<OneMapOptions, add_one_map_options, check_one_map_options, run>};

}  // namespace voxmill
