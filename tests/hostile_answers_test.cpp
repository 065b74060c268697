// Answers a user should not give: input that ends anywhere, words where numbers are asked,
// lines of many thousand characters, names with NUL bytes, outputs that exist already or
// cannot take a byte. Each ends in order, with the status the program defines.
#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "app/operations.hpp"
#include "support/option_sessions.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

class HostileAnswers : public testing::Test {
protected:
    void SetUp() override { vtest::write_q47(in, {2, 2, 2, 2}, vtest::ramp(16, 0.25f)); }

    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(fs::path(in).parent_path())) names.insert(e.path().string());
        return names;
    }

    vtest::ScratchDir dir;
    const std::string in = dir.path("map.q47");
    const std::string out = dir.path("out");
};

TEST_F(HostileAnswers, InputEndingAtEveryLineOfEveryDialogueEndsWithStatusTwo) {
    for (const auto& s : vtest::q47_option_sessions()) {
        const auto lines = vtest::session_lines(s, in, out);
        for (std::size_t k = 0; k <= lines.size(); ++k) {
            fs::remove(out);
            const auto r = vtest::run_session(vtest::typed({lines.begin(), lines.begin() + static_cast<long>(k)}));
            SCOPED_TRACE(std::string("option ") + s.option + " after " + std::to_string(k) + " lines");
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.err.rfind("Error: the console input ended where ", 0), 0u) << r.err;
            EXPECT_EQ(r.out.find(vtest::kFinished) != std::string::npos, k == lines.size());
            if (s.new_q47) {
                EXPECT_EQ(fs::exists(out), k == lines.size());
            }
        }
    }
}

TEST_F(HostileAnswers, NumbersThatAreNotNumbersEndWithStatusTwoAndMakeNoNewMap) {
    const std::vector<std::string> not_numbers{"x", "--1", "1e", "0x10", std::string(100000, 'z')};
    for (const auto& s : vtest::q47_option_sessions()) {
        for (std::size_t at : s.numbers) {
            for (const std::string& bad : not_numbers) {
                auto lines = vtest::session_lines(s, in, out);
                lines[at + 1] = bad;
                fs::remove(out);
                const auto r = vtest::run_session(vtest::typed(lines) + "Q\n");
                SCOPED_TRACE(std::string("option ") + s.option + ", answer " + std::to_string(at) + ": " +
                             bad.substr(0, 20));
                EXPECT_EQ(r.status, 2);
                EXPECT_EQ(r.err.rfind("Error: cannot read ", 0), 0u) << r.err.substr(0, 200);
                EXPECT_EQ(r.out.find(vtest::kFinished), std::string::npos);
                if (s.new_q47) {
                    EXPECT_FALSE(fs::exists(out));
                }
            }
        }
    }
}

