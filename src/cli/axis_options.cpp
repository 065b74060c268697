#include "cli/axis_options.hpp"

#include <CLI/CLI.hpp>

#include "cli/report.hpp"
#include "core/voxmill_mod.hpp"

namespace voxmill {

CLI::Option* add_order_option(CLI::App& command, const std::string& name, std::string& order,
                              const std::string& description) {
    const CLI::Validator digits(
        [](std::string& text) {
            const bool all_digits = text.find_first_not_of("0123456789") == std::string::npos;
            return !text.empty() && text.size() <= 6 && all_digits ? std::string()
                                                                     : "\"" + text + "\" is not 1 to 6 digits";
        },
        "DIGITS");
    return command.add_option(name, order, description)->check(digits)->type_name("DIGITS");
}

void require_per_axis(const std::string& option, std::size_t given, const Map& map, const char* what) {
    if (given != static_cast<std::size_t>(map.dimension)) {
        throw CommandFailure{option, "gives " + std::to_string(given) + " " + what + " for a map of " +
                                         std::to_string(map.dimension) + " axes; it needs one for each axis"};
    }
}

}  // namespace voxmill
