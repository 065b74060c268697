// The sample maps: written the same every time, never over existing files, and with the
// physics they claim (electron counts, the origin node of the icosahedral lattice).
#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

#include "samples.hpp"
#include "support/loaded_map.hpp"
#include "support/test_support.hpp"

namespace {

std::vector<std::string> write_into(const vtest::ScratchDir& dir) {
    std::istringstream in;
    std::ostringstream out, err;
    voxmill::Console con(in, out, err);
    return voxmill::samples::write_samples(dir.path(""), con);
}

// Electrons in one cell: the densities (e/A^3) times the voxel volume.
double electrons(const std::vector<float>& rho, double cell_volume) {
    return std::accumulate(rho.begin(), rho.end(), 0.0) * cell_volume / static_cast<double>(rho.size());
}

}  // namespace

TEST(Samples, AreWrittenAlikeEachTimeAndExistingFilesStayUntouched) {
    vtest::ScratchDir first, second;
    EXPECT_EQ(write_into(first), voxmill::samples::sample_names());
    vtest::write_bytes(second.path("atoms3d.q47"), {1, 2, 3});
    const auto written = write_into(second);
    EXPECT_EQ(written.size(), voxmill::samples::sample_names().size() - 1);
    EXPECT_EQ(vtest::read_bytes(second.path("atoms3d.q47")), (std::vector<unsigned char>{1, 2, 3}));
    for (const std::string& name : written) {
        EXPECT_EQ(vtest::read_bytes(first.path(name)), vtest::read_bytes(second.path(name))) << name;
    }
    EXPECT_TRUE(write_into(first).empty());
}

TEST(Samples, HoldTheirAtomsAndDimensions) {
    vtest::ScratchDir dir;
    write_into(dir);
    const vtest::LoadedMap atoms = vtest::load_q47(dir.path("atoms3d.q47"));
    const vtest::LoadedMap model = vtest::load_q47(dir.path("model3d.q47"));
    EXPECT_EQ(atoms.sdim, 3);
    EXPECT_NEAR(electrons(atoms.rho, 12.0 * 12 * 12), 8 + 6 + 7 + 16, 0.05);
    EXPECT_NEAR(electrons(model.rho, 12.0 * 12 * 12), 8 + 6 + 7, 0.05);

    // Ca and O in every layer of the modulation axis, wherever the sine has moved them.
    const vtest::LoadedMap modulated = vtest::load_q47(dir.path("modulated4d.q47"));
    ASSERT_EQ(modulated.sdim, 4);
    const std::size_t layer = 20 * 20 * 20;
    for (std::size_t t = 0; t < 10; ++t) {
        const std::vector<float> cut(modulated.rho.begin() + static_cast<std::ptrdiff_t>(t * layer),
                                     modulated.rho.begin() + static_cast<std::ptrdiff_t>((t + 1) * layer));
        EXPECT_NEAR(electrons(cut, 6.0 * 6 * 8), 28.0, 0.1) << "layer " << t;
    }

    EXPECT_EQ(vtest::load_q47(dir.path("decagonal5d.q47")).sdim, 5);
    // The node at the origin is inside its own occupation domain and no other atom reaches it.
    const vtest::LoadedMap ico = vtest::load_q47(dir.path("icosahedral6d.q47"));
    ASSERT_EQ(ico.sdim, 6);
    EXPECT_NEAR(ico.rho[0], 1.0f, 1e-6);
    EXPECT_LE(vtest::read_bytes(dir.path("icosahedral6d.q47")).size(), 5u << 20);
}
