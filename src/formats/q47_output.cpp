#include "formats/q47_output.hpp"

#include <algorithm>
#include <bit>

namespace voxmill {

bool Q47Output::open(const std::string& name, RecordFile::Mode mode, const Q47Header& header) {
    header_ = header;
    return file_.open(name, mode, q47_record_length(header.nxny));
}

bool Q47Output::write_header() {
    const std::vector<unsigned char> words = header_.encode(file_.record_length());
    return file_.write(1, words.data(), words.size());
}

bool Q47Output::write_layer(std::int64_t k, const float* values) {
    const std::size_t bytes = 4 * static_cast<std::size_t>(std::max(header_.nxny, 0));
    record_.resize(bytes);
    densities_to_file_order(values, bytes / 4, record_.data());
    return file_.write(k + 1, record_.data(), bytes);
}

bool Q47Output::write_layers(std::int64_t k, std::int64_t count, const float* values) {
    const auto nxny = static_cast<std::size_t>(std::max(header_.nxny, 0));
    if constexpr (std::endian::native == std::endian::little) {
        return file_.write_records(k + 1, count, reinterpret_cast<const unsigned char*>(values), 4 * nxny);
    } else {
        for (std::int64_t i = 0; i < count; ++i) {
            if (!write_layer(k + i, values + static_cast<std::size_t>(i) * nxny)) return false;
        }
        return true;
    }
}

bool Q47Output::write_trailer(float rmax, float rmin) {
    unsigned char words[8];
    put_f32(words, rmax);
    put_f32(words + 4, rmin);
    return file_.write(header_.nmap + 2, words, sizeof words);
}

}  // namespace voxmill
