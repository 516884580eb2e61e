#pragma once
// Small rectangle and coordinate helpers shared by the layer, its groups, the elements and the view.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "platform/graphics/gdi_types.h"

// Truncation toward zero that cannot overflow: values past the int32 range stop at its ends, and a
// value that is not a number is 0.
inline int32_t annTruncSaturated(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

// Rounding half up, saturating like annTruncSaturated.
inline int32_t annRoundHalfUp(double v) { return annTruncSaturated(std::floor(v + 0.5)); }

inline plat::RECT annUnionRect(const plat::RECT& a, const plat::RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// Grows a rectangle on every side; edges that would pass the integer range stop at its end.
inline plat::RECT annInflateRect(const plat::RECT& r, int32_t by) {
  auto at = [](int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  };
  return {at(int64_t(r.left) - by), at(int64_t(r.top) - by), at(int64_t(r.right) + by), at(int64_t(r.bottom) + by)};
}

// Stored coordinates are accepted only within this many logical units of the page (eight page
// widths either side), so that every sum, difference and scaling done with them later stays well
// inside 32 bits.
inline constexpr int32_t kAnnCoordinateLimit = 8 * 16777216;

inline bool annCoordinatesSound(const plat::POINT* points, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (points[i].x < -kAnnCoordinateLimit || points[i].x > kAnnCoordinateLimit ||
        points[i].y < -kAnnCoordinateLimit || points[i].y > kAnnCoordinateLimit)
      return false;
  return true;
}

inline bool annRectSound(const plat::RECT& r) {
  const plat::POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
  return annCoordinatesSound(corners, 2);
}
