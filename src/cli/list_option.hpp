// Options that take a list: one argument of comma-separated values (--axes 1,3), so that a
// list never takes the words after it as values of its own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace voxmill {

// `least` to `most` numbers; a value that is no number, or a count out of range, is a
// CLI::ValidationError naming the option.
CLI::Option* add_list_option(CLI::App& command, const std::string& name, std::vector<double>& values,
                             std::size_t least, std::size_t most, const std::string& description);
CLI::Option* add_list_option(CLI::App& command, const std::string& name, std::vector<int>& values,
                             std::size_t least, std::size_t most, const std::string& description);
// `count` such lists in one argument, separated by slashes: "1,0,0/0,1,0/0,0,1".
CLI::Option* add_lists_option(CLI::App& command, const std::string& name, std::vector<std::vector<double>>& lists,
                              std::size_t count, std::size_t least, std::size_t most, const std::string& description);

// Refuses a value that is NaN or infinite, or, with `single`, one that single precision does
// not hold (as the console reads its numbers); throws CLI::ValidationError naming the option.
void check_finite(const std::string& name, const std::vector<double>& values, bool single = false);

}  // namespace voxmill
