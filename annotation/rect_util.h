#pragma once
// Small rectangle and coordinate helpers shared by the layer, its groups, the elements and the view.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/graphics/gdi_types.h"

// Truncation toward zero that cannot overflow: values past the int32 range stop at its ends, and a
// value that is not a number is 0.
inline int32_t annTruncSaturated(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

// A 64-bit value held within the int32 range.
inline int32_t annSaturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// number * numerator / denominator rounded half away from zero, as plat::MulDiv, but a result past
// the int32 range stops at its end instead of turning into -1 (still -1 for a zero denominator).
inline int32_t annMulDiv(int32_t number, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return -1;
  const int64_t product = int64_t(number) * numerator, d = denominator;
  const int64_t a = product < 0 ? -product : product, ad = d < 0 ? -d : d;
  const int64_t q = (a + ad / 2) / ad;
  return annSaturate((product < 0) != (d < 0) ? -q : q);
}

// Rounding half up, saturating like annTruncSaturated.
inline int32_t annRoundHalfUp(double v) { return annTruncSaturated(std::floor(v + 0.5)); }

inline plat::RECT annUnionRect(const plat::RECT& a, const plat::RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// Grows a rectangle on every side; edges that would pass the integer range stop at its end.
inline plat::RECT annInflateRect(const plat::RECT& r, int32_t by) {
  return {annSaturate(int64_t(r.left) - by), annSaturate(int64_t(r.top) - by), annSaturate(int64_t(r.right) + by),
          annSaturate(int64_t(r.bottom) + by)};
}

// Coordinates are kept only within this many logical units of the page (eight page widths either
// side), so that every sum, difference and scaling done with them later stays well inside 32 bits.
// Every place that makes or changes an element's geometry holds it within this range, and the
// reader holds stored coordinates the same way, so whatever is saved reads back as it was.
inline constexpr int32_t kAnnCoordinateLimit = 8 * 16777216;

// Positions and sizes in page pixels that a host hands the engine (a group's new rect) are held
// within this range, so that the sums and scalings done with them hold.
inline constexpr int32_t kAnnValueLimit = 1000000000;
inline int32_t annLimitValue(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -kAnnValueLimit, kAnnValueLimit)); }

// The largest page side, in pixels, that a host or a stream may give as the default view: one
// pixel per logical unit, so that no coordinate of the sound range maps past the int32 range.
inline constexpr int32_t kAnnViewSizeLimit = 16777216;

// The widest pen kept, in pixels, in either sign: a pen far wider than any page side draws
// nothing more, and the frame and text arithmetic of every kind done with it (margins on both
// sides, repaint areas) stays well inside the int32 range.
inline constexpr int32_t kAnnPenWidthLimit = 16384;

// A coordinate an element keeps, held within the sound range of the page.
inline int32_t annLimitCoordinate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, -kAnnCoordinateLimit, kAnnCoordinateLimit));
}
inline plat::POINT annLimitPoint(plat::POINT p) { return {annLimitCoordinate(p.x), annLimitCoordinate(p.y)}; }
inline plat::RECT annLimitRect(const plat::RECT& r) {
  return {annLimitCoordinate(r.left), annLimitCoordinate(r.top), annLimitCoordinate(r.right), annLimitCoordinate(r.bottom)};
}

// The largest font height or width (in either sign) kept: a font some two hundred inches tall at
// 72 dots per inch, far past any page. A font given or stored beyond it is held at it wherever it
// comes in (an element, a tool default, the engine's fonts, a descriptor, a stream), so that
// scaling it by zoom and resolution starts from a sane size and what is saved reads back the same.
inline constexpr int32_t kAnnFontSizeLimit = 16384;
inline void annLimitFontSize(plat::LOGFONTA* font) {
  // The face name is read as a C string wherever the font is used: one that fills the field is cut.
  font->lfFaceName[plat::LF_FACESIZE - 1] = 0;
  font->lfHeight = std::clamp(font->lfHeight, -kAnnFontSizeLimit, kAnnFontSizeLimit);
  font->lfWidth = std::clamp(font->lfWidth, -kAnnFontSizeLimit, kAnnFontSizeLimit);
}
// Copies a font handed in through an address (source and target may be the same) and holds its
// sizes; nothing happens for a missing address.
inline void annTakeFont(plat::LOGFONTA* target, const void* source) {
  if (!target || !source) return;
  plat::LOGFONTA font;
  std::memcpy(&font, source, sizeof font);
  annLimitFontSize(&font);
  *target = font;
}
