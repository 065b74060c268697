// What the commands that move or cut a map's axes share: an order of axes given as digits, and
// the check that a list gives one number per axis of the map read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/map.hpp"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace voxmill {

// An option that takes an order of axes: 1 to 6 digits, the axis codes in output order.
CLI::Option* add_order_option(CLI::App& command, const std::string& name, std::string& order,
                              const std::string& description);

// Refuses (a CommandFailure naming the option) a list of `given` numbers for a map whose
// dimension is not `given`; `what` says what the option gives ("values", "digits").
void require_per_axis(const std::string& option, std::size_t given, const Map& map, const char* what = "values");

}  // namespace voxmill
