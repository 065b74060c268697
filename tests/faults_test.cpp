// Mistakes of ordinary use that must neither lose a map nor report a wrong one as done: an
// output that names an input, runs that fail half way, a map replaced after its name was
// checked, answers that no whole number of voxels can be made of, headers of no dimension,
// sums that lose precision; X-PLOR files that hold more than their size says or never end,
// sections cut from different periodic images of the same points, X-PLOR texts of more than
// 100000 sections.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/operations.hpp"
#include "app/text_maps.hpp"
#include "core/fields.hpp"
#include "formats/staged_file.hpp"
#include "ops/qc_geometry.hpp"
#include "ops/qc_pixel.hpp"
#include "support/loaded_map.hpp"
#include "support/map_state.hpp"
#include "support/option_sessions.hpp"
#include "support/reference_density.hpp"
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

namespace {

const std::string kReadStop = "STOP Error during reading of the reference density. Check the log file.\r\n";
const std::string kAsked = "Enter the names of the input and output files\r\n";

void put_text(const std::string& path, const std::string& text) {
    vtest::write_bytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

std::string file_text(const std::string& path) {
    const auto b = vtest::read_bytes(path);
    return std::string(b.begin(), b.end());
}

// An X-PLOR text of the map with these counts: one title line, the section labels, and the
// density of voxel i written as the digit i % 10.
std::string digit_map_text(const std::vector<std::int32_t>& nvox) {
    std::string grid;
    std::int64_t count = 1;
    for (const std::int32_t n : nvox) {
        grid.append(1, ' ').append(std::to_string(n)).append(" 0 ").append(std::to_string(n - 1));
        count *= n;
    }
    const std::int64_t section = nvox.size() > 1 ? std::int64_t{nvox[0]} * nvox[1] : nvox[0];
    std::string text = " \n1\ntitle\n" + grid + "\ncell\nZYX\n";
    for (std::int64_t i = 0; i < count; ++i) {
        if (i % section == 0) text += std::to_string(i / section) + "\n";
        text += std::to_string(i % 10) + "\n";
    }
    return text + "-9999";
}

}  // namespace

// The text reaches option D as /proc/self/environ of the program, the only variable of its
// environment: a file whose size reads as 0 and that still holds the whole map.
TEST(XplorFault, AFileHoldingMoreThanItsSizeSaysIsReadWhole) {
    const std::vector<std::vector<std::int32_t>> grids = {{2, 2, 2}, {250, 100, 2}};
    for (const auto& nvox : grids) {
        vtest::ScratchDir dir;
        put_text(dir.path("map.txt"), digit_map_text(nvox));
        put_text(dir.path("stdin"), "D\n/proc/self/environ\n" + dir.path("map.q47") + "\nQ\n");
        const std::string command = "cd '" + dir.path("") + "' && env -i \"XPLOR=$(cat map.txt)\" '" VOXMILL_BINARY
                                    "' < stdin > stdout 2> stderr";
        const int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw)) << nvox[0];
        EXPECT_EQ(WEXITSTATUS(raw), 0) << nvox[0];
        EXPECT_EQ(file_text(dir.path("stderr")), "") << nvox[0];
        ASSERT_NE(file_text(dir.path("stdout")).find("Finished. What now?"), std::string::npos) << nvox[0];
        const vtest::LoadedMap m = vtest::load_q47(dir.path("map.q47"));
        ASSERT_EQ(m.count(), std::int64_t{nvox[0]} * nvox[1] * nvox[2]);
        for (std::int64_t i = 0; i < m.count(); ++i) {
            ASSERT_EQ(m.rho[static_cast<std::size_t>(i)], static_cast<float>(i % 10)) << nvox[0] << ", voxel " << i;
        }
    }
}

TEST(XplorFault, InputWithoutLineEndsEndsInTheReadError) {
    struct Case {
        const char* what;
        std::string name;
        int line;
    };
    vtest::ScratchDir dir;
    // A value line of 2 MiB, twice the line buffer.
    put_text(dir.path("long.xplor"), " \n1\ntitle\n2 0 1 1 0 0\ncell\nZYX\n0\n" + std::string(2 << 20, '1') + "\n2\n");
    const Case cases[] = {
        {"a device of endless zero bytes", "/dev/zero", 1},
        {"a value line longer than the line buffer", dir.path("long.xplor"), 8},
    };
    for (const Case& c : cases) {
        const auto r = vtest::run_session("D\n" + c.name + "\n" + dir.path("map.q47") + "\nQ\n");
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(r.err, kReadStop) << c.what;
        const auto after = r.out.find(kAsked);
        ASSERT_NE(after, std::string::npos) << c.what;
        EXPECT_EQ(r.out.substr(after + kAsked.size()),
                  "\r\nRoutine ReadXPlor:\r\nError reading reference density on line" + voxmill::fmt_i(c.line, 5) +
                      "\r\nLately reading: \r\n")
            << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir.path("map.q47"))) << c.what;
    }
}

