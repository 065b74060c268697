#include <gtest/gtest.h>

#include "app/getargs.hpp"
#include "app/stops.hpp"
#include "app/text_maps.hpp"
#include "core/errors.hpp"
#include "support/test_support.hpp"

using vtest::crlf;
using vtest::menu_text;
using vtest::run_session;

namespace {

const std::string kWelcome = crlf("Welcome to Voxmill. What do you want to do?\n");
const std::string kFinished = crlf("Finished. What now?\n");
const std::string kUnknown = crlf("Unknown option. Please, select one of the following:\n");
const std::string kBye = crlf("Bye\n");

// Operations that only record how the menu called them.
struct Recorder {
    std::vector<std::string> calls;
    std::string axord, axordorvo;
    voxmill::Tab<std::int32_t, 6> iorg{}, iwidth{};
    std::int32_t onsub = -1;
    char key = 0;
    std::int32_t classes = -1;
    voxmill::Mat<std::int32_t, 2, 3> qcdim{};
    voxmill::Tab<float, 6> center{};
    voxmill::Tab<float, 3> pstep{};
    voxmill::Mat<float, 6, 3> basvec{};
    std::string in1, in2, out;

    voxmill::Operations ops() {
        voxmill::Operations o;
        auto names = [this](voxmill::State& st, const char* what) {
            calls.push_back(what);
            in1 = voxmill::name_of(st.infile1);
            in2 = voxmill::name_of(st.infile2);
            out = voxmill::name_of(st.outrhofile);
        };
        o.add1 = [=](voxmill::State& st, voxmill::Console&) { names(st, "add1"); };
        o.diffmap = [=, this](voxmill::State& st, voxmill::Console&, char k) {
            names(st, "diffmap");
            key = k;
        };
        o.q47reorder = [=, this](voxmill::State& st, voxmill::Console&, const std::string& a, const std::string& b,
                                 const voxmill::Tab<std::int32_t, 6>& org, const voxmill::Tab<std::int32_t, 6>& w,
                                 std::int32_t sub) {
            names(st, "q47reorder");
            axord = a;
            axordorvo = b;
            iorg = org;
            iwidth = w;
            onsub = sub;
        };
        o.writevend = [=](voxmill::State& st, voxmill::Console&) { names(st, "writevend"); };
        o.project = [=](voxmill::State& st, voxmill::Console&) { names(st, "project"); };
        o.qc = [=, this](voxmill::State& st, voxmill::Console&, const voxmill::Tab<float, 6>& c,
                         const voxmill::Mat<std::int32_t, 2, 3>& d, const voxmill::Tab<float, 3>& p,
                         const voxmill::Mat<float, 6, 3>& b, char k) {
            names(st, "qc");
            center = c;
            qcdim = d;
            pstep = p;
            basvec = b;
            key = k;
        };
        o.xplor_to_q47 = [=](voxmill::State& st, voxmill::Console&) { names(st, "xplor_to_q47"); };
        o.writexplor = [=](voxmill::State& st, voxmill::Console&) { names(st, "writexplor"); };
        o.histogram = [=, this](voxmill::State& st, voxmill::Console&, std::int32_t c) {
            names(st, "histogram");
            classes = c;
        };
        return o;
    }
};

class Menu : public ::testing::Test {
protected:
    void SetUp() override {
        vtest::write_q47(map3, {30, 4, 2}, vtest::ramp(240));
        vtest::write_q47(map4, {4, 4, 2, 3}, vtest::ramp(96));
    }
    vtest::ScratchDir dir;
    const std::string map3 = dir.path("map3.q47");
    const std::string map4 = dir.path("map4.q47");
    const std::string out = dir.path("out.q47");
};

}  // namespace

TEST_F(Menu, ShowsTheWelcomeAndTheMenuAndAnswersUnlistedChoices) {
    const auto r = run_session("a\n\n \nqanything\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kWelcome + menu_text() + kUnknown + menu_text() + kUnknown + menu_text() + kUnknown +
                         menu_text() + kBye);
}

