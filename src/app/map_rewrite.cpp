#include "app/map_rewrite.hpp"

#include <cstddef>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/q47_files.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"
#include "formats/q47_input.hpp"

namespace voxmill {

bool load_input_map(State& st, Console& con) {
    if (!read_input_map(st, con, kDensityReadStop)) return false;
    const Tab<std::int32_t, 6> loaded = st.map.nvox;

    const std::string name = name_of(st.infile1);
    Q47Header h;
    try {
        Q47Input again(name);
        h = again.header();
        if (!again.close()) throw FileError("cannot close the map " + name);
    } catch (const MapError&) {
        throw FileError("cannot read the header of the map " + name + " again");
    }
    // rho is walked by these counts, so they must be the ones it was read with.
    if (h.nvox != loaded || !h.counts_usable()) {
        throw FileError("the header of the map " + name + " changed while the map was read");
    }
    return true;
}

NewQ47Map::NewQ47Map(std::string name, const Q47Header& header) : name_(std::move(name)), header_(header) {
    if (!out_.open(name_, RecordFile::Mode::create_new, header_)) {
        std::error_code ec;
        if (std::filesystem::exists(name_, ec)) {
            throw FileError("the output map " + name_ + " exists already and is left as it was");
        }
        throw FileError("cannot create the output map " + name_);
    }
    if (!out_.write_header()) throw FileError("cannot write the header of the map " + name_);
}

void NewQ47Map::write_layers(const float* values, std::int64_t count) {
    extremes_.take(values, static_cast<std::size_t>(header_.nxny) * static_cast<std::size_t>(count));
    if (!out_.write_layers(layer_ + 1, count, values)) {
        throw FileError("cannot write layer " + std::to_string(layer_ + 1) + " of the map " + name_);
    }
    layer_ += count;
}

void NewQ47Map::finish() {
    if (!out_.write_trailer(extremes_.rmax, extremes_.rmin)) throw FileError("cannot write the trailer of the map " + name_);
    if (!out_.close()) throw FileError("cannot close the map " + name_);
}

}  // namespace voxmill
