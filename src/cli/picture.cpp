#include "cli/picture.hpp"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <utility>

#include "formats/staged_file.hpp"

namespace voxmill {

namespace {

// The picture's measures for a width of 800; they scale with the width.
constexpr double kLeft = 70, kRight = 130, kTop = 44, kBottom = 56;
constexpr double kFont = 14, kSmallFont = 12, kTick = 6, kBarGap = 22, kBarWidth = 20;
constexpr double kMostAspect = 8;  // a plot at most this many times as high as wide, or as wide as high
constexpr int kMostTicks = 100;    // along an axis or the colour bar

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

cairo_status_t write_to_file(void* file, const unsigned char* data, unsigned int length) {
    return std::fwrite(data, 1, length, static_cast<std::FILE*>(file)) == length ? CAIRO_STATUS_SUCCESS
                                                                               : CAIRO_STATUS_WRITE_ERROR;
}

std::uint32_t argb(const Rgb& c) {
    const auto byte = [](double v) { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    return 0xFF000000u | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

void check(cairo_status_t status, const char* what) {
    if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error(std::string(what) + ": " + cairo_status_to_string(status));
}
void check_matrix(cairo_status_t status) { check(status, "the plane cannot be drawn"); }

double scale_position(const Picture& p, double value) {
    return p.high > p.low ? (value - p.low) / (p.high - p.low) : 0.5;
}

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `count` pieces.
double tick_step(double span, int count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw) return m * power;
    }
    return 10.0 * power;
}

std::string tick_text(double value, double step) {
    if (std::abs(value) < step * 1e-6) value = 0.0;
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// Moves to where `text` starts so that its box's point (align_x, align_y), from its top left
// (0, 0) to its bottom right (1, 1), lies at (x, y).
void move_to_text(cairo_t* cr, const std::string& text, double x, double y, double align_x, double align_y) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    cairo_move_to(cr, x - e.x_bearing - align_x * e.width, y - e.y_bearing - align_y * e.height);
}

void text_at(cairo_t* cr, const std::string& text, double x, double y, double align_x, double align_y) {
    move_to_text(cr, text, x, y, align_x, align_y);
    cairo_show_text(cr, text.c_str());
}

// The distance between neighbouring samples in fractions of the cell, across and up.
std::pair<double, double> sample_spacing(const Picture& p) {
    const PlaneRequest& r = *p.plane;
    return {(r.u1 - r.u0) / std::max(p.samples->nu - 1, 1), (r.v1 - r.v0) / std::max(p.samples->nv - 1, 1)};
}

// The densities as an image with `block` x `block` pixels per sample, the top row the
// highest v.
SurfacePtr density_image(const Picture& p, int block) {
    const PlaneSamples& s = *p.samples;
    SurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, s.nu * block, s.nv * block), &cairo_surface_destroy);
    check(cairo_surface_status(image.get()), "cannot make the picture");
    cairo_surface_flush(image.get());
    unsigned char* data = cairo_image_surface_get_data(image.get());
    const int stride = cairo_image_surface_get_stride(image.get());
    for (int j = 0; j < s.nv; ++j) {
        for (int b = 0; b < block; ++b) {
            auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(stride) * ((s.nv - 1 - j) * block + b));
            for (int i = 0; i < s.nu; ++i) {
                const float v = s.values[static_cast<std::size_t>(i + s.nu * j)];
                std::fill_n(row + i * block, block, std::isnan(v) ? 0u : argb(colour_at(p.scale, scale_position(p, v))));
            }
        }
    }
    cairo_surface_mark_dirty(image.get());
    return image;
}

// Pixels per voxel for an SVG picture of voxel blocks: SVG has no way to ask its readers not
// to smooth an image, so each block is drawn as several pixels of its colour, and smoothing
// only softens a block's rim, about a point wide.
int block_pixels(const Picture& p, bool smoothed_by_reader) {
    if (!smoothed_by_reader || !p.samples->voxels) return 1;
    const double across = p.layout.plot_w / p.samples->nu, up = p.layout.plot_h / p.samples->nv;
    return static_cast<int>(std::clamp(std::ceil(std::max(across, up)), 1.0, 64.0));
}