TEST_F(Menu, PrintsThePlaceholderNotes) {
    const auto r = run_session("3\n6\n" + map3 + "\n" + out + "\n8\n" + map3 + "\nx\n9\n" + map3 + "\nx\nI\nQ\n");
    const std::string names = crlf("Enter the names of the input and output files\n");
    EXPECT_EQ(r.out, kWelcome + menu_text() + crlf("Does not work yet.\n") + kFinished + menu_text() + names +
                         crlf(" Chci jeste symop.\n") + kFinished + menu_text() + names +
                         crlf(" Predelej koncovky.\n") + kFinished + menu_text() + names +
                         crlf(" Predelej koncovky.\n") + kFinished + menu_text() + crlf(" Tady pisu info.\n") +
                         kFinished + menu_text() + kBye);
}

TEST_F(Menu, OnlyTheFirstCharacterOfTheAnswerCounts) {
    Recorder rec;
    const auto r = run_session("12\n" + map3 + "\n" + out + "\nQuit now\n", rec.ops());
    EXPECT_EQ(rec.calls, std::vector<std::string>{"add1"});
    EXPECT_EQ(rec.in1, map3);
    EXPECT_EQ(rec.out, out);
    EXPECT_EQ(r.out, kWelcome + menu_text() + crlf("Enter the names of the input and output files\n") + kFinished +
                         menu_text() + kBye);
}

TEST_F(Menu, OperationsNotBuiltSayTheyAreNotAvailable) {
    voxmill::Operations ops = voxmill::default_operations();
    ops.add1 = [](voxmill::State&, voxmill::Console& con) { con.line("(add1 ran)"); };
    const auto r = run_session("1\n" + map3 + "\n" + out + "\nQ\n", ops);
    EXPECT_NE(r.out.find("(add1 ran)\r\n" + kFinished), std::string::npos);
}

TEST_F(Menu, TheFileDialogueRefusesEveryBadInputMap) {
    vtest::write_bytes(dir.path("junk"), std::vector<unsigned char>(50, 7));
    vtest::write_q47(dir.path("dot"), {1, 1, 1}, {1.0f});
    Recorder rec;
    const std::string missing = dir.path("missing");
    const auto r = run_session("2\n   \n" + missing + "\n" + dir.path("junk") + "\n" + dir.path("dot") + "\n" + map3 +
                                   "\n" + map4 + "\n" + map3 + "\n\n" + out + "\n5\n1\nQ\n",
                               rec.ops());
    EXPECT_EQ(r.out,
              kWelcome + menu_text() +
                  crlf("Enter the names of the two input and one output files\nEmpty name. Try again\n"
                       " The file " + missing + " does not exist. Try again:\n"
                       " The file " + dir.path("junk") + " cannot be read. It has probably wrong format. Try again:\n"
                       " The dimension of the map " + dir.path("dot") + " is zero. I don't like it. Try again:\n"
                       " The dimension of the map " + map4 + " is inconsistent with the map " + map3 +
                       ". Try again:\nEmpty name. Try again\n"
                       "What do you want to do with the two maps?\n\t1/ subtract absolute 1-2\n"
                       "\t2/ subtract relative 100*(1-2)/2\n\t3/ sum\n\t4/ contribution to sum 100*1/(1+2)\n") +
                  "Your choice: " + kUnknown +
                  crlf("What do you want to do with the two maps?\n\t1/ subtract absolute 1-2\n"
                       "\t2/ subtract relative 100*(1-2)/2\n\t3/ sum\n\t4/ contribution to sum 100*1/(1+2)\n") +
                  "Your choice: " + kFinished + menu_text() + kBye);
    EXPECT_EQ(rec.calls, std::vector<std::string>{"diffmap"});
    EXPECT_EQ(rec.key, '1');
    EXPECT_EQ(rec.in1, map3);
    EXPECT_EQ(rec.in2, map3);
    EXPECT_EQ(rec.out, out);
}

TEST_F(Menu, TheProbeFindsTheDimensionAndOpensTheWholeName) {
    voxmill::State st;
    vtest::write_q47(dir.path("a"), {48, 48, 1}, {});
    EXPECT_EQ(voxmill::getdim(st, dir.path("a")).dimension, 2);
    EXPECT_EQ(st.probed(2), 48);
    vtest::write_q47(dir.path("b"), {20, 20, 20, 1, 8, 1}, {});
    EXPECT_EQ(voxmill::getdim(st, dir.path("b")).dimension, 5);
    EXPECT_EQ(st.probed(3), 20);
    EXPECT_EQ(st.probed(5), 8);
    // A header whose seventh word is below 34 is still read whole.
    vtest::write_q47(dir.path("c"), {2, 2, 2}, {});
    EXPECT_EQ(voxmill::getdim(st, dir.path("c")).dimension, 3);
    // The whole name counts, as the reader opens it, without its trailing blanks.
    std::string long_name = dir.path("");
    long_name += std::string(132 - long_name.size(), 'n');
    vtest::write_q47(long_name, {5, 5, 5}, {});
    EXPECT_EQ(voxmill::getdim(st, long_name + "tail").outcome, voxmill::Probe::Outcome::cannot_open);
    EXPECT_EQ(voxmill::getdim(st, long_name + "   ").dimension, 3);
    EXPECT_EQ(voxmill::getdim(st, dir.path("nothing")).outcome, voxmill::Probe::Outcome::cannot_open);
    EXPECT_EQ(voxmill::getdim(st, dir.path("")).outcome, voxmill::Probe::Outcome::cannot_open);  // a folder
}

