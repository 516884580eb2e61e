// Text output and measuring on device contexts.
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "platform/graphics/gdi_objects.h"

namespace plat {

namespace {
const QFont& currentFont(DeviceContext* dc) {
  HGDIOBJ f = dc->state.font ? dc->state.font : StockFont();
  return f->font;
}
}  // namespace

bool TextOutW(HDC dc, int32_t x, int32_t y, const char16_t* text, int count) {
  if (!IsDc(dc) || (!text && count > 0) || count < 0) return false;
  if (count == 0) return true;
  if (!BeginDrawing(dc)) return true;
  QString s = QString::fromUtf16(text, count);
  const QFont& font = currentFont(dc);
  QFontMetrics fm(font);
  uint32_t align = dc->state.textAlign;
  // Measuring shapes the text once more, so it is done only where the width is used.
  const bool needsWidth = (align & (TA_CENTER | TA_RIGHT | TA_UPDATECP)) || dc->state.bkMode == OPAQUE;
  const int width = needsWidth ? fm.horizontalAdvance(s) : 0;
  POINT ref = (align & TA_UPDATECP) ? dc->state.position : POINT{x, y};
  double dx = 0;
  if ((align & TA_CENTER) == TA_CENTER) dx = -width / 2.0;
  else if (align & TA_RIGHT) dx = -width;
  double dy;
  if ((align & TA_BASELINE) == TA_BASELINE) dy = 0;
  else if (align & TA_BOTTOM) dy = -fm.descent();
  else dy = fm.ascent();
  QPainter& p = *dc->painter;
  p.save();
  p.translate(ref.x, ref.y);
  int32_t esc = dc->state.font ? dc->state.font->logFont.lfEscapement : 0;
  if (esc) p.rotate(-esc / 10.0);
  if (dc->state.bkMode == OPAQUE) {
    double top = dy - fm.ascent();
    p.fillRect(QRectF(dx, top, width, fm.height()), ToQColor(dc->state.bkColour));
  }
  p.setFont(font);
  p.setPen(ToQColor(dc->state.textColour));
  p.drawText(QPointF(dx, dy), s);
  p.restore();
  if (align & TA_UPDATECP) dc->state.position.x += ((align & TA_CENTER) == TA_CENTER) ? 0 : width;
  return true;
}

bool GetTextExtentPoint32W(HDC dc, const char16_t* text, int count, SIZE* size) {
  if (!IsDc(dc) || !size || count < 0 || (!text && count)) return false;
  QFontMetrics fm(currentFont(dc));
  size->cx = count ? fm.horizontalAdvance(QString::fromUtf16(text, count)) : 0;
  size->cy = fm.height();
  return true;
}

bool GetTextMetricsA(HDC dc, TEXTMETRICA* tm) {
  if (!IsDc(dc) || !tm) return false;
  const QFont& font = currentFont(dc);
  QFontMetrics fm(font);
  *tm = TEXTMETRICA{};
  tm->tmAscent = fm.ascent();
  tm->tmDescent = fm.descent();
  tm->tmHeight = tm->tmAscent + tm->tmDescent;
  tm->tmInternalLeading = std::max(0, tm->tmHeight - font.pixelSize());
  tm->tmExternalLeading = std::max(0, fm.leading());
  tm->tmAveCharWidth = fm.averageCharWidth();
  tm->tmMaxCharWidth = fm.maxWidth();
  tm->tmWeight = font.weight();
  tm->tmItalic = font.italic() ? 1 : 0;
  tm->tmUnderlined = font.underline() ? 1 : 0;
  tm->tmStruckOut = font.strikeOut() ? 1 : 0;
  tm->tmDigitizedAspectX = dc->dpiX;
  tm->tmDigitizedAspectY = dc->dpiY;
  tm->tmCharSet = dc->state.font ? dc->state.font->logFont.lfCharSet : 0;
  return true;
}

bool GetCharABCWidthsW(HDC dc, uint32_t first, uint32_t last, ABC* widths) {
  if (!IsDc(dc) || !widths || last < first || last > 0xFFFF) return false;
  QFontMetrics fm(currentFont(dc));
  for (uint32_t c = first; c <= last; ++c) {
    QChar ch{char16_t(c)};
    int adv = fm.horizontalAdvance(ch);
    int a = fm.leftBearing(ch);
    int cc = fm.rightBearing(ch);
    widths[c - first] = {a, uint32_t(std::max(0, adv - a - cc)), cc};
  }
  return true;
}

bool GetCharWidth32W(HDC dc, uint32_t first, uint32_t last, int32_t* widths) {
  if (!IsDc(dc) || !widths || last < first || last > 0xFFFF) return false;
  QFontMetrics fm(currentFont(dc));
  for (uint32_t c = first; c <= last; ++c) widths[c - first] = fm.horizontalAdvance(QChar(char16_t(c)));
  return true;
}
}  // namespace plat
