// The real program as a process: exit statuses and the error output.
#include <gtest/gtest.h>

#include <fstream>

#include "support/test_support.hpp"

namespace {

using vtest::ProcessRun;

// The console with `input` piped in.
ProcessRun run_binary(const vtest::ScratchDir& dir, const std::string& input) {
    {
        std::ofstream f(dir.path("stdin"), std::ios::binary);
        f << input;
    }
    return vtest::voxmill(dir, "< stdin");
}

}  // namespace

TEST(Process, QuitEndsWithByeAndStatusZero) {
    vtest::ScratchDir dir;
    const ProcessRun r = run_binary(dir, "q\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.substr(r.out.size() - 5), "Bye\r\n");
}

TEST(Process, TheEndOfInputEndsWithStatusTwoAndSaysWhatWasExpected) {
    vtest::ScratchDir dir;
    const ProcessRun r = run_binary(dir, "5\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Error: the console input ended where a text answer was expected. Stopping.\r\n");
}

TEST(Process, AStopWritesItsLineOnTheErrorOutputWithStatusZero) {
    vtest::ScratchDir dir;
    // Two maps with the same dimension count but different layer counts cannot be combined.
    vtest::write_q47(dir.path("a"), {4, 4, 2}, vtest::ramp(32));
    vtest::write_q47(dir.path("b"), {4, 4, 3}, vtest::ramp(48));
    const ProcessRun r = run_binary(dir, "2\na\nb\nc\n1\nQ\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "STOP Error, inconsistent lengths of input maps!\r\n");
    EXPECT_NE(r.out.find(" precetl\r\n"), std::string::npos);
    EXPECT_EQ(r.out.find("Finished"), std::string::npos);
}
