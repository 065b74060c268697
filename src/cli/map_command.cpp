#include "cli/map_command.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cctype>
#include <new>
#include <string_view>

#include "cli/cell_option.hpp"
#include "cli/version.hpp"
#include "core/errors.hpp"
#include "formats/same_file.hpp"

namespace voxmill {

MapFormat output_format(const OutputOptions& o) {
    if (!o.to.empty()) return *format_named(o.to);
    return *format_of_extension(o.out);
}

void add_output_options(CLI::App& command, OutputOptions& options, const char* cell) {
    command.add_option("--to", options.to, "output format: " + format_choices_titled() + "; default from OUT's extension")
        ->check(CLI::IsMember(format_names()));
    add_cell_option(command, options.cell, cell);
    command
        .add_option("--xplor-layout", options.xplor_layout,
                    "X-PLOR output: standard (six values a line, the default) or one-per-line (as menu option E)")
        ->check(CLI::IsMember({"standard", "one-per-line"}));
}

void add_input_argument(CLI::App& command, const char* name, std::string& path, const char* what) {
    command.add_option(name, path, std::string(what) + " (" + readable_formats() + "; recognised by its content)")->required();
}

void add_output_argument(CLI::App& command, OutputOptions& options) {
    command.add_option("OUT", options.out, "output file " + output_extensions())->required();
}

void check_output_options(const OutputOptions& o) {
    if (o.to.empty() && !format_of_extension(o.out)) {
        throw CLI::ValidationError("OUT", o.out + ": unknown extension; give --to " + format_choices());
    }
    if (!o.xplor_layout.empty() && output_format(o) != MapFormat::xplor) {
        throw CLI::ValidationError("--xplor-layout", "applies to X-PLOR output only");
    }
    check_cell(o.cell);
}

void refuse_output_over(const std::string& out, const std::vector<std::string>& inputs) {
    for (const std::string& in : inputs) {
        if (same_file(in, out)) throw CommandFailure{out, "is the input file " + in + "; nothing was written"};
    }
}

MapFile read_input(const std::string& path, std::ostream& err) {
    MapFile f;
    try {
        f = read_map_file(path);
    } catch (const std::bad_alloc&) {
        throw CommandFailure{path, "not enough memory for the map"};
    } catch (const std::exception& e) {
        throw CommandFailure{path, e.what()};
    }
    for (const std::string& w : f.warnings) report_warning(err, path, w);
    return f;
}

void apply_cell(Map& map, const std::vector<double>& cell) {
    if (!cell.empty()) map.cell = std::array<double, 6>{cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]};
}

std::string as_clause(std::string sentence) {
    for (const std::string_view end : {" Nothing was written.", "."}) {
        if (sentence.ends_with(end)) sentence.erase(sentence.size() - end.size());
    }
    const std::string_view first_word = std::string_view(sentence).substr(0, sentence.find(' '));
    const auto capital = [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; };
    if (!first_word.empty() && capital(first_word[0]) && std::none_of(first_word.begin() + 1, first_word.end(), capital)) {
        sentence[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(sentence[0])));
    }
    return sentence;
}

void write_output(Map& map, const OutputOptions& o, std::string_view command) {
    const XplorLayout layout = o.xplor_layout == "one-per-line" ? XplorLayout::one_per_line : XplorLayout::standard;
    if (map.labels.size() > 9) map.labels.resize(9);
    map.labels.push_back(std::string("voxmill ") + kVersion + " " + std::string(command));
    try {
        write_map_file(map, o.out, output_format(o), layout);
    } catch (const std::bad_alloc&) {
        throw CommandFailure{o.out, "not enough memory to write the map"};
    } catch (const FileError& e) {
        throw CommandFailure{o.out, e.problem()};
    } catch (const std::exception& e) {
        throw CommandFailure{o.out, e.what()};
    }
}

void add_one_map_options(CLI::App& command, OneMapOptions& options) {
    add_output_options(command, options.output);
    add_input_argument(command, "IN", options.in);
    add_output_argument(command, options.output);
}

int run_one_map(const OneMapOptions& o, std::ostream& err, std::string_view command,
                const std::function<Map(Map&)>& make) {
    return reported(err, [&] {
        refuse_output_over(o.output.out, {o.in});
        MapFile f = read_input(o.in, err);
        apply_cell(f.map, o.output.cell);
        Map made = operate(o.in, [&] { return make(f.map); });
        write_output(made, o.output, command);
    });
}

}  // namespace voxmill
