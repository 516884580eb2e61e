// Distortions: each output pixel is read from a computed position of the source (cv::remap with
// bilinear interpolation), or, for the twist, whole square blocks are turned.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/pixel_ops.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace img {

namespace {

// Writes output rows first..last-1 of dst: each pixel is read from the position f(x, y, sx, sy)
// gives in src and resampled; pixels read from outside the picture take the nearest edge pixel, or
// white when fillWhite is set. src and dst are of one size and a working depth.
template <class F>
void remapRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, F f, bool fillWhite) {
  const cv::Mat in = ops::asMat(const_cast<Bitmap&>(src));
  cv::Mat out = ops::asMat(dst);
  // Bands of rows, each with its own small position maps: the maps stay in the cache instead of
  // two picture-sized float planes going through memory, and the result is written in place.
  // Every pixel's position and resampling depend on that pixel alone, so any rows come out as
  // they do in the whole picture.
  constexpr int kBand = 32;
  const int w = src.width();
  first = std::max(0, first);
  last = std::min(src.height(), last);
  if (first >= last) return;
  cv::parallel_for_(cv::Range(0, (last - first + kBand - 1) / kBand), [&](const cv::Range& bands) {
    cv::Mat mapX(kBand, w, CV_32F), mapY(kBand, w, CV_32F);
    for (int band = bands.start; band < bands.end; ++band) {
      const int top = first + band * kBand, rows = std::min(kBand, last - top);
      for (int i = 0; i < rows; ++i) {
        float* mx = mapX.ptr<float>(i);
        float* my = mapY.ptr<float>(i);
        const int y = top + i;
        for (int x = 0; x < w; ++x) {
          double sx = x, sy = y;
          f(x, y, sx, sy);
          mx[x] = static_cast<float>(sx);
          my[x] = static_cast<float>(sy);
        }
      }
      cv::Mat part = out.rowRange(top, top + rows);
      cv::remap(in, part, mapX.rowRange(0, rows), mapY.rowRange(0, rows), cv::INTER_LINEAR,
                fillWhite ? cv::BORDER_CONSTANT : cv::BORDER_REPLICATE, cv::Scalar(255, 255, 255));
    }
  });
}

// The whole picture through remapRows, at its working depth.
template <class F>
void remapWith(Bitmap& b, F f, bool fillWhite) {
  ops::toWorkingDepth(b);
  Bitmap out(b.width(), b.height(), b.bitsPerPixel());
  out.palette() = b.palette();
  ops::copyMeta(b, out);
  remapRows(b, out, 0, b.height(), f, fillWhite);
  b = std::move(out);
}

// Each distortion hands its source-position function to use(f, fillWhite), or returns false when
// its parameters leave the picture as it is. The whole-picture operation and its rows share it.
template <class Use>
bool swirlMap(const Bitmap& b, double degrees, Use&& use) {
  if (degrees == 0 || b.isNull()) return false;
  const double cx = (b.width() - 1) / 2.0, cy = (b.height() - 1) / 2.0;
  const double radius = std::max(1.0, std::min(b.width(), b.height()) / 2.0);
  const double turn = degrees * M_PI / 180.0;
  use([=](int x, int y, double& sx, double& sy) {
    const double dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
    if (r >= radius) return;
    const double a = turn * (1.0 - r / radius) * (1.0 - r / radius);
    const double c = std::cos(a), s = std::sin(a);
    sx = cx + dx * c - dy * s;
    sy = cy + dx * s + dy * c;
  }, false);
  return true;
}

