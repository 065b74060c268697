// Free-format (list-directed) reading of numbers from answer lines: items separated by
// blanks, tabs, commas or line ends; "r*c" repeats c r times, "r*" leaves r items unchanged;
// an empty item between commas leaves its variable unchanged; a slash ends the list and
// leaves the rest unchanged. Reading goes on over further lines until every item is read;
// what is left on the last line is dropped.
#pragma once

#include <cstdint>
#include <string>

namespace voxmill {

// Where the lines of one answer come from. next() gives the next line without its line end,
// or false when the input has ended.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual bool next(std::string& line) = 0;
};

// Both throw ConsoleError when a value cannot be read or the lines end too soon.
void read_free_ints(LineSource& src, std::int32_t* values, int count);
void read_free_reals(LineSource& src, float* values, int count);

// One value in the free-format notation; false when the text is not such a value.
bool parse_free_int(const std::string& text, std::int32_t& value);
bool parse_free_real(const std::string& text, float& value);

}  // namespace voxmill
