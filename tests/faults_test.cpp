// Mistakes of ordinary use that must neither lose a map nor report a wrong one as done: an
// output that names an input, runs that fail half way, a map replaced after its name was
// checked, answers that no whole number of voxels can be made of, headers of no dimension.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/operations.hpp"
#include "formats/staged_file.hpp"
#include "support/option_sessions.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

class Faults : public testing::Test {
protected:
    void SetUp() override {
        vtest::write_q47(in, {2, 3, 2, 2}, vtest::ramp(24, 0.25f));
        vtest::write_q47(other, {2, 3, 2, 2}, vtest::ramp(24, -0.5f));
    }

    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path(""))) names.insert(e.path().filename().string());
        return names;
    }

    // The answers of option `option` from the shared table, with these names.
    static std::vector<std::string> lines_of(char option, const std::string& input, const std::string& output) {
        for (const auto& s : vtest::q47_option_sessions()) {
            if (s.option == option) return vtest::session_lines(s, input, output);
        }
        ADD_FAILURE() << "no session for option " << option;
        return {};
    }

    vtest::ScratchDir dir;
    const std::string in = dir.path("map.q47");
    const std::string other = dir.path("other.q47");
};

const std::string kNothing = ". Nothing was written.\r\n";

// The input named as the output, however it is spelt or linked, is refused before anything
// is opened for writing: one line naming both, the input byte for byte as it was, the menu
// goes on.
TEST_F(Faults, AnOutputThatIsAnInputIsRefused) {
    const std::string xplor = " \n1\nt\n 2 0 1 1 0 0\nc\nZYX\n0\n1\n2\n";
    vtest::write_bytes(dir.path("map.xplor"), {xplor.begin(), xplor.end()});
    fs::create_hard_link(in, dir.path("hard"));
    fs::create_symlink(in, dir.path("soft"));
    fs::create_symlink("missing/../map.q47", dir.path("dangling"));
    fs::create_hard_link(dir.path("map.xplor"), dir.path("hard.xplor"));
    const std::string dot = dir.path("sub/../map.q47");
    fs::create_directory(dir.path("sub"));
    struct Case {
        std::vector<std::string> lines;
        std::string output, input;  // as the refusal names them
    };
    std::vector<Case> cases;
    for (const std::string& output : {dot, dir.path("hard"), dir.path("soft"), dir.path("dangling")}) {
        for (const char option : {'A', 'C', 'E', 'F'}) cases.push_back({lines_of(option, in, output), output, in});
        cases.push_back({{"2", in, other, output, "1"}, output, in});
        cases.push_back({{"2", other, in, output, "3"}, output, in});
    }
    cases.push_back({{"D", dir.path("map.xplor"), dir.path("hard.xplor")}, dir.path("hard.xplor"), dir.path("map.xplor")});
    const auto map_before = vtest::read_bytes(in);
    const auto text_before = vtest::read_bytes(dir.path("map.xplor"));
    const auto names_before = files();
    for (const Case& c : cases) {
        const auto r = vtest::run_session(vtest::typed(c.lines) + "Q\n");
        SCOPED_TRACE("option " + c.lines[0] + " writing " + c.output);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find(" The output file " + c.output + " is the input file " + c.input + kNothing +
                             vtest::kFinished),
                  std::string::npos)
            << r.out;
        EXPECT_EQ(vtest::read_bytes(in), map_before);
        EXPECT_EQ(vtest::read_bytes(dir.path("map.xplor")), text_before);
        EXPECT_EQ(files(), names_before);
    }
}

