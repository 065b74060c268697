#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "ops/heap.hpp"
#include "ops/histogram.hpp"
#include "support/test_support.hpp"

using vtest::crlf;

namespace {

std::string text_of(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::vector<std::uint32_t> bits_of(const std::vector<float>& v) {
    std::vector<std::uint32_t> b;
    for (float x : v) b.push_back(std::bit_cast<std::uint32_t>(x));
    return b;
}

// What the table holds by the plain rule: sort with heap, take the positions.
std::vector<float> limits_by_heap(std::vector<float> rho, std::int32_t classes) {
    const auto n = static_cast<std::int32_t>(rho.size());
    voxmill::heap(n, rho.data());
    std::vector<float> limits;
    for (std::int64_t p : voxmill::class_positions(n, classes)) limits.push_back(rho[static_cast<std::size_t>(p)]);
    return limits;
}

class Histogram : public ::testing::Test {
protected:
    vtest::SessionResult table(const std::string& classes) {
        return vtest::run_session("F\n" + in + "\n" + out + "\n" + classes + "\nQ\n");
    }
    vtest::ScratchDir dir;
    const std::string in = dir.path("map.q47");
    const std::string out = dir.path("table.txt");
};

}  // namespace

TEST_F(Histogram, TenVoxelsInFourClasses) {
    vtest::write_q47(in, {10}, {13.5f, 4.5f, 10.5f, 1.5f, 0.0f, 12.0f, 3.0f, 9.0f, 6.0f, 7.5f});
    const auto r = table("4");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find(crlf("Give the number of classes:\nFinished. What now?\n")), std::string::npos);
    // positions 0, 3 (2.5 rounded up), 5, 8 (7.5 rounded up), and 9 for the maximum
    EXPECT_EQ(text_of(vtest::read_bytes(out)),
              crlf("     0.0000000\n     4.5000000\n     7.5000000\n    12.0000000\n    13.5000000\n"));
}

TEST_F(Histogram, FewClassesAndAReplacedFile) {
    vtest::write_q47(in, {6, 6}, vtest::ramp(36, -1.0e6f));
    vtest::write_bytes(out, std::vector<unsigned char>(500, 'x'));
    table("0");
    EXPECT_EQ(text_of(vtest::read_bytes(out)), crlf("    -0.0000000\n"));  // the largest is -0.0
    table("1");
    EXPECT_EQ(text_of(vtest::read_bytes(out)), crlf("**************\n    -0.0000000\n"));
    table("-3");
    EXPECT_EQ(text_of(vtest::read_bytes(out)), crlf("    -0.0000000\n"));
}

TEST_F(Histogram, AMapThatCannotBeReadStopsTheProgram) {
    auto bytes = vtest::q47_bytes(vtest::RawHeader{{6, 6, 2, 1, 1, 1}}, vtest::ramp(72));
    bytes.resize(2 * 144);
    vtest::write_bytes(in, bytes);
    const auto r = table("4");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find("Finished. What now?"), std::string::npos);
}

TEST(ClassPositions, RoundHalvesUpAndKeepWithinTheMap) {
    EXPECT_EQ(voxmill::class_positions(10, 4), (std::vector<std::int64_t>{0, 3, 5, 8, 9}));
    EXPECT_EQ(voxmill::class_positions(10, 0), (std::vector<std::int64_t>{9}));
    // Ten classes of three voxels: 2.7 rounds to 3, one past the map, and shows the maximum.
    EXPECT_EQ(voxmill::class_positions(3, 10), (std::vector<std::int64_t>{0, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2}));
    std::vector<float> all_equal(7, 2.5f);
    EXPECT_EQ(voxmill::class_limits(all_equal.data(), 7, 3), std::vector<float>(4, 2.5f));
}

TEST(Heap, SortsAndLeavesItsOwnOrderAmongEqualValues) {
    std::vector<float> one{4.0f};
    voxmill::heap(1, one.data());
    EXPECT_EQ(one, std::vector<float>{4.0f});
    std::vector<float> two{2.0f, 1.0f};
    voxmill::heap(2, two.data());
    EXPECT_EQ(two, (std::vector<float>{1.0f, 2.0f}));
    voxmill::heap(0, nullptr);

    // Equal under <, the two zeros trade places: heap's order is not a stable one.
    std::vector<float> zeros{0.0f, -0.0f};
    voxmill::heap(2, zeros.data());
    EXPECT_EQ(bits_of(zeros), bits_of({-0.0f, 0.0f}));
    voxmill::heap(2, zeros.data());
    EXPECT_EQ(bits_of(zeros), bits_of({0.0f, -0.0f}));

    std::mt19937 gen(3);
    std::uniform_int_distribution<int> value(-50, 50);
    for (int n = 0; n < 60; ++n) {
        std::vector<float> v(static_cast<std::size_t>(n));
        for (float& x : v) x = static_cast<float>(value(gen));
        std::vector<float> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        voxmill::heap(n, v.data());
        EXPECT_EQ(v, sorted) << n;
    }
}

TEST(Heap, WithNaNKeepsEveryValue) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> v{3.0f, nan, 1.0f, 2.0f, nan, 0.0f, 5.0f};
    voxmill::heap(7, v.data());
    EXPECT_EQ(std::count_if(v.begin(), v.end(), [](float x) { return std::isnan(x); }), 2);
    std::vector<float> numbers;
    std::copy_if(v.begin(), v.end(), std::back_inserter(numbers), [](float x) { return !std::isnan(x); });
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<float>{0.0f, 1.0f, 2.0f, 3.0f, 5.0f}));
}

// The table must hold, bit for bit, what heap leaves at its positions, for maps of every
// kind: spread values, heavy ties, zeros of both signs, NaN, many more classes than voxels.
TEST(ClassLimits, AgreeBitForBitWithTheHeapsort) {
    std::mt19937 gen(11);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::uniform_real_distribution<float> spread(-1000.0f, 1000.0f);
    std::uniform_int_distribution<int> tie(-3, 3);
    std::uniform_int_distribution<int> size(1, 3000);
    std::uniform_int_distribution<int> rare(0, 40);
    for (int trial = 0; trial < 400; ++trial) {
        const int kind = trial % 5;
        std::vector<float> rho(static_cast<std::size_t>(size(gen)));
        for (float& v : rho) {
            switch (kind) {
                case 0: v = spread(gen); break;                                 // all different
                case 1: v = static_cast<float>(tie(gen)); break;                // ties, zeros of one sign
                case 2: v = tie(gen) == 0 ? -0.0f : static_cast<float>(tie(gen)) * 0.5f; break;  // both zeros
                case 3: v = rare(gen) == 0 ? nan : spread(gen); break;          // some NaN
                default: v = rare(gen) < 3 ? (rare(gen) % 2 ? 0.0f : -0.0f) : spread(gen); break;
            }
        }
        const auto n = static_cast<std::int32_t>(rho.size());
        std::uniform_int_distribution<int> classes(-1, trial % 7 == 0 ? 3 * n : 120);
        const std::int32_t h = classes(gen);
        std::vector<float> work = rho;
        EXPECT_EQ(bits_of(voxmill::class_limits(work.data(), n, h)), bits_of(limits_by_heap(rho, h)))
            << "trial " << trial << ", " << n << " voxels, " << h << " classes";
    }
}
