// The answers of every menu option that reads a q47 map, for sessions that run the options
// on maps of four dimensions, and what each option does when its map cannot be read (none
// leaves an output file then).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vtest {

struct OptionSession {
    char option;
    std::vector<std::string> answers;      // the lines that follow the option, `in` and `out` as placeholders
    std::vector<std::size_t> numbers;      // positions in `answers` of the free-format number answers
    std::string failed_read_err;           // the error output when the map cannot be read
    int failed_read_status;
    bool new_q47;                          // the output must be a new file
};

// Options 1, 2, 4, 5, 7, A, B, C, E and F, with answers that suit any map of four dimensions.
const std::vector<OptionSession>& q47_option_sessions();

// The option and its answers as lines, with the placeholders replaced.
std::vector<std::string> session_lines(const OptionSession& s, const std::string& in, const std::string& out);
// Lines joined as typed, each with its line end.
std::string typed(const std::vector<std::string>& lines);

// The block of the q47 reader when a data record is missing.
extern const std::string kReadFailureBlock;
extern const std::string kFinished;

}  // namespace vtest
