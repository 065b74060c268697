#include "cli/cell_option.hpp"

#include <CLI/CLI.hpp>
#include <cmath>

namespace voxmill {

void add_cell_option(CLI::App& command, std::vector<double>& cell, const char* description) {
    command.add_option("--cell", cell, description)->delimiter(',')->expected(6);
}

void check_cell(const std::vector<double>& cell) {
    for (std::size_t i = 0; i < cell.size(); ++i) {
        const bool sound = std::isfinite(cell[i]) && cell[i] > 0.0 && (i < 3 || cell[i] < 180.0);
        if (!sound) throw CLI::ValidationError("--cell", "lengths must be above 0 and angles between 0 and 180 degrees");
    }
}

}  // namespace voxmill