// The window's parallelogram as the current path.
void window_path(cairo_t* cr, const Picture& p, const PlaneToPicture& t) {
    const PlaneRequest& r = *p.plane;
    cairo_move_to(cr, t.x(r.u0, r.v0), t.y(r.v0));
    cairo_line_to(cr, t.x(r.u1, r.v0), t.y(r.v0));
    cairo_line_to(cr, t.x(r.u1, r.v1), t.y(r.v1));
    cairo_line_to(cr, t.x(r.u0, r.v1), t.y(r.v1));
    cairo_close_path(cr);
}

// The fill: sample (i, j) at the picture position of its coordinates, each voxel a block of
// its own colour, interpolated samples blended between.
void draw_densities(cairo_t* cr, const Picture& p, const PlaneToPicture& t, int block) {
    const PlaneSamples& s = *p.samples;
    SurfacePtr image = density_image(p, block);
    cairo_save(cr);
    window_path(cr, p, t);
    cairo_clip(cr);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image.get());
    // From the image to the picture: the centre of pixel (i, nv - 1 - j) lies at sample (i, j).
    const auto [du, dv] = sample_spacing(p);
    cairo_matrix_t m;
    const double top = s.nv - 0.5;
    cairo_matrix_init(&m, t.xu * du, 0, -t.xv * dv, -t.yv * dv, t.x0 - 0.5 * t.xu * du + t.xv * dv * top,
                      t.y0 + t.yv * dv * top);
    cairo_matrix_scale(&m, 1.0 / block, 1.0 / block);
    check_matrix(cairo_matrix_invert(&m));
    cairo_pattern_set_matrix(pattern, &m);
    cairo_pattern_set_filter(pattern, s.voxels ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_set_source(cr, pattern);
    cairo_paint(cr);
    cairo_pattern_destroy(pattern);
    cairo_restore(cr);
}

void draw_contours(cairo_t* cr, const Picture& p, const PlaneToPicture& t, double unit) {
    const PlaneRequest& r = *p.plane;
    const auto [du, dv] = sample_spacing(p);
    cairo_save(cr);
    window_path(cr, p, t);
    cairo_clip(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.75);
    cairo_set_line_width(cr, 0.9 * unit);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    const double dash[] = {4 * unit, 3 * unit};
    for (const ContourLevel& c : p.contours) {
        cairo_set_dash(cr, dash, c.level < 0 ? 2 : 0, 0);
        for (const ContourLine& line : c.lines) {
            for (std::size_t k = 0; k < line.points.size(); ++k) {
                const double u = r.u0 + line.points[k].u * du, v = r.v0 + line.points[k].v * dv;
                k == 0 ? cairo_move_to(cr, t.x(u, v), t.y(v)) : cairo_line_to(cr, t.x(u, v), t.y(v));
            }
            if (line.closed) cairo_close_path(cr);
            cairo_stroke(cr);
        }
    }
    cairo_restore(cr);
}

// The current path stroked `width` wide in the marks' dark colour over a white outline, so
// that it shows on every colour of the scales.
void stroke_outlined(cairo_t* cr, double width, double unit) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, width + 2.5 * unit);
    cairo_stroke_preserve(cr);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

// A mark's or a curve's label beside the point (x, y), up and to the right of it by `gap`,
// or to the left or below where it would leave the plot; dark in a white outline, bold.
void draw_label(cairo_t* cr, const Picture& p, const std::string& label, double x, double y, double gap, double unit) {
    const PictureLayout& l = p.layout;
    cairo_text_extents_t e;
    cairo_text_extents(cr, label.c_str(), &e);
    const bool left = x + gap + e.width > l.plot_x + l.plot_w, below = y - gap - e.height < l.plot_y;
    move_to_text(cr, label, left ? x - gap : x + gap, below ? y + gap : y - gap, left ? 1 : 0, below ? 0 : 1);
    cairo_text_path(cr, label.c_str());
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, 3 * unit);
    cairo_stroke_preserve(cr);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
    cairo_fill(cr);
}

