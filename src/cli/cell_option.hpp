// The --cell option that convert and plot share: A,B,C in A and ALPHA,BETA,GAMMA in degrees.
#pragma once

#include <vector>

namespace CLI {
class App;
}

namespace voxmill {

void add_cell_option(CLI::App& command, std::vector<double>& cell, const char* description);
// A sound cell (sound_cell) or none; throws CLI::ValidationError.
void check_cell(const std::vector<double>& cell);

}  // namespace voxmill
