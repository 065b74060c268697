#include "formats/density_sink.hpp"

#include <cstdint>
#include <filesystem>
#include <system_error>

namespace voxmill {

std::size_t first_room(const std::string& path) {
    constexpr std::size_t kFirstRoomOfUnknown = std::size_t{1} << 20;
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
    return ec ? kFirstRoomOfUnknown : static_cast<std::size_t>(std::min<std::uintmax_t>(bytes / 2 + 1, SIZE_MAX));
}

}  // namespace voxmill
