// What the console's dialogue holds for one run: the names typed, the cell typed, and the
// current map. Every option takes it by reference.
#pragma once

#include <cstdint>
#include <string>

#include "core/map.hpp"
#include "core/tab.hpp"
#include "core/voxmill_mod.hpp"

namespace voxmill {

// The dimension counters of the current map.
struct GlobalDefinitions {
    std::int32_t sdim = 3;     // dimensions of the map named last, as its header gives them
    Tab<std::int32_t, 6> probed{};  // its voxel counts, which the options' questions go by until it is read
};

// The current map and everything else that lives for the whole run.
struct GlobalVariables {
    Map map;                           // the current map: voxel counts nvox, frame, codes, densities rho
    Tab<float, 7> cell{};              // a, b, c, alpha, beta, gamma
    std::string infile1 = std::string(kNameLength, ' ');
    std::string infile2 = std::string(kNameLength, ' ');
    std::string outrhofile = std::string(kNameLength, ' ');
    std::string buffer = std::string(kBufferLength, ' ');
};

// One object holds both groups; it is handed by reference to every routine.
struct State : GlobalDefinitions, GlobalVariables {};

}  // namespace voxmill
