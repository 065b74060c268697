// voxmill info [--json] MAP...: what each map is and what its densities are.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace voxmill {

struct InfoOptions {
    bool json = false;
    std::vector<std::string> maps;
};

extern const char* const kInfoUsage;

// Adds the command and its options to `app`.
CLI::App* add_info_command(CLI::App& app, InfoOptions& options);
// 0 when every map was read, 1 when some could not be (each reported on `err`).
int run_info(const InfoOptions& options, std::ostream& out, std::ostream& err);

}  // namespace voxmill
