#pragma once
// Inner loops of the whole-picture operations over one row of 24-bit pixels (blue, green, red).
// They are built for speed whatever the build type, with a wider-vector variant chosen at run
// time where the processor has one; each gives exactly what its pixel-by-pixel form gives.
#include <cstddef>
#include <cstdint>

namespace img::rows {

// Luminance (red 299, green 587, blue 114 per thousand, rounded) of n pixels, one byte each.
void luminance(const uint8_t* bgr, std::size_t n, uint8_t* out);
// Each value v of n bytes becomes clamp((v - lo) * 255 / (hi - lo), 0, 255); lo < hi.
void stretch(uint8_t* values, std::size_t n, int lo, int hi);
void stretchInto(const uint8_t* in, uint8_t* out, std::size_t n, int lo, int hi);  // in and out apart
// Pixels whose channels all lie within their [lo, hi] become with (all three in blue-green-red
// order); n pixels.
struct ColourRange {
  uint8_t lo[3], hi[3], with[3];
};
void replaceInRange(uint8_t* bgr, std::size_t n, const ColourRange& range);

}  // namespace img::rows
