#include "app/q47reorder.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

#include "app/map_rewrite.hpp"
#include "core/errors.hpp"
#include "ops/reorder.hpp"

namespace voxmill {

void q47reorder(State& st, Console& con, const std::string& axord, const std::string& axordorvo,
                const Tab<std::int32_t, 6>& iorg, const Tab<std::int32_t, 6>& iwidth, std::int32_t onsub) {
    if (!load_input_map(st, con)) return;
    std::optional<ReorderedMap> box;
    try {
        box.emplace(st.map, BoxOrder{axord, axordorvo, iorg, iwidth, onsub});
    } catch (const MapError& e) {
        // An order that cannot be read ends the run as a failed file would; a box that cannot
        // be made is refused with one line.
        if (e.kind() != FailureKind::refused) throw FileError(e.what());
        con.free({std::string(e.what()) + ". Nothing was written."});
        return;
    }
    const Q47Header r = header_of(box->frame());
    // The layers are written as soon as a few megabytes of them are made: the file is the one
    // the whole output map would give, with a small buffer instead of a second map in memory.
    constexpr std::size_t kBufferBytes = std::size_t{4} << 20;
    NewQ47Map out(name_of(st.outrhofile), r);
    const auto nxny = static_cast<std::size_t>(r.nxny);
    const auto batch = static_cast<std::int64_t>(std::max<std::size_t>(1, kBufferBytes / (4 * nxny)));
    std::vector<float> tabler(nxny * static_cast<std::size_t>(std::min<std::int64_t>(batch, r.nmap)));
    for (std::int64_t first = 0; first < r.nmap; first += batch) {
        const std::int64_t count = std::min<std::int64_t>(batch, r.nmap - first);
        box->fill(first, count, tabler.data());
        out.write_layers(tabler.data(), count);
    }
    out.finish();
}

}  // namespace voxmill
