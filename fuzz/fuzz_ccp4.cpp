// Arbitrary file bytes as a CCP4/MRC map, through the probe and the reader: once as a plain
// file and once under a ".gz" name, where zlib unpacks them (or, when they are not gzipped,
// reads them as they are). A refused file ends in a MapError; anything else must be a whole map.
//
// A header may count any voxels, but the reader refuses more than the file can hold (at most
// 1032 bytes for each gzipped one) before an array is sized, so no input may ask for more
// memory than fuzz/run's -rss_limit_mb (which libFuzzer also takes as the limit of a single
// allocation).
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/ccp4.hpp"
#include "fuzz_support.hpp"

namespace {

void check_read(const voxmill::Map& m, const std::string& name) {
    if (!voxmill::is_ccp4(name)) vfuzz::fail("read a map that the probe does not take for one");
    if (m.dimension < 1 || m.dimension > 3) vfuzz::fail("dimension out of 1..3");
    for (int i = 1; i <= 6; ++i) {
        if (m.nvox(i) < 1 || (i > 3 && m.nvox(i) != 1)) vfuzz::fail("an axis without voxels, or voxels above axis 3");
    }
    if (m.rho.size() != static_cast<std::size_t>(m.voxels())) vfuzz::fail("rho does not match the voxel counts");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const char* file : {"input.map", "input.map.gz"}) {
        vfuzz::write_file(file, data, size);
        const std::string name = vfuzz::scratch_path(file);
        try {
            check_read(voxmill::read_ccp4(name), name);
        } catch (const voxmill::MapError&) {
        }
    }
    return 0;
}
