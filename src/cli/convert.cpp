#include "cli/convert.hpp"

#include <CLI/CLI.hpp>
#include <array>
#include <new>

#include "cli/cell_option.hpp"
#include "cli/map_files.hpp"
#include "cli/report.hpp"
#include "cli/version.hpp"
#include "core/errors.hpp"
#include "formats/same_file.hpp"

namespace voxmill {

const char* const kConvertUsage =
    "usage: voxmill convert [--to FORMAT] [--cell A,B,C,ALPHA,BETA,GAMMA] [--xplor-layout standard|one-per-line] IN OUT";

namespace {

MapFormat output_format(const ConvertOptions& o) {
    if (!o.to.empty()) return *format_named(o.to);
    return *format_of_extension(o.out);
}

}  // namespace

CLI::App* add_convert_command(CLI::App& app, ConvertOptions& options) {
    CLI::App* convert = app.add_subcommand("convert", "write a map in another format (q47, ccp4, xplor, vend)");
    convert->add_option("--to", options.to, "output format: q47, ccp4 (CCP4/MRC2014), xplor or vend; default from OUT's extension")
        ->check(CLI::IsMember({"q47", "ccp4", "xplor", "vend"}));
    add_cell_option(*convert, options.cell, "unit cell A,B,C in A and ALPHA,BETA,GAMMA in degrees (q47 maps hold none)");
    convert->add_option("--xplor-layout", options.xplor_layout,
                        "X-PLOR output: standard (six values a line, the default) or one-per-line (as menu option E)")
        ->check(CLI::IsMember({"standard", "one-per-line"}));
    convert->add_option("IN", options.in, "input map (q47, CCP4/MRC, X-PLOR; recognised by its content)")->required();
    convert->add_option("OUT", options.out, "output file (.q47, .ccp4/.map/.mrc, .xplor/.xplr, .vend)")->required();
    return convert;
}

void check_convert_options(const ConvertOptions& o) {
    if (o.to.empty() && !format_of_extension(o.out)) {
        throw CLI::ValidationError("OUT", o.out + ": unknown extension; give --to q47, ccp4, xplor or vend");
    }
    if (!o.xplor_layout.empty() && output_format(o) != MapFormat::xplor) {
        throw CLI::ValidationError("--xplor-layout", "applies to X-PLOR output only");
    }
    check_cell(o.cell);
}

int run_convert(const ConvertOptions& o, std::ostream& err) {
    const MapFormat format = output_format(o);
    const XplorLayout layout = o.xplor_layout == "one-per-line" ? XplorLayout::one_per_line : XplorLayout::standard;
    if (same_file(o.in, o.out)) {
        report_error(err, o.out, "is the input file " + o.in + "; nothing was written");
        return 1;
    }
    MapFile f;
    try {
        f = read_map_file(o.in);
    } catch (const std::bad_alloc&) {
        report_error(err, o.in, "not enough memory for the map");
        return 1;
    } catch (const std::exception& e) {
        report_error(err, o.in, e.what());
        return 1;
    }
    for (const std::string& w : f.warnings) report_warning(err, o.in, w);
    if (!o.cell.empty()) f.map.cell = std::array<double, 6>{o.cell[0], o.cell[1], o.cell[2], o.cell[3], o.cell[4], o.cell[5]};
    // The input's labels go on, and one more says what made the file (ten in all at most).
    if (f.map.labels.size() > 9) f.map.labels.resize(9);
    f.map.labels.push_back(std::string("voxmill ") + kVersion + " convert");
    try {
        write_map_file(f.map, o.out, format, layout);
    } catch (const std::bad_alloc&) {
        report_error(err, o.out, "not enough memory to write the map");
        return 1;
    } catch (const FileError& e) {
        report_error(err, o.out, e.problem());
        return 1;
    } catch (const std::exception& e) {
        report_error(err, o.out, e.what());
        return 1;
    }
    return 0;
}

}  // namespace voxmill
