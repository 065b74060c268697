#include "formats/ccp4.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

#include <gemmi/ccp4.hpp>
#include <gemmi/gz.hpp>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "formats/staged_file.hpp"
#include "core/density_stats.hpp"

namespace voxmill {

namespace {

constexpr std::size_t kStampAt = 208;  // byte of "MAP " in the header
// Deflate packs at most 1032 bytes into one, so no gzipped file unpacks to more than that.
constexpr std::uintmax_t kDeflateRatio = 1032;

// The most bytes that the stream of a file can give.
struct Budget {
    std::uintmax_t bytes;       // the file's own, or the most its packed bytes unpack to
    std::uintmax_t file_bytes;  // on disk
    bool gzipped;
};

// gemmi's failure as a MapError. The reader hands gemmi an empty name for the file, so a text
// that would end in ": name" ends in ": ", which goes.
MapError from_gemmi(const std::runtime_error& e) {
    std::string text = e.what();
    if (text.ends_with(": ")) text.resize(text.size() - 2);
    return MapError(text);
}

bool back_to_start(gemmi::FileStream& s) { return s.seek(0); }
bool back_to_start(gemmi::MaybeGzipped::GzStream& s) { return gzrewind(s.f) == 0; }

// Opens `path` and hands `use` a gemmi stream of its bytes (unpacked when the file starts
// with the gzip magic bytes, whatever its name) and the budget of that stream.
template <class Use>
auto with_stream(const std::string& path, Use use) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) throw MapError("cannot read the file: " + ec.message());
    const gemmi::fileptr_t file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) throw MapError(std::string("cannot open the file: ") + std::strerror(errno));
    unsigned char magic[2] = {0, 0};
    const bool gzipped = std::fread(magic, 1, 2, file.get()) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
    if (gzipped) {
        const std::unique_ptr<gzFile_s, int (*)(gzFile)> packed(gzopen(path.c_str(), "rb"), &gzclose);
        if (!packed) throw MapError("cannot open the gzipped file");
        gzbuffer(packed.get(), 64 * 1024);
        return use(gemmi::MaybeGzipped::GzStream{packed.get()}, Budget{size * kDeflateRatio, size, true});
    }
    std::rewind(file.get());
    return use(gemmi::FileStream{file.get()}, Budget{size, size, false});
}

