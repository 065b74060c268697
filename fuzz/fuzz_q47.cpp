// Arbitrary file bytes as a q47 map: the header probe of the file dialogue, then the reader.
//
// A header may claim any map whose voxel total fits 32 bits, but the reader sizes its array
// by the layers the file holds, so no input may ask for more memory than fuzz/run's
// -rss_limit_mb (which libFuzzer also takes as the limit of a single allocation).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/getargs.hpp"
#include "app/q47_files.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"
#include "formats/q47_header.hpp"
#include "formats/q47_input.hpp"
#include "fuzz_support.hpp"

namespace {

const std::string kFile = "input.q47";

// What a successful read promises: the file holds the header and every layer the header
// counts, and rho holds them all.
void check_read(const voxmill::State& st, const std::string& name) {
    voxmill::Q47Header h;
    try {
        h = voxmill::Q47Input(name).header();
    } catch (const voxmill::MapError&) {
        vfuzz::fail("read a file whose header the reader cannot open");
    }
    const std::uintmax_t records = static_cast<std::uintmax_t>(h.nmap) + 1;
    if (std::filesystem::file_size(name) < records * voxmill::q47_record_length(h.nxny)) vfuzz::fail("read more layers than the file holds");
    const std::size_t voxels = static_cast<std::size_t>(h.nxny) * static_cast<std::size_t>(h.nmap);
    if (st.map.rho.size() <= voxels) vfuzz::fail("rho is smaller than the map");
    if (st.sdim < 1 || st.sdim > 6) vfuzz::fail("sdim out of 1..6");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vfuzz::write_file(kFile, data, size);
    const std::string name = vfuzz::scratch_path(kFile);
    voxmill::State st;
    const voxmill::Probe probe = voxmill::getdim(st, name);
    const bool is_map = probe.outcome == voxmill::Probe::Outcome::map;
    if (is_map != (probe.dimension >= 1 && probe.dimension <= 6)) vfuzz::fail("a map of a dimension out of 1..6");

    vfuzz::QuietConsole q;
    voxmill::FileStatus status = voxmill::FileStatus::ok;
    try {
        status = voxmill::readorvo(st, q.con, name);
    } catch (const voxmill::Stop&) {
        return 0;  // memory for the map could not be had
    }
    if (status == voxmill::FileStatus::ok) {
        if (probe.outcome == voxmill::Probe::Outcome::cannot_open || probe.outcome == voxmill::Probe::Outcome::cannot_read) {
            vfuzz::fail("the reader took a file that the probe refused");
        }
        check_read(st, name);
    }
    return 0;
}
