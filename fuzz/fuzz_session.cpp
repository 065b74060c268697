// Arbitrary console input to a whole run of the program, in a working folder that holds the
// small maps of scratch_maps.hpp, laid out afresh for every input. Every '/' of the input
// becomes '_', so that each name a session types is a file of that folder.
//
// Three options do work that grows with a number the user types, not with the map: the
// histogram with its number of classes, the reorder, shift and box with the box's voxel
// count, and the QC section with its pixel count (times the 5^sdim spline stencil of each
// pixel). A user may ask any of them for days of work or gigabytes, and gets it; here such a
// request is not run (the option returns as if done), so that every input runs in
// milliseconds. Requests below the bounds, which is all the scratch maps need, run in full.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "app/program.hpp"
#include "fuzz_support.hpp"
#include "ops/qc_geometry.hpp"
#include "scratch_maps.hpp"

namespace {

constexpr std::int32_t kMaxClasses = 10000;
constexpr std::int64_t kMaxBoxVoxels = std::int64_t{1} << 18;
constexpr std::int64_t kMaxStencilTerms = std::int64_t{1} << 24;

std::int64_t box_voxels(const voxmill::State& st, const voxmill::Tab<std::int32_t, 6>& iwidth) {
    std::int64_t voxels = 1;
    for (int k = 1; k <= st.sdim; ++k) {
        voxels *= std::max<std::int64_t>(1, std::int64_t{iwidth(k)} + 1);
        if (voxels > kMaxBoxVoxels) return voxels;
    }
    return voxels;
}

// Pixels of the section times the terms of each pixel's stencil; a scope that the section
// refuses by itself counts as none.
std::int64_t section_terms(const voxmill::State& st, const voxmill::Mat<std::int32_t, 2, 3>& qcdim) {
    try {
        voxmill::check_scope(qcdim);
    } catch (const voxmill::MapError&) {
        return 0;
    }
    std::int64_t terms = 1;
    for (int k = 1; k <= st.sdim; ++k) terms *= 5;
    for (int j = 1; j <= 3; ++j) terms *= std::int64_t{qcdim(2, j)} - qcdim(1, j) + 1;
    return terms;
}

voxmill::Operations bounded_operations() {
    voxmill::Operations ops = voxmill::default_operations();
    ops.histogram = [run = ops.histogram](voxmill::State& st, voxmill::Console& con, std::int32_t classes) {
        if (classes <= kMaxClasses) run(st, con, classes);
    };
    ops.q47reorder = [run = ops.q47reorder](voxmill::State& st, voxmill::Console& con, const std::string& axord,
                                            const std::string& axordorvo, const voxmill::Tab<std::int32_t, 6>& iorg,
                                            const voxmill::Tab<std::int32_t, 6>& iwidth, std::int32_t nsub) {
        if (box_voxels(st, iwidth) <= kMaxBoxVoxels) run(st, con, axord, axordorvo, iorg, iwidth, nsub);
    };
    ops.qc = [run = ops.qc](voxmill::State& st, voxmill::Console& con, const voxmill::Tab<float, 6>& center,
                            const voxmill::Mat<std::int32_t, 2, 3>& qcdim, const voxmill::Tab<float, 3>& pstep,
                            const voxmill::Mat<float, 6, 3>& basvec, char key) {
        if (section_terms(st, qcdim) <= kMaxStencilTerms) run(st, con, center, qcdim, pstep, basvec, key);
    };
    return ops;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const voxmill::Operations ops = bounded_operations();
    vfuzz::lay_out_scratch_maps();
    const vfuzz::InScratchFolder here;
    std::string input(reinterpret_cast<const char*>(data), size);
    std::replace(input.begin(), input.end(), '/', '_');
    std::istringstream in(input);
    vfuzz::NullBuffer sink;
    std::ostream out(&sink);
    const int status = voxmill::run_program(in, out, out, ops);
    if (status != voxmill::kExitOk && status != voxmill::kExitConsole && status != voxmill::kExitFile &&
        status != voxmill::kExitMemory) {
        vfuzz::fail("an exit status the program does not have: " + std::to_string(status));
    }
    return 0;
}
