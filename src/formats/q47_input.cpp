#include "formats/q47_input.hpp"

#include <algorithm>

namespace voxmill {

namespace {

constexpr std::size_t kProbeRecord = 4 * kHeaderWordsRead;

}  // namespace

// The layer size comes from the first seven words (read through records of 136 bytes); the
// file is then opened again with its own record length for the header and the layers.
Q47Input::Q47Input(const std::string& path) {
    unsigned char probe[kProbeRecord];
    if (!file_.open(path, RecordFile::Mode::read_existing, kProbeRecord)) {
        throw MapError("cannot be opened", FailureKind::file);
    }
    const bool probed = file_.read(1, probe, 7 * 4);
    file_.close();
    if (!probed) throw MapError("is too short for a q47 header");
    if (!file_.open(path, RecordFile::Mode::read_existing, q47_record_length(get_i32(probe + 24)))) {
        throw MapError("cannot be opened", FailureKind::file);
    }
    if (!file_.read(1, probe, kProbeRecord)) {
        file_.close();
        throw MapError("is too short for a q47 header");
    }
    header_ = Q47Header::decode(probe);
}

std::int64_t Q47Input::layers_held() const {
    const std::int64_t records = file_.size() / static_cast<std::int64_t>(file_.record_length());
    return std::clamp<std::int64_t>(records - 1, 0, std::max(header_.nmap, 0));
}

bool Q47Input::read_into(Map& map, std::size_t spare) {
    if (!header_.counts_usable()) throw MapError("the q47 header's voxel counts do not fit together");
    describe_map(header_, map);
    // A file cut short gets an array for the layers it holds, so that a header of billions of
    // voxels on a short file costs no more memory than the file.
    const std::int64_t held = layers_held();
    map.rho.release();
    map.rho.allocate(static_cast<std::size_t>(header_.nxny) * static_cast<std::size_t>(held) + spare);
    return read_layers(1, held, map.rho.data()) && held == header_.nmap;
}

// When a record is exactly one layer, the records go straight into `out` in one transfer;
// a file cut short holds its complete layers, so those are read one by one before failing.
bool Q47Input::read_layers(std::int64_t first, std::int64_t count, float* out) {
    const std::size_t layer_bytes = 4 * static_cast<std::size_t>(header_.nxny);
    const auto layer = [&](std::int64_t k) { return out + k * header_.nxny; };
    std::int64_t done = 0;
    if (file_.record_length() == layer_bytes && file_.read_records(first + 1, count, out)) {
        done = count;
    } else {
        while (done < count && file_.read(first + 1 + done, layer(done), layer_bytes)) ++done;
    }
    densities_from_file_order(out, static_cast<std::size_t>(done * header_.nxny));
    return done == count;
}

std::optional<StoredRange> Q47Input::trailer() {
    unsigned char words[8];
    if (!file_.read(std::int64_t{header_.nmap} + 2, words, sizeof words)) return std::nullopt;
    StoredRange r;
    r.max = get_f32(words);
    r.min = get_f32(words + 4);
    return r;
}

}  // namespace voxmill
