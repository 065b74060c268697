// The commands that mirror console options, as a process: each one's output against what its
// option writes for the same map and answers, and their refusals.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/loaded_map.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

class Operations : public testing::Test {
protected:
    void SetUp() override {
        // Two 4D maps of one grid, B kept away from 0 for the relative difference, and a 5D and
        // a 6D map for the quasicrystal sections.
        write_map("a.q47", {6, 5, 4, 3}, 0.0f, 0.0f);
        write_map("b.q47", {6, 5, 4, 3}, 1.3f, 2.0f);
        write_map("d5.q47", {4, 4, 4, 4, 3}, 0.7f, 0.0f);
        write_map("d6.q47", {3, 3, 3, 3, 3, 3}, 2.1f, 0.0f);
    }

    // A map over one whole cell: frame 0 .. (n-1)/n, densities offset + 10 sin(0.37 i + phase).
    void write_map(const std::string& name, std::vector<std::int32_t> counts, float phase, float offset) {
        counts.resize(6, 1);
        vtest::RawHeader h;
        h.nvox = counts;
        std::size_t voxels = 1;
        for (std::size_t i = 0; i < 6; ++i) {
            voxels *= static_cast<std::size_t>(counts[i]);
            h.xdf[i] = 1.0f / static_cast<float>(counts[i]);
            h.xfmx[i] = static_cast<float>(counts[i] - 1) / static_cast<float>(counts[i]);
        }
        std::vector<float> rho(voxels);
        for (std::size_t i = 0; i < voxels; ++i) rho[i] = offset + 10.0f * std::sin(0.37f * static_cast<float>(i) + phase);
        vtest::write_bytes(dir.path(name), vtest::q47_bytes(h, rho));
    }

    // Every file of the folder but the test's own, with its bytes.
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> all;
        for (const auto& e : fs::directory_iterator(dir.path(""))) {
            const std::string n = e.path().filename().string();
            if (n != "stdout" && n != "stderr") all[n] = vtest::slurp(e.path().string());
        }
        return all;
    }

    vtest::ScratchDir dir;
};

// `text` with each %A, %B and %O replaced by the names of the first and second input and the output.
std::string filled(std::string text, const std::string& a, const std::string& b, const std::string& out) {
    for (const auto& [mark, name] : {std::pair{"%A", a}, std::pair{"%B", b}, std::pair{"%O", out}}) {
        for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + name.size())) {
            text.replace(at, 2, name);
        }
    }
    return text;
}

// The rest of the console's line that starts with `label`, up to `end`, without blanks.
std::string field_after(const std::string& out, const std::string& label, char end = '\r') {
    const std::size_t at = out.find(label);
    if (at == std::string::npos) return "(no " + label + ")";
    const std::size_t from = out.find_first_not_of(' ', at + label.size());
    return out.substr(from, out.find(end, from) - from);
}

// What combine prints for the console's lines of option 2.
std::string combine_lines(const std::string& console) {
    std::string lines;
    if (console.find("Average value:") != std::string::npos) lines += "average " + field_after(console, "Average value:") + "\n";
    return lines + "R-value " + field_after(console, "R-value=") + "\nminimum " + field_after(console, "Minimum", ',') +
           " maximum " + field_after(console, "maximum") + "\n";
}

void expect_same_q47(const std::string& console, const std::string& command) {
    const voxmill::Map want = vtest::load_q47_frame(console);
    const voxmill::Map got = vtest::load_q47_frame(command);
    EXPECT_EQ(got.nvox, want.nvox);
    EXPECT_EQ(got.xfmn, want.xfmn);
    EXPECT_EQ(got.xfmx, want.xfmx);
    EXPECT_EQ(got.xdf, want.xdf);
    EXPECT_EQ(got.iorien, want.iorien);
    EXPECT_EQ(got.q47.mapa, want.q47.mapa);
    EXPECT_EQ(got.q47.nsubs, want.q47.nsubs);
    const vtest::LoadedMap a = vtest::load_q47(console);
    const vtest::LoadedMap b = vtest::load_q47(command);
    ASSERT_EQ(b.count(), a.count());
    std::int64_t differing = 0;
    for (std::size_t i = 0; i < a.rho.size(); ++i) {
        if (std::bit_cast<std::uint32_t>(a.rho[i]) == std::bit_cast<std::uint32_t>(b.rho[i])) continue;
        if (differing++ == 0) ADD_FAILURE() << "first differing voxel " << i << ": " << b.rho[i] << ", console " << a.rho[i];
    }
    EXPECT_EQ(differing, 0);
}

