#include "support/test_support.hpp"

#include <sys/wait.h>

#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

#include "app/getargs.hpp"
#include "app/program.hpp"

namespace vtest {

void probe_as_dialogue(voxmill::State& st) {
    if (const voxmill::Probe p = voxmill::getdim(st, st.infile1); p.outcome == voxmill::Probe::Outcome::map) {
        st.sdim = p.dimension;
    }
}

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("voxmill-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

namespace {

void put(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<unsigned char>(v >> (8 * k));
}
void put_i(std::vector<unsigned char>& b, std::size_t at, std::int32_t v) { put(b, at, static_cast<std::uint32_t>(v)); }
void put_f(std::vector<unsigned char>& b, std::size_t at, float v) { put(b, at, std::bit_cast<std::uint32_t>(v)); }

}  // namespace

std::vector<unsigned char> q47_bytes(const RawHeader& h, const std::vector<float>& rho, float rmax, float rmin) {
    const std::int32_t nxny = h.nxny ? *h.nxny : h.nvox[0] * h.nvox[1];
    std::int32_t nmap = 1;
    if (h.nmap) {
        nmap = *h.nmap;
    } else {
        for (std::size_t i = 2; i < 6; ++i) nmap *= h.nvox[i];
    }
    const std::size_t L = 4 * static_cast<std::size_t>(std::max(nxny, 34));
    std::vector<unsigned char> b(L * static_cast<std::size_t>(nmap + 2), 0x20);
    std::size_t w = 0;
    for (int i = 0; i < 6; ++i) put_i(b, 4 * w++, h.nvox[static_cast<std::size_t>(i)]);
    put_i(b, 4 * w++, nxny);
    put_i(b, 4 * w++, nmap);
    for (std::size_t i = 0; i < 6; ++i) {
        put_f(b, 4 * w++, h.xfmn[i]);
        put_f(b, 4 * w++, h.xfmx[i]);
    }
    for (std::size_t i = 0; i < 6; ++i) put_f(b, 4 * w++, h.xdf[i]);
    for (std::size_t i = 0; i < 6; ++i) put_i(b, 4 * w++, h.iorien[i]);
    put_i(b, 4 * w++, h.mapa);
    put_i(b, 4 * w++, h.nsubs);
    if (L >= 140) put_i(b, 4 * w++, 0);
    for (std::int32_t k = 0; k < nmap; ++k) {
        for (std::int32_t j = 0; j < nxny; ++j) {
            const std::size_t p = static_cast<std::size_t>(k) * static_cast<std::size_t>(nxny) + static_cast<std::size_t>(j);
            put_f(b, L * static_cast<std::size_t>(k + 1) + 4 * static_cast<std::size_t>(j), p < rho.size() ? rho[p] : 0.0f);
        }
    }
    put_f(b, L * static_cast<std::size_t>(nmap + 1), rmax);
    put_f(b, L * static_cast<std::size_t>(nmap + 1) + 4, rmin);
    return b;
}

void write_q47(const std::string& path, std::vector<std::int32_t> nvox, const std::vector<float>& rho) {
    nvox.resize(6, 1);
    RawHeader h;
    h.nvox = nvox;
    write_bytes(path, q47_bytes(h, rho));
}

ProcessRun shell(const ScratchDir& dir, const std::string& command) {
    const std::string line = "cd '" + dir.path("") + "' && " + command + " > stdout 2> stderr";
    const int raw = std::system(line.c_str());
    ProcessRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(dir.path("stdout"));
    r.err = slurp(dir.path("stderr"));
    return r;
}

ProcessRun voxmill(const ScratchDir& dir, const std::string& args) { return shell(dir, "'" VOXMILL_BINARY "' " + args); }

std::string slurp(const std::string& path) {
    const auto b = read_bytes(path);
    return std::string(b.begin(), b.end());
}

void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write test file " + path);
}

std::vector<unsigned char> read_bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read test file " + path);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::int32_t word_i32(const std::vector<unsigned char>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= static_cast<std::uint32_t>(b.at(at + static_cast<std::size_t>(k))) << (8 * k);
    return static_cast<std::int32_t>(v);
}

float word_f32(const std::vector<unsigned char>& b, std::size_t at) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(word_i32(b, at)));
}

std::vector<float> ramp(std::size_t count, float scale) {
    std::vector<float> v(count);
    for (std::size_t i = 0; i < count; ++i) v[i] = static_cast<float>(i) * scale;
    return v;
}

SessionResult run_session(const std::string& input) {
    return run_session(input, voxmill::default_operations());
}

SessionResult run_session(const std::string& input, const voxmill::Operations& ops) {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    SessionResult r;
    r.status = voxmill::run_program(in, out, err, ops);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string menu_text() {
    return crlf(
        "\t1/ add1\n\t2/ diffmap\n\t3/ renorm\n\t4/ reorder\n\t5/ shift\n\t6/ apply symop\n"
        "\t7/ make a section (old)\n\t8/ read q47, write ascii for Tessmo\n"
        "\t9/ read ascii from Tessmo, write q47\n\tA/ read q47, write ascii for MEED/VEND\n"
        "\tB/ make a projection on real space\n\tC/ make a section of a QC\n"
        "\tD/ read xplor, write q47\n\tE/ read q47, write xplor\n\tF/ calculate histogram\n"
        "\tI/ info\n\tQ/ quit\nYour choice: \n");
}

}  // namespace vtest