// Makes room for `count` voxels in gemmi's array and offers its whole 2 MB pages to the system
// as huge pages, as a density array does: gemmi's first filling of a large map then costs a
// few hundred page faults instead of one per 4 kB.
template <class T>
void reserve_voxels(std::vector<T>& data, std::size_t count) {
    data.reserve(count);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data.data());
    const std::uintptr_t first = (begin + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t last = (begin + count * sizeof(T)) / kHugePage * kHugePage;
    // Only advice: where huge pages are not to be had, the array works with small ones.
    if (last > first) (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

// Bytes of one voxel of a mode; 0 for a mode that is not read.
int voxel_bytes(int mode) {
    switch (mode) {
        case 0: return 1;   // signed bytes
        case 1: return 2;   // signed 16-bit integers
        case 2: return 4;   // 32-bit floats
        case 6: return 2;   // unsigned 16-bit integers
        default: return 0;
    }
}

std::string by(const std::array<int, 3>& n) {
    return std::to_string(n[0]) + " x " + std::to_string(n[1]) + " x " + std::to_string(n[2]);
}

// Refuses a header whose mode, counts, sampling or box the reader cannot take, before any
// array is sized by it: the voxels it counts must fit in what the file can hold. Returns
// their number.
std::size_t check_header(const gemmi::Ccp4Base& h, const Budget& budget) {
    const int mode = h.header_i32(4);
    const int width = voxel_bytes(mode);
    if (width == 0) {
        throw MapError("CCP4/MRC mode " + std::to_string(mode) + " is not read: only modes 0, 1, 2 and 6 are");
    }
    const std::array<int, 3> n = h.header_3i32(1), start = h.header_3i32(5), sampling = h.header_3i32(8);
    const auto below_one = [](int k) { return k < 1; };
    if (std::ranges::any_of(n, below_one)) {
        throw MapError("CCP4/MRC header counts " + by(n) + " voxels: every axis needs at least one");
    }
    if (std::ranges::any_of(sampling, below_one)) {
        throw MapError("CCP4/MRC header samples the cell by " + by(sampling) +
                       " voxels (MX, MY, MZ): every axis needs at least one");
    }
    const std::uintmax_t header = 4 * h.ccp4_header.size();
    const std::uintmax_t room = budget.bytes > header ? budget.bytes - header : 0;
    // In double precision, whose rounding only matters far beyond any file's size.
    if (double(n[0]) * double(n[1]) * double(n[2]) * width > double(room)) {
        throw MapError("CCP4/MRC header counts " + by(n) + " voxels of mode " + std::to_string(mode) +
                       ", more than the file's " + std::to_string(budget.file_bytes) +
                       (budget.gzipped ? " gzipped bytes can hold" : " bytes hold"));
    }
    for (int i = 0; i < 3; ++i) {
        if (start[i] > std::numeric_limits<std::int32_t>::max() - n[i]) {
            throw MapError("CCP4/MRC header starts an axis at " + std::to_string(start[i]) + ": its " +
                           std::to_string(n[i]) + " voxels run past the largest grid index");
        }
    }
    return static_cast<std::size_t>(n[0]) * static_cast<std::size_t>(n[1]) * static_cast<std::size_t>(n[2]);
}

// The map that a header in X, Y, Z order describes, its densities allocated and unset; the
// header's statistics go to `stored`.
Map map_of_header(const gemmi::Ccp4Base& h, StoredRange* stored) {
    const std::array<int, 3> n = h.header_3i32(1), start = h.header_3i32(5), sampling = h.header_3i32(8);
    Map map = full_cell_map({n[0], n[1], n[2]});
    for (int i = 1; i <= 3; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        const float cell_voxels = static_cast<float>(sampling[k]);
        map.xfmn(i) = static_cast<float>(start[k]) / cell_voxels;
        map.xfmx(i) = static_cast<float>(std::int64_t{start[k]} + n[k] - 1) / cell_voxels;
        map.xdf(i) = 1.0f / cell_voxels;
    }
    const std::array<double, 6> cell{h.header_rfloat(11), h.header_rfloat(12), h.header_rfloat(13),
                                     h.header_rfloat(14), h.header_rfloat(15), h.header_rfloat(16)};
    if (cell[0] > 0 && cell[1] > 0 && cell[2] > 0) map.cell = cell;
    if (stored) {
        const gemmi::DataStats& s = h.hstats;
        *stored = {static_cast<float>(s.dmin), static_cast<float>(s.dmax), static_cast<float>(s.dmean),
                   static_cast<float>(s.rms)};
    }
    return map;
}

// The map of a checked header, read by gemmi in the file's own voxel type T (so that gemmi
// swaps the bytes of each voxel whole) and turned to X, Y, Z order when the file keeps another.
template <class T, class Stream>
Map read_voxels(Stream& stream, std::size_t voxels, StoredRange* stored) {
    gemmi::Ccp4<T> ccp4;
    reserve_voxels(ccp4.grid.data, voxels);
    ccp4.read_ccp4_stream(stream, "");
    if (ccp4.axis_positions() != std::array<int, 3>{0, 1, 2}) ccp4.setup(T{}, gemmi::MapSetup::ReorderOnly);
    // Now counts and start are those of X, Y, Z, like the sampling always is.
    Map map = map_of_header(ccp4, stored);
    if constexpr (std::is_same_v<T, float>) {
        map.rho.adopt(std::move(ccp4.grid.data));  // the voxels as gemmi reordered them, not copied
    } else {
        std::copy(ccp4.grid.data.begin(), ccp4.grid.data.end(), map.rho.begin());
    }
    return map;
}

// The common map, 32-bit floats in X, Y, Z order: gemmi has read the header, and its stream
// hands the voxels that follow straight to the map's array, where gemmi's own reading would
// first clear an array of its own and then need a copy.
template <class Stream>
Map read_floats_in_order(Stream& stream, const gemmi::Ccp4Base& header, StoredRange* stored) {
    Map map = map_of_header(header, stored);
    if (!stream.read(map.rho.data(), sizeof(float) * map.rho.size())) {
        throw MapError("the file ends before its " + std::to_string(map.rho.size()) + " voxels");
    }
    if (!header.same_byte_order) {
        for (float& v : map.rho) gemmi::swap_four_bytes(&v);
    }
    return map;
}

std::string number(double v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

// MX and NXSTART of axis i: the voxels of the cell and the first voxel of the box, from the
// map's step and first coordinate.
std::array<std::int32_t, 2> sampling_and_start(const Map& map, int i) {
    const double sampling = std::round(1.0 / map.xdf(i));
    const double start = std::round(map.xfmn(i) / map.xdf(i));
    const double largest = std::numeric_limits<std::int32_t>::max();
    if (!(sampling >= 1 && sampling <= largest) || !(std::abs(start) + map.nvox(i) <= largest)) {
        throw MapError("axis " + std::to_string(i) + " steps by " + number(map.xdf(i)) + " from " +
                       number(map.xfmn(i)) + ": no whole number of voxels per cell");
    }
    return {static_cast<std::int32_t>(sampling), static_cast<std::int32_t>(start)};
}

}  // namespace

bool is_ccp4(const std::string& path) {
    try {
        return with_stream(path, [](auto stream, const Budget&) {
            std::array<char, kStampAt + 4> head{};
            return stream.read(head.data(), head.size()) && std::string_view(head.data() + kStampAt, 4) == "MAP ";
        });
    } catch (const std::runtime_error&) {
        return false;
    }
}

Map read_ccp4(const std::string& path, StoredRange* stored) {
    try {
        return with_stream(path, [stored](auto stream, const Budget& budget) {
            gemmi::Ccp4<float> header;
            header.read_ccp4_header(stream, "");
            const std::size_t voxels = check_header(header, budget);
            const int mode = header.header_i32(4);
            if (mode == 2 && header.axis_positions() == std::array<int, 3>{0, 1, 2}) {
                return read_floats_in_order(stream, header, stored);
            }
            if (!back_to_start(stream)) throw MapError("cannot go back to the start of the file");
            switch (mode) {
                case 0: return read_voxels<std::int8_t>(stream, voxels, stored);
                case 1: return read_voxels<std::int16_t>(stream, voxels, stored);
                case 6: return read_voxels<std::uint16_t>(stream, voxels, stored);
                default: return read_voxels<float>(stream, voxels, stored);  // mode 2, the only other left
            }
        });
    } catch (const MapError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw from_gemmi(e);
    }
}

void write_ccp4(const Map& map, const std::string& path) {
    if (map.dimension > 3) {
        throw MapError("a map of " + std::to_string(map.dimension) + " dimensions: CCP4/MRC holds at most 3");
    }
    if (!map.cell) throw MapError("the map holds no unit cell: give one with --cell");
    const auto x = sampling_and_start(map, 1), y = sampling_and_start(map, 2), z = sampling_and_start(map, 3);
    try {
        gemmi::Ccp4<float> ccp4;
        gemmi::Grid<float>& grid = ccp4.grid;
        grid.nu = map.nvox(1);
        grid.nv = map.nvox(2);
        grid.nw = map.nvox(3);
        const std::array<double, 6>& c = *map.cell;
        grid.unit_cell.set(c[0], c[1], c[2], c[3], c[4], c[5]);
        grid.axis_order = gemmi::AxisOrder::XYZ;
        // The header of a whole cell in X, Y, Z order with the statistics of the data (gathered
        // on all cores rather than by gemmi's single pass); then the box: its first voxel and
        // the cell's sampling. gemmi sizes the header from the grid's counts alone, so its
        // array stays empty and the voxels go out from the map's own: the file is the header's
        // words, then the voxels in X, Y, Z order, in the machine's byte order that the
        // header's stamp records.
        const DensityStats s = density_stats(map.rho.data(), grid.point_count());
        ccp4.hstats.dmin = s.min.value_or(NAN);
        ccp4.hstats.dmax = s.max.value_or(NAN);
        ccp4.hstats.dmean = s.mean.value_or(NAN);
        ccp4.hstats.rms = s.rms.value_or(NAN);
        ccp4.hstats.nan_count = static_cast<std::size_t>(s.nan);
        ccp4.update_ccp4_header(2, false);
        ccp4.set_header_3i32(5, x[1], y[1], z[1]);
        ccp4.set_header_3i32(8, x[0], y[0], z[0]);

        StagedFile staged;
        if (!staged.open(path, StagedFile::Target::replace)) throw MapError("cannot create the file");
        const std::vector<std::int32_t>& words = ccp4.ccp4_header;
        if (std::fwrite(words.data(), sizeof words[0], words.size(), staged.file()) != words.size() ||
            std::fwrite(map.rho.data(), sizeof(float), grid.point_count(), staged.file()) != grid.point_count()) {
            throw MapError(std::string("cannot write the file: ") + std::strerror(errno));
        }
        if (!staged.commit()) throw MapError("cannot close the file and give it its name: is the disk full?");
    } catch (const MapError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw from_gemmi(e);
    }
}

}  // namespace voxmill
