#include "formats/q47_map.hpp"

#include <algorithm>
#include <array>
#include <future>
#include <iterator>
#include <vector>

#include "core/voxmill_mod.hpp"
#include "core/work_sharing.hpp"
#include "formats/q47_extremes.hpp"
#include "formats/q47_header.hpp"
#include "formats/q47_input.hpp"
#include "formats/q47_output.hpp"

namespace voxmill {

bool is_q47(const std::string& path) {
    try {
        return Q47Input(path).header().counts_usable();
    } catch (const MapError&) {
        return false;
    }
}

Map read_q47_map(const std::string& path, StoredRange* stored) {
    Q47Input in(path);
    Map m;
    if (!in.read_into(m)) {
        throw MapError("the q47 file holds " + std::to_string(in.layers_held()) + " of its " +
                       std::to_string(in.header().nmap) + " layers");
    }
    if (const std::string fault = frame_fault(m); !fault.empty()) throw MapError("the q47 header's " + fault);
    if (stored != nullptr) {
        if (const auto trailer = in.trailer()) *stored = *trailer;
    }
    return m;
}

void write_q47_map(const Map& map, const std::string& path) {
    const Q47Header h = header_of(map);
    // The trailer's extremes are gathered beside the writing of the layers (or at get(), when
    // no thread can start): the layers go out through the system on one core.
    // As the console's q47 writer gathers them: from -100000 and 100000, a value equal to an
    // extreme taking its place, NaN never.
    std::future<TrailerExtremes> extremes = std::async(std::launch::async | std::launch::deferred, [&map] {
        return trailer_extremes(ExtremesRule::beyond_or_equal, 100000.0f, map.rho.data(),
                                static_cast<std::int64_t>(map.rho.size()));
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
