#pragma once
// Internal: what the drawing handles and device contexts hold. Shared by the files of this folder
// only.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <memory>
#include <optional>
#include <vector>

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
bool IsRegion(HGDIOBJ object);
int RegionKind(const QRegion& region);
HGDIOBJ StockFont();
QColor ToQColor(COLORREF colour);
// Pixels from left/top up to, not including, right/bottom; reversed corners are swapped.
QRect ExclusiveRect(int32_t left, int32_t top, int32_t right, int32_t bottom);

struct DcState {
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  COLORREF textColour = 0;
  COLORREF bkColour = 0xFFFFFF;
  int bkMode = OPAQUE;
  uint32_t textAlign = TA_LEFT | TA_TOP;
  int rop = R2_COPYPEN;
  int polyFillMode = ALTERNATE;
  std::optional<QRegion> clip;
  POINT position;
};

struct DeviceContext {
  std::unique_ptr<QImage> image;     // memory DC
  std::unique_ptr<QPainter> owned;   // the painter on image
  QPainter* painter = nullptr;
  int32_t dpiX = 96;
  int32_t dpiY = 96;
  DcState state;
  std::vector<DcState> saved;
};

bool IsDc(HDC dc);
// Prepares the painter for one drawing call (raster operation, clipping); false for R2_NOP.
bool BeginDrawing(DeviceContext* dc);
// The largest pixel size a font is made at; a LOGFONTA asking for more gets this size.
inline constexpr int32_t kLargestFontPixels = 16384;
// The QFont a LOGFONTA stands for.
QFont FontFromLogFont(const LOGFONTA& lf);
// The LOGFONTA of a font given in points (9.75 when it has none), at 96 dots per inch.
LOGFONTA LogFontFromFont(const QFont& font);

}  // namespace plat
