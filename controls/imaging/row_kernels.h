#pragma once
// Inner loops of the whole-picture operations over one row of 24-bit pixels (blue, green, red).
// They are built for speed whatever the build type, with a wider-vector variant chosen at run
// time where the processor has one; each gives exactly what its pixel-by-pixel form gives.
#include <array>
#include <cstddef>
#include <cstdint>

namespace img::rows {

// Replaces each of n bytes by its entry in a 256-byte table.
void mapBytes(uint8_t* p, std::size_t n, const uint8_t* table);
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
// A factor per luminance: entry y holds a whole number F and a shift s as F << 5 | s (s at most
// 24), and a channel value v of a pixel of luminance y becomes min(255, (v * F + 2^s / 2) >> s).
// Every 255 * F + 2^s / 2 must fit in 32 bits.
class LuminanceScale {
 public:
  explicit LuminanceScale(const std::array<uint32_t, 256>& entries);
  uint32_t entry(uint32_t y) const { return entries_[y]; }
  const uint8_t* plane(std::size_t byte) const { return planes_[byte]; }  // byte j of every entry

 private:
  std::array<uint32_t, 256> entries_;
  alignas(64) uint8_t planes_[4][256];
};
// Scales each channel of n pixels by the factor of the pixel's luminance (as luminance() gives it).
void scaleByLuminance(uint8_t* bgr, std::size_t n, const LuminanceScale& scale);

}  // namespace img::rows
