#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/fields.hpp"
#include "formats/fixed_fields.hpp"
#include "formats/line_reader.hpp"
#include "support/test_support.hpp"

using namespace voxmill;

namespace {

template <int W, int D>
std::string fixed_f(float v) {
    std::string s(W, '?');
    EXPECT_EQ((put_f_fixed<W, D>(s.data(), v)), s.data() + W);
    return s;
}

std::vector<std::string> all_lines(LineReader& r) {
    std::vector<std::string> lines;
    std::string_view line;
    while (r.next(line)) lines.emplace_back(line);
    return lines;
}

}  // namespace

TEST(FixedFields, FastFieldsMatchThePrintfFields) {
    std::vector<float> values = {0.5f,     -0.5f,    10.0f,      1.0e7f,   -1.0e6f,  9999999.0f, -0.00001f,
                                 -0.0f,    0.0f,     0.03125f,   0.09375f, 999999.9f, 1.0e-45f,  -3.0e38f,
                                 NAN,      INFINITY, -INFINITY,  0.00005f, -0.99995f, 99999.99f, 1.0e6f};
    std::mt19937 gen(3);
    for (int i = 0; i < 200000; ++i) {
        values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(gen())));  // every magnitude
        values.push_back(std::uniform_real_distribution<float>(-2000.0f, 2000.0f)(gen));
        // Ties at the fourth and seventh decimal.
        values.push_back(static_cast<float>(static_cast<int>(gen() % 200000) - 100000) / 32.0f);
    }
    for (const float v : values) {
        ASSERT_EQ((fixed_f<12, 4>(v)), fmt_f(v, 12, 4)) << v;
        ASSERT_EQ((fixed_f<14, 7>(v)), fmt_f(v, 14, 7)) << v;
        ASSERT_EQ((fixed_f<8, 6>(v)), fmt_f(v, 8, 6)) << v;
        ASSERT_EQ((fixed_f<3, 0>(v)), fmt_f(v, 3, 0)) << v;
        ASSERT_EQ((fixed_f<20, 6>(v)), fmt_f(v, 20, 6)) << v;
        ASSERT_EQ((fixed_f<10, 5>(v)), fmt_f(v, 10, 5)) << v;
        ASSERT_EQ((fixed_f<2, 1>(v)), fmt_f(v, 2, 1)) << v;
    }
    for (const std::int64_t v : {0LL, 7LL, -7LL, 10LL, 99LL, 100LL, 99999LL, 999999LL, 1000000LL, -9999LL, -12345LL, 2147483647LL, -2147483648LL}) {
        for (const int w : {2, 5, 6, 8, 10}) {
            std::string s(static_cast<std::size_t>(w), '?');
            put_i(s.data(), v, w);
            EXPECT_EQ(s, fmt_i(v, w));
        }
        std::string six(6, '?');
        put_i_fixed<6>(six.data(), v);
        EXPECT_EQ(six, fmt_i(v, 6));
        std::string two(2, '?');
        put_i_fixed<2>(two.data(), v);
        EXPECT_EQ(two, fmt_i(v, 2));
    }
}

TEST(LineReader, LineEndsLastLineAndOverlongLines) {
    vtest::ScratchDir dir;
    const std::string name = dir.path("lines");
    const std::string text = "a\r\n\nbb\rc\n" + std::string(40, 'x') + "\r\nlast\r";
    vtest::write_bytes(name, std::vector<unsigned char>(text.begin(), text.end()));
    for (const std::size_t capacity : {std::size_t{16}, std::size_t{1} << 20}) {
        LineReader r(capacity);
        ASSERT_TRUE(r.open(name));
        // A line longer than the buffer ends the reading.
        const std::vector<std::string> whole{"a", "", "bb\rc", std::string(40, 'x'), "last"};
        EXPECT_EQ(all_lines(r), capacity == 16 ? std::vector<std::string>(whole.begin(), whole.begin() + 3) : whole);
        EXPECT_TRUE(r.close());
    }
    LineReader r;
    EXPECT_FALSE(r.open(dir.path("missing")));
    EXPECT_FALSE(r.open(dir.path("")));
}
