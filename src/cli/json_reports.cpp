#include "cli/json_reports.hpp"

#include "ops/cell_geometry.hpp"

namespace voxmill {

using nlohmann::json;

json map_json(const Map& m, const DensityStats& s, bool q47_words) {
    json voxels = json::array(), codes = json::array(), frame = json::array();
    for (int i = 1; i <= m.dimension; ++i) {
        voxels.push_back(m.nvox(i));
        codes.push_back(m.iorien(i));
        frame.push_back({{"start", m.xfmn(i)}, {"end", m.xfmx(i)}, {"step", m.xdf(i)}});
    }
    return {{"dimension", m.dimension},
            {"voxels", voxels},
            {"axis_codes", codes},
            {"frame", frame},
            {"map_code", q47_words ? json(m.q47.mapa) : json(nullptr)},
            {"subsystem", q47_words ? json(m.q47.nsubs) : json(nullptr)},
            {"cell", or_null(m.cell)},
            {"cell_valid", m.cell ? json(sound_cell(*m.cell)) : json(nullptr)},
            {"origin", or_null(m.origin)},
            {"min", or_null(s.min)},
            {"max", or_null(s.max)},
            {"mean", or_null(s.mean)},
            {"rms", or_null(s.rms)},
            {"nan", s.nan},
            {"inf", s.inf}};
}

json peaks_json(const std::string& name, const Map& map, const std::vector<Peak>& peaks, const std::optional<double>& threshold) {
    json list = json::array();
    for (const Peak& p : peaks) {
        json position = json::array();
        for (int i = 0; i < map.dimension; ++i) position.push_back(p.position[static_cast<std::size_t>(i)]);
        list.push_back({{"position", position},
                        {"height", p.height},
                        {"charge", p.charge},
                        {"voxels", p.voxels},
                        {"refined", p.refined}});
    }
    const bool sound = map.cell && sound_cell(*map.cell);
    return {{"file", name},
            {"dimension", map.dimension},
            {"cell", sound ? json(*map.cell) : json(nullptr)},
            {"threshold", threshold ? json(*threshold) : json(nullptr)},
            {"peaks", list}};
}

json atoms_json(const std::string& name, const Map& map, const std::vector<Atom>& atoms) {
    const int d = map.dimension - 3;
    const auto first = [d](const auto& v) { return std::vector<double>(v.begin(), v.begin() + d); };
    json list = json::array();
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        const Atom& a = atoms[i];
        json displacive = json::array(), occupational = json::array(), trace = json::array();
        for (std::size_t w = 0; w < a.displacive.size(); ++w) {
            const std::vector<int> n(a.displacive[w].n.begin(), a.displacive[w].n.begin() + d);
            displacive.push_back({{"n", n}, {"sin", a.displacive[w].sin}, {"cos", a.displacive[w].cos}});
            occupational.push_back({{"n", n}, {"sin", a.occupational[w].sin}, {"cos", a.occupational[w].cos}});
        }
        for (const AtomSample& s : a.trace) {
            trace.push_back({{"at", first(s.at)}, {"position", s.position}, {"height", s.height}, {"charge", s.charge}});
        }
        list.push_back({{"id", i + 1},
                        {"position", a.position},
                        {"charge", a.charge},
                        {"height", a.height},
                        {"displacive", displacive},
                        {"occupational", occupational},
                        {"crenel", a.crenel ? json{{"center", a.crenel->center}, {"width", a.crenel->width}} : json(nullptr)},
                        {"rms_residual", a.rms_residual},
                        {"trace", trace}});
    }
    return {{"file", name}, {"dimension", map.dimension}, {"cell", or_null(map.cell)}, {"atoms", list}};
}

std::string json_line(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace voxmill
