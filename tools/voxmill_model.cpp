// voxmill-model MODEL.json OUT.q47: writes the map of a model of atoms (model_map.hpp). The
// model: {"cell": [6], "counts": [...], "atoms": [{"position": [3], "electrons", "width",
// "displacive": [{"n", "sin": [3], "cos": [3]}], "occupational": [{"n", "sin", "cos"}],
// "crenel": {"center", "width"}}]}; a key left out keeps its default there.
#include <array>
#include <exception>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/errors.hpp"
#include "formats/q47_map.hpp"
#include "model_map.hpp"

namespace {

using nlohmann::json;
using namespace voxmill::model;

// A fault of the model's text, as "atoms[2].width: a number is needed".
struct ModelFault {
    std::string what;
};

[[noreturn]] void fault(const std::string& where, const std::string& what) {
    throw ModelFault{(where.empty() ? "" : where + ": ") + what};
}

// An object whose keys are all among `known`.
void expect_object(const json& j, const std::string& where, std::initializer_list<const char*> known) {
    if (!j.is_object()) fault(where, "an object is needed");
    for (const auto& [key, value] : j.items()) {
        bool listed = false;
        for (const char* k : known) listed = listed || key == k;
        if (!listed) fault(where, "unknown key \"" + key + "\"");
    }
}

double number(const json& j, const std::string& where) {
    if (!j.is_number()) fault(where, "a number is needed");
    return j.get<double>();
}

int whole(const json& j, const std::string& where) {
    const bool fits = j.is_number_integer() && j.get<double>() >= std::numeric_limits<int>::min() &&
                      j.get<double>() <= std::numeric_limits<int>::max();
    if (!fits) fault(where, "a whole number is needed");
    return j.get<int>();
}

// An array of `min` to `max` elements.
const json& list(const json& j, const std::string& where, std::size_t min, std::size_t max) {
    if (!j.is_array() || j.size() < min || j.size() > max) {
        fault(where, min == max ? "an array of " + std::to_string(min) + " is needed"
                                : "an array of " + std::to_string(min) + " to " + std::to_string(max) + " is needed");
    }
    return j;
}

// Reads the key into `into` with `read` when the object holds it.
template <class T, class Read>
void optional_key(const json& j, const std::string& where, const char* key, T& into, Read read) {
    if (j.contains(key)) into = read(j.at(key), where.empty() ? std::string(key) : where + "." + key);
}

template <std::size_t N>
std::array<double, N> numbers(const json& j, const std::string& where) {
    std::array<double, N> v{};
    list(j, where, N, N);
    for (std::size_t i = 0; i < N; ++i) v[i] = number(j[i], where + "[" + std::to_string(i) + "]");
    return v;
}

std::array<int, 3> wave_numbers(const json& j, const std::string& where) {
    std::array<int, 3> n{};
    list(j, where, 1, 3);
    for (std::size_t i = 0; i < j.size(); ++i) n[i] = whole(j[i], where + "[" + std::to_string(i) + "]");
    return n;
}

// A reader of an array whose elements `read` reads.
template <class Read>
auto each(Read read) {
    return [read](const json& j, const std::string& where) {
        std::vector<decltype(read(j, where))> v;
        if (!j.is_array()) fault(where, "an array is needed");
        for (std::size_t i = 0; i < j.size(); ++i) v.push_back(read(j[i], where + "[" + std::to_string(i) + "]"));
        return v;
    };
}

DisplaciveWave displacive(const json& j, const std::string& where) {
    DisplaciveWave w;
    expect_object(j, where, {"n", "sin", "cos"});
    optional_key(j, where, "n", w.n, wave_numbers);
    optional_key(j, where, "sin", w.sin, numbers<3>);
    optional_key(j, where, "cos", w.cos, numbers<3>);
    return w;
}

OccupationalWave occupational(const json& j, const std::string& where) {
    OccupationalWave w;
    expect_object(j, where, {"n", "sin", "cos"});
    optional_key(j, where, "n", w.n, wave_numbers);
    optional_key(j, where, "sin", w.sin, number);
    optional_key(j, where, "cos", w.cos, number);
    return w;
}

Crenel crenel(const json& j, const std::string& where) {
    Crenel c;
    expect_object(j, where, {"center", "width"});
    optional_key(j, where, "center", c.center, number);
    optional_key(j, where, "width", c.width, number);
    return c;
}

Atom atom(const json& j, const std::string& where) {
    Atom a;
    expect_object(j, where, {"position", "electrons", "width", "displacive", "occupational", "crenel"});
    optional_key(j, where, "position", a.position, numbers<3>);
    optional_key(j, where, "electrons", a.electrons, number);
    optional_key(j, where, "width", a.width, number);
    optional_key(j, where, "displacive", a.displacive, each(displacive));
    optional_key(j, where, "occupational", a.occupational, each(occupational));
    if (j.contains("crenel")) a.crenel = crenel(j.at("crenel"), where + ".crenel");
    return a;
}

Model model(const json& j) {
    Model m;
    expect_object(j, "", {"cell", "counts", "atoms"});
    optional_key(j, "", "cell", m.cell, numbers<6>);
    if (j.contains("counts")) m.counts = each(whole)(list(j.at("counts"), "counts", 1, 6), "counts");
    optional_key(j, "", "atoms", m.atoms, each(atom));
    return m;
}

Model read_model(const std::string& path) {
    std::ifstream in(path);
    if (!in) fault("", "cannot open the file");
    try {
        return model(json::parse(in));
    } catch (const json::parse_error& e) {
        // Without the library's "[json.exception.parse_error.101] ".
        const std::string what = e.what();
        fault("", what.substr(what.find("] ") + 2));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: voxmill-model MODEL.json OUT.q47\n";
        return 2;
    }
    const std::string in = argv[1], out = argv[2];
    const auto error = [](const std::string& name, const std::string& what) {
        std::cerr << "voxmill-model: error: " << name << ": " << what << '\n';
        return 1;
    };
    voxmill::Map map;
    try {
        map = model_map(read_model(in));
    } catch (const ModelFault& f) {
        return error(in, f.what);
    } catch (const std::exception& e) {
        return error(in, e.what());
    }
    try {
        voxmill::write_q47_map(map, out);
    } catch (const std::exception& e) {
        return error(out, e.what());
    }
    return 0;
}
