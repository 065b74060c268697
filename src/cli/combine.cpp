// voxmill combine: two maps of one grid combined voxel by voxel, as console option 2 combines
// them, with the R-value of the pair and the range of the result on standard output.
#include <CLI/CLI.hpp>
#include <string>

#include "cli/command.hpp"
#include "cli/map_command.hpp"
#include "core/fields.hpp"
#include "ops/combine.hpp"

namespace voxmill {

namespace {

Combination combination_named(const std::string& op) {
    if (op == "relative") return Combination::relative;
    if (op == "sum") return Combination::sum;
    if (op == "share") return Combination::share;
    return Combination::difference;
}

struct CombineOptions {
    std::string op;
    std::string a, b;
    OutputOptions output;
};

void add_options(CLI::App& command, CombineOptions& o) {
    command
        .add_option("--op", o.op,
                    "difference A-B, relative 100 (A-B)/B, sum A+B, or share |A|/(|A|+|B|), A's share of the sum")
        ->check(CLI::IsMember({"difference", "relative", "sum", "share"}))
        ->type_name("OP")
        ->required();
    add_output_options(command, o.output);
    add_input_argument(command, "A", o.a, "first map");
    add_input_argument(command, "B", o.b, "second map, whose frame the result takes");
    add_output_argument(command, o.output);
}

void check(const CombineOptions& o) { check_output_options(o.output); }

// A number with the decimals of the console's field, in a field wide enough for any value (a
// float's 39 digits, sign, point and decimals).
std::string fixed(double value, int decimals) {
    const std::string field = fmt_f(value, 64, decimals);
    return field.substr(field.find_first_not_of(' '));
}

int run(const CombineOptions& o, std::ostream& out, std::ostream& err) {
    return reported(err, [&] {
        refuse_output_over(o.output.out, {o.a, o.b});
        MapFile a = read_input(o.a, err);
        MapFile b = read_input(o.b, err);
        apply_cell(a.map, o.output.cell);
        apply_cell(b.map, o.output.cell);
        // The result lies on B's frame, map code 6.
        const Combination how = combination_named(o.op);
        CombinedMap c = operate(o.b, [&] { return combine(a.map, b.map, how); });
        write_output(c.map, o.output, "combine");
        const CombinationTotals& t = c.totals;
        if (how == Combination::share) {
            out << "average " << fixed(static_cast<float>(t.sum / static_cast<double>(t.voxels)), 6) << '\n';
        }
        out << "R-value " << fixed(static_cast<float>(t.r_value()), 6) << '\n';
        out << "minimum " << fixed(t.range.rmin, 3) << " maximum " << fixed(t.range.rmax, 3) << '\n';
    });
}

}  // namespace

const Command kCombineCommand{
    "combine", "combine two maps of one grid voxel by voxel, with their R-value (console option 2)",
    "usage: voxmill combine --op difference|relative|sum|share " VOXMILL_OUTPUT_USAGE " A B OUT",
    bind_options<CombineOptions, add_options, check, run>};

}  // namespace voxmill