bool in_window(const PlaneRequest& r, const PlanePoint& p) { return p.u >= r.u0 && p.u <= r.u1 && p.v >= r.v0 && p.v <= r.v1; }

// The atoms' curves, inside the window, each labelled beside the middle of its points there.
void draw_curves(cairo_t* cr, const Picture& p, const PlaneToPicture& t, double unit) {
    cairo_save(cr);
    window_path(cr, p, t);
    cairo_clip(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const PlaneCurve& c : p.curves) {
        for (std::size_t k = 0; k < c.points.size(); ++k) {
            const PlanePoint& q = c.points[k];
            k == 0 ? cairo_move_to(cr, t.x(q.u, q.v), t.y(q.v)) : cairo_line_to(cr, t.x(q.u, q.v), t.y(q.v));
        }
        stroke_outlined(cr, 1.6 * unit, unit);
    }
    cairo_restore(cr);
}

// The model's points: a cross for a peak, a ring for a sample of an atom's trace; then the
// labels of the marks and the curves over them all.
void draw_marks(cairo_t* cr, const Picture& p, const PlaneToPicture& t, double unit) {
    constexpr double kArm = 5, kRing = 3.5;
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const PlaneMark& m : p.marks) {
        const double x = t.x(m.at.u, m.at.v), y = t.y(m.at.v);
        cairo_new_path(cr);
        if (m.shape == MarkShape::peak) {
            cairo_move_to(cr, x - kArm * unit, y);
            cairo_line_to(cr, x + kArm * unit, y);
            cairo_move_to(cr, x, y - kArm * unit);
            cairo_line_to(cr, x, y + kArm * unit);
        } else {
            cairo_arc(cr, x, y, kRing * unit, 0, 2 * M_PI);
        }
        stroke_outlined(cr, 1.5 * unit, unit);
    }
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, kSmallFont * unit);
    for (const PlaneMark& m : p.marks) {
        if (!m.label.empty()) draw_label(cr, p, m.label, t.x(m.at.u, m.at.v), t.y(m.at.v), (kRing + 2) * unit, unit);
    }
    for (const PlaneCurve& c : p.curves) {
        std::vector<PlanePoint> inside;
        std::copy_if(c.points.begin(), c.points.end(), std::back_inserter(inside), [&](const PlanePoint& q) { return in_window(*p.plane, q); });
        if (c.label.empty() || inside.empty()) continue;
        const PlanePoint& q = inside[inside.size() / 2];
        draw_label(cr, p, c.label, t.x(q.u, q.v), t.y(q.v), 5 * unit, unit);
    }
    cairo_restore(cr);
}

// Calls at(t) for the ticks of the range w0 .. w1, about `count` of them, at round values.
template <class At>
void for_each_tick(double w0, double w1, int count, At at) {
    const double step = tick_step(w1 - w0, count);
    const double first = std::ceil(w0 / step - 1e-9);
    // Counted, not stepped: a step below the rounding of the coordinates would not move.
    for (int k = 0; k <= kMostTicks; ++k) {
        const double value = (first + k) * step;
        if (value > w1 + step * 1e-9) break;
        at(value, step);
    }
}

