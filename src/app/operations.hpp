// What each working menu option calls once its dialogue is done. The menu reaches the
// operations only through this table, so a console session can be run against other
// operations in a test and the arguments of every call checked.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/console.hpp"
#include "app/state.hpp"
#include "core/tab.hpp"

namespace voxmill {

struct Operations {
    std::function<void(State&, Console&)> add1;                   // option 1
    std::function<void(State&, Console&, char key)> diffmap;      // option 2
    // options 4, 5 and 7
    std::function<void(State&, Console&, const std::string& axord, const std::string& axordorvo,
                       const Tab<std::int32_t, 6>& iorg, const Tab<std::int32_t, 6>& iwidth,
                       std::int32_t onsub)>
        q47reorder;
    std::function<void(State&, Console&)> writevend;              // option A
    std::function<void(State&, Console&)> project;                // option B
    // option C: qcdim(1, j) and qcdim(2, j) are the first and last pixel of section axis j
    std::function<void(State&, Console&, const Tab<float, 6>& center,
                       const Mat<std::int32_t, 2, 3>& qcdim, const Tab<float, 3>& pstep,
                       const Mat<float, 6, 3>& basvec, char key)>
        qc;
    std::function<void(State&, Console&)> xplor_to_q47;           // option D: infile1 to outrhofile
    std::function<void(State&, Console&)> writexplor;             // option E
    std::function<void(State&, Console&, std::int32_t classes)> histogram;  // option F
};

// The operations of this build.
Operations default_operations();

}  // namespace voxmill
