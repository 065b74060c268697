// What the commands that make a map out of maps share: the output options (--to, --cell,
// --xplor-layout, OUT) and their checks, reading an input, refusing an output that names an
// input, and writing the output whole or not at all. Every failure is a CommandFailure that
// names the file or the option.
#pragma once

#include <functional>
#include <new>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/map_files.hpp"
#include "cli/report.hpp"
#include "core/errors.hpp"

namespace CLI {
class App;
}

namespace voxmill {

// The usage words of the output options, for the commands' usage lines.
#define VOXMILL_OUTPUT_USAGE "[--to FORMAT] [--cell A,B,C,ALPHA,BETA,GAMMA] [--xplor-layout standard|one-per-line]"

struct OutputOptions {
    std::string to;            // a format name, or empty: from OUT's extension
    std::vector<double> cell;  // six numbers, or none
    std::string xplor_layout;  // "standard", "one-per-line", or empty
    std::string out;
};

// --to, --cell and --xplor-layout; `cell` describes what the cell is taken for.
void add_output_options(CLI::App& command, OutputOptions& options,
                        const char* cell = "unit cell A,B,C in A and ALPHA,BETA,GAMMA in degrees (q47 maps hold none)");
// An input map argument, and OUT (added after the inputs).
void add_input_argument(CLI::App& command, const char* name, std::string& path, const char* what = "input map");
void add_output_argument(CLI::App& command, OutputOptions& options);
// Checks what the parser cannot (a format for OUT, --xplor-layout for X-PLOR only, a sound
// cell); throws CLI::ValidationError.
void check_output_options(const OutputOptions& options);

// The format of OUT: --to, or OUT's extension.
MapFormat output_format(const OutputOptions& options);

// Refuses an output that would write one of the inputs.
void refuse_output_over(const std::string& out, const std::vector<std::string>& inputs);
// The map of `path`; what the reader had to guess goes to `err` as warnings.
MapFile read_input(const std::string& path, std::ostream& err);
// The map's cell replaced by --cell, when given.
void apply_cell(Map& map, const std::vector<double>& cell);

// A sentence of the console's (a refusal of an operation) as the part of one error line after
// the name: without the closing " Nothing was written." or full stop, its first word in lower
// case unless it is all capitals ("CCP4").
std::string as_clause(std::string sentence);

// The result of an operation on a map read from `name`: a MapError, or memory running out,
// is a failure of that name.
template <class Operation>
auto operate(const std::string& name, Operation&& operation) -> decltype(operation()) {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        throw CommandFailure{name, "not enough memory for the result"};
    } catch (const MapError& e) {
        throw CommandFailure{name, as_clause(e.what())};
    }
}

// Writes the map to OUT in the format asked for, with one more label saying which command
// made it (ten in all at most).
void write_output(Map& map, const OutputOptions& options, std::string_view command);

// The options of a command that makes one map of one: IN and the output options.
struct OneMapOptions {
    std::string in;
    OutputOptions output;
};

// The output options, IN and OUT.
void add_one_map_options(CLI::App& command, OneMapOptions& options);
inline void check_one_map_options(const OneMapOptions& options) { check_output_options(options.output); }

// Refuses an OUT that names IN, reads IN, gives it --cell, and writes to OUT the map that
// `make` makes of it (a MapError of `make` is a failure of IN). The exit status: 0 or 1, each
// failure reported on `err` and nothing written.
int run_one_map(const OneMapOptions& options, std::ostream& err, std::string_view command,
                const std::function<Map(Map&)>& make);

}  // namespace voxmill