// The frame, the fractional ticks of both axes and their labels.
void draw_axes(cairo_t* cr, const Picture& p, const PlaneToPicture& t, double unit) {
    const PictureLayout& l = p.layout;
    const PlaneRequest& r = *p.plane;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, unit);
    window_path(cr, p, t);
    cairo_stroke(cr);
    cairo_set_font_size(cr, kSmallFont * unit);
    const double bottom_length = std::hypot(t.xu * (r.u1 - r.u0), 0.0);
    const double left_length = std::hypot(t.xv * (r.v1 - r.v0), t.yv * (r.v1 - r.v0));
    for_each_tick(r.u0, r.u1, std::max(2, static_cast<int>(bottom_length / (70 * unit))), [&](double u, double step) {
        const double x = t.x(u, r.v0), y = t.y(r.v0);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x, y + kTick * unit);
        cairo_stroke(cr);
        text_at(cr, tick_text(u, step), x, y + (kTick + 3) * unit, 0.5, 0);
    });
    for_each_tick(r.v0, r.v1, std::max(2, static_cast<int>(left_length / (70 * unit))), [&](double v, double step) {
        const double x = t.x(r.u0, v), y = t.y(v);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x - kTick * unit, y);
        cairo_stroke(cr);
        text_at(cr, tick_text(v, step), x - (kTick + 3) * unit, y, 1, 0.5);
    });
    cairo_set_font_size(cr, kFont * unit);
    const double middle_v = (r.v0 + r.v1) / 2;
    text_at(cr, p.across_label, t.x((r.u0 + r.u1) / 2, r.v0), l.plot_y + l.plot_h + 30 * unit, 0.5, 0);
    cairo_save(cr);
    cairo_translate(cr, std::min(t.x(r.u0, middle_v), l.plot_x) - 48 * unit, t.y(middle_v));
    cairo_rotate(cr, -M_PI / 2);
    text_at(cr, p.up_label, 0, 0, 0.5, 1);
    cairo_restore(cr);
}

// The scale from low (bottom) to high (top), with its values and the contour levels.
void draw_colour_bar(cairo_t* cr, const Picture& p, double unit) {
    const PictureLayout& l = p.layout;
    const double x = l.plot_x + l.plot_w + kBarGap * unit, w = kBarWidth * unit;
    const int steps = std::max(2, static_cast<int>(l.plot_h));
    for (int k = 0; k < steps; ++k) {
        const Rgb c = colour_at(p.scale, (k + 0.5) / steps);
        cairo_set_source_rgb(cr, c.r, c.g, c.b);
        const double y0 = l.plot_y + l.plot_h * (1.0 - static_cast<double>(k + 1) / steps);
        cairo_rectangle(cr, x, y0, w, l.plot_h / steps + 0.5);
        cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, unit);
    cairo_rectangle(cr, x, l.plot_y, w, l.plot_h);
    cairo_stroke(cr);
    cairo_set_font_size(cr, kSmallFont * unit);
    text_at(cr, "density", x + w / 2, l.plot_y - 8 * unit, 0.5, 1);
    if (!p.levels_note.empty()) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, p.levels_note.c_str(), &e);
        // Under the bar, kept inside the picture's right edge.
        const double right = std::min(x + w / 2 + e.width / 2, l.width - 4 * unit);
        text_at(cr, p.levels_note, right, l.plot_y + l.plot_h + 30 * unit, 1, 0);
    }
    if (!(p.high > p.low)) return;
    const auto y_of = [&](double value) { return l.plot_y + l.plot_h * (1.0 - scale_position(p, value)); };
    cairo_set_line_width(cr, 0.7 * unit);
    for (const ContourLevel& c : p.contours) {
        cairo_move_to(cr, x, y_of(c.level));
        cairo_line_to(cr, x + w, y_of(c.level));
        cairo_stroke(cr);
    }
    cairo_set_font_size(cr, kSmallFont * unit);
    cairo_set_line_width(cr, unit);
    for_each_tick(p.low, p.high, std::max(2, static_cast<int>(l.plot_h / (50 * unit))), [&](double t, double step) {
        cairo_move_to(cr, x + w, y_of(t));
        cairo_line_to(cr, x + w + kTick * unit, y_of(t));
        cairo_stroke(cr);
        text_at(cr, tick_text(t, step), x + w + (kTick + 3) * unit, y_of(t), 0, 0.5);
    });
}

