#include "cli/marks.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <utility>

#include "cli/report.hpp"

namespace voxmill {

namespace {

using nlohmann::json;

constexpr double kMostMarks = 100'000;             // images of the model's points in the window
constexpr double kMostCurvePoints = 4'000'000;     // of all the curves' images together
constexpr int kFastestWave = 1000;                 // the largest |n| of a displacive term's wave

// What is wrong with the model's file, in the words of the message.
struct ModelFault {
    std::string what;
};

const json& member(const json& object, const char* key, const std::string& where) {
    if (!object.is_object()) throw ModelFault{where + " is not a JSON object"};
    const auto it = object.find(key);
    if (it == object.end()) throw ModelFault{where + " has no \"" + key + "\""};
    return *it;
}

// A list of `count` finite numbers (whole numbers when `whole`) under `key`.
template <std::size_t N>
std::array<double, N> numbers(const json& object, const char* key, std::size_t count, const std::string& where, bool whole = false) {
    const json& list = member(object, key, where);
    const auto fault = [&] {
        return ModelFault{where + ": \"" + key + "\" is not a list of " + std::to_string(count) + (whole ? " whole" : "") +
                          (count == 1 ? " number" : " numbers")};
    };
    if (!list.is_array() || list.size() != count) throw fault();
    std::array<double, N> x{};
    for (std::size_t i = 0; i < count; ++i) {
        if (!(whole ? list[i].is_number_integer() : list[i].is_number()) || !std::isfinite(list[i].get<double>())) throw fault();
        x[i] = list[i].get<double>();
    }
    return x;
}

double number(const json& object, const char* key, const std::string& where) {
    const json& value = member(object, key, where);
    if (!value.is_number() || !std::isfinite(value.get<double>())) throw ModelFault{where + ": \"" + key + "\" is not a number"};
    return value.get<double>();
}

const json& list(const json& object, const char* key, const std::string& where) {
    const json& value = member(object, key, where);
    if (!value.is_array()) throw ModelFault{where + ": \"" + key + "\" is not a list"};
    return value;
}

std::string item(const char* what, std::size_t i) { return std::string(what) + ' ' + std::to_string(i + 1); }

std::vector<std::array<double, 6>> read_peaks(const json& root, int dimension) {
    std::vector<std::array<double, 6>> peaks;
    const json& all = list(root, "peaks", "the file");
    for (std::size_t i = 0; i < all.size(); ++i) {
        peaks.push_back(numbers<6>(all[i], "position", static_cast<std::size_t>(dimension), item("peak", i)));
    }
    return peaks;
}

// The label of an atom: its id as written, a string without its quotes.
std::string id_text(const json& id) { return id.is_string() ? id.get<std::string>() : id.dump(); }

Atom read_atom(const json& a, std::size_t d, const std::string& where) {
    Atom atom;
    atom.position = numbers<3>(a, "position", 3, where);
    const json& waves = list(a, "displacive", where);
    for (std::size_t w = 0; w < waves.size(); ++w) {
        const std::string term = where + ", " + item("displacive term", w);
        DisplaciveTerm t;
        const std::array<double, 3> n = numbers<3>(waves[w], "n", d, term, true);
        for (std::size_t k = 0; k < 3; ++k) {
            if (std::abs(n[k]) > kFastestWave) throw ModelFault{term + ": \"n\" holds a number beyond " + std::to_string(kFastestWave)};
            t.n[k] = static_cast<int>(n[k]);
        }
        t.sin = numbers<3>(waves[w], "sin", 3, term);
        t.cos = numbers<3>(waves[w], "cos", 3, term);
        atom.displacive.push_back(t);
    }
    const auto crenel = a.find("crenel");
    if (crenel != a.end() && !crenel->is_null()) {
        const std::string what = where + ", its crenel";
        atom.crenel = CrenelInterval{number(*crenel, "center", what), number(*crenel, "width", what)};
        if (!(atom.crenel->width > 0)) throw ModelFault{what + ": \"width\" is not above 0"};
    }
    const json& trace = list(a, "trace", where);
    for (std::size_t s = 0; s < trace.size(); ++s) {
        const std::string sample = where + ", " + item("trace sample", s);
        atom.trace.push_back({numbers<3>(trace[s], "at", d, sample), numbers<3>(trace[s], "position", 3, sample), 0, 0});
    }
    return atom;
}

MapModel read_model(const json& root) {
    MapModel m;
    const json& dimension = member(root, "dimension", "the file");
    if (!dimension.is_number_integer() || dimension.get<double>() < 1 || dimension.get<double>() > 6) {
        throw ModelFault{"\"dimension\" is not a whole number from 1 to 6"};
    }
    m.dimension = dimension.get<int>();
    const auto cell = root.find("cell");
    if (cell != root.end() && !cell->is_null()) {
        const std::array<double, 6> c = numbers<6>(root, "cell", 6, "the file");
        if (sound_cell(c)) m.cell = c;
    }
    const bool peaks = root.contains("peaks"), atoms = root.contains("atoms");
    if (peaks == atoms) throw ModelFault{peaks ? "holds both \"peaks\" and \"atoms\"" : "holds neither \"peaks\" nor \"atoms\""};
    if (peaks) {
        m.peaks = read_peaks(root, m.dimension);
        return m;
    }
    if (m.dimension < 3) throw ModelFault{"holds atoms of " + std::to_string(m.dimension) + " dimensions: atoms need 3 real-space axes"};
    const json& all = list(root, "atoms", "the file");
    for (std::size_t i = 0; i < all.size(); ++i) {
        m.atoms.push_back(read_atom(all[i], static_cast<std::size_t>(m.dimension - 3), item("atom", i)));
        m.ids.push_back(id_text(member(all[i], "id", item("atom", i))));
    }
    return m;
}

// nlohmann's message without its code: "parse error at line 1, column 2: ...".
std::string parse_problem(const json::parse_error& e) {
    const std::string text = e.what();
    const std::size_t code = text.find("] ");
    return code == std::string::npos ? text : text.substr(code + 2);
}

}  // namespace

MapModel read_map_model(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw CommandFailure{path, "is a folder, not a JSON file"};
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CommandFailure{path, errno == ENOENT ? std::string("no such file") : std::string("cannot be read: ") + std::strerror(errno)};
    try {
        return read_model(json::parse(in));
    } catch (const json::parse_error& e) {
        throw CommandFailure{path, "is not JSON: " + parse_problem(e)};
    } catch (const ModelFault& f) {
        throw CommandFailure{path, f.what};
    }
}

ModelMarks model_marks(const MapModel& model, const PlaneCut& cut) {
    const PlaneRequest& r = cut.plane;
    ModelMarks out;
    double marks = 0, points = 0;
    const auto mark = [&](const std::array<double, 6>& x, MarkShape shape, const std::string& label) {
        const std::optional<PlanePoint> p = point_on_plane(x, cut);
        if (!p) return;
        marks += cell_shifts(p->u, p->u, r.u0, r.u1).count() * cell_shifts(p->v, p->v, r.v0, r.v1).count();
        if (marks > kMostMarks) {
            throw CommandFailure{"--marks", "more than " + std::to_string(static_cast<int>(kMostMarks)) +
                                                " marks fall in the window: give a smaller window"};
        }
        for (const PlanePoint& at : window_images(*p, r)) out.marks.push_back({at, shape, label});
    };
    for (const std::array<double, 6>& x : model.peaks) mark(x, MarkShape::peak, "");
    // The curve moves by whole cells along its real axis.
    const bool real_across = cut.codes[static_cast<std::size_t>(r.across - 1)] <= 3;
    const double w0 = real_across ? r.u0 : r.v0, w1 = real_across ? r.u1 : r.v1;
    for (std::size_t a = 0; a < model.atoms.size(); ++a) {
        const std::vector<std::vector<PlanePoint>> curve = atom_curve(model.atoms[a], cut);
        for (const AtomSample& s : model.atoms[a].trace) mark(sample_coordinates(s, cut), MarkShape::sample, curve.empty() ? model.ids[a] : "");
        for (const std::vector<PlanePoint>& piece : curve) {
            const auto [low, high] = std::minmax_element(piece.begin(), piece.end(), [&](const PlanePoint& p, const PlanePoint& q) {
                return (real_across ? p.u < q.u : p.v < q.v);
            });
            const CellShifts shifts = real_across ? cell_shifts(low->u, high->u, w0, w1) : cell_shifts(low->v, high->v, w0, w1);
            points += shifts.count() * static_cast<double>(piece.size());
            if (points > kMostCurvePoints) {
                throw CommandFailure{"--marks", "the atoms' curves would take more than " + std::to_string(static_cast<int>(kMostCurvePoints)) +
                                                    " points: give a smaller window"};
            }
            for (double m = shifts.first; m <= shifts.last; ++m) {
                PlaneCurve c{piece, model.ids[a]};
                for (PlanePoint& p : c.points) (real_across ? p.u : p.v) += m;
                out.curves.push_back(std::move(c));
            }
        }
    }
    return out;
}

}  // namespace voxmill
