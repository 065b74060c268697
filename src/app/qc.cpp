#include "app/qc.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "app/output_guard.hpp"
#include "app/q47_files.hpp"
#include "app/stops.hpp"
#include "core/density_array.hpp"
#include "core/errors.hpp"
#include "core/fields.hpp"
#include "formats/q47_extremes.hpp"
#include "formats/q47_output.hpp"
#include "ops/qc_geometry.hpp"
#include "ops/qc_parallel.hpp"
#include "ops/qc_stencil.hpp"

namespace voxmill {

namespace {

// Pixels computed between two rounds of progress lines: the lines come out in bursts of at
// least this much work, so the threads are started rarely.
constexpr std::int64_t kMinChunk = 2048;

// Whether the check refused the section, with its one line printed; the menu then goes on as
// after any other operation.
template <class Check>
bool refused(Console& con, Check check) {
    try {
        check();
        return false;
    } catch (const MapError& e) {
        con.free({std::string(e.what()) + ". Nothing was written."});
        return true;
    }
}

// The progress line of pixel L: its percentage of the section, right-aligned in 3 places.
std::string progress_line(std::int64_t L, std::int32_t nvoxtotr) {
    return fmt_i(nint(100.0 * static_cast<double>(L) / nvoxtotr), 3) + "%";
}

// The pixels in order, with one progress line at every P-th pixel printed before it is
// computed, as if the section were worked through pixel by pixel.
void compute_section(const MapGrid& m, const SectionGeometry& g, Console& con, float* rhor, unsigned threads) {
    // Sections of fewer than 100 pixels get a line at every pixel rather than a divisor of 0.
    const auto P = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::trunc(g.nvoxtotr / 100.0)));
    const std::int64_t chunk = P * ((kMinChunk + P - 1) / P);
    for (std::int64_t first = 0; first < g.nvoxtotr; first += chunk) {
        const std::int64_t last = std::min<std::int64_t>(first + chunk, g.nvoxtotr);
        for (std::int64_t L = first; L < last; L += P) con.line(progress_line(L, g.nvoxtotr));
        section_pixels(m, g, first, last, rhor, threads);
    }
}

void write_section(const std::string& name, const SectionGeometry& g, const float* rhor) {
    // Strict comparisons: a NaN moves neither extreme.
    TrailerExtremes ext(ExtremesRule::beyond, 100000.0f);
    ext.take(rhor, static_cast<std::size_t>(g.nvoxtotr));
    const Q47Header h = header_of(section_frame(g));
    Q47Output out;
    if (!out.open(name, RecordFile::Mode::replace, h) || !out.write_header() ||
        !out.write_layers(1, h.nmap, rhor) || !out.write_trailer(ext.rmax, ext.rmin) || !out.close()) {
        throw FileError("cannot write the section to " + name);
    }
}

}  // namespace

void qc(State& st, Console& con, const Tab<float, 6>& center, const Mat<std::int32_t, 2, 3>& qcdim,
        const Tab<float, 3>& pstep, const Mat<float, 6, 3>& basvec, char key, unsigned threads) {
    if (refused(con, [&] { check_scope(qcdim); })) return;
    const std::string output = name_of(st.outrhofile);
    if (output_is_an_input(con, {name_of(st.infile1)}, output)) return;

    if (!read_input_map(st, con, kDensityReadStop)) return;
    if (refused(con, [&] { check_dimension(key, st.sdim); })) return;

    const SectionGeometry g = make_section(key, st.sdim, qcdim, pstep, center, basvec);
    if (refused(con, [&] { check_reach(g); })) return;

    DensityArray rhor;
    rhor.allocate(static_cast<std::size_t>(g.nvoxtotr));
    compute_section(map_grid(st.map, st.sdim), g, con, rhor.data(), threads);
    write_section(output, g, rhor.data());
}

}  // namespace voxmill