// A replaced output takes its name only when it is complete: a run that fails half way
// leaves the old file whole and no temporary beside it. A replaced file keeps its
// permissions, an output reached through a link is written where the link leads, and a
// device is written, not replaced.
TEST_F(Faults, OutputsAreWrittenWholeOrNotAtAll) {
    const std::string out = dir.path("out.q47");
    const std::vector<unsigned char> old(5000, 'o');
    vtest::write_bytes(out, old);
    auto cut = vtest::read_bytes(other);
    cut.resize(cut.size() - 200);  // the last layer and the trailer cut short
    vtest::write_bytes(dir.path("cut.q47"), cut);
    const auto names_before = files();
    const auto r = vtest::run_session(vtest::typed({"2", in, dir.path("cut.q47"), out, "1"}));
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(vtest::read_bytes(out), old);
    EXPECT_EQ(files(), names_before);

    // Each option that may replace a file, through a link to it, with odd permissions.
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("out.q47", dir.path("link"));
    for (const char option : {'2', 'A', 'C', 'E', 'F'}) {
        const auto lines = option == '2' ? std::vector<std::string>{"2", in, other, dir.path("link"), "1"}
                                         : lines_of(option, in, dir.path("link"));
        const auto s = vtest::run_session(vtest::typed(lines) + "Q\n");
        SCOPED_TRACE(std::string("option ") + option);
        EXPECT_EQ(s.err, "");
        EXPECT_TRUE(fs::is_symlink(dir.path("link")));
        EXPECT_NE(vtest::read_bytes(out), old);
        EXPECT_EQ(fs::status(out).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(files().size(), names_before.size() + 1);
    }
    const auto s = vtest::run_session(vtest::typed(lines_of('E', in, "/dev/null")) + "Q\n");
    EXPECT_EQ(s.err, "");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// A new file is never put over one that took its name while it was written.
TEST_F(Faults, ANewFileNeverReplacesOneMadeMeanwhile) {
    const std::string name = dir.path("new.q47");
    voxmill::StagedFile f;
    ASSERT_TRUE(f.open(name, voxmill::StagedFile::Target::create_new));
    ASSERT_EQ(std::fputs("mine", f.file()), 1);
    vtest::write_bytes(name, {'t', 'h', 'e', 'i', 'r', 's'});
    EXPECT_FALSE(f.commit());
    EXPECT_EQ(vtest::read_bytes(name), (std::vector<unsigned char>{'t', 'h', 'e', 'i', 'r', 's'}));
    EXPECT_FALSE(f.open(name, voxmill::StagedFile::Target::create_new));
    EXPECT_EQ(files().size(), 3u);
}

// Every option that reads a map after its dialogue gives up, with one line and no output, when
// the file was replaced by another map after its name had been checked.
TEST_F(Faults, AMapReplacedAfterItsNameWasCheckedIsNotUsed) {
    const std::string out = dir.path("out");
    auto replace_input = [&] { vtest::write_q47(in, {3, 3, 3}, vtest::ramp(27)); };
    voxmill::Operations ops = voxmill::default_operations();
    auto wrap = [&](auto& op) {
        op = [&replace_input, real = op](auto&&... args) {
            replace_input();
            real(args...);
        };
    };
    wrap(ops.add1);
    wrap(ops.q47reorder);
    wrap(ops.writevend);
    wrap(ops.project);
    wrap(ops.qc);
    wrap(ops.writexplor);
    wrap(ops.histogram);
    for (const auto& s : vtest::q47_option_sessions()) {
        if (s.option == '2') continue;  // reads its headers itself, after the dialogue
        vtest::write_q47(in, {2, 3, 2, 2}, vtest::ramp(24, 0.25f));
        const auto r = vtest::run_session(vtest::typed(vtest::session_lines(s, in, out)) + "Q\n", ops);
        SCOPED_TRACE(std::string("option ") + s.option);
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find(" The map " + in + " changed since its name was checked" + kNothing + vtest::kFinished),
                  std::string::npos)
            << r.out;
        EXPECT_FALSE(fs::exists(out));
    }
}

// Shifts, centres and widths that are not finite numbers make no box.
TEST_F(Faults, NonFiniteShiftsCentresAndWidthsAreRefused) {
    const std::string out = dir.path("out");
    const struct {
        std::vector<std::string> answers;
        std::string line;
    } cases[] = {
        {{"5", in, out, "0 nan 0 0"}, " The shift of the origin along axis 2"},
        {{"5", in, out, "inf 0 0 0"}, " The shift of the origin along axis 1"},
        {{"7", in, out, "0 0 0 -inf", "1 1 1 1", "1234"}, " The center of the section along axis 4"},
        {{"7", in, out, "0 0 0 0", "1 1 NaN 1", "1234"}, " The width of the section along axis 3"},
    };
    for (const auto& c : cases) {
        const auto r = vtest::run_session(vtest::typed(c.answers) + "Q\n");
        SCOPED_TRACE(c.answers[3]);
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find(c.line + " is not a finite number" + kNothing + vtest::kFinished), std::string::npos)
            << r.out;
        EXPECT_FALSE(fs::exists(out));
    }
}

// A header without an axis of more than one voxel is a map of no dimension, whatever else it
// holds; a zero count beside an axis of many voxels is no map at all.
TEST_F(Faults, HeadersOfNoDimensionGetTheZeroRefusal) {
    const std::string zero = " is zero. I don't like it. Try again:\r\n";
    const std::string unreadable = " cannot be read. It has probably wrong format. Try again:\r\n";
    const struct {
        std::vector<std::int32_t> nvox;
        const std::string& message;
    } cases[] = {{{0, 0, 0, 0, 0, 0}, zero}, {{1, 0, 1, 0, 1, 1}, zero}, {{1, 1, 1, 1, 1, 1}, zero},
                 {{3, 3, 0, 1, 1, 1}, unreadable}, {{0, 4, 1, 1, 1, 1}, unreadable}};
    for (const auto& c : cases) {
        vtest::RawHeader h;
        h.nvox = c.nvox;
        vtest::write_bytes(dir.path("h.q47"), vtest::q47_bytes(h, {}));
        const auto r = vtest::run_session(vtest::typed({"F", dir.path("h.q47"), in, dir.path("out"), "2", "Q"}));
        SCOPED_TRACE(testing::PrintToString(c.nvox));
        EXPECT_NE(r.out.find(dir.path("h.q47") + c.message), std::string::npos) << r.out;
        EXPECT_EQ(r.status, 0);
    }
}

// The average of option 2's mode 4 is summed in double precision: a million shares of about
// a third, summed in single precision, drift in the fifth digit.
TEST_F(Faults, TheAverageShareOfAMillionVoxelsIsExact) {
    const std::int32_t n = 1024;
    std::vector<float> a(n * n), b(n * n);
    double sum = 0.0;
    float single = 0.0f;
    for (std::size_t i = 0; i < a.size(); ++i) {
        a[i] = 1.0f + static_cast<float>(i % 7) / 7.0f;
        b[i] = 2.0f + static_cast<float>(i % 5) / 5.0f;
        const float share = a[i] / (a[i] + b[i]);
        sum += share;
        single += share;
    }
    vtest::write_q47(in, {n, n}, a);
    vtest::write_q47(other, {n, n}, b);
    const auto r = vtest::run_session(vtest::typed({"2", in, other, dir.path("out"), "4", "Q"}));
    const auto at = r.out.find("Average value: ");
    ASSERT_NE(at, std::string::npos) << r.out;
    const double printed = std::stod(r.out.substr(at + 15, 8));
    EXPECT_NEAR(printed, sum / a.size(), 5.1e-7);
    ASSERT_GT(std::abs(single / static_cast<double>(a.size()) - sum / a.size()), 2e-6) << "single precision drifts here";
}

}  // namespace