TEST_F(Menu, GetargsOfKeyOneOnlyBlanksTheNames) {
    voxmill::State st;
    st.infile1 = voxmill::padded("x", voxmill::kNameLength);
    std::istringstream in;
    std::ostringstream o, e;
    voxmill::Console con(in, o, e);
    voxmill::getargs(st, con, 1);
    EXPECT_EQ(voxmill::idel(st.infile1), 0);
    EXPECT_EQ(st.infile1.size(), 264u);
    EXPECT_EQ(o.str(), "");
}

TEST_F(Menu, ReorderAsksAgainUntilBothOrdersHaveOneDigitPerAxis) {
    Recorder rec;
    const auto r = run_session("4\n" + map3 + "\n" + out + "\n213\n2134\n0\n213\n213\n7\nQ\n", rec.ops());
    const std::string ask = crlf("Give the true order of axes, the order to be written in ORVO and nsub:\n");
    EXPECT_EQ(r.out, kWelcome + menu_text() + crlf("Enter the names of the input and output files\n") + ask +
                         crlf("The number of digits in each order of axes must be equal to number of dimensions, "
                              "which is  3. Try again:\n") +
                         ask + kFinished + menu_text() + kBye);
    EXPECT_EQ(rec.axord, "213   ");
    EXPECT_EQ(rec.axordorvo, "213   ");
    EXPECT_EQ(rec.onsub, 7);
    EXPECT_EQ(rec.iorg, (voxmill::Tab<std::int32_t, 6>{}));
    EXPECT_EQ(rec.iwidth, (voxmill::Tab<std::int32_t, 6>{{29, 3, 1, 0, 0, 0}}));
}

TEST_F(Menu, ShiftTurnsFractionsIntoWholeVoxelsRoundedAwayFromZero) {
    Recorder rec;
    run_session("5\n" + map3 + "\n" + out + "\n0.25 -0.375\n0.5\nQ\n", rec.ops());
    EXPECT_EQ(rec.axord, "123456");
    EXPECT_EQ(rec.axordorvo, "123456");
    EXPECT_EQ(rec.onsub, 0);
    EXPECT_EQ(rec.iorg, (voxmill::Tab<std::int32_t, 6>{{8, -2, 1, 0, 0, 0}}));  // 7.5, -1.5, 1.0
    EXPECT_EQ(rec.iwidth, (voxmill::Tab<std::int32_t, 6>{{29, 3, 1, 0, 0, 0}}));
}

TEST_F(Menu, OldSectionTakesCentreWidthsAndOrder) {
    Recorder rec;
    run_session("7\n" + map3 + "\n" + out + "\n0.5 0.5 0.5\n0.5,1.0\n1\n31\nQ\n", rec.ops());
    EXPECT_EQ(rec.axord, "31    ");
    EXPECT_EQ(rec.axordorvo, "31    ");
    EXPECT_EQ(rec.onsub, 1);
    EXPECT_EQ(rec.iorg, (voxmill::Tab<std::int32_t, 6>{{8, 0, 0, 0, 0, 0}}));  // 7.5, 0, 0
    EXPECT_EQ(rec.iwidth, (voxmill::Tab<std::int32_t, 6>{{15, 4, 2, 0, 0, 0}}));
}

