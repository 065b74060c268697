#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "app/console.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"
#include "core/fields.hpp"

using voxmill::fmt_f;
using voxmill::fmt_i;

TEST(FixedFields, FollowTheFortranEditDescriptors) {
    EXPECT_EQ(fmt_f(0.5, 12, 4), "      0.5000");
    EXPECT_EQ(fmt_f(0.5, 8, 6), "0.500000");
    EXPECT_EQ(fmt_f(-0.5, 8, 6), "-.500000");
    EXPECT_EQ(fmt_f(10.0, 8, 6), "********");
    EXPECT_EQ(fmt_f(1.0e7, 12, 4), "************");
    EXPECT_EQ(fmt_f(-1.0e6, 12, 4), "************");
    EXPECT_EQ(fmt_f(9999999.0, 12, 4), "9999999.0000");
    EXPECT_EQ(fmt_f(-0.00001, 12, 4), "     -0.0000");
    EXPECT_EQ(fmt_f(-0.0, 12, 4), "     -0.0000");
    EXPECT_EQ(fmt_f(0.03125, 12, 4), "      0.0312");
    EXPECT_EQ(fmt_f(0.09375, 12, 4), "      0.0938");
    EXPECT_EQ(fmt_f(999999.9f, 14, 7), "999999.8750000");
    EXPECT_EQ(fmt_f(5.0, 4, 0), "  5.");
}

TEST(FixedFields, SpellOutNaNAndInfinities) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(fmt_f(std::nan(""), 10, 6), "       NaN");
    EXPECT_EQ(fmt_f(inf, 10, 6), "  Infinity");
    EXPECT_EQ(fmt_f(-inf, 10, 6), " -Infinity");
    EXPECT_EQ(fmt_f(-inf, 8, 6), "    -Inf");
    EXPECT_EQ(fmt_f(inf, 3, 0), "Inf");
    EXPECT_EQ(fmt_f(inf, 2, 0), "**");
    EXPECT_EQ(fmt_f(std::nan(""), 2, 1), "**");
}

TEST(FixedFields, IntegersFillWithAsterisksWhenTooWide) {
    EXPECT_EQ(fmt_i(4, 2), " 4");
    EXPECT_EQ(fmt_i(-12345, 5), "*****");
    EXPECT_EQ(fmt_i(100, 2), "**");
    EXPECT_EQ(fmt_i(-1234, 5), "-1234");
}

namespace {

struct Answers {
    explicit Answers(const std::string& text) : in(text), con(in, out, err) {}
    std::istringstream in;
    std::ostringstream out, err;
    voxmill::Console con;
};

std::vector<float> reals(const std::string& text, int count, float start = -7.0f) {
    Answers a(text);
    std::vector<float> v(static_cast<std::size_t>(count), start);
    a.con.read_reals(v.data(), count);
    return v;
}

}  // namespace

TEST(FreeFormat, ReadsOverLinesAndDropsWhatIsLeft) {
    Answers a("1,2\n\n3 99 100\n4\n");
    float v[3] = {};
    a.con.read_reals(v, 3);
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 2.0f);
    EXPECT_EQ(v[2], 3.0f);
    float next = 0;
    a.con.read_reals(&next, 1);  // a new question starts on a new line
    EXPECT_EQ(next, 4.0f);
}

TEST(FreeFormat, RepeatsSlashesAndEmptyItems) {
    EXPECT_EQ(reals("3*2.5\n", 3), (std::vector<float>{2.5f, 2.5f, 2.5f}));
    EXPECT_EQ(reals("1 /\n", 3), (std::vector<float>{1.0f, -7.0f, -7.0f}));
    EXPECT_EQ(reals("1,,3\n", 3), (std::vector<float>{1.0f, -7.0f, 3.0f}));
    EXPECT_EQ(reals(",2\n", 2), (std::vector<float>{-7.0f, 2.0f}));
    EXPECT_EQ(reals("2*,5\n", 3), (std::vector<float>{-7.0f, -7.0f, 5.0f}));
    EXPECT_EQ(reals("1,\n2\n", 2), (std::vector<float>{1.0f, 2.0f}));
    EXPECT_EQ(reals("2e1\t1d1 .5\n", 3), (std::vector<float>{20.0f, 10.0f, 0.5f}));
    EXPECT_EQ(reals("-0.25 +3. 1E-2\r\n", 3), (std::vector<float>{-0.25f, 3.0f, 0.01f}));
}

TEST(FreeFormat, RefusesWhatIsNotANumber) {
    EXPECT_THROW(reals("1 x 3\n", 3), voxmill::ConsoleError);
    EXPECT_THROW(reals("1 2\n", 3), voxmill::ConsoleError);  // the input ends first
    EXPECT_THROW(reals("e5\n", 1), voxmill::ConsoleError);
    EXPECT_THROW(reals("0*3\n", 1), voxmill::ConsoleError);
    Answers a("1.5 2\n");
    std::int32_t v[2] = {};
    EXPECT_THROW(a.con.read_ints(v, 2), voxmill::ConsoleError);
    Answers big("3000000000\n");
    EXPECT_THROW(big.con.read_ints(v, 1), voxmill::ConsoleError);
}

TEST(FreeFormat, ReadsSignedIntegersWithRepeats) {
    Answers a("-5, +7 2*9\n");
    std::int32_t v[4] = {};
    a.con.read_ints(v, 4);
    EXPECT_EQ(v[0], -5);
    EXPECT_EQ(v[1], 7);
    EXPECT_EQ(v[2], 9);
    EXPECT_EQ(v[3], 9);
}

TEST(ConsoleAnswers, TakeLinesOfEitherEnding) {
    Answers a("Qrest\r\n\nname\r\n7x\n \nlonger than six\n");
    EXPECT_EQ(a.con.read_char(), 'Q');
    EXPECT_EQ(a.con.read_char(), ' ');
    EXPECT_EQ(a.con.read_text(6), "name  ");
    EXPECT_EQ(a.con.read_digit(), 7);
    EXPECT_EQ(a.con.read_digit(), 0);
    EXPECT_EQ(a.con.read_text(6), "longer");
    EXPECT_THROW(a.con.read_char(), voxmill::ConsoleError);
}

TEST(ConsoleAnswers, ALastLineWithoutLineEndStillCounts) {
    Answers a("abc");
    EXPECT_EQ(a.con.read_text(3), "abc");
    EXPECT_THROW(a.con.read_text(3), voxmill::ConsoleError);
    Answers b("x\n");
    EXPECT_THROW(b.con.read_digit(), voxmill::ConsoleError);
}

TEST(ConsoleLines, EndInCrLfAndFollowTheirKind) {
    Answers a("");
    a.con.line("plain");
    a.con.menu("1/ add1");
    a.con.prompt("Your choice: ");
    a.con.free({"The file ", "x", " does not exist."});
    a.con.block({"Routine ReadOrvo:", "Error!"});
    EXPECT_EQ(a.out.str(),
              "plain\r\n\t1/ add1\r\nYour choice:  The file x does not exist.\r\n"
              "\r\nRoutine ReadOrvo:\r\nError!\r\n\r\n");
}
