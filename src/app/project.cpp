#include "app/project.hpp"

#include "app/map_rewrite.hpp"
#include "ops/project.hpp"

namespace voxmill {

void project(State& st, Console& con) {
    if (!load_input_map(st, con)) return;
    const Map r = project(st.map);
    const Q47Header h = header_of(r);
    NewQ47Map out(name_of(st.outrhofile), h);
    out.write_layers(r.rho.data(), h.nmap);
    out.finish();
}

}  // namespace voxmill
