// Arbitrary text as an X-PLOR map file, through read_xplor_map (either layout). A text that
// breaks the layout is a MapError, an orderly end here; anything else must be a whole map
// that its counts describe, and a map read must write as standard text that reads back with
// the same counts (or be refused as a map that layout cannot hold).
//
// The reader never makes its array larger than the file can hold, whatever the grid line
// claims, so no input may ask for more memory than fuzz/run's -rss_limit_mb.
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/xplor_map.hpp"
#include "fuzz_support.hpp"

namespace {

void check_whole(const voxmill::Map& map) {
    if (map.dimension < 1 || map.dimension > 6) vfuzz::fail("dimension out of 1..6");
    for (int i = 1; i <= 6; ++i) {
        if (map.nvox(i) < 1) vfuzz::fail("an axis without voxels");
    }
    if (map.rho.size() != static_cast<std::size_t>(map.voxels())) vfuzz::fail("rho does not match the voxel counts");
    if (!map.cell) vfuzz::fail("a map read without its cell");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vfuzz::write_file("input.xplor", data, size);
    const std::string name = vfuzz::scratch_path("input.xplor");
    voxmill::Map map;
    try {
        map = voxmill::read_xplor_map(name);
    } catch (const voxmill::MapError&) {
        return 0;
    }
    check_whole(map);
    if (!voxmill::is_xplor(name)) vfuzz::fail("a map read whose header is_xplor refuses");
    const std::string again = vfuzz::scratch_path("again.xplor");
    try {
        voxmill::write_xplor_standard(map, again);
    } catch (const voxmill::MapError&) {
        return 0;
    }
    const voxmill::Map back = voxmill::read_xplor_map(again);
    check_whole(back);
    if (!(back.nvox == map.nvox)) vfuzz::fail("the standard text of a map reads back with other counts");
    return 0;
}
