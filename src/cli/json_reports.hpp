// The JSON objects of the commands' --json (`info`, `peaks`, `atoms`); the Python module hands
// the same objects to its callers as dicts.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "core/density_stats.hpp"
#include "core/map.hpp"
#include "ops/atoms.hpp"
#include "ops/peaks.hpp"

namespace voxmill {

// A value, or null.
template <class T>
nlohmann::json or_null(const std::optional<T>& v) {
    return v ? nlohmann::json(*v) : nlohmann::json(nullptr);
}

// What `info` says of a map itself, without its file: {"dimension", "voxels", "axis_codes",
// "frame": [{"start", "end", "step"}, ...], "map_code", "subsystem" (null unless `q47_words`),
// "cell", "cell_valid", "origin", "min", "max", "mean", "rms", "nan", "inf"}.
nlohmann::json map_json(const Map& map, const DensityStats& s, bool q47_words);

// {"file", "dimension", "cell" (the map's sound cell or null), "threshold", "peaks": [{"position",
// "height", "charge", "voxels", "refined"}, ...]}
nlohmann::json peaks_json(const std::string& name, const Map& map, const std::vector<Peak>& peaks,
                          const std::optional<double>& threshold);

// {"file", "dimension", "cell", "atoms": [{"id", "position", "charge", "height", "displacive",
// "occupational", "crenel", "rms_residual", "trace"}, ...]}
nlohmann::json atoms_json(const std::string& name, const Map& map, const std::vector<Atom>& atoms);

// The text of one of them on one line, as the commands print it (bytes that are no UTF-8 in a
// file's name replaced).
std::string json_line(const nlohmann::json& j);

}  // namespace voxmill
