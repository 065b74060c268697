// Arbitrary text as an X-PLOR map file, through the X-PLOR reader. A broken file ends in a
// stop of the program, which is an orderly end here; anything else must leave a whole map.
//
// The grid line may ask for any map whose voxel total fits 32 bits, but the reader never
// makes its array larger than the file can hold, so no input may ask for more memory than
// fuzz/run's -rss_limit_mb (which libFuzzer also takes as the limit of a single allocation).
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/stops.hpp"
#include "app/xplor_input.hpp"
#include "core/errors.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vfuzz::write_file("input.xplor", data, size);
    const std::string name = vfuzz::scratch_path("input.xplor");
    voxmill::State st;
    vfuzz::QuietConsole q;
    try {
        voxmill::readxplor(st, q.con, name);
    } catch (const voxmill::Stop&) {
        return 0;
    }
    if (st.sdim < 1 || st.sdim > 6) vfuzz::fail("sdim out of 1..6");
    std::int64_t voxels = 1;
    for (int i = 1; i <= 6; ++i) {
        if (st.map.nvox(i) < 1) vfuzz::fail("an axis without voxels");
        voxels *= st.map.nvox(i);
    }
    if (st.map.rho.size() != static_cast<std::size_t>(voxels)) {
        vfuzz::fail("rho does not match the voxel counts");
    }
    if (st.buffer.size() != voxmill::kBufferLength) vfuzz::fail("the line buffer changed its length");
    return 0;
}
