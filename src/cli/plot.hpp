// voxmill plot: a picture of the plane of two map axes, PNG, SVG or PDF. The command reads the
// map from a file; the Python module draws a map it holds, with the same options.
#pragma once

#include <string>
#include <vector>

#include "core/map.hpp"

namespace voxmill {

struct PlotOptions {
    std::vector<int> axes{1, 2};
    std::vector<double> at;                   // one per map axis, or none: 0 on every axis
    std::vector<double> window;               // U0, U1, V0, V1, or none: one cell, or a box's frame
    int levels = -1;                          // 0 or more: that many levels spread over the data
    double step = 0;                          // above 0: a contour at every multiple of step
    double sigma = 0;                         // above 0: a contour every sigma times the map's rms
    std::vector<double> range;                // LO, HI of the colour scale, or none: the data's
    std::string scale = "auto";               // auto, sequential or diverging
    bool voxels = false, interpolate = false;  // force the voxel blocks or the spline
    int size = 800;
    std::vector<double> cell;                 // six numbers, or none
    std::string marks;                        // the JSON of the map's peaks or atoms, or none
    std::string title;                        // the file name and the fixed coordinates unless given
    bool title_given = false;                 // an empty title given draws none
    std::string map, out;
};

// The options of the command's words after `voxmill plot` (its options, then MAP and OUT),
// parsed and checked as the command's; throws CLI::ParseError.
PlotOptions plot_options(const std::vector<std::string>& words);

// Refuses an output that is the input map file (CommandFailure).
void refuse_input_as_output(const PlotOptions& o);

// Draws the plane of `map` into o.out, written whole or not at all; `o.map` names the map in the
// title and in failures. Throws CommandFailure.
void draw_plot(const PlotOptions& o, const Map& map);

}  // namespace voxmill
