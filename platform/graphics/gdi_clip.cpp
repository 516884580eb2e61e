// Clipping of device contexts.
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "platform/graphics/gdi_objects.h"

namespace plat {

int SelectClipRgn(HDC dc, HRGN region) {
  if (!IsDc(dc)) return ERROR_REGION;
  if (!region) {
    dc->state.clip.reset();
    return SIMPLEREGION;
  }
  if (!IsRegion(region)) return ERROR_REGION;
  dc->state.clip = region->region;
  return RegionKind(region->region);
}

int IntersectClipRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!IsDc(dc)) return ERROR_REGION;
  QRect r = ExclusiveRect(left, top, right, bottom);
  QRegion add = r.isEmpty() ? QRegion() : QRegion(r);
  dc->state.clip = dc->state.clip ? dc->state.clip->intersected(add) : add;
  return RegionKind(*dc->state.clip);
}

int GetClipBox(HDC dc, RECT* box) {
  if (!IsDc(dc) || !box) return ERROR_REGION;
  if (!dc->state.clip) {
    *box = {0, 0, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
    return SIMPLEREGION;
  }
  QRect b = dc->state.clip->boundingRect();
  *box = b.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.right() + 1, b.bottom() + 1};
  return RegionKind(*dc->state.clip);
}
}  // namespace plat
