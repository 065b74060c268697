// The command-line tools on a 3D map of 256^3 voxels (67 MB), each command run in-process and
// timed against a baseline measured in the same run:
//   convert q47 -> CCP4 and CCP4 -> q47: a plain copy of the input file's bytes; target 1.5x;
//   convert q47 -> standard X-PLOR: a plain write of as many bytes as the text; target 3x;
//   convert standard X-PLOR -> q47: reading the text's lines with std::getline; target 3x;
//   info: a plain read of the file; target 2x.
// Then console options 5 (shift) and B (projection) on the 64^4 map as whole processes, with
// their answers piped in, against a numpy script that loads the file, rolls or sums it and
// saves the result (needs /usr/bin/python3 with numpy); target: faster.
// The files go into a temporary folder that is removed at the end.
//
//   build/bench/bench_commands [repetitions]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_maps.hpp"
#include "cli/command_line.hpp"
#include "core/map.hpp"
#include "formats/q47_map.hpp"
#include "formats/text_output.hpp"

namespace {

using bench::Clock;
using bench::seconds_since;
namespace fs = std::filesystem;

double command(std::vector<std::string> args) {
    args.insert(args.begin(), "voxmill");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const auto start = Clock::now();
    const int status = voxmill::run_command_line(static_cast<int>(argv.size()), argv.data(), out, err);
    const double t = seconds_since(start);
    if (status != 0) throw std::runtime_error("voxmill " + args[1] + " failed: " + err.str());
    return t;
}

double copy_baseline(const std::string& from, const std::string& to) {
    fs::remove(to);
    const auto start = Clock::now();
    const auto bytes = static_cast<std::size_t>(fs::file_size(from));
    voxmill::DensityArray buffer = bench::file_buffer(bytes);
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    const bool ok = in != nullptr && out != nullptr && std::fread(bench::bytes_of(buffer), 1, bytes, in) == bytes &&
                    std::fwrite(bench::bytes_of(buffer), 1, bytes, out) == bytes;
    if (in != nullptr) std::fclose(in);
    if (out == nullptr || std::fclose(out) != 0 || !ok) throw std::runtime_error("cannot copy " + from);
    return seconds_since(start);
}

double read_baseline(const std::string& from) {
    const auto start = Clock::now();
    const auto bytes = static_cast<std::size_t>(fs::file_size(from));
    voxmill::DensityArray buffer = bench::file_buffer(bytes);
    std::FILE* in = std::fopen(from.c_str(), "rb");
    const bool ok = in != nullptr && std::fread(bench::bytes_of(buffer), 1, bytes, in) == bytes;
    if (in != nullptr) std::fclose(in);
    if (!ok) throw std::runtime_error("cannot read " + from);
    return seconds_since(start);
}

double write_baseline(const std::string& to, std::size_t bytes) {
    fs::remove(to);
    const std::string prepared(bytes, ' ');
    const auto start = Clock::now();
    voxmill::TextOutput out(to);
    for (std::size_t at = 0; at < bytes; at += std::size_t{1} << 20) out.text(std::string_view(prepared).substr(at, std::size_t{1} << 20));
    out.close();
    return seconds_since(start);
}

double getline_baseline(const std::string& from) {
    const auto start = Clock::now();
    std::ifstream in(from, std::ios::binary);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    if (lines == 0) throw std::runtime_error("no lines in " + from);
    return seconds_since(start);
}

double shell(const std::string& line) {
    const auto start = Clock::now();
    if (std::system(line.c_str()) != 0) throw std::runtime_error("failed: " + line);
    return seconds_since(start);
}

void report(const char* what, double op, const char* base_name, double base, const char* target) {
    std::printf("%-30s %8.1f ms   %-26s %8.1f ms   ratio %5.2f (target %s)\n", what, op * 1e3, base_name, base * 1e3,
                op / base, target);
}

// The numpy script of the comparison: the q47 file of the 64^4 map (records of exactly one
// layer) loaded, rolled along x by half a cell or summed over axis 4, and saved as q47.
const char* const kNumpy = R"(
import sys, numpy as np
src, dst, job = sys.argv[1], sys.argv[2], sys.argv[3]
raw = np.fromfile(src, dtype='<i4')
L = 4096
header = raw[:35].copy()
rho = raw[L:L + 64**4].view('<f4').reshape(64, 64, 64, 64)
if job == 'shift':
    out = np.roll(rho, -32, axis=3)
    h = header
else:
    out = rho.sum(axis=0, dtype=np.float32)
    h = header.copy(); h[3] = 1; h[7] = 64
rec = np.full(L, 0x20202020, dtype='<i4')
with open(dst, 'wb') as f:
    rec[:35] = h; f.write(rec.tobytes())
    f.write(np.ascontiguousarray(out, dtype='<f4').tobytes())
    t = np.full(L, 0x20202020, dtype='<i4'); t[:2] = np.array([out.max(), out.min()], dtype='<f4').view('<i4')
    f.write(t.tobytes())
)";

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path dir = bench::scratch_folder("bench-commands");
    const auto path = [&](const char* name) { return (dir / name).string(); };
    {
        voxmill::Map m = voxmill::full_cell_map({256, 256, 256});
        for (std::size_t i = 0; i < m.rho.size(); ++i) m.rho[i] = static_cast<float>((i * 2654435761u) % 1000003) * 1e-3f - 7.0f;
        voxmill::write_q47_map(m, path("map.q47"));
    }
    const std::string cell = "--cell=40,40,40,90,90,90";
    double to_ccp4 = 1e30, from_ccp4 = 1e30, copy = 1e30, to_xplor = 1e30, write = 1e30, from_xplor = 1e30,
           getline = 1e30, info = 1e30, read = 1e30;
    for (int r = 0; r < repetitions; ++r) {
        fs::remove(path("map.ccp4"));
        to_ccp4 = std::min(to_ccp4, command({"convert", cell, path("map.q47"), path("map.ccp4")}));
        fs::remove(path("back.q47"));
        from_ccp4 = std::min(from_ccp4, command({"convert", path("map.ccp4"), path("back.q47")}));
        copy = std::min(copy, copy_baseline(path("map.q47"), path("copy")));
        fs::remove(path("map.xplor"));
        to_xplor = std::min(to_xplor, command({"convert", cell, path("map.q47"), path("map.xplor")}));
        write = std::min(write, write_baseline(path("copy"), static_cast<std::size_t>(fs::file_size(path("map.xplor")))));
        from_xplor = std::min(from_xplor, command({"convert", path("map.xplor"), path("back.q47")}));
        getline = std::min(getline, getline_baseline(path("map.xplor")));
        info = std::min(info, command({"info", path("map.q47")}));
        read = std::min(read, read_baseline(path("map.q47")));
    }
    std::printf("map 256^3, best of %d\n", repetitions);
    report("convert q47 -> CCP4", to_ccp4, "copy of the q47 file", copy, "at most 1.5");
    report("convert CCP4 -> q47", from_ccp4, "copy of the q47 file", copy, "at most 1.5");
    report("convert q47 -> X-PLOR", to_xplor, "write of as many bytes", write, "at most 3");
    report("convert X-PLOR -> q47", from_xplor, "getline of every line", getline, "at most 3");
    report("info", info, "read of the file", read, "at most 2");

    const std::string map4 = path("map4.q47");
    bench::write_map(map4, 5);
    {
        std::ofstream script(path("job.py"));
        script << kNumpy;
    }
    const std::string program = "'" + (fs::path(argv[0]).parent_path().parent_path() / "voxmill").string() + "'";
    double shift = 1e30, project = 1e30, np_shift = 1e30, np_project = 1e30;
    for (int r = 0; r < repetitions; ++r) {
        fs::remove(path("s.q47"));
        shift = std::min(shift, shell("printf '5\\n" + map4 + "\\n" + path("s.q47") + "\\n0.5 0 0 0\\nQ\\n' | " + program + " >/dev/null"));
        fs::remove(path("p.q47"));
        project = std::min(project, shell("printf 'B\\n" + map4 + "\\n" + path("p.q47") + "\\nQ\\n' | " + program + " >/dev/null"));
        np_shift = std::min(np_shift, shell("/usr/bin/python3 " + path("job.py") + " " + map4 + " " + path("n.q47") + " shift"));
        np_project = std::min(np_project, shell("/usr/bin/python3 " + path("job.py") + " " + map4 + " " + path("n.q47") + " sum"));
    }
    std::printf("map 64^4, whole processes, best of %d\n", repetitions);
    report("option 5 (shift by half a cell)", shift, "numpy load, roll, save", np_shift, "below 1");
    report("option B (projection)", project, "numpy load, sum, save", np_project, "below 1");
    fs::remove_all(dir);
    return 0;
}
