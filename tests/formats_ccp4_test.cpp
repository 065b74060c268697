// CCP4/MRC files: maps written by mrcfile in every mode, axis order and byte order read voxel by
// voxel; every file written checked by mrcfile-validate and read back by mrcfile; headers
// that lie refused before any array is sized by them; refused writes leave no file.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>

#include "formats/ccp4.hpp"
#include "support/test_support.hpp"

using voxmill::Map;
using voxmill::MapError;

namespace {

const std::array<double, 6> kCell{12.5, 20.25, 31.75, 90.0, 100.5, 120.0};

struct CommandResult {
    int status = -1;
    std::string out;  // standard and error output
};

CommandResult run(const std::string& command) {
    CommandResult r;
    std::FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return r;
    char buffer[4096];
    std::size_t k = 0;
    while ((k = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, k);
    const int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

void put_text(const std::string& path, const std::string& text) {
    vtest::write_bytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

// Little-endian floats from `first` on.
std::vector<float> floats_of(const std::vector<unsigned char>& bytes, std::size_t first = 0) {
    std::vector<float> v;
    for (std::size_t at = 4 * first; at + 4 <= bytes.size(); at += 4) v.push_back(vtest::word_f32(bytes, at));
    return v;
}

std::vector<float> densities(const Map& m) { return std::vector<float>(m.rho.begin(), m.rho.end()); }

// Writes each line of the map list as a map file with mrcfile: name, mode, byte order, MAPC MAPR
// MAPS, counts along X Y Z, start along X Y Z, MX MY MZ, cell. Beside it, name.expected holds
// the header's DMIN, DMAX, DMEAN, RMS and then the densities in X, Y, Z order, X fastest.
const char* const kMakeMaps = R"(
import sys, numpy as np, mrcfile
rng = np.random.default_rng(47)
integers = {0: ('i1', -128, 128), 1: ('i2', -32768, 32768), 6: ('u2', 0, 65536)}
for line in open(sys.argv[1]):
    f = line.split()
    path, mode, order = f[0], int(f[1]), f[2]
    axes, n, start, sampling = [[int(v) for v in f[i:i + 3]] for i in (3, 6, 9, 12)]
    cell = [float(v) for v in f[15:21]]
    shape = (n[2], n[1], n[0])
    if mode == 2:
        zyx = rng.standard_normal(shape).astype('f4')
    else:
        kind, lo, hi = integers[mode]
        zyx = rng.integers(lo, hi, shape).astype(kind)
    # sections, rows, columns: X, Y, Z are the axes 2, 1, 0 of zyx
    data = np.ascontiguousarray(zyx.transpose([3 - a for a in reversed(axes)]))
    with mrcfile.new(path, overwrite=True, compression='gzip' if '.gz' in path else None) as m:
        if order == '>' and mode == 0:
            m.set_data(np.zeros((1, 1, 1), '>f4'))  # bytes have no order: the header keeps this one
        m.set_data(data.astype(data.dtype.newbyteorder(order)))
        h = m.header
        h.mapc, h.mapr, h.maps = axes
        h.nxstart, h.nystart, h.nzstart = [start[a - 1] for a in axes]
        h.mx, h.my, h.mz = sampling
        h.cella = tuple(cell[:3])
        h.cellb = tuple(cell[3:])
        stats = np.array([h.dmin, h.dmax, h.dmean, h.rms], '<f4')
    np.concatenate([stats, zyx.astype('<f4').ravel()]).tofile(path + '.expected')
)";

// Reads each file named with mrcfile: one line of its header, and name.xyz its densities as
// little-endian floats in the order of the file.
const char* const kReadBack = R"(
import sys, numpy as np, mrcfile
for path in sys.argv[1:]:
    with mrcfile.open(path) as m:
        h = m.header
        words = lambda *names: ','.join(str(int(h[k])) for k in names)
        print('mode=%d' % h.mode, 'n=' + words('nx', 'ny', 'nz'), 'start=' + words('nxstart', 'nystart', 'nzstart'),
              'sampling=' + words('mx', 'my', 'mz'), 'axes=' + words('mapc', 'mapr', 'maps'),
              'ispg=%d' % h.ispg, 'nversion=%d' % h.nversion, 'machst=' + bytes(h.machst).hex(),
              'cell=' + ','.join('%g' % v for v in list(h.cella.tolist()) + list(h.cellb.tolist())))
        np.asarray(m.data, '<f4').tofile(path + '.xyz')
)";

struct MadeMap {
    std::string name;
    int mode;
    char order;  // '<' little-endian, '>' big-endian
    std::array<int, 3> axes;
    std::array<int, 3> n, start, sampling;  // along X, Y, Z
    bool with_cell;
};

std::string map_line(const vtest::ScratchDir& dir, const MadeMap& c) {
    std::ostringstream s;
    s << dir.path(c.name) << ' ' << c.mode << ' ' << c.order;
    for (const auto* t : {&c.axes, &c.n, &c.start, &c.sampling}) {
        for (int v : *t) s << ' ' << v;
    }
    const std::array<double, 6> no_cell{0, 0, 0, 90, 90, 90};
    for (double v : c.with_cell ? kCell : no_cell) s << ' ' << v;
    return s.str() + "\n";
}

TEST(Ccp4Read, MapsOfEveryModeAxisOrderAndByteOrderReadInXYZOrderWithTheirBox) {
    const MadeMap cases[] = {
        {"xyz.map", 2, '<', {1, 2, 3}, {5, 4, 3}, {0, 0, 0}, {5, 4, 3}, true},
        {"zyx-box-big-endian.mrc", 2, '>', {3, 2, 1}, {5, 4, 3}, {2, -1, 3}, {10, 8, 6}, true},
        {"yzx-bytes.map", 0, '<', {2, 3, 1}, {4, 3, 2}, {0, 0, 0}, {4, 3, 2}, true},
        {"bytes-big-endian.map", 0, '>', {1, 2, 3}, {3, 4, 2}, {1, 0, 0}, {6, 4, 2}, true},
        {"zxy-int16-big-endian.map", 1, '>', {3, 1, 2}, {4, 2, 3}, {0, 2, 1}, {8, 4, 6}, true},
        {"yzx-int16.map.gz", 1, '<', {2, 3, 1}, {3, 5, 2}, {0, 0, 0}, {3, 5, 2}, true},
        {"zyx-uint16-big-endian.gz-whatever-its-name", 6, '>', {3, 2, 1}, {2, 3, 4}, {0, 0, 0}, {2, 3, 4}, true},
        {"xzy-uint16-no-cell.mrc", 6, '<', {1, 3, 2}, {4, 3, 2}, {0, 0, 0}, {4, 3, 2}, false},
        {"plane-big-endian.map.gz", 2, '>', {1, 2, 3}, {6, 5, 1}, {0, 0, 0}, {6, 5, 1}, true},
    };
    vtest::ScratchDir dir;
    std::string maps;
    for (const MadeMap& c : cases) maps += map_line(dir, c);
    put_text(dir.path("maps.txt"), maps);
    put_text(dir.path("make_maps.py"), kMakeMaps);
    const CommandResult made =
        run("/usr/bin/python3 " + quoted(dir.path("make_maps.py")) + " " + quoted(dir.path("maps.txt")));
    ASSERT_EQ(made.status, 0) << made.out;

    for (const MadeMap& c : cases) {
        voxmill::StoredRange stored;
        const Map m = voxmill::read_ccp4(dir.path(c.name), &stored);
        const std::vector<float> expected = floats_of(vtest::read_bytes(dir.path(c.name + ".expected")));
        EXPECT_EQ(m.dimension, c.n[2] > 1 ? 3 : 2) << c.name;
        for (int i = 1; i <= 6; ++i) {
            const auto k = static_cast<std::size_t>(i - 1);
            const bool on_map = i <= 3;
            const float cell_voxels = on_map ? static_cast<float>(c.sampling[k]) : 1.0f;
            EXPECT_EQ(m.nvox(i), on_map ? c.n[k] : 1) << c.name << ", axis " << i;
            EXPECT_EQ(m.xfmn(i), on_map ? static_cast<float>(c.start[k]) / cell_voxels : 0.0f)
                << c.name << ", axis " << i;
            EXPECT_EQ(m.xfmx(i), on_map ? static_cast<float>(c.start[k] + c.n[k] - 1) / cell_voxels : 0.0f)
                << c.name << ", axis " << i;
            EXPECT_EQ(m.xdf(i), 1.0f / cell_voxels) << c.name << ", axis " << i;
            EXPECT_EQ(m.iorien(i), i) << c.name;
        }
        EXPECT_EQ(m.q47.mapa, 4) << c.name;
        EXPECT_EQ(m.q47.nsubs, 1) << c.name;
        EXPECT_EQ(m.cell, c.with_cell ? std::optional(kCell) : std::nullopt) << c.name;
        using Stored = std::vector<std::optional<float>>;
        EXPECT_EQ((Stored{stored.min, stored.max, stored.mean, stored.rms}),
                  (Stored{expected[0], expected[1], expected[2], expected[3]}))
            << c.name;
        EXPECT_EQ(densities(m), std::vector<float>(expected.begin() + 4, expected.end())) << c.name;
    }
}

// A map over the whole cell with these counts along X, Y, Z, densities that all differ, and a cell.
Map cell_map(const std::vector<std::int32_t>& counts) {
    Map m = voxmill::full_cell_map(counts);
    for (std::size_t p = 0; p < m.rho.size(); ++p) m.rho[p] = std::sin(0.37f * static_cast<float>(p)) * 3.0f + 0.5f;
    m.cell = kCell;
    return m;
}

// A box of the cell: the first coordinate and the step of each axis (powers of two, so that the
// last coordinate is exact).
Map box_map(const std::vector<std::int32_t>& counts, const std::array<float, 3>& first,
            const std::array<float, 3>& step) {
    Map m = cell_map(counts);
    for (int i = 1; i <= 3; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        m.xdf(i) = step[k];
        m.xfmn(i) = first[k];
        m.xfmx(i) = first[k] + step[k] * static_cast<float>(m.nvox(i) - 1);
    }
    return m;
}

TEST(Ccp4Write, FilesPassTheValidatorReadBackInMrcfileAndRoundTripExactly) {
    struct Case {
        const char* name;
        Map map;
        std::string header;  // as the read-back script prints it
    };
    const std::string fixed = " axes=1,2,3 ispg=1 nversion=20140 machst=44410000 cell=12.5,20.25,31.75,90,100.5,120";
    Case cases[] = {
        {"cell.map", cell_map({6, 5, 4}), "mode=2 n=6,5,4 start=0,0,0 sampling=6,5,4" + fixed},
        {"box.map", box_map({5, 4, 3}, {0.25f, -0.25f, 0.5f}, {0.0625f, 0.125f, 0.25f}),
         "mode=2 n=5,4,3 start=4,-2,2 sampling=16,8,4" + fixed},
        {"plane.map", cell_map({7, 3}), "mode=2 n=7,3,1 start=0,0,0 sampling=7,3,1" + fixed},
        {"line.map", cell_map({9}), "mode=2 n=9,1,1 start=0,0,0 sampling=9,1,1" + fixed},
    };
    vtest::ScratchDir dir;
    std::string names;
    for (const Case& c : cases) {
        voxmill::write_ccp4(c.map, dir.path(c.name));
        names.append(" ").append(quoted(dir.path(c.name)));
    }
    const CommandResult valid = run("mrcfile-validate" + names);
    EXPECT_EQ(valid.status, 0) << valid.out;
    put_text(dir.path("read_back.py"), kReadBack);
    const CommandResult back = run("/usr/bin/python3 " + quoted(dir.path("read_back.py")) + names);
    ASSERT_EQ(back.status, 0) << back.out;

    std::istringstream lines(back.out);
    for (const Case& c : cases) {
        std::string header;
        std::getline(lines, header);
        EXPECT_EQ(header, c.header) << c.name;
        EXPECT_EQ(floats_of(vtest::read_bytes(dir.path(std::string(c.name) + ".xyz"))), densities(c.map)) << c.name;

        const Map m = voxmill::read_ccp4(dir.path(c.name));
        EXPECT_EQ(m.dimension, c.map.dimension) << c.name;
        EXPECT_EQ(m.nvox, c.map.nvox) << c.name;
        EXPECT_EQ(m.xfmn, c.map.xfmn) << c.name;
        EXPECT_EQ(m.xfmx, c.map.xfmx) << c.name;
        EXPECT_EQ(m.xdf, c.map.xdf) << c.name;
        EXPECT_EQ(m.iorien, c.map.iorien) << c.name;
        EXPECT_EQ(m.cell, c.map.cell) << c.name;
        EXPECT_EQ(densities(m), densities(c.map)) << c.name;
    }
}

// Files of this process may grow to `bytes` while it lives, like on a disk that fills up: a
// write past that fails (the signal that would end the process ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : signal_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &before_);
        const rlimit limit{bytes, before_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, signal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit before_{};
    void (*signal_)(int);
};

TEST(Ccp4Write, ARefusedOrFailedWriteLeavesNoFileAndAnOldOneAsItWas) {
    struct Case {
        const char* what;
        Map map;
        std::string name;                   // in the scratch folder
        std::optional<rlim_t> file_limit;   // bytes a file may take
        std::string says;
    };
    Map no_cell = cell_map({4, 4, 4});
    no_cell.cell.reset();
    Map four_d = cell_map({3, 3, 3, 2});
    Map zero_step = box_map({4, 4, 4}, {0, 0, 0}, {0.25f, 0.0f, 0.25f});
    Case cases[] = {
        {"a 4D map", std::move(four_d), "out.map", {}, "a map of 4 dimensions: CCP4/MRC holds at most 3"},
        {"a map without a cell", std::move(no_cell), "out.map", {}, "the map holds no unit cell: give one with --cell"},
        {"a step of zero", std::move(zero_step), "out.map", {},
         "the step of axis 2 is 0 of the cell: CCP4/MRC needs a whole number of voxels per cell (MX, MY, MZ)"},
        {"a folder that does not exist", cell_map({4, 4, 4}), "none/out.map", {},
         "no such file or directory"},
        {"a disk full at the close", cell_map({6, 6, 6}), "out.map", 1500,
         "cannot close the file and give it its name: file too large"},
        {"a disk full amid the voxels", cell_map({20, 20, 20}), "out.map", 8000,
         "cannot write the file: file too large"},
    };
    const std::vector<unsigned char> old_bytes{'o', 'l', 'd'};
    for (Case& c : cases) {
        for (const bool old_file : {false, true}) {
            vtest::ScratchDir dir;
            if (old_file && c.name == "out.map") vtest::write_bytes(dir.path(c.name), old_bytes);
            try {
                std::optional<FileSizeLimit> limit;
                if (c.file_limit) limit.emplace(*c.file_limit);
                voxmill::write_ccp4(c.map, dir.path(c.name));
                ADD_FAILURE() << c.what << ": written";
            } catch (const MapError& e) {
                EXPECT_EQ(std::string(e.what()), c.says) << c.what;
            }
            std::vector<std::string> left;
            for (const auto& entry : std::filesystem::directory_iterator(dir.path(""))) {
                left.push_back(entry.path().filename().string());
            }
            if (old_file && c.name == "out.map") {
                EXPECT_EQ(left, std::vector<std::string>{"out.map"}) << c.what;
                EXPECT_EQ(vtest::read_bytes(dir.path(c.name)), old_bytes) << c.what;
            } else {
                EXPECT_EQ(left, std::vector<std::string>{}) << c.what;
            }
        }
    }
}

long peak_rss_kb() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void put_word(std::vector<unsigned char>& bytes, int word, std::int32_t v) {
    for (int k = 0; k < 4; ++k) {
        const auto byte = static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * k));
        bytes.at(static_cast<std::size_t>(4 * (word - 1) + k)) = byte;
    }
}

