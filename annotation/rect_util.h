#pragma once
// Small rectangle helpers shared by the layer, its groups and the elements.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/graphics/gdi_types.h"

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
