// q47 files that lie: counts no map can have, headers of billions of voxels on a few bytes,
// and a small map cut short at every byte, through the probe, the reader and every option.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/getargs.hpp"
#include "app/q47_files.hpp"
#include "formats/q47_header.hpp"
#include "support/direct_call.hpp"
#include "support/option_sessions.hpp"
#include "support/test_support.hpp"

namespace {


const std::string kEndOfInput = "Error: the console input ended where a text answer was expected. Stopping.\r\n";

std::string cannot_be_read(const std::string& name) {
    return " The file " + name + " cannot be read. It has probably wrong format. Try again:\r\n";
}

// Runs the option on `in` and checks what a map whose data records are missing gives: the
// reader's block, the option's own end, and no output where none may be made.
void expect_failed_read(const vtest::OptionSession& s, const std::string& in, const vtest::ScratchDir& dir,
                        const std::string& what) {
    const std::string out = dir.path("out");
    std::filesystem::remove(out);
    const auto r = vtest::run_session(vtest::typed(vtest::session_lines(s, in, out)) + "Q\n");
    SCOPED_TRACE(std::string("option ") + s.option + ", " + what);
    EXPECT_EQ(r.status, s.failed_read_status);
    EXPECT_EQ(r.err.substr(0, s.failed_read_err.size()), s.failed_read_err);
    if (s.failed_read_err.empty()) {
        EXPECT_EQ(r.err, "");
    }
    if (s.failed_read_status == 0) {
        EXPECT_NE(r.out.find(vtest::kReadFailureBlock), std::string::npos);
    }
    EXPECT_EQ(r.out.find(vtest::kFinished), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));  // nor a temporary beside it
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path("")), {}), 1) << "only the input is left";
}

TEST(HostileQ47, TheProbeRefusesCountsNoMapCanHave) {
    vtest::ScratchDir dir;
    struct Bad {
        const char* what;
        std::vector<std::int32_t> nvox;
        std::int32_t nxny, nmap;
    };
    const std::int32_t huge = 2147483647;
    const Bad bad[] = {
        {"a zero count", {3, 3, 0, 1, 1, 1}, 9, 0},
        {"a negative count", {3, -3, 2, 1, 1, 1}, -9, 2},
        {"two negative counts", {-3, -3, 2, 1, 1, 1}, 9, 2},
        {"a huge count", {huge, 1, 1, 1, 1, 1}, huge, 1},
        {"counts whose product overflows", {65536, 65536, 1, 1, 1, 1}, 0, 1},
        {"layers whose product overflows", {2, 2, 65536, 65536, 1, 1}, 4, 0},
        {"nxny too small", {3, 3, 2, 1, 1, 1}, 8, 2},
        {"nxny negative", {3, 3, 2, 1, 1, 1}, -9, 2},
        {"nmap too large", {3, 3, 2, 1, 1, 1}, 9, 3},
        {"nmap zero", {3, 3, 2, 1, 1, 1}, 9, 0},
        {"nmap negative", {3, 3, 2, 1, 1, 1}, 9, -2},
    };
    for (const Bad& b : bad) {
        // The header record as long as the claimed layer asks, where that is not absurd.
        vtest::RawHeader h;
        h.nvox = {1, 1, 1, 1, 1, 1};
        auto bytes = vtest::q47_bytes(h, {});
        bytes.resize(b.nxny > 0 && b.nxny < (1 << 18) ? voxmill::q47_record_length(b.nxny) : bytes.size());
        for (std::size_t i = 0; i < 6; ++i) voxmill::put_i32(bytes.data() + 4 * i, b.nvox[i]);
        voxmill::put_i32(bytes.data() + 24, b.nxny);
        voxmill::put_i32(bytes.data() + 28, b.nmap);
        vtest::write_bytes(dir.path("bad"), bytes);
        voxmill::State st;
        EXPECT_EQ(voxmill::getdim(st, dir.path("bad")).outcome, voxmill::Probe::Outcome::cannot_read) << b.what;
        const auto r = vtest::run_session("F\n" + dir.path("bad") + "\n");
        EXPECT_EQ(r.status, 2) << b.what;
        EXPECT_EQ(r.err, kEndOfInput) << b.what;
        EXPECT_NE(r.out.find(cannot_be_read(dir.path("bad"))), std::string::npos) << b.what;
    }
}

