#include "app/operations.hpp"

#include "ops/add1.hpp"
#include "ops/diffmap.hpp"
#include "ops/histogram.hpp"
#include "ops/project.hpp"
#include "ops/q47reorder.hpp"
#include "ops/qc.hpp"

namespace voxmill {

namespace {

// An operation that this build does not have yet says so and changes nothing.
void not_available(Console& con, const char* what) {
    con.free({"Not available yet: ", what, " is not built in this version. Nothing was written."});
}

}  // namespace

Operations default_operations() {
    Operations ops;
    ops.add1 = add1;
    ops.diffmap = diffmap;
    ops.q47reorder = q47reorder;
    ops.writevend = [](State&, Console& con) { not_available(con, "writevend (MEED/VEND list)"); };
    ops.project = project;
    ops.qc = [](State& st, Console& con, const Tab<float, 6>& center, const Mat<std::int32_t, 2, 3>& qcdim,
                const Tab<float, 3>& pstep, const Mat<float, 6, 3>& basvec, char key) {
        qc(st, con, center, qcdim, pstep, basvec, key);
    };
    ops.xplor_to_q47 = [](State&, Console& con) { not_available(con, "readxplor (X-PLOR to q47)"); };
    ops.writexplor = [](State&, Console& con) { not_available(con, "writexplor (q47 to X-PLOR)"); };
    ops.histogram = histogram;
    return ops;
}

}  // namespace voxmill