void draw(cairo_t* cr, const Picture& p, PictureFormat format) {
    const double unit = p.layout.width / 800.0;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    const PlaneToPicture t = plane_to_picture(*p.plane, p.shape, p.layout);
    draw_densities(cr, p, t, block_pixels(p, format == PictureFormat::svg));
    draw_contours(cr, p, t, unit);
    draw_curves(cr, p, t, unit);
    draw_marks(cr, p, t, unit);
    draw_axes(cr, p, t, unit);
    draw_colour_bar(cr, p, unit);
    if (p.title.empty()) return;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_font_size(cr, kFont * unit);
    text_at(cr, p.title, p.layout.plot_x + p.layout.plot_w / 2, p.layout.plot_y - 14 * unit, 0.5, 1);
}

}  // namespace

double plane_aspect(const PlaneRequest& r, const PlaneShape& shape) {
    const double angle = shape.angle * M_PI / 180.0;
    const double across = (r.u1 - r.u0) * shape.across, up = (r.v1 - r.v0) * shape.up;
    const double lean = up * std::cos(angle);
    return up * std::sin(angle) / (across + std::abs(lean));
}

PlaneToPicture plane_to_picture(const PlaneRequest& r, const PlaneShape& shape, const PictureLayout& l) {
    const double angle = shape.angle * M_PI / 180.0;
    const double across = (r.u1 - r.u0) * shape.across, up = (r.v1 - r.v0) * shape.up;
    const double lean = up * std::cos(angle), height = up * std::sin(angle);
    // One scale across and one up: the same for a plot of its true aspect, apart for one
    // whose aspect the layout had to bound.
    const double sx = l.plot_w / (across + std::abs(lean)), sy = l.plot_h / height;
    PlaneToPicture t;
    t.u0 = r.u0;
    t.v0 = r.v0;
    t.x0 = l.plot_x + sx * std::max(0.0, -lean);
    t.y0 = l.plot_y + l.plot_h;
    t.xu = sx * shape.across;
    t.xv = sx * shape.up * std::cos(angle);
    t.yv = -sy * shape.up * std::sin(angle);
    return t;
}

PictureLayout picture_layout(double width, double aspect) {
    const double unit = width / 800.0;
    PictureLayout l;
    l.width = width;
    l.plot_x = kLeft * unit;
    l.plot_y = kTop * unit;
    l.plot_w = width - (kLeft + kRight) * unit;
    l.plot_h = l.plot_w * std::clamp(aspect, 1.0 / kMostAspect, kMostAspect);
    l.height = std::ceil(l.plot_y + l.plot_h + kBottom * unit);
    return l;
}

void draw_picture(const Picture& p, PictureFormat format, const std::string& path) {
    StagedFile file;
    if (!file.open(path, StagedFile::Target::replace)) throw std::runtime_error(file.failure());
    const PictureLayout& l = p.layout;
    SurfacePtr surface(nullptr, &cairo_surface_destroy);
    switch (format) {
        case PictureFormat::png:
            surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(l.width), static_cast<int>(l.height)));
            break;
        case PictureFormat::svg:
            surface.reset(cairo_svg_surface_create_for_stream(write_to_file, file.file(), l.width, l.height));
            break;
        case PictureFormat::pdf:
            surface.reset(cairo_pdf_surface_create_for_stream(write_to_file, file.file(), l.width, l.height));
            break;
    }
    check(cairo_surface_status(surface.get()), "cannot make the picture");
    {
        ContextPtr cr(cairo_create(surface.get()), &cairo_destroy);
        draw(cr.get(), p, format);
        check(cairo_status(cr.get()), "cannot draw the picture");
    }
    if (format == PictureFormat::png) {
        check(cairo_surface_write_to_png_stream(surface.get(), write_to_file, file.file()), "cannot write the picture");
    } else {
        cairo_surface_finish(surface.get());
        check(cairo_surface_status(surface.get()), "cannot write the picture");
    }
    if (!file.commit()) throw std::runtime_error("cannot close the file and give it its name: " + file.failure());
}

}  // namespace voxmill
