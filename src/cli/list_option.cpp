#include "cli/list_option.hpp"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <string_view>

namespace voxmill {

namespace {

// The values of "A,B,C", each the whole of its item.
template <class T>
std::vector<T> parse_list(const std::string& name, const std::string& text, std::size_t least, std::size_t most) {
    std::vector<T> values;
    std::string_view rest = text;
    for (;;) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        T value{};
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (item.empty() || error != std::errc() || end != item.data() + item.size()) {
            throw CLI::ValidationError(name, "\"" + std::string(item) + "\" is not " +
                                                 (std::is_integral_v<T> ? "a whole number" : "a number"));
        }
        values.push_back(value);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    if (values.size() < least || values.size() > most) {
        const std::string count = least == most ? std::to_string(least) : std::to_string(least) + " to " + std::to_string(most);
        throw CLI::ValidationError(name, "takes " + count + " comma-separated values, found " + std::to_string(values.size()));
    }
    return values;
}

template <class T>
CLI::Option* add_list(CLI::App& command, const std::string& name, std::vector<T>& values, std::size_t least,
                      std::size_t most, const std::string& description) {
    return command
        .add_option_function<std::string>(
            name, [&values, name, least, most](const std::string& text) { values = parse_list<T>(name, text, least, most); },
            description)
        ->type_name("LIST");
}

}  // namespace

CLI::Option* add_lists_option(CLI::App& command, const std::string& name, std::vector<std::vector<double>>& lists,
                              std::size_t count, std::size_t least, std::size_t most, const std::string& description) {
    return command
        .add_option_function<std::string>(
            name,
            [&lists, name, count, least, most](const std::string& text) {
                std::vector<std::vector<double>> parsed;
                std::string_view rest = text;
                for (;;) {
                    const std::size_t slash = rest.find('/');
                    parsed.push_back(parse_list<double>(name, std::string(rest.substr(0, slash)), least, most));
                    if (slash == std::string_view::npos) break;
                    rest.remove_prefix(slash + 1);
                }
                if (parsed.size() != count) {
                    throw CLI::ValidationError(name, "takes " + std::to_string(count) + " lists separated by /, found " +
                                                         std::to_string(parsed.size()));
                }
                lists = std::move(parsed);
            },
            description)
        ->type_name("LIST/LIST/...");
}

void check_finite(const std::string& name, const std::vector<double>& values, bool single) {
    for (const double v : values) {
        if (!std::isfinite(v) || (single && !std::isfinite(static_cast<float>(v)))) {
            throw CLI::ValidationError(name, single ? "holds a value that is not a finite number of single precision"
                                                    : "holds a value that is not a finite number");
        }
    }
}

CLI::Option* add_list_option(CLI::App& command, const std::string& name, std::vector<double>& values,
                             std::size_t least, std::size_t most, const std::string& description) {
    return add_list(command, name, values, least, most, description);
}

CLI::Option* add_list_option(CLI::App& command, const std::string& name, std::vector<int>& values,
                             std::size_t least, std::size_t most, const std::string& description) {
    return add_list(command, name, values, least, most, description);
}

}  // namespace voxmill
