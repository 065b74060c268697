#include "support/option_sessions.hpp"

namespace vtest {

const std::string kReadFailureBlock =
    "\r\nRoutine ReadOrvo:\r\nError! Cannot read density file!\r\nSomething may have been read! Returning...\r\n\r\n";
const std::string kFinished = "Finished. What now?\r\n";

const std::vector<OptionSession>& q47_option_sessions() {
    const std::string stop = "STOP Error reading density. Stopping.\r\n";
    static const std::vector<OptionSession> sessions{
        {'1', {"in", "out"}, {}, "", 0, true},
        {'2', {"in", "in", "out", "1"}, {}, "Error: cannot read record ", 3, false},
        {'4', {"in", "out", "1234", "1234", "0"}, {}, stop, 0, true},
        {'5', {"in", "out", "0.5 0 0 0"}, {2}, stop, 0, true},
        {'7', {"in", "out", "0.5 0.5 0.5 0.5", "1 1 1 1", "1234"}, {2, 3}, stop, 0, true},
        {'A', {"in", "out", "10 10 10 90 90 90"}, {2}, "", 0, false},
        {'B', {"in", "out"}, {}, stop, 0, true},
        {'C', {"in", "out", "1", "0 1 0 1 0 1", "0 0 0 0", "1 0 0 0", "0 1 0 0", "0 0 1 0", "1 1 1"},
         {3, 4, 5, 6, 7, 8}, stop, 0, false},
        {'E', {"in", "out", "10 10 10 90 90 90"}, {2}, "", 0, false},
        {'F', {"in", "out", "3"}, {2}, "", 0, false},
    };
    return sessions;
}

std::vector<std::string> session_lines(const OptionSession& s, const std::string& in, const std::string& out) {
    std::vector<std::string> lines{std::string(1, s.option)};
    for (const std::string& a : s.answers) lines.push_back(a == "in" ? in : a == "out" ? out : a);
    return lines;
}

std::string typed(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

}  // namespace vtest
