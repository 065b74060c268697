// Helpers of the tests: a scratch folder per test, q47 files built byte by byte (independent
// of the program's own writers), and whole console sessions run in-process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/operations.hpp"

namespace vtest {

// A fresh empty folder, removed with everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

// The header words of a q47 file as a test wants to write them; by default they describe
// `nvox` consistently, with axis codes 1..6.
struct RawHeader {
    std::vector<std::int32_t> nvox;  // six counts
    std::optional<std::int32_t> nxny{};  // unset: nvox(1)*nvox(2)
    std::optional<std::int32_t> nmap{};  // unset: product of nvox(3..6)
    std::vector<std::int32_t> iorien{1, 2, 3, 4, 5, 6};
    std::int32_t mapa = 4;
    std::int32_t nsubs = 1;
    std::vector<float> xfmn = std::vector<float>(6, 0.0f);
    std::vector<float> xfmx = std::vector<float>(6, 0.0f);
    std::vector<float> xdf = std::vector<float>(6, 1.0f);
};

// The bytes of a q47 file: header, one record per layer of `rho`, trailer (rmax, rmin).
std::vector<unsigned char> q47_bytes(const RawHeader& h, const std::vector<float>& rho,
                                     float rmax = 0.0f, float rmin = 0.0f);
// A consistent q47 file of a map with these counts (filled up to six with 1) and densities.
void write_q47(const std::string& path, std::vector<std::int32_t> nvox, const std::vector<float>& rho);
void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> read_bytes(const std::string& path);
std::int32_t word_i32(const std::vector<unsigned char>& bytes, std::size_t byte_offset);
float word_f32(const std::vector<unsigned char>& bytes, std::size_t byte_offset);

// What the file dialogue leaves for the map named by st.infile1: its probed voxel counts in
// nvox, and its dimension in sdim.
void probe_as_dialogue(voxmill::State& st);

// A shell command run in `dir`, with its exit status and its output and error output (kept
// in the files stdout and stderr there).
struct ProcessRun {
    int status = -1;
    std::string out, err;
};
ProcessRun shell(const ScratchDir& dir, const std::string& command);
// The program itself, with these arguments.
ProcessRun voxmill(const ScratchDir& dir, const std::string& args);

// A file's bytes as text.
std::string slurp(const std::string& path);

// Densities 0, 1, 2, ... scaled, for maps whose voxels must all differ.
std::vector<float> ramp(std::size_t count, float scale = 1.0f);

struct SessionResult {
    std::string out;
    std::string err;
    int status = -1;
};

// Runs the program on `input` as the console; with `ops`, the menu calls those operations.
SessionResult run_session(const std::string& input);
SessionResult run_session(const std::string& input, const voxmill::Operations& ops);

// The menu as printed each cycle, and the lines a session prints around it.
std::string menu_text();
std::string crlf(const std::string& text_with_lf);  // every "\n" becomes "\r\n"

}  // namespace vtest
