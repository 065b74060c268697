#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>
#include <string>

#include "core/voxmill_mod.hpp"
#include "formats/tokens.hpp"

using namespace voxmill;

namespace {

std::string text132(const std::string& t) { return padded(t, 132); }

std::int32_t int_status(const std::string& t, std::int32_t& v) {
    std::string text = text132(t);
    std::int32_t err = -1;
    oneint(text, v, err);
    return err;
}

float real_of(const std::string& t, std::int32_t expected_status = kTokenOk) {
    std::string text = text132(t);
    float v = -12345.0f;
    std::int32_t err = -1;
    onereal(text, v, err);
    EXPECT_EQ(err, expected_status) << t;
    return v;
}

}  // namespace

TEST(Firstword, CutsWordsAndLeadingSeparators) {
    std::string text = text132("  12 abc");
    EXPECT_EQ(firstword(text, false), text132("12"));
    EXPECT_EQ(text, text132("12 abc"));
    EXPECT_EQ(firstword(text, true), text132("12"));
    EXPECT_EQ(text, text132("abc"));

    std::string tabbed = text132("4\t5");
    EXPECT_EQ(firstword(tabbed, true), text132("4"));
    EXPECT_EQ(tabbed, text132("5"));

    // A word ending in the last position is not seen and not cut.
    std::string full = std::string(128, ' ') + "wxyz";
    EXPECT_EQ(firstword(full, true), text132(""));
    EXPECT_EQ(full, text132("wxyz"));
    // A lone character in the last position goes with the leading separators.
    std::string lone = std::string(131, ' ') + "7";
    EXPECT_EQ(firstword(lone, true), text132(""));
    EXPECT_EQ(lone, text132(""));
}

TEST(Firstword, LeadingWordSeesWhatFirstwordCuts) {
    std::mt19937 gen(7);
    const std::string alphabet = " \t1.-eDx";
    for (int trial = 0; trial < 20000; ++trial) {
        std::string line(gen() % 140, ' ');
        for (char& c : line) c = alphabet[gen() % alphabet.size()];
        std::string buffer = text132(line);
        const std::string word = firstword(buffer, true);
        EXPECT_EQ(std::string(leading_word(line, 132)), word.substr(0, static_cast<std::size_t>(idel(word)))) << line;
    }
}

TEST(Oneint, StatusesAndValues) {
    std::int32_t v = 99;
    EXPECT_EQ(int_status("   ", v), kTokenNoWord);
    EXPECT_EQ(v, 99);
    const std::int32_t bad = int_status("1.5", v);
    EXPECT_NE(bad, kTokenOk);
    EXPECT_NE(bad, kTokenNoWord);
    EXPECT_EQ(v, 99);
    for (const char* word : {"+", "-", "1e3", "x", "2147483648", "-2147483649"}) {
        EXPECT_NE(int_status(word, v), kTokenOk) << word;
    }
    EXPECT_EQ(v, 99);
    EXPECT_EQ(int_status("+7", v), kTokenOk);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(int_status("-2147483648", v), kTokenOk);
    EXPECT_EQ(v, -2147483647 - 1);
    // Words of 100 characters and more follow the same rules.
    EXPECT_EQ(int_status(std::string(110, '0') + "42", v), kTokenOk);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(int_status(std::string(110, '9'), v), kTokenOverflow);
}

TEST(Onereal, RealFieldWithoutImpliedDecimals) {
    EXPECT_EQ(real_of("3"), 3.0f);
    EXPECT_EQ(real_of("0.25"), 0.25f);
    EXPECT_EQ(real_of("-.5"), -0.5f);
    EXPECT_EQ(real_of("+2."), 2.0f);
    EXPECT_EQ(real_of("2e1"), 20.0f);
    EXPECT_EQ(real_of("1.5D2"), 150.0f);
    EXPECT_EQ(real_of("1.5d-1"), 0.15f);
    EXPECT_EQ(real_of("1.0-2"), 0.01f);  // an exponent may start with its sign alone
    EXPECT_EQ(real_of("0.1"), 0.1f);
    // Beyond the float range: too large is no number (an infinity the text never said), too
    // small is zero; what rounds to the largest float is still that float.
    EXPECT_EQ(real_of("1e50", kTokenOverflow), -12345.0f);
    EXPECT_EQ(real_of("-3.4028236e38", kTokenOverflow), -12345.0f);
    EXPECT_EQ(real_of(std::string(120, '9'), kTokenOverflow), -12345.0f);
    EXPECT_EQ(real_of("3.4028235e38"), 3.4028235e38f);
    EXPECT_EQ(real_of("1e-50"), 0.0f);
    EXPECT_TRUE(std::isnan(real_of("NaN")));
    EXPECT_EQ(real_of("-Infinity"), -INFINITY);
    EXPECT_EQ(real_of("", kTokenNoWord), -12345.0f);
    // Just above the midpoint between 1 and the next float: a detour through double would
    // land on the midpoint and round down.
    EXPECT_EQ(real_of("1.00000005960464477539062500001"), std::nextafter(1.0f, 2.0f));
    EXPECT_EQ(real_of("1." + std::string(120, '0') + "1"), 1.0f);
    for (const char* word : {"1E", "1e+", "e5", ".", "+", "1.2.3", "abc", "1x", "12*", "--1", "1e5.0", "0x10"}) {
        EXPECT_EQ(real_of(word, kTokenBadSyntax), -12345.0f) << word;
    }
}

TEST(Onereal, ShortDecimalsGiveTheCorrectlyRoundedFloat) {
    std::mt19937 gen(5);
    for (int trial = 0; trial < 300000; ++trial) {
        std::string word = gen() % 4 == 0 ? "-" : "";
        const int digits = 1 + static_cast<int>(gen() % 9);
        const int point = static_cast<int>(gen() % (digits + 1));
        for (int i = 0; i < digits; ++i) {
            if (i == point) word += '.';
            word += static_cast<char>('0' + gen() % 10);
        }
        float fast = 0.0f;
        ASSERT_EQ(convert_real(word, fast), kTokenOk) << word;
        float general = 0.0f;
        std::from_chars(word.data(), word.data() + word.size(), general);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(fast), std::bit_cast<std::uint32_t>(general)) << word;
    }
}

TEST(ArrayTokens, MissingWordsReadAsZeroAndOnlyTheLastStatusCounts) {
    std::string text = text132("4 5");
    std::int32_t v[3] = {-1, -1, -1};
    std::int32_t err = -1;
    arrayint(text, v, 3, err);
    EXPECT_EQ(err, kTokenOk);
    EXPECT_EQ(v[0], 4);
    EXPECT_EQ(v[1], 5);
    EXPECT_EQ(v[2], 0);

    text = text132("x 5");
    v[0] = -1;
    arrayint(text, v, 2, err);
    EXPECT_EQ(err, kTokenOk);
    EXPECT_EQ(v[0], -1);
    EXPECT_EQ(v[1], 5);
}