// Headers of a map of billions of voxels on files that hold a layer or none: the reader
// gives the read-failure block with the layers the file holds, and an array no larger than
// the file, through the reader itself and through every option.
TEST(HostileQ47, BillionsOfVoxelsOnAShortFileReadAsAFileCutShort) {
    vtest::ScratchDir dir;
    struct Liar {
        std::vector<std::int32_t> nvox;
        std::int32_t layers_held;
    };
    const Liar liars[] = {{{2, 2, 250000000, 2, 1, 1}, 0},
                          {{2, 2, 20000, 25000, 1, 1}, 3},
                          {{600, 600, 2500, 2, 1, 1}, 1}};
    for (const Liar& l : liars) {
        vtest::RawHeader h;
        h.nvox = l.nvox;
        h.nmap = l.layers_held;
        const auto rho = vtest::ramp(static_cast<std::size_t>(l.nvox[0] * l.nvox[1] * l.layers_held));
        auto bytes = vtest::q47_bytes(h, rho);
        std::int32_t nmap = 1;
        for (std::size_t i = 2; i < 6; ++i) nmap *= l.nvox[i];
        voxmill::put_i32(bytes.data() + 28, nmap);
        bytes.resize(bytes.size() - voxmill::q47_record_length(l.nvox[0] * l.nvox[1]));  // no trailer
        const std::string name = dir.path("liar");
        vtest::write_bytes(name, bytes);

        vtest::DirectCall call(name, dir.path("out"));
        EXPECT_EQ(voxmill::readorvo(call.st, call.con, name), voxmill::FileStatus::cannot_read_or_write);
        EXPECT_EQ(call.out.str(), vtest::kReadFailureBlock);
        EXPECT_LE(call.st.map.rho.size(), bytes.size() / 4 + 1);
        for (std::size_t i = 0; i < rho.size(); ++i) ASSERT_EQ(call.st.map.rho[i], rho[i]);

        for (const auto& s : vtest::q47_option_sessions()) expect_failed_read(s, name, dir, "a short file of many voxels");
    }
}

// A 2 x 1 x 1 x 2 map cut after every byte: shorter than its header record it is refused by
// the probe; shorter than its last layer it fails in the reader; with its layers it works,
// whatever is left of its trailer.
TEST(HostileQ47, AMapCutShortAtEveryByte) {
    vtest::ScratchDir dir;
    const std::vector<std::int32_t> nvox{2, 1, 1, 2, 1, 1};
    vtest::RawHeader h;
    h.nvox = nvox;
    const auto whole = vtest::q47_bytes(h, vtest::ramp(4, 0.5f));
    const std::size_t L = voxmill::q47_record_length(2);
    const std::size_t layers_end = 3 * L;
    const std::string in = dir.path("cut");
    // Past the last layer only the trailer is cut, which no reader reads: two lengths show it.
    for (std::size_t cut = 0; cut <= whole.size(); cut = cut == layers_end ? whole.size() : cut + 1) {
        vtest::write_bytes(in, std::vector<unsigned char>(whole.begin(), whole.begin() + static_cast<long>(cut)));
        const std::string what = "cut after " + std::to_string(cut) + " bytes";
        for (const auto& s : vtest::q47_option_sessions()) {
            if (cut < L) {
                const auto r = vtest::run_session(vtest::typed({std::string(1, s.option), in}));
                ASSERT_EQ(r.status, 2) << s.option << ", " << what;
                ASSERT_EQ(r.err, kEndOfInput) << s.option << ", " << what;
                ASSERT_NE(r.out.find(cannot_be_read(in)), std::string::npos) << s.option << ", " << what;
            } else if (cut < layers_end) {
                expect_failed_read(s, in, dir, what);
            } else {
                const std::string out = dir.path("out");
                std::filesystem::remove(out);
                const auto r = vtest::run_session(vtest::typed(vtest::session_lines(s, in, out)) + "Q\n");
                ASSERT_EQ(r.status, 0) << s.option << ", " << what << r.err;
                ASSERT_EQ(r.err, "") << s.option << ", " << what;
                ASSERT_NE(r.out.find(vtest::kFinished), std::string::npos) << s.option << ", " << what;
                ASSERT_TRUE(std::filesystem::exists(out)) << s.option << ", " << what;
            }
        }
        if (testing::Test::HasFailure()) return;
    }
}

}  // namespace
