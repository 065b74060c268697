// Map files that used to be read or written wrongly with exit status 0, through the real
// program: valid and hostile CCP4/MRC files made by mrcfile (or patched byte by byte where a
// header must lie), what info says of them, and what convert makes of them, read back by
// mrcfile.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace {

using vtest::ProcessRun;
using vtest::shell;
using vtest::voxmill;

// Every input of the tests, made by mrcfile (a reader and writer independent of this
// program) and patched where a file must break a rule.
const char* const kMakeMaps = R"(
import gzip, struct, numpy as np, mrcfile

def new(name, data, cell=(10, 10, 10), angles=(90, 90, 90)):
    with mrcfile.new(name, overwrite=True) as m:
        m.set_data(data)
        m.header.cella = cell
        m.header.cellb = angles
        return m

def patch(name, at, fmt, *values):
    b = bytearray(open(name, 'rb').read())
    struct.pack_into(fmt, b, at, *values)
    open(name, 'wb').write(bytes(b))

ramp = np.arange(64, dtype=np.float32).reshape(4, 4, 4)
with mrcfile.new('stack.mrc', overwrite=True) as m:  # valid: mode 1, a box far from the origin
    m.set_data(np.arange(256, dtype=np.int16).reshape(4, 8, 8))
    m.header.nxstart, m.header.nystart, m.header.nzstart = 1, 1, 64
    m.header.mx, m.header.my, m.header.mz = 4, 8, 8
    m.header.cella = (40, 80, 80)
assert mrcfile.validate('stack.mrc')
for n in (3, 130):
    with mrcfile.new('ext%d.mrc' % n, overwrite=True) as m:
        m.set_data(ramp)
        m.set_extended_header(np.frombuffer(b'x' * n, dtype='V1'))
        m.header.cella = (10, 10, 10)
with mrcfile.new('placed.mrc', overwrite=True) as m:
    m.set_data(ramp)
    m.header.cella = (40, 40, 40)
    m.header.origin = (-43.6, -47.4, -26.6)
    m.header.label[0], m.header.label[1], m.header.nlabl = b'first label', b'second label', 2
    m.header.ispg = 19
with mrcfile.new('placed-nocell.mrc', overwrite=True) as m:
    m.set_data(ramp)
    m.header.origin = (5, 0, 0)
for order, name in (('<', 'stamp0-le.mrc'), ('>', 'stamp0-be.mrc')):
    new(name, ramp.astype(order + 'f4'))
    patch(name, 212, '4s', b'\0\0\0\0')
