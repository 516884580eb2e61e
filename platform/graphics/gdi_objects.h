#pragma once
// Internal: what the drawing handles hold. Shared by the files of this folder only.
#include <QFont>
#include <QRegion>

#include "platform/graphics/gdi.h"

namespace plat {

struct GdiObject {
  enum class Kind { Pen, Brush, Font, Region } kind;
  bool stock = false;
  int selected = 0;  // how many device contexts hold it selected
  // Pen
  int penStyle = PS_SOLID;
  int32_t penWidth = 1;
  COLORREF penColour = 0;
  // Brush
  LOGBRUSH brush;
  // Font
  LOGFONTA logFont{};
  QFont font;
  // Region
  QRegion region;

  explicit GdiObject(Kind k) : kind(k) {}
};

bool IsLiveObject(HGDIOBJ object);
// The QFont a LOGFONTA stands for.
QFont FontFromLogFont(const LOGFONTA& lf);

}  // namespace plat