TEST_F(Menu, SectionOfAQuasicrystalAsksForItsGeometry) {
    Recorder rec;
    const auto r = run_session("C\n" + map4 + "\n" + out + "\na\n1\n0 9 -5 5 0 0\n0.5 0 0 0.25\n1 0 0 0\n0 1 0 0\n0 0 1 1\n1 2 3\nQ\n",
                               rec.ops());
    const std::string types = crlf("\t1/ general section\n\t2/ decagonal QC - real space section\n"
                                   "\tA/ icosahedral QC, five-fold axis special\n"
                                   "\tB/ icosahedral QC, two-fold axis special\n") + "Your choice: ";
    EXPECT_NE(r.out.find(crlf("Give the type of the section:\n") + types + kUnknown + types +
                         crlf("Give the scope of the section (start end start end..., in pixels):\n"
                              "Give the origin of the section (fractional):\n"
                              "Give the basic vectors of the section (fractional):\n"
                              "Give the ratio between the pixelsize of the section and of the original map:\n")),
              std::string::npos);
    EXPECT_EQ(rec.key, '1');
    EXPECT_EQ(rec.qcdim, (voxmill::Mat<std::int32_t, 2, 3>{{0, 9, -5, 5, 0, 0}}));
    EXPECT_EQ(rec.center, (voxmill::Tab<float, 6>{{0.5f, 0, 0, 0.25f, 0, 0}}));
    EXPECT_EQ(rec.basvec(1, 1), 1.0f);
    EXPECT_EQ(rec.basvec(2, 2), 1.0f);
    EXPECT_EQ(rec.basvec(4, 3), 1.0f);
    EXPECT_EQ(rec.basvec(4, 1), 0.0f);
    EXPECT_EQ(rec.pstep, (voxmill::Tab<float, 3>{{1, 2, 3}}));

    Recorder ico;
    const auto r2 = run_session("C\n" + map4 + "\n" + out + "\nA\n0 1 0 1 0 0\n0.5 0.5 1\nQ\n", ico.ops());
    EXPECT_EQ(ico.key, 'A');
    EXPECT_EQ(r2.out.find("Give the origin"), std::string::npos);
}

TEST_F(Menu, XplorToQ47AsksForTwoNamesAndOnlyRefusesBlankOnes) {
    Recorder rec;
    const auto r = run_session("D\n\nin.xplor\n  \nout.q47\nQ\n", rec.ops());
    EXPECT_EQ(r.out, kWelcome + menu_text() +
                         crlf("Enter the names of the input and output files\nEmpty name. Try again\n"
                              "Empty name. Try again\n") +
                         kFinished + menu_text() + kBye);
    EXPECT_EQ(rec.in1, "in.xplor");
    EXPECT_EQ(rec.out, "out.q47");
}

TEST_F(Menu, CellAndClassQuestionsPassTheirAnswersOn) {
    Recorder rec;
    run_session("E\n" + map3 + "\n" + out + "\n10 11 12 90 90 120\nF\n" + map4 + "\n" + out + "\n4\nA\n" + map3 +
                    "\n" + out + "\n1 2 3 4 5 6\nB\n" + map4 + "\n" + out + "\nQ\n",
                rec.ops());
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"writexplor", "histogram", "writevend", "project"}));
    EXPECT_EQ(rec.classes, 4);
}

TEST_F(Menu, AStopEndsTheRunWithItsLineAndStatusZero) {
    voxmill::Operations ops = voxmill::default_operations();
    ops.add1 = [](voxmill::State&, voxmill::Console&) { throw voxmill::Stop("Error reading density. Stopping."); };
    auto r = run_session("1\n" + map3 + "\n" + out + "\nQ\n", ops);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "STOP Error reading density. Stopping.\r\n");
    EXPECT_EQ(r.out.find("Finished"), std::string::npos);
    ops.add1 = [](voxmill::State&, voxmill::Console&) { throw voxmill::Stop(); };
    r = run_session("1\n" + map3 + "\n" + out + "\nQ\n", ops);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(Menu, TheEndOfInputOrAnUnreadableNumberEndsTheRunWithStatusTwo) {
    for (const std::string& input : {std::string(""), "5\n" + map3 + "\n" + out + "\n", "5\n" + map3 + "\n" + out + "\nabc\n",
                                    "4\n" + map3 + "\n" + out + "\n123\n123\nx\n", "F\n" + map3 + "\n" + out + "\n2.5\n"}) {
        const auto r = run_session(input);
        EXPECT_EQ(r.status, 2) << input;
        EXPECT_NE(r.err.find("Error: "), std::string::npos) << input;
        EXPECT_EQ(r.err.substr(r.err.size() - 2), "\r\n");
    }
}