TEST(Ccp4Read, FilesThatLieOrCannotBeReadAreRefusedBeforeAnyLargeArray) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, std::int32_t>> words;  // header word (from 1) and its new value
        std::size_t keep = 0;                             // bytes kept of the file; 0: all
        bool gzipped = false;
        std::string says;
        std::size_t noise = 0;  // bytes of noise after the kept ones, which gzip cannot pack
    };
    const std::int32_t largest = 2147483647;
    const Case cases[] = {
        {"counts that lie", {{1, 1000}, {2, 1000}, {3, 1000}}, 0, false,
         "CCP4/MRC header counts 1000 x 1000 x 1000 voxels of mode 2, more than the file's 1280 bytes hold"},
        {"the largest counts", {{1, largest}, {2, largest}, {3, largest}}, 0, false,
         "CCP4/MRC header counts 2147483647 x 2147483647 x 2147483647 voxels of mode 2, more than the file's 1280 "
         "bytes hold"},
        {"gzipped counts that lie", {{1, 1000}, {2, 1000}, {3, 1000}}, 0, true, "gzipped bytes can hold"},
        // A thousand times more voxels than the noise holds: only what arrives takes memory.
        {"gzipped bytes that fall short", {{1, 1015}, {2, 1015}, {3, 1015}, {4, 0}}, 1024, true,
         "the file ends after 1048576 of its 1045678375 voxels", 1 << 20},
        {"gzipped 16-bit integers that fall short", {{1, 806}, {2, 806}, {3, 806}, {4, 1}}, 1024, true,
         "the file ends after 524288 of its", 1 << 20},
        {"gzipped unsigned integers that fall short", {{1, 806}, {2, 806}, {3, 806}, {4, 6}}, 1024, true,
         "the file ends after 524288 of its", 1 << 20},
        {"gzipped floats in Z, Y, X order that fall short", {{1, 640}, {2, 640}, {3, 640}, {17, 3}, {19, 1}}, 1024, true,
         "the file ends after 262144 of its 262144000 voxels", 1 << 20},
        {"a file cut amid its voxels", {}, 1124, false,
         "CCP4/MRC header counts 4 x 4 x 4 voxels of mode 2, more than the file's 1124 bytes hold"},
        {"a file cut amid its header", {}, 500, false, "the file ends before the 1024 bytes of a CCP4/MRC header"},
        {"a count of zero", {{2, 0}}, 0, false, "counts 4 x 0 x 4 voxels: every axis needs at least one"},
        {"a negative count", {{3, -4}}, 0, false, "counts 4 x 4 x -4 voxels: every axis needs at least one"},
        {"MX of zero", {{8, 0}}, 0, false,
         "CCP4/MRC header samples the cell by 0 x 4 x 4 voxels (MX, MY, MZ): every axis needs at least one"},
        {"a negative MZ", {{10, -1}}, 0, false, "(MX, MY, MZ): every axis needs at least one"},
        {"a start whose box runs past the largest index", {{6, largest - 2}}, 0, false,
         "CCP4/MRC header starts an axis at 2147483645: its 4 voxels run past the largest grid index"},
        {"an axis named twice", {{17, 1}, {18, 1}, {19, 3}}, 0, false, "axes 1 x 1 x 3 (MAPC, MAPR, MAPS): they must be 1, 2 and 3 in some order"},
        {"an axis 0", {{17, 0}}, 0, false, "axes 0 x 2 x 3 (MAPC, MAPR, MAPS)"},
        {"an axis 4", {{19, 4}}, 0, false, "axes 1 x 2 x 4 (MAPC, MAPR, MAPS)"},
        {"mode 3", {{4, 3}}, 0, false, "CCP4/MRC mode 3 is not read: only modes 0, 1, 2 and 6 are"},
        {"mode -1", {{4, -1}}, 0, false, "CCP4/MRC mode -1 is not read: only modes 0, 1, 2 and 6 are"},
        {"an extended header longer than the file", {{24, 400000}}, 0, false, "an extended header of 400000 bytes (NSYMBT), which the file cannot hold"},
        {"an extended header of negative length", {{24, -4}}, 0, false, "an extended header of -4 bytes (NSYMBT)"},
        {"no stamp", {{53, 0}}, 0, false, "its header holds no \"MAP \" stamp"},
    };
    vtest::ScratchDir dir;
    voxmill::write_ccp4(cell_map({4, 4, 4}), dir.path("good.map"));
    const std::vector<unsigned char> good = vtest::read_bytes(dir.path("good.map"));
    ASSERT_EQ(good.size(), 1280u);

    const long peak_before = peak_rss_kb();
    for (const Case& c : cases) {
        std::vector<unsigned char> bytes = good;
        for (const auto& [word, value] : c.words) put_word(bytes, word, value);
        if (c.keep != 0) bytes.resize(c.keep);
        std::uint32_t random = 12345;
        for (std::size_t k = 0; k < c.noise; ++k) {
            random = random * 1664525u + 1013904223u;
            bytes.push_back(static_cast<unsigned char>(random >> 24));
        }
        const std::string path = dir.path(c.gzipped ? "bad.map.gz" : "bad.map");
        vtest::write_bytes(dir.path("bad.map"), bytes);
        if (c.gzipped) {
            ASSERT_EQ(run("gzip -f " + quoted(dir.path("bad.map"))).status, 0);
        }
        try {
            voxmill::read_ccp4(path);
            ADD_FAILURE() << c.what << ": read";
        } catch (const MapError& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.what << ": " << e.what();
        }
        std::filesystem::remove(path);
    }
    for (const char* name : {"missing.map", ""}) {
        try {
            voxmill::read_ccp4(dir.path(name));
            ADD_FAILURE() << "read " << name;
        } catch (const MapError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("cannot read the file: ", 0), 0u) << e.what();
        }
    }
    EXPECT_LT(peak_rss_kb() - peak_before, 64 * 1024) << "kB more at the peak";
}

TEST(Ccp4Probe, TellsMapsPlainOrGzippedFromOtherFiles) {
    vtest::ScratchDir dir;
    voxmill::write_ccp4(cell_map({3, 3, 3}), dir.path("a.map"));
    ASSERT_EQ(run("gzip -k " + quoted(dir.path("a.map"))).status, 0);
    std::vector<unsigned char> bytes = vtest::read_bytes(dir.path("a.map"));
    bytes.resize(211);
    vtest::write_bytes(dir.path("cut.map"), bytes);
    vtest::write_q47(dir.path("a.q47"), {3, 3, 3}, vtest::ramp(27));
    const std::pair<std::string, bool> cases[] = {
        {"a.map", true}, {"a.map.gz", true}, {"cut.map", false}, {"a.q47", false}, {"missing.map", false}, {"", false},
    };
    for (const auto& [name, is_map] : cases) EXPECT_EQ(voxmill::is_ccp4(dir.path(name)), is_map) << name;
}

}  // namespace
