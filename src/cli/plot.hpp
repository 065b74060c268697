// voxmill plot [...] MAP OUT: a picture of the plane of two map axes as PNG, SVG or PDF.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace CLI {
class App;
}

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
    std::string title;                        // the file name and the fixed coordinates unless given
    bool title_given = false;                 // an empty title given draws none
    std::string map, out;
};

extern const char* const kPlotUsage;

CLI::App* add_plot_command(CLI::App& app, PlotOptions& options);
// Checks what the parser cannot (two different axes, a window of some width, the output's
// extension); throws CLI::ValidationError.
void check_plot_options(const PlotOptions& options);
// 0 when OUT has been drawn, 1 when it could not be (reported on `err`, nothing written).
int run_plot(const PlotOptions& options, std::ostream& err);

}  // namespace voxmill
