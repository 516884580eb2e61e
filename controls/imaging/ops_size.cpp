// Crop and resize.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/pixel_ops.h"
#include "runtime/errors.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace img {

namespace {

[[noreturn]] void badSize(int32_t w, int32_t h) {
  throw rt::RuntimeError(380, QStringLiteral("Invalid picture size %1 x %2").arg(w).arg(h));
}

// Rows and columns at the edges for which isBorder(count of border pixels, length) holds are
// trimmed; the rectangle left over (never empty) is returned.
template <class IsBorderPixel, class IsBorderLine>
QRect trimEdges(const Bitmap& b, IsBorderPixel px, IsBorderLine line) {
  const int32_t w = b.width(), h = b.height();
  std::vector<int32_t> rowCount(static_cast<std::size_t>(h)), colCount(static_cast<std::size_t>(w));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (px(b.pixel(x, y))) {
        ++rowCount[static_cast<std::size_t>(y)];
        ++colCount[static_cast<std::size_t>(x)];
      }
  int32_t top = 0, bottom = h - 1, left = 0, right = w - 1;
  while (top < bottom && line(rowCount[static_cast<std::size_t>(top)], w)) ++top;
  while (bottom > top && line(rowCount[static_cast<std::size_t>(bottom)], w)) --bottom;
  while (left < right && line(colCount[static_cast<std::size_t>(left)], h)) ++left;
  while (right > left && line(colCount[static_cast<std::size_t>(right)], h)) --right;
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool sameColour(QRgb a, QRgb c) { return (a & 0xFFFFFFu) == (c & 0xFFFFFFu); }

}  // namespace

Bitmap cropToRect(const Bitmap& b, int32_t left, int32_t top, int32_t width, int32_t height) {
  if (b.isNull()) return b;
  const QRect r = QRect(left, top, width, height).intersected(QRect(0, 0, b.width(), b.height()));
  if (width <= 0 || height <= 0 || r.isEmpty()) badSize(width, height);
  Bitmap out = crop(b, r);
  out.annotation.clear();
  return out;
}

Bitmap autoCrop(const Bitmap& b, float fraction, int32_t borderX, int32_t borderY) {
  if (b.isNull()) return b;
  const QRgb bg = b.pixel(0, 0);
  const double f = std::clamp(static_cast<double>(fraction), 0.0, 1.0);
  // A line is margin while fewer than fraction of its pixels differ from the background.
  const QRect content = trimEdges(
      b, [bg](QRgb c) { return !sameColour(c, bg); },
      [f](int32_t differing, int32_t length) { return length > 0 && differing < f * length; });
  const QRect keep = content.adjusted(-std::max(0, borderX), -std::max(0, borderY), std::max(0, borderX), std::max(0, borderY))
                         .intersected(QRect(0, 0, b.width(), b.height()));
  if (keep == QRect(0, 0, b.width(), b.height())) return b;
  return cropToRect(b, keep.left(), keep.top(), keep.width(), keep.height());
}

Bitmap borderCrop(const Bitmap& b, float fraction, int type) {
  if (b.isNull()) return b;
  const QRgb bg = b.pixel(0, 0);
  QRgb border;
  switch (type) {
    case 0: border = bg; break;
    case 1: border = qRgb(255 - qRed(bg), 255 - qGreen(bg), 255 - qBlue(bg)); break;
    case 2: border = qRgb(0, 0, 0); break;
    default: border = qRgb(255, 255, 255); break;
  }
  const double f = std::clamp(static_cast<double>(fraction), 0.0, 1.0);
  const QRect keep = trimEdges(
      b, [border](QRgb c) { return sameColour(c, border); },
      [f](int32_t same, int32_t length) { return length > 0 && same >= f * length; });
  if (keep == QRect(0, 0, b.width(), b.height())) return b;
  return cropToRect(b, keep.left(), keep.top(), keep.width(), keep.height());
}

Bitmap resizeImage(const Bitmap& b, int32_t width, int32_t height) {
  if (width < 1 || height < 1 || width > kMaxResizeSide || height > kMaxResizeSide) badSize(width, height);
  if (b.isNull() || (width == b.width() && height == b.height())) return b;
  const bool bilevel = b.bitsPerPixel() == 1;
  Bitmap work = b;
  ops::toWorkingDepth(work);
  Bitmap out(width, height, work.bitsPerPixel());  // throws when the memory cannot be had
  out.palette() = work.palette();
  ops::copyMeta(b, out);
  out.annotation.clear();
  const bool shrinking = width <= b.width() && height <= b.height();
  cv::Mat dst = ops::asMat(out);
  cv::resize(ops::asMat(work), dst, cv::Size(width, height), 0, 0, shrinking ? cv::INTER_AREA : cv::INTER_LINEAR);
  if (!bilevel || work.bitsPerPixel() != 8) return out;
  Bitmap bw(width, height, 1);
  bw.palette() = b.palette();
  ops::copyMeta(b, bw);
  bw.annotation.clear();
  // Back to the two colours of the page, by which one is nearer.
  const int l0 = qGray(b.palette()[0]), l1 = qGray(b.palette()[1]);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const int v = out.row(y)[x];
      if (std::abs(v - l1) < std::abs(v - l0)) bw.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  return bw;
}

}  // namespace img
