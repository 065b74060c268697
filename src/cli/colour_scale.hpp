// The colour scales of the pictures, perceptually uniform: their anchor colours are joined in
// the Oklab space, where equal steps look equally different. The sequential scale runs from
// dark violet through blue and green to yellow, its lightness rising all the way, for maps
// whose densities are all of one sign; the diverging one runs from blue through a light grey
// at zero to red, for maps with both signs, such as difference maps.
#pragma once

namespace voxmill {

struct Rgb {
    double r, g, b;  // 0 .. 1, sRGB
};

enum class ColourScale { sequential, diverging };

// The colour at t (0 at the bottom of the scale, 1 at the top; clamped).
Rgb colour_at(ColourScale scale, double t);

}  // namespace voxmill