new('cell-flat.mrc', ramp, angles=(90, 90, 0))
new('cell-negative.mrc', ramp, cell=(-10, 10, 10))
new('cell-nan.mrc', ramp, angles=(float('nan'), 90, 90))
new('cell-180.mrc', ramp, angles=(180, 90, 90))
new('cell-plane.mrc', ramp, angles=(120, 120, 120))
infinite = ramp.copy()
infinite[0, 0, 0], infinite[1, 1, 1] = np.inf, -np.inf
new('infinite.mrc', infinite)
packed = gzip.compress(open('ext3.mrc', 'rb').read())
open('cut.mrc.gz', 'wb').write(packed[:len(packed) // 2])
crc = bytearray(packed)
crc[-8] ^= 0xff
open('crc.mrc.gz', 'wb').write(bytes(crc))
)";

class MapFaults : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new vtest::ScratchDir;
        vtest::write_bytes(dir_->path("make.py"), std::vector<unsigned char>(kMakeMaps, kMakeMaps + std::strlen(kMakeMaps)));
        const ProcessRun made = shell(*dir_, "/usr/bin/python3 make.py");
        ASSERT_EQ(made.status, 0) << made.err;
        vtest::RawHeader h;
        h.nvox = {4, 4, 4, 1, 1, 1};
        h.xdf = {0.3f, 0.25f, 0.25f, 1, 1, 1};
        vtest::write_bytes(dir_->path("step03.q47"), vtest::q47_bytes(h, vtest::ramp(64)));
        h.xdf = {0.1f, 0.25f, 0.25f, 1, 1, 1};
        h.xfmn = {0.01f, 0, 0, 0, 0, 0};
        vtest::write_bytes(dir_->path("between.q47"), vtest::q47_bytes(h, vtest::ramp(64)));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    const vtest::ScratchDir& dir() const { return *dir_; }
    // A little Python over mrcfile, run in the folder; its output.
    std::string mrcfile(const std::string& code) const {
        const ProcessRun r = shell(dir(), "/usr/bin/python3 -c \"import io, mrcfile, numpy as np; " + code + "\"");
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    static vtest::ScratchDir* dir_;
};

vtest::ScratchDir* MapFaults::dir_ = nullptr;

// What info says of files that were read as something else, from the wrong byte, or with
// numbers that a reader must not trust.
TEST_F(MapFaults, InfoTellsWhatTheFileHolds) {
    const struct {
        std::string args;
        int status;
        std::string out, err;  // parts of the output and error output
    } cases[] = {
        {"info stack.mrc", 0, "format      ccp4\n", ""},
        {"info stack.mrc", 0, "axis 3      8 .. 8.375, step 0.125\n", ""},
        {"info stack.mrc", 0, "min 0, max 255, mean 127.5", ""},
        {"info ext3.mrc", 0, "data        min 0, max 63, mean 31.5", ""},
        {"info ext130.mrc", 0, "data        min 0, max 63, mean 31.5", ""},
        {"info placed.mrc", 0, "  origin (A)  -43.6 -47.4 -26.6\n", ""},
        {"info --json placed.mrc", 0, "\"origin\":[-43.", ""},
        {"info stamp0-le.mrc", 0, "min 0, max 63",
         "voxmill: warning: stamp0-le.mrc: the machine stamp 00 00 00 00 records no byte order; read as little-endian"},
        {"info stamp0-be.mrc", 0, "min 0, max 63", "read as big-endian, in which the header is consistent\n"},
        {"info cell-flat.mrc", 0, "cell        10 10 10 90 90 0 (not a valid cell)\n", ""},
        {"info cell-negative.mrc", 0, "(not a valid cell)", ""},
        {"info cell-nan.mrc", 0, "(not a valid cell)", ""},
        {"info cell-180.mrc", 0, "(not a valid cell)", ""},
        {"info cell-plane.mrc", 0, "(not a valid cell)", ""},
        {"info --json cell-plane.mrc", 0, "\"cell_valid\":false", ""},
        {"info infinite.mrc", 0, "data        min 1, max 63, mean 32.17742, rms", ""},
        {"info infinite.mrc", 0, "NaN voxels 0, infinite voxels 2\n", ""},
        {"info --json infinite.mrc", 0, "\"max\":63.0,\"mean\":32.177419", ""},
        {"info --json infinite.mrc", 0, "\"inf\":2,", ""},
        {"info cut.mrc.gz", 1, "", "voxmill: error: cut.mrc.gz: the gzip stream is damaged ("},
        {"info crc.mrc.gz", 1, "", "voxmill: error: crc.mrc.gz: the gzip stream is damaged ("},
        {"info stack.mrc > /dev/full", 1, "", "voxmill: error: standard output: cannot be written\n"},
        {"info --json stack.mrc > /dev/full", 1, "", "voxmill: error: standard output: cannot be written\n"},
        {"info fifo", 1, "", "voxmill: error: fifo: not a plain file"},
        {"info .", 1, "", "voxmill: error: .: is a folder, not a map file\n"},
        {"bogus stack.mrc", 2, "", "voxmill: error: unknown command bogus\n"},
        {"plot --axes 1,3 stack.mrc out.png --levels 5", 0, "", ""},
        {"plot --cell 10,10,10,90,90,90 --at 0,0,8.25 stack.mrc out.png --size 200", 0, "", ""},
        {"plot --axes 1,3,2 stack.mrc out.png", 2, "", "voxmill: error: --axes: takes 2 comma-separated values, found 3\n"},
        {"plot --step nan stack.mrc out.png", 2, "", "voxmill: error: --step: must be a finite number above 0\n"},
        {"plot --step 0 stack.mrc out.png", 2, "", "voxmill: error: --step: must be a finite number above 0\n"},
        {"convert --cell 10,10,10,120,120,120 stack.mrc out.map", 2, "", "voxmill: error: --cell: "},
    };
    ASSERT_EQ(::mkfifo(dir().path("fifo").c_str(), 0600), 0);
    for (const auto& c : cases) {
        const ProcessRun r = shell(dir(), "('" VOXMILL_BINARY "' " + c.args + ")");
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << c.args << "\n" << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
    }
    std::filesystem::remove(dir().path("fifo"));
}

// Conversions keep where the map is, or refuse: no output then.
TEST_F(MapFaults, ConversionsKeepThePlaceOfTheMapOrRefuse) {
    const struct {
        std::string args;
        std::string err;  // the whole error output; empty for a conversion that must succeed
    } refused[] = {
        {"convert step03.q47 --cell 10,10,10,90,90,90 out.map",
         "voxmill: error: out.map: the step of axis 1 is 0.3 of the cell: CCP4/MRC needs a whole number of voxels per "
         "cell (MX, MY, MZ)\n"},
        {"convert cell-flat.mrc out.map", "voxmill: error: out.map: the map's cell is not a valid cell: give one with --cell\n"},
        {"convert cell-nan.mrc out.xplor", "voxmill: error: out.xplor: the map's cell is not a valid cell: give one with --cell\n"},
        {"convert placed-nocell.mrc out.q47",
         "voxmill: error: out.q47: the map is placed by its ORIGIN, which needs a valid cell to be kept in this format: "
         "give one with --cell\n"},
    };
    for (const auto& c : refused) {
        const ProcessRun r = voxmill(dir(), c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
        EXPECT_FALSE(std::filesystem::exists(dir().path("out.map")) || std::filesystem::exists(dir().path("out.q47")) ||
                     std::filesystem::exists(dir().path("out.xplor")))
            << c.args;
    }

    // ORIGIN, labels and space group go on to CCP4/MRC; a start between grid points becomes
    // ORIGIN; a q47 map gets ORIGIN in its start (-43.6 / 40 of the cell).
    for (const char* args : {"convert placed.mrc placed.map", "convert --cell 10,20,30,90,90,90 between.q47 between.map",
                             "convert placed.mrc placed.q47", "convert cell-flat.mrc --cell 10,10,10,90,90,90 flat.map"}) {
        const ProcessRun r = voxmill(dir(), args);
        EXPECT_EQ(r.status, 0) << args << "\n" << r.err;
    }
    EXPECT_EQ(mrcfile("m = mrcfile.open('placed.map'); h = m.header; "
                      "print(np.round(h.origin.tolist(), 3).tolist(), h.ispg, h.nlabl, "
                      "[l.decode().rstrip() for l in h.label[:h.nlabl]][:2], h.label[2][:8], mrcfile.validate('placed.map', print_file=io.StringIO()))"),
              "[-43.6, -47.4, -26.6] 19 3 ['first label', 'second label'] b'voxmill ' True\n");
    EXPECT_EQ(mrcfile("h = mrcfile.open('between.map').header; print(np.round(h.origin.tolist(), 4).tolist(), h.nxstart, h.mx)"),
              "[0.1, 0.0, 0.0] 0 10\n");
    EXPECT_EQ(mrcfile("print(mrcfile.open('flat.map').header.cellb)"), "(90., 90., 90.)\n");
    const ProcessRun q = voxmill(dir(), "info placed.q47");
    EXPECT_NE(q.out.find("axis 1      -1.09 .. -0.34, step 0.25\n"), std::string::npos) << q.out;
}

}  // namespace