template <class Use>
bool pinchMap(const Bitmap& b, int intensity, Use&& use) {
  const double k = std::clamp(intensity, -100, 100) / 100.0;
  if (k == 0 || b.isNull()) return false;
  const double cx = (b.width() - 1) / 2.0, cy = (b.height() - 1) / 2.0;
  const double radius = std::max(1.0, std::min(b.width(), b.height()) / 2.0);
  use([=](int x, int y, double& sx, double& sy) {
    const double dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
    if (r >= radius || r == 0) return;
    // The source radius grows towards the centre for a pinch (the middle is drawn from further
    // out) and shrinks for a bulge; the edge of the circle stays put.
    const double t = r / radius;
    const double f = std::pow(t, -0.5 * k);
    sx = cx + dx * f;
    sy = cy + dy * f;
  }, false);
  return true;
}

template <class Use>
bool rippleMap(const Bitmap& b, int frequency, int intensity, int direction, Use&& use) {
  const int f = std::max(1, frequency), a = std::max(0, intensity);
  if (a == 0 || b.isNull()) return false;
  const bool vertical = direction != 0;
  // frequency waves across the picture; intensity is the amplitude in pixels.
  const double span = vertical ? b.width() : b.height();
  const double w = 2 * M_PI * f / std::max(1.0, span);
  use([=](int x, int y, double& sx, double& sy) {
    if (vertical) sy = y + a * std::sin(w * x);
    else sx = x + a * std::sin(w * y);
  }, false);
  return true;
}

template <class Use>
bool parabolicMap(const Bitmap& b, int type, Use&& use) {
  if (b.isNull()) return false;
  const double cx = (b.width() - 1) / 2.0, cy = (b.height() - 1) / 2.0;
  const double hx = std::max(1.0, cx), hy = std::max(1.0, cy);
  const bool convex = type == 0;
  use([=](int x, int y, double& sx, double& sy) {
    // Each axis is mapped through a parabola that keeps the centre and the edges: convex draws
    // the middle larger, concave smaller.
    auto axis = [convex](double u) {  // u in -1..1
      const double a = std::abs(u);
      const double v = convex ? a * a : 2 * a - a * a;
      return u < 0 ? -v : v;
    };
    sx = cx + axis((x - cx) / hx) * hx;
    sy = cy + axis((y - cy) / hy) * hy;
  }, false);
  return true;
}

template <class Use>
bool perspectiveMap(const Bitmap& b, int type, int percent, Use&& use) {
  const double p = std::clamp(percent, 0, 100) / 100.0;
  if (p == 0 || b.isNull()) return false;
  const float w = static_cast<float>(b.width()), h = static_cast<float>(b.height());
  // At 100 % the narrowed edge keeps a tenth of its length, so the mapping stays invertible.
  const float ix = static_cast<float>(w * p * 0.45), iy = static_cast<float>(h * p * 0.45);
  // The narrowed edge: 0 the top, 1 the bottom, 2 the left, 3 the right.
  cv::Point2f dst[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  switch (std::clamp(type, 0, 3)) {
    case 0: dst[0].x += ix; dst[1].x -= ix; break;
    case 1: dst[3].x += ix; dst[2].x -= ix; break;
    case 2: dst[0].y += iy; dst[3].y -= iy; break;
    default: dst[1].y += iy; dst[2].y -= iy; break;
  }
  const cv::Point2f src[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  const cv::Mat inv = cv::getPerspectiveTransform(dst, src);
  double t[9];
  for (int i = 0; i < 9; ++i) t[i] = inv.ptr<double>(0)[i];
  use([t](int x, int y, double& sx, double& sy) {
    const double X = x + 0.5, Y = y + 0.5;
    const double d = t[6] * X + t[7] * Y + t[8];
    sx = (t[0] * X + t[1] * Y + t[2]) / d - 0.5;
    sy = (t[3] * X + t[4] * Y + t[5]) / d - 0.5;
  }, true);
  return true;
}

// The whole-picture operation and the rows of one from the same position function.
auto wholeOf(Bitmap& b) {
  return [&b](auto f, bool fillWhite) { remapWith(b, f, fillWhite); };
}

struct RowsOf {
  const Bitmap& src;
  Bitmap& dst;
  int32_t first, last;
  template <class F>
  void operator()(F f, bool fillWhite) const { remapRows(src, dst, first, last, f, fillWhite); }
  // Parameters that change nothing: the rows are the source's.
  void unchanged() const {
    const int32_t from = std::max(0, first);
    copyRows(src, from, dst, from, std::min(src.height(), last) - from);
  }
};

}  // namespace

void swirl(Bitmap& b, double degrees) { swirlMap(b, degrees, wholeOf(b)); }
void pinch(Bitmap& b, int intensity) { pinchMap(b, intensity, wholeOf(b)); }
void ripple(Bitmap& b, int frequency, int intensity, int direction) {
  rippleMap(b, frequency, intensity, direction, wholeOf(b));
}
void parabolic(Bitmap& b, int type) { parabolicMap(b, type, wholeOf(b)); }
void perspective(Bitmap& b, int type, int percent) { perspectiveMap(b, type, percent, wholeOf(b)); }

void swirlRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, double degrees) {
  const RowsOf rows{src, dst, first, last};
  if (!swirlMap(src, degrees, rows)) rows.unchanged();
}
void pinchRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int intensity) {
  const RowsOf rows{src, dst, first, last};
  if (!pinchMap(src, intensity, rows)) rows.unchanged();
}
void rippleRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int frequency, int intensity, int direction) {
  const RowsOf rows{src, dst, first, last};
  if (!rippleMap(src, frequency, intensity, direction, rows)) rows.unchanged();
}
void parabolicRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int type) {
  const RowsOf rows{src, dst, first, last};
  if (!parabolicMap(src, type, rows)) rows.unchanged();
}
void perspectiveRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int type, int percent) {
  const RowsOf rows{src, dst, first, last};
  if (!perspectiveMap(src, type, percent, rows)) rows.unchanged();
}

