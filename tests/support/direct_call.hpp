// An operation routine called straight, without the menu: the state with the file names and
// the probed counts that the dialogue would have set, and a console that reads nothing and
// keeps what is printed.
#pragma once

#include <sstream>
#include <string>

#include "app/console.hpp"
#include "app/state.hpp"
#include "support/test_support.hpp"

namespace vtest {

struct DirectCall {
    DirectCall(const std::string& infile, const std::string& outfile) {
        st.infile1 = voxmill::padded(infile, voxmill::kNameLength);
        st.outrhofile = voxmill::padded(outfile, voxmill::kNameLength);
        probe_as_dialogue(st);
    }

    voxmill::State st;
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    voxmill::Console con{in, out, err};
};

}  // namespace vtest
