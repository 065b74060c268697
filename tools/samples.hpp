// The example maps of the README's walkthrough, written into one folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/console.hpp"
#include "app/stops.hpp"

namespace voxmill::samples {

// The sample files in the order they are written; the X-PLOR text holds the atoms3d map.
const std::vector<std::string>& sample_names();

// The unit cell typed for atoms3d.q47 (a, b, c, alpha, beta, gamma) and written into its
// X-PLOR text.
constexpr float kAtomsCell[6] = {12.0f, 12.0f, 12.0f, 90.0f, 90.0f, 90.0f};

// Creates `folder` when needed and writes every sample file that is missing there; files
// that exist are left as they are. Returns the names written. A path longer than the q47
// writer takes, or a file that cannot be written, throws (FileError, or the writer's Stop
// after its message block on `con`).
std::vector<std::string> write_samples(const std::filesystem::path& folder, Console& con);

}  // namespace voxmill::samples
