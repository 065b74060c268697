#include "fuzz_support.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace vfuzz {

namespace {

std::filesystem::path make_scratch_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "voxmill-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) fail("cannot create a scratch folder");
    const std::filesystem::path folder(pattern);
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(scratch_folder(), ec);
    });
    return folder;
}

}  // namespace

const std::filesystem::path& scratch_folder() {
    static const std::filesystem::path folder = make_scratch_folder();
    return folder;
}

std::string scratch_path(const std::string& name) { return (scratch_folder() / name).string(); }

InScratchFolder::InScratchFolder() : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(scratch_folder());
}

InScratchFolder::~InScratchFolder() { std::filesystem::current_path(before_); }

void write_file(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::ofstream f(scratch_path(name), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!f) fail("cannot write the scratch file " + name);
}

void write_file(const std::string& name, const std::vector<unsigned char>& bytes) {
    write_file(name, bytes.data(), bytes.size());
}

void fail(const std::string& what) {
    std::fprintf(stderr, "harness check failed: %s\n", what.c_str());
    std::abort();
}

}  // namespace vfuzz