// Every coordinate below is a multiple of 1/32, so that a point and its image whole cells over
// are both exact, and the two must give the very same density.
TEST(SectionFault, ImagesOfASectionWholeCellsApartAgree) {
    using Scope = voxmill::Mat<std::int32_t, 2, 3>;
    using Basis = voxmill::Mat<float, 6, 3>;
    struct Case {
        char key;
        int axis;   // 0: every axis at once
        int cells;  // the shift along it
    };
    const Case cases[] = {{'1', 1, -2}, {'1', 2, 1}, {'1', 3, 3}, {'1', 4, -1}, {'1', 5, 2},
                          {'1', 0, 1},  {'2', 5, -1}, {'2', 5, -3}, {'2', 5, 2}};
    voxmill::State st;
    vtest::load_map(st, {7, 6, 5, 4, 6}, {}, 9);
    const voxmill::MapGrid m = voxmill::map_grid(st.map, st.sdim);
    // The points of the section reach from below -2.5 to above it on every axis.
    const voxmill::Tab<float, 6> center{{-1.375f, -1.5f, -1.25f, -1.625f, -2.75f, 0.0f}};
    Basis b{};
    const float vectors[3][5] = {{1.0f, 0.25f, 0.0f, 0.5f, 0.125f}, {0.0f, 1.0f, 0.125f, -0.25f, 0.0f},
                                 {0.5f, 0.0f, 1.0f, 0.375f, -0.5f}};
    for (int j = 1; j <= 3; ++j) {
        for (int k = 1; k <= 5; ++k) b(k, j) = vectors[j - 1][k - 1];
    }
    for (const Case& c : cases) {
        // Type 2 puts the third section axis on map axis 5, 0.75 voxels per pixel: 8 pixels
        // make a cell of 6 voxels.
        const Scope scope = c.key == '1' ? Scope{{-6, 5, -4, 3, -2, 2}} : Scope{{-5, 4, -5, 4, -6, 0}};
        const voxmill::Tab<float, 3> pstep = c.key == '1' ? voxmill::Tab<float, 3>{{0.75f, 0.5f, 1.25f}}
                                                          : voxmill::Tab<float, 3>{{0.5f, 0.5f, 0.75f}};
        voxmill::Tab<float, 6> moved = center;
        Scope moved_scope = scope;
        if (c.key == '1') {
            for (int k = 1; k <= 5; ++k) {
                if (c.axis == 0 || c.axis == k) moved(k) += static_cast<float>(c.cells * st.map.nvox(k));
            }
        } else {
            for (int e = 1; e <= 2; ++e) moved_scope(e, 3) += c.cells * 8;
        }
        const auto g = voxmill::make_section(c.key, 5, scope, pstep, center, b);
        const auto image = voxmill::make_section(c.key, 5, moved_scope, pstep, moved, b);
        for (std::int32_t L = 0; L < g.nvoxtotr; ++L) {
            ASSERT_EQ(voxmill::fast_pixel(m, g, L), voxmill::fast_pixel(m, image, L))
                << "key " << c.key << ", axis " << c.axis << ", cells " << c.cells << ", pixel " << L;
            ASSERT_EQ(vtest::literal_pixel(st.map, st.sdim, g, L),
                      vtest::literal_pixel(st.map, st.sdim, image, L))
                << "key " << c.key << ", axis " << c.axis << ", cells " << c.cells << ", pixel " << L;
        }
    }
}

TEST(XplorFault, MoreThanAHundredThousandSectionsGoThroughEAndBackThroughD) {
    // 110000 sections of 4 densities, more than one formatted block of the writer.
    const std::vector<std::int32_t> nvox{2, 2, 11, 10, 10, 100};
    const std::vector<float> rho = vtest::ramp(440000, 0.25f);
    vtest::ScratchDir dir;
    vtest::write_q47(dir.path("in.q47"), nvox, rho);
    const auto r = vtest::run_session("E\n" + dir.path("in.q47") + "\n" + dir.path("map.xplor") +
                                      "\n1 2 3 90 90 90\nD\n" + dir.path("map.xplor") + "\n" + dir.path("map.q47") +
                                      "\nQ\n");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.err, "");
    const std::string text = file_text(dir.path("map.xplor"));
    EXPECT_NE(text.find("\r\n  99998.7500\r\n99999\r\n  99999.0000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n  99999.7500\r\n100000\r\n 100000.0000\r\n"), std::string::npos);
    const vtest::LoadedMap m = vtest::load_q47(dir.path("map.q47"));
    ASSERT_EQ(m.rho.size(), rho.size());
    for (std::size_t i = 0; i < rho.size(); ++i) ASSERT_EQ(m.rho[i], rho[i]) << i;
}

TEST(XplorFault, TheMeanLineIsTheDoubleSumOfTheDensitiesInWritingOrder) {
    struct Case {
        const char* what;
        std::vector<std::int32_t> nvox;
        float base, step;  // density of voxel i: base + step * (i % 7)
    };
    const Case cases[] = {
        {"a million densities near 0.1", {100, 100, 100}, 0.1f, 0.01f},
        {"large densities with small ones in between", {64, 64, 4, 2, 2, 2}, 3.3f, 1777.7f},
    };
    vtest::ScratchDir dir;
    for (const Case& c : cases) {
        std::size_t count = 1;
        for (const std::int32_t n : c.nvox) count *= static_cast<std::size_t>(n);
        std::vector<float> rho(count);
        double sum = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            rho[i] = c.base + c.step * static_cast<float>(i % 7);
            sum += rho[i];
        }
        vtest::write_q47(dir.path("in.q47"), c.nvox, rho);
        const auto r = vtest::run_session("E\n" + dir.path("in.q47") + "\n" + dir.path("map.xplor") +
                                          "\n1 1 1 90 90 90\nQ\n");
        ASSERT_EQ(r.err, "") << c.what;
        const std::string text = file_text(dir.path("map.xplor"));
        const auto mean = static_cast<float>(sum / static_cast<double>(count));
        const std::string last = "-9999\r\n" + voxmill::fmt_f(mean, 20, 6) + voxmill::fmt_f(0.01f * mean, 20, 6) + "\r\n";
        ASSERT_GE(text.size(), last.size()) << c.what;
        EXPECT_EQ(text.substr(text.size() - last.size()), last) << c.what;
    }
}
