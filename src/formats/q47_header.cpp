#include "formats/q47_header.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "core/voxmill_mod.hpp"

namespace voxmill {

namespace {

std::uint32_t load_u32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void store_u32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

}  // namespace

std::int32_t get_i32(const unsigned char* p) { return static_cast<std::int32_t>(load_u32(p)); }
float get_f32(const unsigned char* p) { return std::bit_cast<float>(load_u32(p)); }
void put_i32(unsigned char* p, std::int32_t v) { store_u32(p, static_cast<std::uint32_t>(v)); }
void put_f32(unsigned char* p, float v) { store_u32(p, std::bit_cast<std::uint32_t>(v)); }

void densities_from_file_order(float* values, std::size_t count) {
    if constexpr (std::endian::native != std::endian::little) {
        auto* bytes = reinterpret_cast<unsigned char*>(values);
        for (std::size_t i = 0; i < count; ++i) values[i] = get_f32(bytes + 4 * i);
    } else {
        (void)values;
        (void)count;
    }
}

void densities_to_file_order(const float* values, std::size_t count, unsigned char* out) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, values, 4 * count);
    } else {
        for (std::size_t i = 0; i < count; ++i) put_f32(out + 4 * i, values[i]);
    }
}

Q47Header Q47Header::decode(const unsigned char* b) {
    Q47Header h;
    int w = 0;
    auto i32 = [&] { return get_i32(b + 4 * w++); };
    auto f32 = [&] { return get_f32(b + 4 * w++); };
    for (int i = 1; i <= 6; ++i) h.nvox(i) = i32();
    h.nxny = i32();
    h.nmap = i32();
    for (int i = 1; i <= 6; ++i) {
        h.xfmn(i) = f32();
        h.xfmx(i) = f32();
    }
    for (int i = 1; i <= 6; ++i) h.xdf(i) = f32();
    for (int i = 1; i <= 6; ++i) h.iorien(i) = i32();
    h.mapa = i32();
    h.nsubs = i32();
    return h;
}

std::vector<unsigned char> Q47Header::encode(std::size_t record_length) const {
    const int words = record_length >= 4 * kHeaderWordsWritten ? kHeaderWordsWritten : kHeaderWordsRead;
    std::vector<unsigned char> b(static_cast<std::size_t>(4 * words));
    int w = 0;
    auto i32 = [&](std::int32_t v) { put_i32(b.data() + 4 * w++, v); };
    auto f32 = [&](float v) { put_f32(b.data() + 4 * w++, v); };
    for (int i = 1; i <= 6; ++i) i32(nvox(i));
    i32(nxny);
    i32(nmap);
    for (int i = 1; i <= 6; ++i) {
        f32(xfmn(i));
        f32(xfmx(i));
    }
    for (int i = 1; i <= 6; ++i) f32(xdf(i));
    for (int i = 1; i <= 6; ++i) i32(iorien(i));
    i32(mapa);
    i32(nsubs);
    if (words == kHeaderWordsWritten) i32(satelitybyly ? 1 : 0);
    return b;
}

bool Q47Header::axes_in_order() const {
    for (int i = 1; i <= 6; ++i) {
        if (iorien(i) != i && iorien(i) != 0) return false;
    }
    return true;
}

bool Q47Header::counts_usable() const {
    constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    std::int64_t layers = 1;
    for (int i = 1; i <= 6; ++i) {
        if (nvox(i) < 1) return false;
        if (i >= 3) layers *= nvox(i);
        if (layers > limit) return false;
    }
    const std::int64_t layer = static_cast<std::int64_t>(nvox(1)) * nvox(2);
    if (layer != nxny || layers != nmap) return false;
    // The density array holds one element past the map.
    return layer * layers < limit;
}

namespace {

// The words that a header and a map share, one to the other.
template <class From, class To>
void copy_grid(const From& from, To& to) {
    to.nvox = from.nvox;
    to.xfmn = from.xfmn;
    to.xfmx = from.xfmx;
    to.xdf = from.xdf;
    to.iorien = from.iorien;
}

}  // namespace

Q47Header header_of(const Map& m) {
    Q47Header h;
    copy_grid(m, h);
    h.mapa = m.q47.mapa;
    h.nsubs = m.q47.nsubs;
    h.nxny = m.nvox(1) * m.nvox(2);
    h.nmap = m.nvox(3) * m.nvox(4) * m.nvox(5) * m.nvox(6);
    h.satelitybyly = m.q47.satelitybyly.value_or(m.dimension >= 4);
    return h;
}

void describe_map(const Q47Header& h, Map& m) {
    copy_grid(h, m);
    m.q47.mapa = h.mapa;
    m.q47.nsubs = h.nsubs;
    m.dimension = std::max(dimension_of(h.nvox), 1);
}

std::size_t q47_record_length(std::int32_t nxny) {
    return 4 * static_cast<std::size_t>(std::max(nxny, kHeaderWordsRead));
}

}  // namespace voxmill
