#include "support/readme_sessions.hpp"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vtest {

namespace {

const std::string kPrefix = "printf '";
const std::string kSuffix = "' | ../build/voxmill";

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char next = i + 1 < text.size() ? text[i + 1] : ' ';
        if (next == 'n') {
            out += '\n';
        } else if (next == '\\') {
            out += '\\';
        } else {
            throw std::runtime_error("README session with an escape the test does not read: " + text);
        }
        ++i;
    }
    return out;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

}  // namespace

std::string readme_text() {
    std::ifstream f(VOXMILL_SOURCE_DIR "/README.md", std::ios::binary);
    if (!f) throw std::runtime_error("cannot read README.md");
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<ReadmeSession> walkthrough_sessions(const std::string& readme) {
    std::vector<ReadmeSession> sessions;
    bool inside = false;
    for (const std::string& line : lines_of(readme)) {
        if (line.rfind("## ", 0) == 0) inside = line.rfind("## Walkthrough", 0) == 0;
        if (!inside || line.rfind(kPrefix, 0) != 0) continue;
        if (line.size() < kPrefix.size() + kSuffix.size() || line.substr(line.size() - kSuffix.size()) != kSuffix) {
            throw std::runtime_error("README session line not of the form printf '...' | ../build/voxmill: " + line);
        }
        ReadmeSession s;
        s.input = unescaped(line.substr(kPrefix.size(), line.size() - kPrefix.size() - kSuffix.size()));
        s.answers = lines_of(s.input);
        sessions.push_back(s);
    }
    return sessions;
}

std::vector<std::string> readme_commands(const std::string& readme) {
    std::vector<std::string> commands;
    for (const std::string& line : lines_of(readme)) {
        if (line.rfind("    apt-get install -y ", 0) == 0 || line.rfind("    cmake ", 0) == 0) commands.push_back(line.substr(4));
    }
    return commands;
}

}  // namespace vtest
