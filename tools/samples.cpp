#include "samples.hpp"

#include <functional>

#include "app/q47_files.hpp"
#include "app/q47_writer.hpp"
#include "app/state.hpp"
#include "app/text_maps.hpp"
#include "core/errors.hpp"
#include "crystal_samples.hpp"
#include "quasicrystal_samples.hpp"

namespace voxmill::samples {

namespace {

struct MapSample {
    const char* name;
    void (*make)(State&);
};

constexpr MapSample kMaps[] = {
    {"atoms3d.q47", atoms_map},         {"model3d.q47", model_map},
    {"modulated4d.q47", modulated_map}, {"decagonal5d.q47", decagonal_map},
    {"icosahedral6d.q47", icosahedral_map},
};
constexpr const char* kXplor = "atoms3d.xplor";

std::string file_in(const std::filesystem::path& folder, const std::string& name) {
    const std::string path = (folder / name).string();
    // writeorvo takes the first 132 characters of a name; a longer one would land elsewhere.
    if (static_cast<int>(path.size()) > kShortName) {
        throw FileError("the sample path " + path + " is longer than " + std::to_string(kShortName) + " characters");
    }
    return path;
}

}  // namespace

const std::vector<std::string>& sample_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const MapSample& m : kMaps) v.emplace_back(m.name);
        v.emplace_back(kXplor);
        return v;
    }();
    return names;
}

std::vector<std::string> write_samples(const std::filesystem::path& folder, Console& con) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw FileError("cannot create the folder " + folder.string() + ": " + ec.message());

    std::vector<std::string> written;
    for (const MapSample& m : kMaps) {
        const std::string path = file_in(folder, m.name);
        if (std::filesystem::exists(path)) continue;
        State st;
        m.make(st);
        writeorvo(st, con, path);
        written.emplace_back(m.name);
    }
    const std::string xplor = file_in(folder, kXplor);
    if (!std::filesystem::exists(xplor)) {
        // The text is made from the atoms map as computed, whatever atoms3d.q47 now holds,
        // through a q47 file of its own that goes again once the text is written.
        const std::string scratch = file_in(folder, std::string(kXplor) + ".q47");
        State st;
        atoms_map(st);
        writeorvo(st, con, scratch);
        st.infile1 = padded(scratch, kNameLength);
        st.probed = st.map.nvox;  // as the file dialogue would have found them
        st.outrhofile = padded(xplor, kNameLength);
        for (int i = 1; i <= 6; ++i) st.cell(i) = kAtomsCell[i - 1];
        writexplor(st, con);
        std::filesystem::remove(scratch);
        written.emplace_back(kXplor);
    }
    return written;
}

}  // namespace voxmill::samples
