#include "albums/thumb_layout.h"

#include "runtime/conversions.h"

#include <algorithm>

namespace albums {

double rowPitch(double captionHeight) { return kRowPitchBase + captionHeight; }

int gridRows(int cells, int columns) { return cells <= 0 || columns <= 0 ? 0 : (cells + columns - 1) / columns; }

double cellLeft(int index, int columns) { return kGridMargin + kColumnPitch * (index % columns); }

double cellTop(int index, int columns, double captionHeight) {
  return kGridMargin + rowPitch(captionHeight) * (index / columns);
}

double captionTop(double cellTopTwips, double cellHeightTwips) { return cellTopTwips + cellHeightTwips + kCaptionGap; }

GridLayout layoutGrid(const GridMetrics& m, int cells, bool scrollBarBefore) {
  GridLayout g;
  g.rows = gridRows(cells, m.columns);
  g.contentHeight = rowPitch(m.captionHeight) * g.rows + kGridMargin;
  const double plain = m.frameWidth - 2.5 * m.viewportLeft;
  g.scrollBar = scrollBarBefore;
  g.viewportWidth = scrollBarBefore ? plain - m.scrollBarWidth : plain;
  if (g.contentHeight < m.viewportHeight) {
    g.scrollBar = false;
    g.viewportWidth = plain;
    g.contentHeight = m.viewportHeight;
  } else if (g.contentHeight > m.viewportHeight) {
    g.scrollBar = true;
    g.viewportWidth = plain - m.scrollBarWidth;
    g.scrollMax = static_cast<int>(rt::RoundHalfEven((g.contentHeight - m.viewportHeight) / kScrollStep));
  }
  return g;
}

int scrollToCell(const GridMetrics& m, int cells, int cell, int scroll) {
  if (cells <= 0) return 0;
  const GridLayout g = layoutGrid(m, cells);
  const int j = std::clamp(cell, 0, cells - 1);
  const double top = cellTop(j, m.columns, m.captionHeight);
  const double cellBottom = captionTop(top) + m.captionHeight + kGridMargin;
  const double viewBottom = m.viewportHeight + scroll * kScrollStep;
  int value = scroll;
  if (viewBottom < cellBottom)
    value = static_cast<int>(rt::RoundHalfEven((cellBottom - m.viewportHeight) / kScrollStep));
  else if (top + kGridMargin < scroll * kScrollStep)
    value = static_cast<int>(rt::RoundHalfEven((top - kGridMargin) / kScrollStep));
  return std::clamp(value, 0, g.scrollMax);
}

QString cellCaption(int number, const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return QStringLiteral(" %1. %2").arg(number).arg(slash < 0 ? path : path.mid(slash + 1));
}

PageSpan pageSpan(int page, int total, int perPage) {
  PageSpan s;
  s.first = (page - 1) * perPage + 1;
  s.last = std::min(total, page * perPage);
  return s;
}

bool pageHasNext(int page, int total, int perPage) { return total > page * perPage; }

int albumPageOfRow(int row) {
  int page = 1;
  if (row < 1) return page;
  while (page * kAlbumPageCells < row) ++page;
  return page;
}

}  // namespace albums