// Each command writes, voxel for voxel, the map its console option writes from the same input
// and answers (the class table line for line), and combine prints the console's numbers.
TEST_F(Operations, EachCommandWritesWhatItsConsoleOptionWrites) {
    const struct {
        std::string console;  // the option and its answers
        std::string command;  // the arguments
        std::string out;      // the outputs' extension
        std::string a = "a.q47";
    } cases[] = {
        {"1\n%A\n%O\n", "add-layer %A %O", ".q47"},
        {"2\n%A\n%B\n%O\n1\n", "combine --op difference %A %B %O", ".q47"},
        {"2\n%A\n%B\n%O\n2\n", "combine --op relative %A %B %O", ".q47"},
        {"2\n%A\n%B\n%O\n3\n", "combine --op sum %A %B %O", ".q47"},
        {"2\n%A\n%B\n%O\n4\n", "combine --op share %A %B %O", ".q47"},
        {"4\n%A\n%O\n4123\n2143\n3\n", "reorder --order 4123 --codes 2143 --subsystem 3 %A %O", ".q47"},
        {"4\n%A\n%O\n3124\n3124\n0\n", "reorder --order 3124 %A %O", ".q47"},
        // Halves of voxels round away from zero.
        {"5\n%A\n%O\n0.25 -0.3 0.375 0.5\n", "shift --by 0.25,-0.3,0.375,0.5 %A %O", ".q47"},
        {"7\n%A\n%O\n0.5 0.1 0.9 0.5\n0.5 0.4 1 0.34\n2134\n", "box --center 0.5,0.1,0.9,0.5 --width 0.5,0.4,1,0.34 --order 2134 %A %O", ".q47"},
        {"B\n%A\n%O\n", "project %A %O", ".q47"},
        // The console takes the general section's origin, axes and pixel steps in voxels.
        {"C\n%A\n%O\n1\n0 7 0 7 0 3\n3 2 1 0\n6 0 0 0\n0 3 0 1.5\n0 0 4 0\n0.125 0.125 0.25\n",
         "section --origin 0.5,0.4,0.25,0 --axes 1,0,0,0/0,0.6,0,0.5/0,0,1,0 --size 8,8,4 %A %O", ".q47"},
        {"C\n%A\n%O\n2\n-6 6 -6 6 0 2\n0.5 0.5 0.5\n", "section --decagonal --scope -3,3,-3,3,0,1 --pixel 0.5 %A %O", ".q47",
         "d5.q47"},
        {"C\n%A\n%O\nA\n-4 4 -4 4 -1 1\n0.75 0.75 0.75\n",
         "section --icosahedral-5 --scope -3,3,-3,3,-0.75,0.75 --pixel 0.75 %A %O", ".q47", "d6.q47"},
        // In A with a cell: 12 A over 3 voxels, so pixels of 2 A are half a voxel.
        {"C\n%A\n%O\nB\n-4 4 -4 4 0 0\n0.5 0.5 0.5\n",
         "section --icosahedral-2 --cell 12,12,12,90,90,90 --scope -8,8,-8,8,0,0 --pixel 2 %A %O", ".q47", "d6.q47"},
        {"F\n%A\n%O\n7\n", "classes --count 7 %A %O", ".txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const std::string console_out = dir.path("console" + c.out), command_out = "command" + c.out;
        fs::remove(console_out);
        fs::remove(dir.path(command_out));
        const vtest::SessionResult console =
            vtest::run_session(filled(c.console, dir.path(c.a), dir.path("b.q47"), console_out) + "Q\n");
        ASSERT_EQ(console.err, "");
        const vtest::ProcessRun command = vtest::voxmill(dir, filled(c.command, c.a, "b.q47", command_out));
        ASSERT_EQ(command.status, 0) << command.err;
        EXPECT_EQ(command.err, "");
        if (c.out == ".txt") {
            EXPECT_EQ(vtest::slurp(dir.path(command_out)), vtest::slurp(console_out));
        } else {
            expect_same_q47(console_out, dir.path(command_out));
        }
        const bool combine = c.console[0] == '2';
        EXPECT_EQ(command.out, combine ? combine_lines(console.out) : "");
    }
}

// Wrong counts of numbers, axes the map does not have, missing inputs and outputs that name an
// input: one error line, status 2 for what the parser sees and 1 for what the map or the
// files refuse, and nothing written or changed.
TEST_F(Operations, RefusalsWriteNothing) {
    const auto before = files();
    const struct {
        std::string args;
        int status;
        std::string err;  // the start of the error output; all of it for status 1
    } cases[] = {
        {"shift --by 0.5,0 a.q47 out.q47", 1, "voxmill: error: --by: gives 2 values for a map of 4 axes; it needs one for each axis\n"},
        {"box --center 0.5,0.5,0.5,0.5 --width 1,1,1 a.q47 out.q47", 1, "voxmill: error: --width: gives 3 values for a map of 4 axes; it needs one for each axis\n"},
        {"reorder --order 123 a.q47 out.q47", 1, "voxmill: error: --order: gives 3 digits for a map of 4 axes; it needs one for each axis\n"},
        {"section --origin 0,0,0,0,0 --axes 1,0,0,0/0,1,0,0/0,0,1,0 --size 2,2,2 a.q47 out.q47", 1,
         "voxmill: error: --origin: gives 5 values for a map of 4 axes; it needs one for each axis\n"},
        {"section --origin 0,0,0,0 --axes 1,0,0,0/0,1,0,0 --size 2,2,2 a.q47 out.q47", 2, "voxmill: error: --axes: "},
        {"section --origin 0,0,0,0 --axes 1,0,0,0/0,1,0,0/0,0,1,0 --size 2,2 a.q47 out.q47", 2, "voxmill: error: --size: "},
        {"shift --by nan,0,0,0 a.q47 out.q47", 2, "voxmill: error: --by: "},
        {"reorder --order 1253 a.q47 out.q47", 1,
         "voxmill: error: a.q47: the true order of axes 1253 leaves output axis 3 with no axis of the map, whose axis codes are 1 2 3 4\n"},
        {"section --decagonal --scope 0,1,0,1,0,1 --pixel 1 a.q47 out.q47", 1,
         "voxmill: error: a.q47: a decagonal section needs a map of at least 5 dimensions; this map has 4\n"},
        {"section --icosahedral-5 --scope 1,0,0,1,0,1 --pixel 1 d6.q47 out.q47", 1,
         "voxmill: error: --scope: the scope of section axis 1 ends before it starts (first pixel 1, last 0)\n"},
        {"combine --op sum a.q47 d5.q47 out.q47", 1,
         "voxmill: error: d5.q47: the two maps have different numbers of voxels along their axes\n"},
        {"add-layer missing.q47 out.q47", 1, "voxmill: error: missing.q47: no such file\n"},
        {"combine --op sum a.q47 missing.q47 out.q47", 1, "voxmill: error: missing.q47: no such file\n"},
        {"project a.q47 ./a.q47", 1, "voxmill: error: ./a.q47: is the input file a.q47; nothing was written\n"},
        {"combine --op share a.q47 b.q47 ./b.q47", 1, "voxmill: error: ./b.q47: is the input file b.q47; nothing was written\n"},
        {"classes --count 3 a.q47 ./a.q47", 1, "voxmill: error: ./a.q47: is the input file a.q47; nothing was written\n"},
        {"section --origin 0,0,0,0 --axes 1,0,0,0/0,1,0,0/0,0,1,0 --size 2,2,2 a.q47 out.ccp4", 1,
         "voxmill: error: out.ccp4: the section holds no unit cell (only one through an embedding cut in A has one): write it as q47\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const vtest::ProcessRun r = vtest::voxmill(dir, c.args);
        EXPECT_EQ(r.status, c.status);
        if (c.status == 2) {
            EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << r.err;
            EXPECT_NE(r.err.find("\nusage: voxmill " + c.args.substr(0, c.args.find(' ')) + " "), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(r.err, c.err);
        }
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(files(), before);
    }
}

}  // namespace
