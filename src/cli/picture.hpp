// A picture of a map's plane: the filled densities in a colour scale, contour lines (dashed
// below zero), the axes with fractional ticks, a colour bar with its values and a title,
// drawn with cairo as PNG, SVG or PDF. The only code that knows about pixels.
#pragma once

#include <string>
#include <vector>

#include "cli/colour_scale.hpp"
#include "ops/plane_samples.hpp"

namespace voxmill {

enum class PictureFormat { png, svg, pdf };

// Where the plot lies in the picture, in pixels (PNG) or points (SVG, PDF), y downwards.
struct PictureLayout {
    double width = 0, height = 0;
    double plot_x = 0, plot_y = 0, plot_w = 0, plot_h = 0;
};

// The picture of `width` whose plot is `aspect` times as high as it is wide.
PictureLayout picture_layout(double width, double aspect);

struct Picture {
    const PlaneRequest* plane = nullptr;    // the axes shown and the window
    const PlaneSamples* samples = nullptr;  // of that plane
    PictureLayout layout;
    ColourScale scale = ColourScale::sequential;
    double low = 0, high = 1;               // the densities at the ends of the colour scale
    std::vector<double> levels;             // of the contour lines
    std::string title;
};

// Draws the picture into `path`, whole or not at all. Throws std::runtime_error.
void draw_picture(const Picture& p, PictureFormat format, const std::string& path);

}  // namespace voxmill
