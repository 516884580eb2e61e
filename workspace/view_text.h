#pragma once
// Texts the main window shows for numbers: the zoom in the status bar.
#include <QString>

namespace modView {

// A single-precision number as the runtime prints one: up to seven significant digits, no
// trailing zeros ("110", "59.049", "72.89999").
QString fnSingleText(float value);
// The zoom panel's text: zoom x 100 as a single, cut (never rounded) two digits after the point,
// followed by "%" ("110%", "59.04%", "72.89%").
QString fnZoomText(float zoomFactor);

// The grid of the thumbnail strip for a viewport width in twips: columns (at least 1) and the
// rows that n thumbnails take.
struct ThumbGrid {
  int columns = 1;
  int rows = 0;
};
ThumbGrid fnThumbGrid(double viewportWidth, int count);

}  // namespace modView
