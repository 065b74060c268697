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
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

#include <gemmi/ccp4.hpp>
#include <gemmi/gz.hpp>

#include "core/density_stats.hpp"
#include "core/interruption.hpp"
#include "formats/density_sink.hpp"
#include "formats/staged_file.hpp"

namespace voxmill {

namespace {

constexpr std::size_t kStampAt = 208;    // byte of "MAP " in the header
constexpr std::size_t kHeaderWords = 256;
// Deflate packs at most 1032 bytes into one, so no gzipped file unpacks to more than that.
constexpr std::uintmax_t kDeflateRatio = 1032;
constexpr std::size_t kChunkVoxels = std::size_t{1} << 20;  // voxels taken from the file at a time
// A gzipped file's voxels go into an array that grows as they arrive, starting at this many.
constexpr std::size_t kFirstRoomOfGzipped = std::size_t{1} << 24;

bool gzip_magic(const unsigned char* b) { return b[0] == 0x1f && b[1] == 0x8b; }

// The bytes of a map file, unpacked by zlib when it starts with the gzip magic bytes,
// whatever its name.
class MapBytes {
public:
    explicit MapBytes(const std::string& path) : plain_(nullptr, &std::fclose), packed_(nullptr, &gzclose) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(path, ec);
        if (ec) throw MapError("cannot read the file: " + error_text(ec.value()));
        plain_.reset(std::fopen(path.c_str(), "rb"));
        if (!plain_) throw MapError("cannot open the file: " + error_text(errno));
        unsigned char magic[2] = {0, 0};
        gzipped_ = std::fread(magic, 1, 2, plain_.get()) == 2 && gzip_magic(magic);
        file_bytes_ = size;
        budget_ = gzipped_ ? size * kDeflateRatio : size;
        if (gzipped_) {
            plain_.reset();
            packed_.reset(gzopen(path.c_str(), "rb"));
            if (!packed_) throw MapError("cannot open the gzipped file");
            gzbuffer(packed_.get(), 64 * 1024);
        } else {
            std::rewind(plain_.get());
        }
    }

    bool gzipped() const { return gzipped_; }
    std::uintmax_t file_bytes() const { return file_bytes_; }
    // The most bytes the file can give: its size, or what its packed bytes unpack to at most.
    std::uintmax_t budget() const { return budget_; }

