#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/console.hpp"
#include "app/q47_files.hpp"
#include "formats/q47_header.hpp"
#include "formats/record_file.hpp"
#include "support/test_support.hpp"

using voxmill::RecordFile;

namespace {

const char* kOpenFailure =
    "\r\nRoutine ReadOrvo:\r\nError! Cannot open density file for reading!\r\n"
    "Nothing has been read! Returning...\r\n\r\n";
const char* kReadFailure =
    "\r\nRoutine ReadOrvo:\r\nError! Cannot read density file!\r\n"
    "Something may have been read! Returning...\r\n\r\n";
const char* kAxisWarning = " Warning, order of axes is not a b c... Results can be unpredictable.\r\n";

struct Reader {
    std::istringstream in;
    std::ostringstream out, err;
    voxmill::Console con{in, out, err};
    voxmill::State st;

    // The status as its number: 0 read, 1 not opened, 2 not read, 3 not closed.
    std::int32_t read(const std::string& name) {
        out.str("");
        return static_cast<std::int32_t>(voxmill::readorvo(st, con, name));
    }
};

}  // namespace

TEST(RecordFile, ModesCreateKeepAndRefuseAsTheyShould) {
    vtest::ScratchDir dir;
    const std::string name = dir.path("records");
    RecordFile f;
    EXPECT_FALSE(f.open(name, RecordFile::Mode::read_existing, 8));
    ASSERT_TRUE(f.open(name, RecordFile::Mode::create_new, 8));
    const char a[3] = {'a', 'b', 'c'};
    ASSERT_TRUE(f.write(2, a, 3));
    ASSERT_TRUE(f.write(1, a, 8 - 8));  // an empty record is all padding
    ASSERT_TRUE(f.close());
    EXPECT_EQ(vtest::read_bytes(name),
              (std::vector<unsigned char>{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', 'a', 'b', 'c', ' ', ' ', ' ', ' ', ' '}));
    EXPECT_FALSE(f.open(name, RecordFile::Mode::create_new, 8));  // exists already

    // A replacement dropped before its close leaves the old file; a closed one is all there is.
    ASSERT_TRUE(f.open(name, RecordFile::Mode::replace, 4));
    ASSERT_TRUE(f.write(1, "zz", 2, 0));
    ASSERT_TRUE(f.discard());
    EXPECT_EQ(vtest::read_bytes(name).size(), 16u);
    ASSERT_TRUE(f.open(name, RecordFile::Mode::replace, 4));
    ASSERT_TRUE(f.write(1, "xy", 2, 0));
    EXPECT_EQ(vtest::read_bytes(name).size(), 16u);  // still the old file while it is written
    ASSERT_TRUE(f.close());
    EXPECT_EQ(vtest::read_bytes(name), (std::vector<unsigned char>{'x', 'y', 0, 0}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path("")), {}), 1);  // no temporary left
    ASSERT_TRUE(f.open(name, RecordFile::Mode::replace, 8));
    ASSERT_TRUE(f.write(2, a, 3));
    ASSERT_TRUE(f.write(1, a, 0));
    ASSERT_TRUE(f.close());

    ASSERT_TRUE(f.open(name, RecordFile::Mode::read_existing, 6));
    char got[6];
    EXPECT_TRUE(f.read(2, got, 6));
    EXPECT_FALSE(f.read(3, got, 1));  // bytes 12..17: the file holds only part of record 3
    EXPECT_FALSE(f.open(dir.path(""), RecordFile::Mode::read_existing, 4));  // a folder
}

TEST(Q47Header, EncodesThirtyFiveWordsOrThirtyFourForSmallLayers) {
    voxmill::Q47Header h;
    h.nvox = {{7, 5, 1, 1, 1, 1}};
    h.nxny = 35;
    h.nmap = 1;
    h.satelitybyly = true;
    EXPECT_EQ(h.encode(voxmill::q47_record_length(35)).size(), 140u);
    EXPECT_EQ(h.encode(voxmill::q47_record_length(34)).size(), 136u);
    EXPECT_EQ(voxmill::q47_record_length(2), 136u);
    EXPECT_TRUE(h.counts_usable());
    const auto words = h.encode(140);
    EXPECT_EQ(vtest::word_i32(words, 136), 1);
    voxmill::Q47Header back = voxmill::Q47Header::decode(words.data());
    EXPECT_EQ(back.nvox, h.nvox);
    EXPECT_EQ(back.nxny, 35);

    h.nvox(3) = 0;
    EXPECT_FALSE(h.counts_usable());
    h.nvox = {{7, 5, 2, 1, 1, 1}};
    EXPECT_FALSE(h.counts_usable());  // nmap should be 2
    h.nvox = {{65536, 65536, 1, 1, 1, 1}};
    h.nxny = 0;  // 2^32 wraps to 0 in 32 bits
    EXPECT_FALSE(h.counts_usable());
}

TEST(ReadOrvo, LoadsTheMapInFileOrder) {
    vtest::ScratchDir dir;
    const auto rho = vtest::ramp(10 * 10 * 10, 0.5f);
    vtest::write_q47(dir.path("m.q47"), {10, 10, 10}, rho);
    ASSERT_EQ(vtest::read_bytes(dir.path("m.q47")).size(), 4800u);
    Reader r;
    r.st.sdim = 6;
    ASSERT_EQ(r.read(dir.path("m.q47") + "   "), 0);  // trailing blanks are not part of the name
    EXPECT_EQ(r.out.str(), "");
    EXPECT_EQ(r.st.sdim, 3);
    EXPECT_EQ(r.st.map.nvox, (voxmill::Tab<std::int32_t, 6>{{10, 10, 10, 1, 1, 1}}));
    ASSERT_EQ(r.st.map.rho.size(), 1001u);
    for (std::size_t i = 0; i < rho.size(); ++i) ASSERT_EQ(r.st.map.rho[i], rho[i]) << i;
}

TEST(ReadOrvo, ReadsSmallLayersFromTheirWiderRecords) {
    vtest::ScratchDir dir;
    const auto rho = vtest::ramp(2 * 3 * 4, -1.0f);
    vtest::write_q47(dir.path("small"), {2, 3, 4}, rho);
    Reader r;
    ASSERT_EQ(r.read(dir.path("small")), 0);
    for (std::size_t i = 0; i < rho.size(); ++i) EXPECT_EQ(r.st.map.rho[i], rho[i]);
}

TEST(ReadOrvo, WarnsOnceForAxesOutOfOrderAndNotForTheNextMap) {
    vtest::ScratchDir dir;
    vtest::RawHeader h;
    h.nvox = {4, 4, 2, 1, 1, 1};
    h.iorien = {2, 1, 3, 0, 0, 0};
    vtest::write_bytes(dir.path("swapped"), vtest::q47_bytes(h, vtest::ramp(32)));
    h.nvox = {3, 2, 1, 1, 1, 1};
    h.iorien = {1, 2, 3, 0, 0, 0};  // zeros count as in order
    vtest::write_bytes(dir.path("plain"), vtest::q47_bytes(h, vtest::ramp(6, 2.0f)));

    Reader r;
    ASSERT_EQ(r.read(dir.path("swapped")), 0);
    EXPECT_EQ(r.out.str(), kAxisWarning);
    EXPECT_EQ(r.st.map.rho[1], 1.0f);
    ASSERT_EQ(r.read(dir.path("plain")), 0);
    EXPECT_EQ(r.out.str(), "");
    EXPECT_EQ(r.st.sdim, 2);
    EXPECT_EQ(r.st.map.rho.size(), 7u);  // the second map replaced the first
    EXPECT_EQ(r.st.map.rho[5], 10.0f);
}

TEST(ReadOrvo, KeepsTheStateWhenTheFileCannotBeOpened) {
    vtest::ScratchDir dir;
    Reader r;
    r.st.sdim = 4;
    r.st.map.nvox = {{5, 5, 5, 5, 1, 1}};
    EXPECT_EQ(r.read(dir.path("missing")), 1);
    EXPECT_EQ(r.out.str(), kOpenFailure);
    EXPECT_EQ(r.st.sdim, 4);
    EXPECT_EQ(r.st.map.nvox(4), 5);
    EXPECT_FALSE(r.st.map.rho.allocated());

    vtest::write_bytes(dir.path("short"), std::vector<unsigned char>(100, 0));
    EXPECT_EQ(r.read(dir.path("short")), 1);
    EXPECT_EQ(r.out.str(), kOpenFailure);

    // Extents all 1 leave sdim alone.
    vtest::write_q47(dir.path("point"), {1, 1, 1}, {3.0f});
    EXPECT_EQ(r.read(dir.path("point")), 0);
    EXPECT_EQ(r.st.sdim, 4);
}

TEST(ReadOrvo, RefusesHeadersWhoseCountsNoMapCanHave) {
    vtest::ScratchDir dir;
    struct Bad {
        std::vector<std::int32_t> nvox;
        std::int32_t nxny, nmap;
    };
    const std::vector<Bad> bad{{{4, 4, 0, 1, 1, 1}, 16, 0},   {{4, -4, 2, 1, 1, 1}, -16, 2},
                               {{4, 4, 2, 1, 1, 1}, 15, 2},   {{4, 4, 2, 1, 1, 1}, 16, 3},
                               {{4, 4, 2, 3, 1, 1}, 16, 2},   {{46341, 46341, 1, 1, 1, 1}, -2147479015, 1}};
    Reader r;
    for (const Bad& b : bad) {
        vtest::RawHeader h;
        h.nvox = b.nvox;
        h.nxny = b.nxny;
        h.nmap = b.nmap;
        auto bytes = vtest::q47_bytes(h, {});
        vtest::write_bytes(dir.path("bad"), bytes);
        EXPECT_EQ(r.read(dir.path("bad")), 1) << b.nxny;
        EXPECT_EQ(r.out.str(), kOpenFailure);
    }
}

TEST(ReadOrvo, KeepsTheCompleteLayersOfAFileCutShort) {
    vtest::ScratchDir dir;
    for (std::int32_t nx : {6, 2}) {  // records of one layer, and wider records of a small layer
        const auto rho = vtest::ramp(static_cast<std::size_t>(nx * 6 * 5), 1.0f);
        vtest::RawHeader h;
        h.nvox = {nx, 6, 5, 1, 1, 1};
        auto bytes = vtest::q47_bytes(h, rho);
        const std::size_t L = voxmill::q47_record_length(nx * 6);
        bytes.resize(L * 4 + 10);  // header, layers 1 to 3, part of layer 4
        vtest::write_bytes(dir.path("cut"), bytes);
        Reader r;
        EXPECT_EQ(r.read(dir.path("cut")), 2);
        EXPECT_EQ(r.out.str(), kReadFailure);
        EXPECT_EQ(r.st.sdim, 3);
        for (std::size_t i = 0; i < static_cast<std::size_t>(3 * nx * 6); ++i) ASSERT_EQ(r.st.map.rho[i], rho[i]);
    }
}