namespace {
// Turns the whole square blocks of part, whose row 0 is picture row `top` of a picture `height`
// rows high; blocks are counted from the picture's top-left corner, and a random angle comes
// from the block's place in the picture.
void turnBlocks(Bitmap& part, int32_t top, int32_t height, int n, int angle) {
  const int turnsFixed = std::clamp(angle, 0, 3) + 1;  // 0 -> 90 degrees, 1 -> 180, 2 -> 270
  cv::Mat m = ops::asMat(part);
  for (int32_t y = top; y + n <= height && y < top + part.height(); y += n)
    for (int32_t x = 0; x + n <= part.width(); x += n) {
      const int turns = angle >= 3 ? static_cast<int>(ops::positionBits(static_cast<uint32_t>(x / n), static_cast<uint32_t>(y / n)) & 3)
                                   : turnsFixed;
      if (turns % 4 == 0) continue;
      cv::Mat cell = m(cv::Rect(x, y - top, n, n));
      cv::Mat turned;
      cv::rotate(cell, turned, turns == 1 ? cv::ROTATE_90_CLOCKWISE : turns == 2 ? cv::ROTATE_180 : cv::ROTATE_90_COUNTERCLOCKWISE);
      turned.copyTo(cell);
    }
}
}  // namespace

void twist(Bitmap& b, int blockSize, int angle) {
  const int n = std::max(1, blockSize);
  if (b.isNull() || n == 1) return;
  ops::toWorkingDepth(b);
  turnBlocks(b, 0, b.height(), n, angle);
}

void twistRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int blockSize, int angle) {
  const int32_t n = std::max(1, blockSize), h = src.height();
  first = std::max(0, first);
  last = std::min(h, last);
  if (first >= last) return;
  // The block rows around the rows asked for, turned on their own.
  const int32_t top = first / n * n, bottom = static_cast<int32_t>(std::min<int64_t>(h, (int64_t(last) + n - 1) / n * n));
  Bitmap part = crop(src, QRect(0, top, src.width(), bottom - top));
  if (n > 1) turnBlocks(part, top, h, n, angle);
  copyRows(part, first - top, dst, first, last - first);
}

}  // namespace img
