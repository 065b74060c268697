// The walkthrough sessions of README.md, read back from the file itself so that the README
// and the end-to-end test run the same answers.
#pragma once

#include <string>
#include <vector>

namespace vtest {

struct ReadmeSession {
    std::string input;                 // what the printf line pipes in
    std::vector<std::string> answers;  // the same, one answer a line
    char option() const { return answers.empty() || answers[0].empty() ? ' ' : answers[0][0]; }
};

std::string readme_text();  // README.md of the source tree

// Every `printf '...' | ../build/voxmill` line under the heading "## Walkthrough...", in
// order. The printf text may hold only the escapes \n and \\; anything else throws.
std::vector<ReadmeSession> walkthrough_sessions(const std::string& readme);

// The indented command lines of the README ("    cmake ..."), in order.
std::vector<std::string> readme_commands(const std::string& readme);

}  // namespace vtest
