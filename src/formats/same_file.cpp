#include "formats/same_file.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "core/voxmill_mod.hpp"
#include "formats/staged_file.hpp"

namespace voxmill {

bool same_file(const std::string& input, const std::string& output) {
    if (!names_a_file(input) || !names_a_file(output)) return false;
    struct stat in {};
    if (::stat(input.c_str(), &in) != 0) return false;
    struct stat out {};
    if (::stat(output.c_str(), &out) == 0) return in.st_dev == out.st_dev && in.st_ino == out.st_ino;
    std::error_code ec;
    const auto input_path = std::filesystem::canonical(input, ec);
    if (ec) return false;
    const auto output_path = std::filesystem::weakly_canonical(where_links_lead(output), ec);
    return !ec && input_path == output_path;
}

}  // namespace voxmill