// Lines of a hundred thousand characters: a name is cut to the 264 characters of a name, and
// the numbers of an answer are taken from the front of a line whose rest is dropped.
TEST_F(HostileAnswers, AnswersOfManyThousandCharactersAreCutOrDropped) {
    const std::string tail(100000, 'z');
    for (const auto& s : vtest::q47_option_sessions()) {
        auto lines = vtest::session_lines(s, in, out);
        for (std::size_t at : s.numbers) lines[at + 1] += " " + tail;
        const std::string typed_out = dir.path(std::string(10000, 'a'));
        lines[s.option == '2' ? 3 : 2] = typed_out;
        const auto before = files();
        const auto r = vtest::run_session(vtest::typed(lines) + "Q\n");
        SCOPED_TRACE(std::string("option ") + s.option);
        EXPECT_EQ(r.status, 0) << r.err.substr(0, 200);
        EXPECT_NE(r.out.find(vtest::kFinished), std::string::npos);
        auto made = files();
        for (const std::string& f : before) made.erase(f);
        EXPECT_EQ(made, std::set<std::string>{typed_out.substr(0, 264)});
        fs::remove(typed_out.substr(0, 264));
    }
    const std::string long_in = dir.path(std::string(10000, 'b'));
    const auto r = vtest::run_session("F\n" + long_in + "\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find(" The file " + long_in.substr(0, 264) + " does not exist. Try again:\r\n"), std::string::npos);
}

// A NUL byte would cut a name short on its way to the system, to the name of another file.
TEST_F(HostileAnswers, NamesWithANulByteNameNoOtherFile) {
    const std::string nul("\0x", 2);
    auto r = vtest::run_session("F\n" + in + nul + "\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find(" The file " + in + nul + " does not exist. Try again:\r\n"), std::string::npos);

    r = vtest::run_session("1\n" + in + "\n" + out + nul + "\nQ\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Routine WriteOrvo:\r\nError! Cannot open density file for writing!\r\n"), std::string::npos);
    EXPECT_NE(r.out.find(vtest::kFinished), std::string::npos);
    for (char option : {'A', 'E', 'F'}) {
        r = vtest::run_session(std::string(1, option) + "\n" + in + "\n" + out + nul + "\n3 3 3 90 90 90\nQ\n");
        EXPECT_EQ(r.status, 3) << option;
        EXPECT_NE(r.err.find("cannot create the "), std::string::npos) << option;
        EXPECT_FALSE(fs::exists(out)) << option;
    }
    vtest::write_bytes(dir.path("map.xplor"), {' ', '\n'});
    r = vtest::run_session("D\n" + dir.path("map.xplor") + nul + "\n" + out + "\nQ\n");
    EXPECT_NE(r.out.find("Error! Cannot open density file for reading!"), std::string::npos);
    EXPECT_EQ(r.err, "STOP Error during reading of the reference density. Check the log file.\r\n");
    EXPECT_FALSE(fs::exists(out));
}

// The options that make a new map leave a file of that name byte for byte as it was, the
// input map itself included.
TEST_F(HostileAnswers, ExistingFilesAreNotOverwrittenByOptionsThatMakeNewMaps) {
    const std::vector<unsigned char> old{'o', 'l', 'd', '\n', 0, 255};
    const auto map_bytes = vtest::read_bytes(in);
    for (const auto& s : vtest::q47_option_sessions()) {
        if (!s.new_q47) continue;
        for (const std::string& target : {out, in}) {
            if (target == out) vtest::write_bytes(out, old);
            const auto r = vtest::run_session(vtest::typed(vtest::session_lines(s, in, target)) + "Q\n");
            SCOPED_TRACE(std::string("option ") + s.option + " onto " + target);
            EXPECT_EQ(vtest::read_bytes(out), old);
            EXPECT_EQ(vtest::read_bytes(in), map_bytes);
            if (s.option == '1') {
                EXPECT_EQ(r.status, 0);
                EXPECT_NE(r.out.find("Error! Cannot open density file for writing!\r\nNothing has been written! "
                                     "Returning...\r\n\r\n" + vtest::kFinished),
                          std::string::npos);
            } else {
                EXPECT_EQ(r.status, 3);
                EXPECT_EQ(r.err, "Error: the output map " + target + " exists already and is left as it was. Stopping.\r\n");
            }
        }
    }
}

// Outputs that take no byte: a full device and a folder. The options that may write over a
// file end with a message naming it; none ends in a signal.
TEST_F(HostileAnswers, OutputsThatCannotBeWrittenEndTheRunNamingTheFile) {
    const std::vector<std::string> targets{dir.path(""), "/dev/full"};
    for (const auto& s : vtest::q47_option_sessions()) {
        for (const std::string& target : targets) {
            if (!fs::exists(target)) continue;
            const auto r = vtest::run_session(vtest::typed(vtest::session_lines(s, in, target)) + "Q\n");
            SCOPED_TRACE(std::string("option ") + s.option + " onto " + target);
            EXPECT_EQ(r.out.find(vtest::kFinished) == std::string::npos, s.option != '1');
            if (s.option == '1') {
                EXPECT_EQ(r.status, 0);
            } else {
                EXPECT_EQ(r.status, 3);
                EXPECT_NE(r.err.find(target), std::string::npos) << r.err;
            }
        }
    }
}

TEST_F(HostileAnswers, MemoryRunningOutEndsWithStatusFour) {
    voxmill::Operations ops = voxmill::default_operations();
    ops.histogram = [](voxmill::State&, voxmill::Console&, std::int32_t) { throw std::bad_alloc(); };
    const auto r = vtest::run_session("F\n" + in + "\n" + out + "\n3\nQ\n", ops);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "Error: cannot allocate the memory this operation needs. Stopping.\r\n");
}

}  // namespace
