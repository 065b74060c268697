#include "cli/colour_scale.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

namespace voxmill {

namespace {

struct Lab {
    double l, a, b;
};

double to_linear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double from_linear(double c) { return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055; }

// sRGB to Oklab and back, as Oklab defines them.
Lab oklab(const Rgb& c) {
    const double r = to_linear(c.r), g = to_linear(c.g), b = to_linear(c.b);
    const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s, 1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

Rgb srgb(const Lab& c) {
    const double l = std::pow(c.l + 0.3963377774 * c.a + 0.2158037573 * c.b, 3);
    const double m = std::pow(c.l - 0.1055613458 * c.a - 0.0638541728 * c.b, 3);
    const double s = std::pow(c.l - 0.0894841775 * c.a - 1.2914855480 * c.b, 3);
    const auto channel = [](double v) { return std::clamp(from_linear(v), 0.0, 1.0); };
    return {channel(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s),
            channel(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s),
            channel(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s)};
}

constexpr std::array<Rgb, 5> kSequential{{{0.267, 0.005, 0.329},
                                          {0.231, 0.322, 0.545},
                                          {0.129, 0.569, 0.549},
                                          {0.369, 0.788, 0.384},
                                          {0.992, 0.906, 0.145}}};
constexpr std::array<Rgb, 3> kDiverging{{{0.230, 0.299, 0.754}, {0.950, 0.950, 0.950}, {0.706, 0.016, 0.150}}};

Rgb along(std::span<const Rgb> anchors, double t) {
    const double x = std::clamp(t, 0.0, 1.0) * static_cast<double>(anchors.size() - 1);
    const auto k = std::min(static_cast<std::size_t>(x), anchors.size() - 2);
    const double f = x - static_cast<double>(k);
    const Lab p = oklab(anchors[k]), q = oklab(anchors[k + 1]);
    return srgb({p.l + f * (q.l - p.l), p.a + f * (q.a - p.a), p.b + f * (q.b - p.b)});
}

}  // namespace

Rgb colour_at(ColourScale scale, double t) {
    return scale == ColourScale::sequential ? along(kSequential, t) : along(kDiverging, t);
}

}  // namespace voxmill
