#include "scratch_maps.hpp"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/q47_header.hpp"
#include "fuzz_support.hpp"

namespace vfuzz {

namespace {

using Counts = std::vector<std::int32_t>;

// A consistent q47 file of these counts (axes beyond them get 1 voxel), densities a ramp
// through negative and positive values, with the trailer.
std::vector<unsigned char> q47_map(const Counts& counts) {
    voxmill::Q47Header h;
    std::int32_t total = 1;
    for (int i = 1; i <= 6; ++i) {
        const std::size_t k = static_cast<std::size_t>(i - 1);
        h.nvox(i) = k < counts.size() ? counts[k] : 1;
        h.xfmx(i) = static_cast<float>(h.nvox(i) - 1) / static_cast<float>(h.nvox(i));
        h.xdf(i) = 1.0f / static_cast<float>(h.nvox(i));
        h.iorien(i) = i;
        total *= h.nvox(i);
    }
    h.nxny = h.nvox(1) * h.nvox(2);
    h.nmap = total / h.nxny;
    h.mapa = 4;
    h.nsubs = 1;
    h.satelitybyly = counts.size() >= 4;
    const std::size_t length = voxmill::q47_record_length(h.nxny);
    std::vector<unsigned char> bytes(length * static_cast<std::size_t>(h.nmap + 2), 0x20);
    const std::vector<unsigned char> words = h.encode(length);
    std::copy(words.begin(), words.end(), bytes.begin());
    for (std::int32_t p = 0; p < total; ++p) {
        const std::size_t at = length * static_cast<std::size_t>(1 + p / h.nxny) + 4 * static_cast<std::size_t>(p % h.nxny);
        voxmill::put_f32(bytes.data() + at, 0.25f * static_cast<float>(p) - 1.5f);
    }
    const std::size_t trailer = length * static_cast<std::size_t>(h.nmap + 1);
    voxmill::put_f32(bytes.data() + trailer, 0.25f * static_cast<float>(total - 1) - 1.5f);
    voxmill::put_f32(bytes.data() + trailer + 4, -1.5f);
    return bytes;
}

std::vector<unsigned char> text_bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string xplor_map() {
    std::string t = " \n1\ntitle\n       3       0       2       2       0       1       2       0       1\n"
                    "     10.0000     10.0000     10.0000     90.0000     90.0000     90.0000\nZYX\n";
    for (int s = 0; s < 2; ++s) {
        t += "    " + std::to_string(s) + "\n";
        for (int j = 0; j < 6; ++j) t += "      " + std::to_string(s * 6 + j) + ".2500\n";
    }
    return t + "-9999\n            6.250000            0.062500\n";
}

}  // namespace

void lay_out_scratch_maps() {
    const std::filesystem::path& folder = scratch_folder();
    for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove_all(entry.path());
    const std::vector<unsigned char> m3 = q47_map({4, 3, 2});
    write_file("m3.q47", m3);
    write_file("m4.q47", q47_map({3, 3, 2, 2}));
    write_file("cut.q47", std::vector<unsigned char>(m3.begin(), m3.begin() + 2 * 136 + 20));
    std::vector<unsigned char> bad = m3;
    voxmill::put_i32(bad.data() + 24, 5);
    write_file("bad.q47", bad);
    write_file("m.xplor", text_bytes(xplor_map()));
}

}  // namespace vfuzz
