#include "formats/q47_map.hpp"

#include <algorithm>
#include <array>
#include <future>
#include <iterator>
#include <vector>

#include "core/voxmill_mod.hpp"
#include "core/work_sharing.hpp"
#include "formats/q47_header.hpp"
#include "formats/q47_output.hpp"

namespace voxmill {

namespace {

// The extremes for the trailer as the console's q47 writer gathers them, one value after
// the other from -100000 and 100000: a value equal to an extreme takes its place, NaN never
// does.
struct TrailerExtremes {
    float rmax = -100000.0f;
    float rmin = 100000.0f;

    void take(const TrailerExtremes& later) {
        rmax = later.rmax >= rmax ? later.rmax : rmax;
        rmin = later.rmin <= rmin ? later.rmin : rmin;
    }
};

constexpr std::size_t kLanes = 8;
constexpr std::int64_t kPiece = std::int64_t{1} << 16;

// One piece, lane by lane so that the compiler vectorises it. Equal values share their bits
// except the two zeros, so only a zero extreme needs the last zero of the piece, which one by
// one would have kept.
TrailerExtremes piece_extremes(const float* v, std::size_t count) {
    std::array<float, kLanes> hi, lo;
    hi.fill(-100000.0f);
    lo.fill(100000.0f);
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        for (std::size_t j = 0; j < kLanes; ++j) {
            hi[j] = v[i + j] > hi[j] ? v[i + j] : hi[j];  // false for a NaN
            lo[j] = v[i + j] < lo[j] ? v[i + j] : lo[j];
        }
    }
    for (; i < count; ++i) {
        hi[0] = v[i] > hi[0] ? v[i] : hi[0];
        lo[0] = v[i] < lo[0] ? v[i] : lo[0];
    }
    TrailerExtremes e{*std::max_element(hi.begin(), hi.end()), *std::min_element(lo.begin(), lo.end())};
    const auto last_zero = [&] { return *std::find(std::make_reverse_iterator(v + count), std::make_reverse_iterator(v), 0.0f); };
    if (e.rmax == 0.0f) e.rmax = last_zero();
    if (e.rmin == 0.0f) e.rmin = last_zero();
    return e;
}

// Pieces on all cores, combined in their order.
TrailerExtremes trailer_extremes(const float* rho, std::int64_t count) {
    std::vector<TrailerExtremes> pieces(static_cast<std::size_t>((count + kPiece - 1) / kPiece));
    share_work(0, count, kPiece, 0, [&](std::int64_t begin, std::int64_t end) {
        pieces[static_cast<std::size_t>(begin / kPiece)] = piece_extremes(rho + begin, static_cast<std::size_t>(end - begin));
    });
    TrailerExtremes e;
    for (const TrailerExtremes& p : pieces) e.take(p);
    return e;
}

}  // namespace

bool is_q47(const std::string& path) {
    RecordFile file;
    Q47Header h;
    return open_q47(path, file, h) && h.counts_usable();
}

Map read_q47_map(const std::string& path, StoredRange* stored) {
    RecordFile file;
    Q47Header h;
    if (!open_q47(path, file, h)) throw MapError("cannot be opened, or is too short for a q47 header");
    if (!h.counts_usable()) throw MapError("the q47 header's voxel counts do not fit together");
    const std::int64_t records = file.size() / static_cast<std::int64_t>(file.record_length());
    if (records < std::int64_t{h.nmap} + 1) {
        throw MapError("the q47 file holds " + std::to_string(std::max<std::int64_t>(records - 1, 0)) + " of its " +
                       std::to_string(h.nmap) + " layers");
    }
    Map m;
    describe_map(h, m);
    if (const std::string fault = frame_fault(m); !fault.empty()) throw MapError("the q47 header's " + fault);
    m.rho.allocate(static_cast<std::size_t>(m.voxels()));
    if (!read_q47_layers(file, h, m.rho.data())) throw MapError("cannot read the layers of the q47 file");
    unsigned char trailer[8];
    if (stored != nullptr && file.read(std::int64_t{h.nmap} + 2, trailer, sizeof trailer)) {
        stored->max = get_f32(trailer);
        stored->min = get_f32(trailer + 4);
    }
    return m;
}

void write_q47_map(const Map& map, const std::string& path) {
    const Q47Header h = header_of(map);
    // The trailer's extremes are gathered beside the writing of the layers (or at get(), when
    // no thread can start): the layers go out through the system on one core.
    std::future<TrailerExtremes> extremes = std::async(std::launch::async | std::launch::deferred, [&map] {
        return trailer_extremes(map.rho.data(), static_cast<std::int64_t>(map.rho.size()));
    });
    Q47Output out;
    if (!out.open(path, RecordFile::Mode::replace, h)) throw MapError(out.failure());
    if (!out.write_header() || !out.write_layers(1, h.nmap, map.rho.data())) {
        throw MapError("cannot write the file: " + out.failure());
    }
    const TrailerExtremes e = extremes.get();
    if (!out.write_trailer(e.rmax, e.rmin)) throw MapError("cannot write the file: " + out.failure());
    if (!out.close()) throw MapError("cannot close the file and give it its name: " + out.failure());
}

}  // namespace voxmill
