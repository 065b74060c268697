// The program's version, as the build gives it.
#pragma once

#ifndef VOXMILL_VERSION
#define VOXMILL_VERSION "unknown"
#endif

namespace voxmill {

inline constexpr const char* kVersion = VOXMILL_VERSION;

}  // namespace voxmill
