// The model that `voxmill plot --marks` draws over a map: the peaks that `voxmill peaks --json`
// writes or the atoms that `voxmill atoms --json` writes, read back from their JSON, and what
// of them shows on the plane of a picture.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cli/picture.hpp"
#include "ops/atoms.hpp"
#include "ops/plane_marks.hpp"

namespace voxmill {

struct MapModel {
    int dimension = 3;                          // of the map it was found in
    std::optional<std::array<double, 6>> cell;  // the file's, when it holds a sound one
    std::vector<std::array<double, 6>> peaks;   // fractional coordinates on every map axis
    std::vector<Atom> atoms;                    // position, displacive series, crenel and trace
    std::vector<std::string> ids;               // of the atoms, their labels
};

// Reads the peaks or the atoms of a JSON file. Throws CommandFailure naming the file for one
// that cannot be read, is no JSON, or lacks or misshapes what is drawn.
MapModel read_map_model(const std::string& path);

struct ModelMarks {
    std::vector<PlaneMark> marks;
    std::vector<PlaneCurve> curves;
};

// The model on the plane of `cut`: every peak and every sample of an atom's trace that lies
// on it, and every atom's curve where the plane has a real and a superspace axis, each image
// that the window shows. A sample is labelled by its atom's id where the atom has no curve.
// Throws CommandFailure (--marks) for more than the picture could show.
ModelMarks model_marks(const MapModel& model, const PlaneCut& cut);

}  // namespace voxmill
