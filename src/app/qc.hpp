// Menu option C: a three-dimensional section through a (superspace) map, interpolated by
// five-node cubic splines, written as a new q47 map of w(1) x w(2) x w(3) pixels.
#pragma once

#include <cstdint>

#include "app/console.hpp"
#include "app/state.hpp"
#include "core/tab.hpp"

namespace voxmill {

// Cuts the section of type key ('1' general, '2' decagonal, 'A' and 'B' icosahedral) over
// the pixels qcdim(1, j) .. qcdim(2, j) of section axes j = 1..3 out of infile1 into
// outrhofile, on `threads` threads (0: one per core; the file is the same for any number).
// A section that cannot be cut is refused with one line, and nothing is written.
void qc(State& st, Console& con, const Tab<float, 6>& center, const Mat<std::int32_t, 2, 3>& qcdim,
        const Tab<float, 3>& pstep, const Mat<float, 6, 3>& basvec, char key, unsigned threads = 0);

}  // namespace voxmill
