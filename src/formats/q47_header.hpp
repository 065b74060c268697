// The header record of a q47 map file, the one place where its 35 words are laid out.
//
// A q47 file is a file of fixed-length records: record 1 the header, records 2 .. nmap+1 one
// layer each (nxny densities, axis 1 fastest), record nmap+2 the trailer (rmax, rmin). The
// record length is 4 * max(nxny, 34) bytes; every word is 4 bytes, little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/map.hpp"
#include "core/tab.hpp"
#include "formats/record_file.hpp"

namespace voxmill {

constexpr int kHeaderWordsRead = 34;     // what readers take
constexpr int kHeaderWordsWritten = 35;  // what writers write, with the satellite flag

struct Q47Header {
    Tab<std::int32_t, 6> nvox{};
    std::int32_t nxny = 0;
    std::int32_t nmap = 0;
    Tab<float, 6> xfmn{};
    Tab<float, 6> xfmx{};
    Tab<float, 6> xdf{};
    Tab<std::int32_t, 6> iorien{};
    std::int32_t mapa = 0;
    std::int32_t nsubs = 0;
    bool satelitybyly = false;

    // Takes the first 34 words from `bytes` (at least 136 bytes).
    static Q47Header decode(const unsigned char* bytes);
    // The header words as written: all 35, or the first 34 when a record of `record_length`
    // bytes cannot hold the 35th (layers of 34 voxels or fewer).
    std::vector<unsigned char> encode(std::size_t record_length) const;

    bool axes_in_order() const;  // iorien(i) is i or 0 at every position
    // The counts describe a map that can be held and walked: every nvox(i) at least 1,
    // nxny = nvox(1)*nvox(2), nmap = nvox(3)*...*nvox(6), and the voxel total fits 32 bits.
    bool counts_usable() const;
};

// The header of a map file holding `map`: its counts, frame, codes, map code and subsystem,
// with the satellite flag for maps of 4 or more dimensions.
Q47Header header_of(const Map& map);
// What a header says of its map, into `map`: counts, dimension (at least 1), frame, codes,
// map code and subsystem. The densities and the cell stay as they were.
void describe_map(const Q47Header& h, Map& map);

// Record length of a q47 file with layers of nxny voxels.
std::size_t q47_record_length(std::int32_t nxny);

// Little-endian words.
std::int32_t get_i32(const unsigned char* p);
float get_f32(const unsigned char* p);
void put_i32(unsigned char* p, std::int32_t v);
void put_f32(unsigned char* p, float v);

// Densities as stored in data records: little-endian floats in place.
void densities_from_file_order(float* values, std::size_t count);
void densities_to_file_order(const float* values, std::size_t count, unsigned char* out);

}  // namespace voxmill
