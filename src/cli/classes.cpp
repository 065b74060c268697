// voxmill classes: the equal-count class limits of a map's densities, written as the table
// of console option F.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <limits>
#include <new>
#include <string>

#include "cli/command.hpp"
#include "cli/map_command.hpp"
#include "core/errors.hpp"
#include "formats/class_table.hpp"
#include "ops/histogram.hpp"

namespace voxmill {

namespace {

struct ClassesOptions {
    std::int32_t count = 0;
    std::string in, out;
};

void add_options(CLI::App& command, ClassesOptions& o) {
    command.add_option("--count", o.count, "the number of classes, each of as many voxels (1 or more)")
        ->check(CLI::Range(1, std::numeric_limits<std::int32_t>::max()))
        ->required();
    add_input_argument(command, "IN", o.in);
    command.add_option("OUT", o.out, "text file: the density at the start of each class, then the largest, one a line (F14.7)")
        ->required();
}

int run(const ClassesOptions& o, std::ostream&, std::ostream& err) {
    return reported(err, [&] {
        refuse_output_over(o.out, {o.in});
        MapFile f = read_input(o.in, err);
        const std::int64_t voxels = f.map.voxels();
        if (voxels > std::numeric_limits<std::int32_t>::max()) {
            throw CommandFailure{o.in, "a map of " + std::to_string(voxels) + " voxels: the classes are counted in 32 bits"};
        }
        // The limits are found by reordering the densities, which are this command's own.
        const std::vector<float> limits = operate(o.in, [&] {
            return class_limits(f.map.rho.data(), static_cast<std::int32_t>(voxels), o.count);
        });
        try {
            write_class_table(o.out, limits);
        } catch (const std::bad_alloc&) {
            throw CommandFailure{o.out, "not enough memory to write the table"};
        } catch (const FileError& e) {
            throw CommandFailure{o.out, e.problem()};
        }
    });
}

}  // namespace

const Command kClassesCommand{"classes", "the limits of equal-count classes of the densities, as a text table (console option F)",
                              "usage: voxmill classes --count N IN OUT",
                              bind_options<ClassesOptions, add_options, no_check<ClassesOptions>, run>};

}  // namespace voxmill
