// voxmill convert [--to FORMAT] [--cell ...] [--xplor-layout ...] IN OUT: a map in another format.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace voxmill {

struct ConvertOptions {
    std::string to;            // a format name, or empty: from OUT's extension
    std::vector<double> cell;  // six numbers, or none
    std::string xplor_layout;  // "standard", "one-per-line", or empty
    std::string in, out;
};

extern const char* const kConvertUsage;

CLI::App* add_convert_command(CLI::App& app, ConvertOptions& options);
// Checks what the parser cannot (a format for OUT, a sound cell); throws CLI::ValidationError.
void check_convert_options(const ConvertOptions& options);
// 0 when OUT has been written, 1 when it could not be (reported on `err`, nothing written).
int run_convert(const ConvertOptions& options, std::ostream& err);

}  // namespace voxmill