    // Reads `count` bytes, or throws: the file ends before them (`what` says what is missing),
    // or its gzip stream is damaged.
    void read(void* to, std::size_t count, const std::string& what) {
        if (take(to, count) != count) throw MapError(damage().value_or("the file ends before " + what));
    }
    // Reads up to `count` bytes; fewer at the end of the file or of an intact gzip stream.
    std::size_t take(void* to, std::size_t count) {
        if (!gzipped_) return std::fread(to, 1, count, plain_.get());
        auto* bytes = static_cast<char*>(to);
        std::size_t got = 0;
        while (got < count) {
            const auto part = static_cast<unsigned>(std::min<std::size_t>(count - got, 1u << 30));
            const int n = gzread(packed_.get(), bytes + got, part);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }
    void skip(std::uintmax_t count, const std::string& what) {
        std::array<char, 64 * 1024> scratch;
        while (count > 0) {
            const auto part = static_cast<std::size_t>(std::min<std::uintmax_t>(count, scratch.size()));
            read(scratch.data(), part, what);
            count -= part;
        }
    }
    // What is wrong with the gzip stream, when something is: a corrupt stream, a bad check sum,
    // or a stream cut short.
    std::optional<std::string> damage() const {
        if (!gzipped_) return std::nullopt;
        int code = Z_OK;
        const char* text = gzerror(packed_.get(), &code);
        if (code == Z_OK) return std::nullopt;
        if (code == Z_ERRNO) return "cannot read the file: " + error_text(errno);
        return std::string("the gzip stream is damaged (") + text + ")";
    }

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> plain_;
    std::unique_ptr<gzFile_s, int (*)(gzFile)> packed_;
    bool gzipped_ = false;
    std::uintmax_t file_bytes_ = 0, budget_ = 0;
};

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

// Whether the header's words make sense in the byte order `h.same_byte_order` says: a mode
// of the format, counts of at least one voxel, and columns, rows and sections along three
// different axes. In the wrong order these words are multiples of 2^8 or 2^16 far apart from
// such values.
bool consistent(const gemmi::Ccp4Base& h) {
    static constexpr std::array<int, 8> kModes{0, 1, 2, 3, 4, 6, 12, 101};
    if (std::ranges::find(kModes, h.header_i32(4)) == kModes.end()) return false;
    const std::array<int, 3> n = h.header_3i32(1), axes = h.header_3i32(17);
    if (std::ranges::any_of(n, [](int k) { return k < 1; })) return false;
    std::array<int, 3> sorted = axes;
    std::ranges::sort(sorted);
    return sorted == std::array<int, 3>{1, 2, 3};
}

std::string hex_bytes(const unsigned char* b, int count) {
    std::string text;
    char two[4];
    for (int i = 0; i < count; ++i) {
        std::snprintf(two, sizeof two, i ? " %02X" : "%02X", b[i]);
        text.append(two);
    }
    return text;
}

// The byte order of the header's words: the one its machine stamp records, or, for a stamp
// that records none (00 00 00 00 is common), the one in which the header is consistent.
void settle_byte_order(gemmi::Ccp4Base& h, std::vector<std::string>* warnings) {
    const auto* stamp = static_cast<const unsigned char*>(h.header_word(54));
    if (stamp[0] == 0x44 || stamp[0] == 0x11) {
        h.same_byte_order = stamp[0] == (gemmi::is_little_endian() ? 0x44 : 0x11);
        return;
    }
    h.same_byte_order = true;
    const bool as_machine = consistent(h);
    h.same_byte_order = false;
    const bool swapped = consistent(h);
    if (as_machine == swapped) {
        throw MapError("the machine stamp " + hex_bytes(stamp, 4) + " records no byte order, and the header fits " +
                       (as_machine ? "both" : "neither"));
    }
    h.same_byte_order = as_machine;
    const bool little = gemmi::is_little_endian() == as_machine;
    if (warnings) {
        warnings->push_back("the machine stamp " + hex_bytes(stamp, 4) + " records no byte order; read as " +
                            (little ? "little-endian" : "big-endian") + ", in which the header is consistent");
    }
}

std::string by(const std::array<int, 3>& n) {
    return std::to_string(n[0]) + " x " + std::to_string(n[1]) + " x " + std::to_string(n[2]);
}

// Refuses a header whose mode, counts, sampling, extended header or box the reader cannot
// take, before any array is sized by it: the voxels it counts must fit in what the file can
// hold. Returns their number.
std::size_t check_header(const gemmi::Ccp4Base& h, const MapBytes& bytes) {
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
    std::array<int, 3> axes = h.header_3i32(17);
    std::ranges::sort(axes);
    if (axes != std::array<int, 3>{1, 2, 3}) {
        throw MapError("CCP4/MRC header lays columns, rows and sections along axes " + by(h.header_3i32(17)) +
                       " (MAPC, MAPR, MAPS): they must be 1, 2 and 3 in some order");
    }
    const int extended = h.header_i32(24);
    const std::uintmax_t header = 4 * kHeaderWords + static_cast<std::uintmax_t>(std::max(extended, 0));
    if (extended < 0 || header > bytes.budget()) {
        throw MapError("CCP4/MRC header announces an extended header of " + std::to_string(extended) +
                       " bytes (NSYMBT), which the file cannot hold");
    }
    const std::uintmax_t room = bytes.budget() - header;
    // In double precision, whose rounding only matters far beyond any file's size.
    if (double(n[0]) * double(n[1]) * double(n[2]) * width > double(room)) {
        throw MapError("CCP4/MRC header counts " + by(n) + " voxels of mode " + std::to_string(mode) +
                       ", more than the file's " + std::to_string(bytes.file_bytes()) +
                       (bytes.gzipped() ? " gzipped bytes can hold" : " bytes hold"));
    }
    for (int i = 0; i < 3; ++i) {
        if (start[i] > std::numeric_limits<std::int32_t>::max() - n[i]) {
            throw MapError("CCP4/MRC header starts an axis at " + std::to_string(start[i]) + ": its " +
                           std::to_string(n[i]) + " voxels run past the largest grid index");
        }
    }
    return static_cast<std::size_t>(n[0]) * static_cast<std::size_t>(n[1]) * static_cast<std::size_t>(n[2]);
}

// The labels of the header (NLABL of the ten 80-character lines), trailing blanks and NULs cut.
std::vector<std::string> labels_of(const gemmi::Ccp4Base& h) {
    std::vector<std::string> labels;
    const int count = std::clamp(h.header_i32(56), 0, 10);
    for (int k = 0; k < count; ++k) {
        std::string label = h.header_str(57 + 20 * k, 80);
        const std::size_t end = label.find_last_not_of(std::string(" \0", 2));
        label.resize(end == std::string::npos ? 0 : end + 1);
        labels.push_back(std::move(label));
    }
    return labels;
}

// The map that a header in X, Y, Z order describes, without densities; the header's
// statistics go to `stored`.
Map map_of_header(const gemmi::Ccp4Base& h, StoredRange* stored) {
    const std::array<int, 3> n = h.header_3i32(1), start = h.header_3i32(5), sampling = h.header_3i32(8);
    Map map = full_cell_frame({n[0], n[1], n[2]});
    for (int i = 1; i <= 3; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        const double cell_voxels = sampling[k];
        map.xfmn(i) = static_cast<float>(start[k] / cell_voxels);
        map.xfmx(i) = static_cast<float>(static_cast<double>(std::int64_t{start[k]} + n[k] - 1) / cell_voxels);
        map.xdf(i) = static_cast<float>(1.0 / cell_voxels);
    }
    const std::array<double, 6> cell{h.header_rfloat(11), h.header_rfloat(12), h.header_rfloat(13),
                                     h.header_rfloat(14), h.header_rfloat(15), h.header_rfloat(16)};
    // Files of single particles often record no cell, as lengths of zero; any other cell is
    // kept as it is and judged where one is needed.
    if (cell[0] != 0.0 || cell[1] != 0.0 || cell[2] != 0.0) map.cell = cell;
    const std::array<double, 3> origin{h.header_float(50), h.header_float(51), h.header_float(52)};
    if (!std::ranges::all_of(origin, [](double x) { return std::isfinite(x); })) {
        throw MapError("CCP4/MRC header's ORIGIN (words 50 to 52) is not a finite position");
    }
    map.origin = origin;
    map.labels = labels_of(h);
    map.space_group = h.header_i32(23);
    if (stored) {
        *stored = {h.header_float(20), h.header_float(21), h.header_float(22), h.header_float(55)};
    }
    return map;
}

// The voxels of a checked header in the file's order, as floats, taken piece by piece as
// they arrive.
template <class T>
DensityArray read_voxels(MapBytes& bytes, std::size_t count, bool same_byte_order) {
    DensityArray rho;
    DensitySink sink(rho, count, bytes.gzipped() ? kFirstRoomOfGzipped : count);
    std::vector<T> piece(std::is_same_v<T, float> ? 0 : std::min(count, kChunkVoxels));
    while (sink.used() < count) {
        stop_if_interrupted();
        const std::size_t want = std::min(count - sink.used(), kChunkVoxels);
        float* room = sink.room(want);
        T* into = nullptr;
        if constexpr (std::is_same_v<T, float>) {
            into = room;
        } else {
            into = piece.data();
        }
        const std::size_t got = bytes.take(into, want * sizeof(T)) / sizeof(T);
        for (std::size_t i = 0; i < got; ++i) {
            if (!same_byte_order) {
                if constexpr (sizeof(T) == 2) gemmi::swap_two_bytes(&into[i]);
                if constexpr (sizeof(T) == 4) gemmi::swap_four_bytes(&into[i]);
            }
            if constexpr (!std::is_same_v<T, float>) room[i] = static_cast<float>(into[i]);
        }
        sink.kept(got);
        if (got < want) {
            throw MapError(bytes.damage().value_or("the file ends after " + std::to_string(sink.used()) + " of its " +
                                                   std::to_string(count) + " voxels"));
        }
    }
    sink.finish();
    return rho;
}

// Columns, rows and sections as axes 1, 2 and 3, by gemmi; the header then describes X, Y, Z.
DensityArray in_xyz_order(gemmi::Ccp4<float>& ccp4, DensityArray file_order) {
    const std::array<int, 3> n = ccp4.header_3i32(1);
    ccp4.grid.nu = n[0];
    ccp4.grid.nv = n[1];
    ccp4.grid.nw = n[2];
    ccp4.grid.axis_order = gemmi::AxisOrder::Unknown;
    ccp4.grid.data.assign(file_order.begin(), file_order.end());
    file_order.release();
    ccp4.setup(NAN, gemmi::MapSetup::ReorderOnly);
    DensityArray rho;
    rho.adopt(std::move(ccp4.grid.data));
    return rho;
}

std::string number(double v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

// gemmi's failure, in the few places it may still fail, as a MapError.
MapError from_gemmi(const std::runtime_error& e) { return MapError(std::string("gemmi: ") + e.what()); }

// Where one axis of a map lies on the cell's grid: MX, the grid index of its first voxel,
// and how far (in fractions of the cell) the first voxel lies past that index, for a map whose
// start is not on the grid.
struct AxisPlace {
    std::int32_t sampling, start;
    double past;
};

AxisPlace place_of_axis(const Map& map, int i) {
    const std::string axis = "axis " + std::to_string(i);
    const double step = map.xdf(i);
    const double sampling = std::round(1.0 / step);
    constexpr double largest = std::numeric_limits<std::int32_t>::max();
    if (!(step > 0.0) || !(sampling >= 1 && sampling <= largest) || std::fabs(sampling * step - 1.0) > 1e-4) {
        throw MapError("the step of " + axis + " is " + number(step) +
                       " of the cell: CCP4/MRC needs a whole number of voxels per cell (MX, MY, MZ)");
    }
    const double first = map.xfmn(i);
    const double start = std::round(first * sampling);
    if (!(std::fabs(start) + map.nvox(i) <= largest)) {
        throw MapError(axis + " starts at " + number(first) + " of the cell, beyond the grid indices of CCP4/MRC");
    }
    double past = first - start / sampling;
    // On the grid as far as the float that holds the start can tell.
    if (std::fabs(past) <= std::max(1e-4 / sampling, 4 * std::numeric_limits<float>::epsilon() * std::fabs(first))) past = 0;
    return {static_cast<std::int32_t>(sampling), static_cast<std::int32_t>(start), past};
}

// Labels as the header keeps them: at most ten lines of 80 characters, padded with blanks.
void set_labels(gemmi::Ccp4Base& h, const std::vector<std::string>& labels) {
    const std::size_t count = std::min<std::size_t>(labels.size(), 10);
    h.set_header_i32(56, static_cast<std::int32_t>(count));
    std::memset(h.header_word(57), ' ', 800);
    for (std::size_t k = 0; k < count; ++k) {
        h.set_header_str(57 + 20 * static_cast<int>(k), labels[k].substr(0, 80));
    }
}

}  // namespace

bool is_ccp4(const std::string& path) {
    std::array<unsigned char, kStampAt + 4> head{};
    const gemmi::fileptr_t file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    const std::size_t got = std::fread(head.data(), 1, head.size(), file.get());
    return (got >= 2 && gzip_magic(head.data())) ||
           (got == head.size() && std::memcmp(head.data() + kStampAt, "MAP ", 4) == 0);
}

Map read_ccp4(const std::string& path, StoredRange* stored, std::vector<std::string>* warnings) {
    try {
        MapBytes bytes(path);
        gemmi::Ccp4<float> ccp4;
        gemmi::Ccp4Base& h = ccp4;
        h.ccp4_header.resize(kHeaderWords);
        bytes.read(h.ccp4_header.data(), 4 * kHeaderWords, "the 1024 bytes of a CCP4/MRC header");
        if (std::memcmp(h.header_word(53), "MAP ", 4) != 0) {
            throw MapError("not a CCP4/MRC map: its header holds no \"MAP \" stamp");
        }
        settle_byte_order(h, warnings);
        const std::size_t voxels = check_header(h, bytes);
        bytes.skip(static_cast<std::uintmax_t>(h.header_i32(24)), "the end of its extended header (NSYMBT bytes)");
        DensityArray rho;
        switch (h.header_i32(4)) {
            case 0: rho = read_voxels<std::int8_t>(bytes, voxels, h.same_byte_order); break;
            case 1: rho = read_voxels<std::int16_t>(bytes, voxels, h.same_byte_order); break;
            case 6: rho = read_voxels<std::uint16_t>(bytes, voxels, h.same_byte_order); break;
            default: rho = read_voxels<float>(bytes, voxels, h.same_byte_order); break;  // mode 2, the only other left
        }
        if (h.axis_positions() != std::array<int, 3>{0, 1, 2}) rho = in_xyz_order(ccp4, std::move(rho));
        // Now counts and start are those of X, Y, Z, like the sampling always is.
        Map map = map_of_header(h, stored);
        map.rho = std::move(rho);
        return map;
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
    if (!sound_cell(*map.cell)) throw MapError("the map's cell is not a valid cell: give one with --cell");
    const std::array<AxisPlace, 3> place{place_of_axis(map, 1), place_of_axis(map, 2), place_of_axis(map, 3)};
    try {
        gemmi::Ccp4<float> ccp4;
        gemmi::Grid<float>& grid = ccp4.grid;
        grid.nu = map.nvox(1);
        grid.nv = map.nvox(2);
        grid.nw = map.nvox(3);
        const std::array<double, 6>& c = *map.cell;
        grid.unit_cell.set(c[0], c[1], c[2], c[3], c[4], c[5]);
        grid.axis_order = gemmi::AxisOrder::XYZ;
        // A space group that gemmi knows brings its symmetry operators into the extended
        // header; the common P1 is written without, as maps of no symmetry are.
        if (map.space_group && *map.space_group != 1) grid.spacegroup = gemmi::find_spacegroup_by_number(*map.space_group);
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
        if (map.space_group) ccp4.set_header_i32(23, *map.space_group);
        ccp4.set_header_3i32(5, place[0].start, place[1].start, place[2].start);
        ccp4.set_header_3i32(8, place[0].sampling, place[1].sampling, place[2].sampling);
        // A start between grid points moves the map by ORIGIN, in A, beside what it carries.
        const gemmi::Position past = grid.unit_cell.orthogonalize(gemmi::Fractional(place[0].past, place[1].past, place[2].past));
        const std::array<double, 3> origin = map.origin.value_or(std::array<double, 3>{});
        ccp4.set_header_float(50, static_cast<float>(origin[0] + past.x));
        ccp4.set_header_float(51, static_cast<float>(origin[1] + past.y));
        ccp4.set_header_float(52, static_cast<float>(origin[2] + past.z));
        set_labels(ccp4, map.labels);

        StagedFile staged;
        if (!staged.open(path, StagedFile::Target::replace)) throw MapError(staged.failure());
        const std::vector<std::int32_t>& words = ccp4.ccp4_header;
        bool written = std::fwrite(words.data(), sizeof words[0], words.size(), staged.file()) == words.size();
        // The densities in pieces, so that a long write can be interrupted between them.
        for (std::size_t done = 0, total = grid.point_count(); written && done < total; done += kChunkVoxels) {
            stop_if_interrupted();
            const std::size_t n = std::min(kChunkVoxels, total - done);
            written = std::fwrite(map.rho.data() + done, sizeof(float), n, staged.file()) == n;
        }
        if (!written) throw MapError("cannot write the file: " + error_text(errno));
        if (!staged.commit()) throw MapError("cannot close the file and give it its name: " + staged.failure());
    } catch (const MapError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw from_gemmi(e);
    }
}

}  // namespace voxmill
