// A picture of a map's plane: the filled densities in a colour scale, contour lines (dashed
// below zero), the marks of a model of the map over them, the axes with fractional ticks, a
// colour bar with its values and a title, drawn with cairo as PNG, SVG or PDF. The only code
// that knows about pixels.
#pragma once

#include <string>
#include <vector>

#include "cli/colour_scale.hpp"
#include "ops/contour.hpp"
#include "ops/plane_marks.hpp"
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

// The true shape of the plane: the length of one cell fraction along each axis (A, or 1 for
// axes without a length) and the angle between the axes. The window is drawn as the
// parallelogram they span.
struct PlaneShape {
    double across = 1, up = 1;    // lengths of a fraction of axis `across` and of axis `up`
    double angle = 90;            // degrees between the axes, 0 .. 180 exclusive
};

// The height of the parallelogram of the window over the width of its bounding box.
double plane_aspect(const PlaneRequest& r, const PlaneShape& shape);

// Where a point (u, v) of the plane lies in the picture: x = x0 + xu (u - u0) + xv (v - v0),
// y = y0 + yv (v - v0), y downwards. The window's parallelogram fills the plot's box.
struct PlaneToPicture {
    double u0 = 0, v0 = 0, x0 = 0, y0 = 0, xu = 1, xv = 0, yv = -1;
    double x(double u, double v) const { return x0 + xu * (u - u0) + xv * (v - v0); }
    double y(double v) const { return y0 + yv * (v - v0); }
};
PlaneToPicture plane_to_picture(const PlaneRequest& r, const PlaneShape& shape, const PictureLayout& l);

// A contour level with its lines, in sample units of the plane (ContourPoint).
struct ContourLevel {
    double level;
    std::vector<ContourLine> lines;
};

// A point of a model on the plane, drawn dark in a white outline, with its label beside it
// when it has one: a peak as a cross, a sample of an atom's trace as a ring.
enum class MarkShape { peak, sample };
struct PlaneMark {
    PlanePoint at;
    MarkShape shape = MarkShape::peak;
    std::string label;
};

// A piece of an atom's curve, drawn as the marks are, labelled at its middle.
struct PlaneCurve {
    std::vector<PlanePoint> points;
    std::string label;
};

struct Picture {
    const PlaneRequest* plane = nullptr;    // the axes shown and the window
    const PlaneSamples* samples = nullptr;  // of that plane
    PlaneShape shape;
    std::string across_label = "x1", up_label = "x2";
    PictureLayout layout;
    ColourScale scale = ColourScale::sequential;
    double low = 0, high = 1;               // the densities at the ends of the colour scale
    std::vector<ContourLevel> contours;
    std::vector<PlaneCurve> curves;         // over the contours
    std::vector<PlaneMark> marks;           // over the curves
    std::string levels_note;                // where the contours are, under the colour bar
    std::string title;                      // none when empty
};

// Draws the picture into `path`, whole or not at all. Throws std::runtime_error.
void draw_picture(const Picture& p, PictureFormat format, const std::string& path);

}  // namespace voxmill
