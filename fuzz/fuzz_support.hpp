// What the harnesses share: a scratch folder that holds the files a reader is handed, the
// input bytes written there as a file, and a console whose output goes nowhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "app/console.hpp"

namespace vfuzz {

// A fresh folder under the system's temporary folder, removed when the process ends.
const std::filesystem::path& scratch_folder();
// The path of the file `name` in the scratch folder.
std::string scratch_path(const std::string& name);

// Writes `bytes` as the file `name` of the scratch folder, replacing it.
void write_file(const std::string& name, const std::uint8_t* data, std::size_t size);
void write_file(const std::string& name, const std::vector<unsigned char>& bytes);

// Makes the scratch folder the working folder while it lives, so that names typed in a
// session are files of that folder; the fuzzer's own relative paths (corpus, artifacts)
// mean the folder it was started in again once it goes.
class InScratchFolder {
public:
    InScratchFolder();
    ~InScratchFolder();
    InScratchFolder(const InScratchFolder&) = delete;
    InScratchFolder& operator=(const InScratchFolder&) = delete;

private:
    std::filesystem::path before_;
};

// An output stream that drops everything, so that a run costs no formatting buffers.
class NullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// A console with no answers whose output is dropped.
struct QuietConsole {
    std::istringstream in;
    NullBuffer sink;
    std::ostream out{&sink};
    voxmill::Console con{in, out, out};
};

// Aborts with `what` on the error output: a harness's own check of a result has failed.
[[noreturn]] void fail(const std::string& what);

}  // namespace vfuzz
