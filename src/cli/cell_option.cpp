#include "cli/cell_option.hpp"

#include <CLI/CLI.hpp>
#include <array>

#include "cli/list_option.hpp"
#include "core/map.hpp"

namespace voxmill {

void add_cell_option(CLI::App& command, std::vector<double>& cell, const char* description) {
    add_list_option(command, "--cell", cell, 6, 6, description)->type_name("A,B,C,ALPHA,BETA,GAMMA");
}

void check_cell(const std::vector<double>& cell) {
    if (cell.empty()) return;
    if (!sound_cell({cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]})) {
        throw CLI::ValidationError("--cell", "lengths must be above 0 and angles between 0 and 180 degrees, "
                                             "making a cell of some volume");
    }
}

}  // namespace voxmill
