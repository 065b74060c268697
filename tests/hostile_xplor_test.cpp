// X-PLOR files that lie or hold garbage, through option D: each ends in the reader's own
// messages and stop, with no q47 map made and no array larger than the file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "app/q47_files.hpp"
#include "app/stops.hpp"
#include "app/xplor_input.hpp"
#include "core/errors.hpp"
#include "core/fields.hpp"
#include "support/direct_call.hpp"
#include "support/test_support.hpp"

namespace {

const std::string kStop = "STOP Error during reading of the reference density. Check the log file.\r\n";

std::string read_error(int line, const std::string& rest) {
    return "\r\nRoutine ReadXPlor:\r\nError reading reference density on line" + voxmill::fmt_i(line, 5) +
           "\r\nLately reading: " + rest + "\r\n";
}

std::string text_of(const std::vector<std::string>& lines) {
    std::string t;
    for (const std::string& l : lines) t += l + "\n";
    return t;
}

void put_text(const std::string& path, const std::string& text) {
    vtest::write_bytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

// Option D on this file; the output of the reader between the name questions and the stop.
vtest::SessionResult convert(const vtest::ScratchDir& dir, const std::string& text) {
    put_text(dir.path("map.xplor"), text);
    std::filesystem::remove(dir.path("map.q47"));
    return vtest::run_session("D\n" + dir.path("map.xplor") + "\n" + dir.path("map.q47") + "\nQ\n");
}

TEST(HostileXplor, AbsurdTitleCountsGridLinesAndWords) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        std::string messages;
    };
    const std::string x5000(5000, 'x');
    const std::string ones(5000, '1');
    const std::vector<std::string> cell_order{"1 1 1 90 90 90", "ZYX"};
    auto with_grid = [&](const std::string& grid, std::vector<std::string> body) {
        std::vector<std::string> l{" ", "1", "title", grid};
        l.insert(l.end(), cell_order.begin(), cell_order.end());
        l.insert(l.end(), body.begin(), body.end());
        return l;
    };
    const Case cases[] = {
        {"two thousand million title lines", {" ", "2000000000", "title", "2 0 1 2 0 1 2 0 1"}, read_error(5, "")},
        {"a title count beyond 32 bits", {" ", "99999999999", "2 0 1"}, read_error(2, "")},
        {"a title count of thousands of digits", {" ", ones, "2 0 1"}, read_error(2, ones.substr(0, 132))},
        {"a title word of thousands of letters", {" ", x5000}, read_error(2, x5000.substr(0, 132))},
        {"a thousand million voxels in a few lines", with_grid("1000 0 999 1000 0 999 1000 0 999", {"0", "1.0"}),
         read_error(9, "")},
        {"the largest 32-bit count on one axis", with_grid("2147483647 0 1", {"0", "1.0", "2.0"}), read_error(10, "")},
        {"counts whose product overflows", with_grid("65536 0 1 65536 0 1 2 0 1", {}), read_error(4, "")},
        {"a negative count", with_grid("2 0 1 -2 0 1 2 0 1", {}), read_error(4, "")},
        {"a count with an exponent", with_grid("2 0 1 1e3 0 1 2 0 1", {}), read_error(4, "")},
        {"a grid word of thousands of letters", with_grid(x5000, {}), read_error(4, x5000.substr(0, 132))},
        {"a label of thousands of digits", with_grid("2 0 1 2 0 1 2 0 1", {ones}), read_error(7, ones.substr(0, 132))},
        {"a value of thousands of letters", with_grid("2 0 1 2 0 1 2 0 1", {"0", x5000}),
         read_error(8, x5000.substr(0, 132))},
    };
    vtest::ScratchDir dir;
    for (const Case& c : cases) {
        const auto r = convert(dir, text_of(c.lines));
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(r.err, kStop) << c.what;
        const std::string asked = "Enter the names of the input and output files\r\n";
        const auto after = r.out.find(asked);
        ASSERT_NE(after, std::string::npos) << c.what;
        EXPECT_EQ(r.out.substr(after + asked.size()), c.messages) << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir.path("map.q47"))) << c.what;
    }
}

TEST(HostileXplor, AGridOfBillionsOfVoxelsCostsNoMoreThanTheFile) {
    vtest::ScratchDir dir;
    const std::string text = text_of({" ", "0", "2000 0 1 1000 0 1 1000 0 1", "cell", "ZYX", "0", "1.5", "2.5"});
    put_text(dir.path("big.xplor"), text);
    vtest::DirectCall call(dir.path("big.xplor"), dir.path("out"));
    EXPECT_THROW(voxmill::readxplor(call.st, call.con, dir.path("big.xplor")), voxmill::Stop);
    EXPECT_EQ(call.st.map.voxels(), 2000000000);
    EXPECT_LE(call.st.map.rho.size(), text.size() / 2 + 1);
    EXPECT_EQ(call.st.map.rho[0], 1.5f);
    EXPECT_EQ(call.st.map.rho[1], 2.5f);
}

// Values no density should have still make a map: NaN and the infinities go into the q47 map
// as the floats they read as, and so does the largest float. A number beyond it is no density:
// reading stops on its line, where an infinity would have been stored silently.
TEST(HostileXplor, NaNAndInfinitiesAreStoredAsReadNumbersBeyondTheFloatsAreNot) {
    vtest::ScratchDir dir;
    const std::vector<std::string> head{" ", "-5", "2 0 1 2 0 1 1 0 0", "cell", "ZYX", "0", "NaN", "Infinity", "-inf"};
    std::vector<std::string> lines = head;
    lines.push_back("3.4028235e38  -1e39");
    auto r = convert(dir, text_of(lines));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_NE(r.out.find("Finished. What now?"), std::string::npos);
    const auto bytes = vtest::read_bytes(dir.path("map.q47"));
    const std::size_t L = 136;
    EXPECT_TRUE(std::isnan(vtest::word_f32(bytes, L)));
    EXPECT_EQ(vtest::word_f32(bytes, L + 4), std::numeric_limits<float>::infinity());
    EXPECT_EQ(vtest::word_f32(bytes, L + 8), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(vtest::word_f32(bytes, L + 12), std::numeric_limits<float>::max());

    for (const std::string& beyond : {std::string("1e39"), std::string("-3.4028236e38"), std::string(131, '9')}) {
        lines = head;
        lines.push_back(beyond);
        r = convert(dir, text_of(lines));
        EXPECT_EQ(r.err, kStop) << beyond;
        const std::string asked = "Enter the names of the input and output files\r\n";
        const auto after = r.out.find(asked);
        ASSERT_NE(after, std::string::npos) << beyond;
        EXPECT_EQ(r.out.substr(after + asked.size()), "Error, inconsistency in the density on line        10.\r\n") << beyond;
        EXPECT_FALSE(std::filesystem::exists(dir.path("map.q47"))) << beyond;
    }
}

}  // namespace
