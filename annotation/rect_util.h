#pragma once
// Small rectangle helpers shared by the layer, its groups and the elements.
#include <algorithm>

#include "platform/graphics/gdi_types.h"

inline plat::RECT annUnionRect(const plat::RECT& a, const plat::RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

inline plat::RECT annInflateRect(const plat::RECT& r, int32_t by) {
  return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}
