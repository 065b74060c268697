#include "app/operations.hpp"

#include "app/add1.hpp"
#include "app/classes.hpp"
#include "app/diffmap.hpp"
#include "app/output_guard.hpp"
#include "app/project.hpp"
#include "app/q47_files.hpp"
#include "app/q47_writer.hpp"
#include "app/q47reorder.hpp"
#include "app/qc.hpp"
#include "app/text_maps.hpp"
#include "app/xplor_input.hpp"

namespace voxmill {

Operations default_operations() {
    Operations ops;
    ops.add1 = add1;
    ops.diffmap = diffmap;
    ops.q47reorder = q47reorder;
    ops.writevend = writevend;
    ops.project = project;
    ops.qc = [](State& st, Console& con, const Tab<float, 6>& center, const Mat<std::int32_t, 2, 3>& qcdim,
                const Tab<float, 3>& pstep, const Mat<float, 6, 3>& basvec, char key) {
        qc(st, con, center, qcdim, pstep, basvec, key);
    };
    // The reader and the writer each take the first 132 characters of their name.
    ops.xplor_to_q47 = [](State& st, Console& con) {
        if (output_is_an_input(con, {name_of(st.infile1, kShortName)}, name_of(st.outrhofile, kShortName))) return;
        readxplor(st, con, st.infile1);
        writeorvo(st, con, st.outrhofile);
    };
    ops.writexplor = writexplor;
    ops.histogram = histogram;
    return ops;
}

}  // namespace voxmill
