#include "workspace/view_text.h"

#include <cmath>

namespace modView {

QString fnSingleText(float value) {
  QString s = QString::number(static_cast<double>(value), 'g', 7);
  // Large and small values keep the plain form as far as seven digits carry them.
  if (s.contains(QLatin1Char('e'))) s = QString::number(static_cast<double>(value), 'f', 7);
  if (s.contains(QLatin1Char('.'))) {
    while (s.endsWith(QLatin1Char('0'))) s.chop(1);
    if (s.endsWith(QLatin1Char('.'))) s.chop(1);
  }
  return s;
}

QString fnZoomText(float zoomFactor) {
  const float percent = zoomFactor * 100.0f;
  QString s = fnSingleText(percent);
  const int point = s.indexOf(QLatin1Char('.'));
  if (point >= 0) s = s.left(point + 3);
  return s + QLatin1Char('%');
}

ThumbGrid fnThumbGrid(double viewportWidth, int count) {
  ThumbGrid g;
  // The smallest k >= 0 with k x 1740 >= width - 280; one column less than k, at least one.
  const double need = viewportWidth - 280;
  int k = need <= 0 ? 0 : static_cast<int>(std::ceil(need / 1740.0));
  g.columns = std::max(1, k - 1);
  g.rows = count <= 0 ? 0 : (count + g.columns - 1) / g.columns;
  return g;
}

}  // namespace modView
