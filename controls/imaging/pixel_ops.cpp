#include "controls/imaging/pixel_ops.h"

#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/row_kernels.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <opencv2/imgproc.hpp>

namespace img {

using ops::asMat;
using ops::copyMeta;

int nearestIndex(const std::vector<QRgb>& palette, QRgb c) {
  int best = 0;
  long bestD = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const long dr = qRed(palette[i]) - qRed(c), dg = qGreen(palette[i]) - qGreen(c), db = qBlue(palette[i]) - qBlue(c);
    const long d = dr * dr + dg * dg + db * db;
    if (bestD < 0 || d < bestD) {
      bestD = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

Bitmap blankBitmap(int32_t w, int32_t h, int bpp, QRgb colour) {
  Bitmap b(w, h, bpp);
  if (bpp == 24) {
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* r = b.row(y);
      for (int32_t x = 0; x < w; ++x) {
        r[x * 3] = static_cast<uint8_t>(qBlue(colour));
        r[x * 3 + 1] = static_cast<uint8_t>(qGreen(colour));
        r[x * 3 + 2] = static_cast<uint8_t>(qRed(colour));
      }
    }
    return b;
  }
  if (bpp == 1) b.palette() = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  else if (bpp == 4) b.palette() = fixedPalette(4);
  else {
    const bool gray = qRed(colour) == qGreen(colour) && qGreen(colour) == qBlue(colour);
    if (gray) b.setGrayPalette();
    else b.palette() = fixedPalette(8);
  }
  const int idx = nearestIndex(b.palette(), colour);
  uint8_t fill = 0;
  if (bpp == 1) fill = idx ? 0xFF : 0x00;
  else if (bpp == 4) fill = static_cast<uint8_t>(idx << 4 | idx);
  else fill = static_cast<uint8_t>(idx);
  std::fill(b.data().begin(), b.data().end(), fill);
  return b;
}

void unpackRow(const Bitmap& b, int32_t y, uint8_t* out) {
  const uint8_t* r = b.row(y);
  const int32_t w = b.width();
  switch (b.bitsPerPixel()) {
    case 1: {
      int32_t x = 0;
      for (; x + 8 <= w; x += 8, ++r)
        for (int k = 0; k < 8; ++k) out[x + k] = static_cast<uint8_t>((*r >> (7 - k)) & 1);
      for (int k = 0; x < w; ++x, ++k) out[x] = static_cast<uint8_t>((*r >> (7 - k)) & 1);
      break;
    }
    case 4: {
      int32_t x = 0;
      for (; x + 2 <= w; x += 2, ++r) {
        out[x] = static_cast<uint8_t>(*r >> 4);
        out[x + 1] = static_cast<uint8_t>(*r & 0x0F);
      }
      if (x < w) out[x] = static_cast<uint8_t>(*r >> 4);
      break;
    }
    default: std::memcpy(out, r, static_cast<std::size_t>(w));
  }
}

void packRow(Bitmap& b, int32_t y, const uint8_t* in) {
  uint8_t* r = b.row(y);
  const int32_t w = b.width();
  switch (b.bitsPerPixel()) {
    case 1: {
      int32_t x = 0;
      for (; x + 8 <= w; x += 8, ++r) {
        uint8_t v = 0;
        for (int k = 0; k < 8; ++k) v = static_cast<uint8_t>(v | ((in[x + k] & 1) << (7 - k)));
        *r = v;
      }
      if (x < w) {
        const int n = w - x;
        const uint8_t keep = static_cast<uint8_t>(0xFF >> n);
        uint8_t v = static_cast<uint8_t>(*r & keep);
        for (int k = 0; k < n; ++k) v = static_cast<uint8_t>(v | ((in[x + k] & 1) << (7 - k)));
        *r = v;
      }
      break;
    }
    case 4: {
      int32_t x = 0;
      for (; x + 2 <= w; x += 2, ++r) *r = static_cast<uint8_t>(((in[x] & 0x0F) << 4) | (in[x + 1] & 0x0F));
      if (x < w) *r = static_cast<uint8_t>(((in[x] & 0x0F) << 4) | (*r & 0x0F));
      break;
    }
    default: std::memcpy(r, in, static_cast<std::size_t>(w));
  }
}

Bitmap crop(const Bitmap& b, const QRect& rIn) {
  const QRect r = rIn.intersected(QRect(0, 0, b.width(), b.height()));
  if (r.isEmpty()) return Bitmap();
  Bitmap out(r.width(), r.height(), b.bitsPerPixel());
  out.palette() = b.palette();
  copyMeta(b, out);
  out.annotation.clear();
  if (b.bitsPerPixel() == 24 || b.bitsPerPixel() == 8) {
    const int bytes = b.bitsPerPixel() / 8;
    for (int y = 0; y < r.height(); ++y)
      std::memcpy(out.row(y), b.row(r.top() + y) + static_cast<std::size_t>(r.left()) * bytes,
                  static_cast<std::size_t>(r.width()) * bytes);
  } else {
    std::vector<uint8_t> line(static_cast<std::size_t>(b.width()));
    for (int y = 0; y < r.height(); ++y) {
      unpackRow(b, r.top() + y, line.data());
      packRow(out, y, line.data() + r.left());
    }
  }
  return out;
}

void copyRows(const Bitmap& src, int32_t srcFirst, Bitmap& dst, int32_t dstFirst, int32_t count) {
  const std::size_t bytes = static_cast<std::size_t>(src.stride());
  for (int32_t i = 0; i < count; ++i) std::memcpy(dst.row(dstFirst + i), src.row(srcFirst + i), bytes);
}

void paste(Bitmap& dst, const Bitmap& src, int32_t px, int32_t py, const QPolygon& mask) {
  if (dst.isNull() || src.isNull()) return;
  const bool samePalette = dst.bitsPerPixel() == src.bitsPerPixel() && dst.palette() == src.palette();
  if (!samePalette && dst.bitsPerPixel() != 24) {
    // Keep a palette picture when every colour pasted is in its palette, else go to colour.
    bool fits = src.bitsPerPixel() <= 8;
    std::vector<int> map;
    if (fits) {
      for (QRgb c : src.palette()) {
        auto it = std::find(dst.palette().begin(), dst.palette().end(), c);
        if (it == dst.palette().end()) { fits = false; break; }
        map.push_back(static_cast<int>(it - dst.palette().begin()));
      }
    }
    if (!fits) {
      dst = dst.toColor24();
    } else {
      const QRect area = QRect(px, py, src.width(), src.height()).intersected(QRect(0, 0, dst.width(), dst.height()));
      for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
          if (!mask.isEmpty() && !mask.containsPoint(QPoint(x - px, y - py), Qt::OddEvenFill)) continue;
          const uint32_t i = src.index(x - px, y - py);
          dst.setIndex(x, y, static_cast<uint32_t>(i < map.size() ? map[i] : 0));
        }
      return;
    }
  }
  const QRect area = QRect(px, py, src.width(), src.height()).intersected(QRect(0, 0, dst.width(), dst.height()));
  if (area.isEmpty()) return;
  if (mask.isEmpty() && dst.bitsPerPixel() == src.bitsPerPixel() && (dst.bitsPerPixel() == 24 || samePalette)) {
    putPart(dst, src, px, py);
    return;
  }
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      if (!mask.isEmpty() && !mask.containsPoint(QPoint(x - px, y - py), Qt::OddEvenFill)) continue;
      if (dst.bitsPerPixel() == 24) dst.setIndex(x, y, src.pixel(x - px, y - py));
      else dst.setIndex(x, y, src.index(x - px, y - py));
    }
}

void putPart(Bitmap& dst, const Bitmap& part, int32_t px, int32_t py) {
  const QRect area = QRect(px, py, part.width(), part.height()).intersected(QRect(0, 0, dst.width(), dst.height()));
  if (area.isEmpty() || part.bitsPerPixel() != dst.bitsPerPixel()) return;
  if (dst.bitsPerPixel() >= 8) {
    const int bytes = dst.bitsPerPixel() / 8;
    for (int32_t y = area.top(); y <= area.bottom(); ++y)
      std::memcpy(dst.row(y) + static_cast<std::size_t>(area.left()) * bytes,
                  part.row(y - py) + static_cast<std::size_t>(area.left() - px) * bytes,
                  static_cast<std::size_t>(area.width()) * bytes);
    return;
  }
  std::vector<uint8_t> line(static_cast<std::size_t>(dst.width())), from(static_cast<std::size_t>(part.width()));
  for (int32_t y = area.top(); y <= area.bottom(); ++y) {
    unpackRow(dst, y, line.data());
    unpackRow(part, y - py, from.data());
    std::memcpy(line.data() + area.left(), from.data() + (area.left() - px), static_cast<std::size_t>(area.width()));
    packRow(dst, y, line.data());
  }
}

Bitmap rotate90(const Bitmap& b, int turns) {
  turns = ((turns % 4) + 4) % 4;
  if (turns == 0 || b.isNull()) return b;
  const bool swap = turns != 2;
  const int32_t w = b.width(), h = b.height();
  const int bpp = b.bitsPerPixel();
  const int32_t nw = swap ? h : w, nh = swap ? w : h;
  // Whole-byte pixels are all written by the turn, so the new picture needs no clearing first.
  const bool bytes = bpp == 8 || bpp == 24;
  Bitmap out = bytes ? Bitmap::unfilled(nw, nh, bpp) : Bitmap(nw, nh, bpp);
  out.palette() = b.palette();
  copyMeta(b, out);
  if (swap) std::swap(out.resolutionX, out.resolutionY);
  if (bytes) {
    // Bands of source rows turn on the worker threads: a band of rows y0..y1 becomes the columns
    // h - y1 .. h - y0 (clockwise) or y0 .. y1 (anticlockwise), or the rows h - y1 .. h - y0.
    const cv::Mat src = asMat(const_cast<Bitmap&>(b));
    cv::Mat dst = asMat(out);
    const int code = turns == 1 ? cv::ROTATE_90_CLOCKWISE : turns == 2 ? cv::ROTATE_180 : cv::ROTATE_90_COUNTERCLOCKWISE;
    ops::forRowBlocks(b, [&](int32_t y0, int32_t y1) {
      const cv::Range to = turns == 3 ? cv::Range(y0, y1) : cv::Range(h - y1, h - y0);
      cv::Mat part = turns == 2 ? dst.rowRange(to) : dst.colRange(to);
      cv::rotate(src.rowRange(y0, y1), part, code);
    });
    out.clearPadding();
    return out;
  }
  // 1 and 4-bit pictures: the source rows are unpacked once and each new row gathered from them.
  std::vector<uint8_t> src(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int32_t y = 0; y < h; ++y) unpackRow(b, y, src.data() + static_cast<std::size_t>(y) * w);
  std::vector<uint8_t> line(static_cast<std::size_t>(out.width()));
  for (int32_t ny = 0; ny < out.height(); ++ny) {
    for (int32_t nx = 0; nx < out.width(); ++nx) {
      int32_t x, y;
      if (turns == 1) { x = ny; y = h - 1 - nx; }
      else if (turns == 2) { x = w - 1 - nx; y = h - 1 - ny; }
      else { x = w - 1 - ny; y = nx; }
      line[static_cast<std::size_t>(nx)] = src[static_cast<std::size_t>(y) * w + x];
    }
    packRow(out, ny, line.data());
  }
  return out;
}

Bitmap rotateAny(const Bitmap& b, double degrees) {
  if (b.isNull()) return b;
  const double q = degrees / 90.0;
  if (std::abs(q - std::round(q)) < 1e-9) return rotate90(b, static_cast<int>(std::lround(q)));
  const bool bilevel = b.bitsPerPixel() == 1;
  Bitmap work = (b.bitsPerPixel() <= 8 && b.isGray()) ? b.toGray8() : b.toColor24();
  const double rad = degrees * M_PI / 180.0;
  const double c = std::abs(std::cos(rad)), s = std::abs(std::sin(rad));
  const int nw = static_cast<int>(std::ceil(work.width() * c + work.height() * s));
  const int nh = static_cast<int>(std::ceil(work.width() * s + work.height() * c));
  Bitmap out(nw, nh, work.bitsPerPixel());
  out.palette() = work.palette();
  copyMeta(b, out);
  // OpenCV's positive angle turns counter-clockwise.
  cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(work.width() / 2.0f, work.height() / 2.0f), -degrees, 1.0);
  m.at<double>(0, 2) += (nw - work.width()) / 2.0;
  m.at<double>(1, 2) += (nh - work.height()) / 2.0;
  cv::Mat dstMat = asMat(out);
  cv::warpAffine(asMat(work), dstMat, m, cv::Size(nw, nh), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                 cv::Scalar(255, 255, 255));
  if (!bilevel) return out;
  Bitmap bw(nw, nh, 1);
  bw.palette() = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  copyMeta(b, bw);
  for (int y = 0; y < nh; ++y)
    for (int x = 0; x < nw; ++x)
      if (out.row(y)[x] >= 128) bw.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  return bw;
}

namespace {

// One row reversed in place; line is room for a row's indexes (1 and 4-bit pictures).
void mirrorRow(Bitmap& b, int32_t y, std::vector<uint8_t>& line) {
  const int32_t w = b.width();
  uint8_t* r = b.row(y);
  if (b.bitsPerPixel() == 8) {
    std::reverse(r, r + w);
  } else if (b.bitsPerPixel() == 24) {
    for (int32_t x = 0; x < w / 2; ++x) std::swap_ranges(r + x * 3, r + x * 3 + 3, r + (w - 1 - x) * 3);
  } else {
    line.resize(static_cast<std::size_t>(w));
    unpackRow(b, y, line.data());
    std::reverse(line.begin(), line.end());
    packRow(b, y, line.data());
  }
}

// A new picture like b, made row by row: each row is copied and then changed by edit(out, y,
// line) while it is in the cache, so the old picture is read once and the new one written once.
// Blocks of rows are shared out among the worker threads, each with its own line of scratch.
template <class F>
Bitmap copyRowsWith(const Bitmap& b, F edit) {
  Bitmap out = Bitmap::unfilled(b.width(), b.height(), b.bitsPerPixel());
  out.palette() = b.palette();
  copyMeta(b, out);
  ops::forRowBlocks(out, [&](int32_t first, int32_t last) {
    std::vector<uint8_t> line;
    for (int32_t y = first; y < last; ++y) {
      std::memcpy(out.row(y), b.row(y), static_cast<std::size_t>(b.stride()));
      edit(out, y, line);
    }
  });
  return out;
}

}  // namespace

void mirror(Bitmap& b) {
  std::vector<uint8_t> line;
  for (int32_t y = 0; y < b.height(); ++y) mirrorRow(b, y, line);
}

Bitmap mirrored(const Bitmap& b) {
  if (b.isNull()) return b;
  if (b.bitsPerPixel() == 8 || b.bitsPerPixel() == 24) {
    // Whole-byte pixels go straight to their mirrored places; the row padding stays as it was.
    Bitmap out = Bitmap::unfilled(b.width(), b.height(), b.bitsPerPixel());
    out.palette() = b.palette();
    copyMeta(b, out);
    const cv::Mat src = asMat(const_cast<Bitmap&>(b));
    cv::Mat dst = asMat(out);
    const auto used = static_cast<std::size_t>(b.width()) * static_cast<std::size_t>(b.bitsPerPixel() / 8);
    ops::forRowBlocks(b, [&](int32_t first, int32_t last) {
      cv::Mat part = dst.rowRange(first, last);
      cv::flip(src.rowRange(first, last), part, 1);
      for (int32_t y = first; y < last; ++y) std::memcpy(out.row(y) + used, b.row(y) + used, static_cast<std::size_t>(b.stride()) - used);
    });
    return out;
  }
  return copyRowsWith(b, [](Bitmap& out, int32_t y, std::vector<uint8_t>& line) { mirrorRow(out, y, line); });
}

Bitmap flipped(const Bitmap& b) {
  if (b.isNull()) return b;
  Bitmap out = Bitmap::unfilled(b.width(), b.height(), b.bitsPerPixel());
  out.palette() = b.palette();
  copyMeta(b, out);
  ops::forRowBlocks(out, [&](int32_t first, int32_t last) {
    for (int32_t y = first; y < last; ++y)
      std::memcpy(out.row(y), b.row(b.height() - 1 - y), static_cast<std::size_t>(b.stride()));
  });
  return out;
}

void flip(Bitmap& b) {
  std::vector<uint8_t> tmp(static_cast<std::size_t>(b.stride()));
  for (int32_t y = 0; y < b.height() / 2; ++y) {
    uint8_t* a = b.row(y);
    uint8_t* c = b.row(b.height() - 1 - y);
    std::memcpy(tmp.data(), a, tmp.size());
    std::memcpy(a, c, tmp.size());
    std::memcpy(c, tmp.data(), tmp.size());
  }
}

namespace {

// Replaces the colours within [from, to] by with, row by row. Palette pictures whose palette
// holds with keep their depth; others must be brought to 24-bit first (needsColour).
class ColourReplacer {
 public:
  ColourReplacer(const Bitmap& b, QRgb from, QRgb to, QRgb with)
      : rLo_(std::min(qRed(from), qRed(to))), rHi_(std::max(qRed(from), qRed(to))),
        gLo_(std::min(qGreen(from), qGreen(to))), gHi_(std::max(qGreen(from), qGreen(to))),
        bLo_(std::min(qBlue(from), qBlue(to))), bHi_(std::max(qBlue(from), qBlue(to))), with_(with) {
    range_ = {{static_cast<uint8_t>(bLo_), static_cast<uint8_t>(gLo_), static_cast<uint8_t>(rLo_)},
              {static_cast<uint8_t>(bHi_), static_cast<uint8_t>(gHi_), static_cast<uint8_t>(rHi_)},
              {static_cast<uint8_t>(qBlue(with)), static_cast<uint8_t>(qGreen(with)), static_cast<uint8_t>(qRed(with))}};
    if (b.bitsPerPixel() > 8) return;
    const auto it = std::find(b.palette().begin(), b.palette().end(), with);
    needsColour_ = it == b.palette().end();
    if (needsColour_) return;
    // Every index maps to itself or to with's entry; indexes beyond the palette stay.
    const auto wi = static_cast<uint8_t>(it - b.palette().begin());
    for (std::size_t i = 0; i < map_.size(); ++i) {
      const QRgb c = i < b.palette().size() ? b.palette()[i] : 0;
      map_[i] = i < b.palette().size() && hit(qRed(c), qGreen(c), qBlue(c)) ? wi : static_cast<uint8_t>(i);
    }
  }
  bool needsColour() const { return needsColour_; }
  // Pixels left to right of row y; line is room for a row's indexes. Rows may be done at once.
  void row(Bitmap& b, int32_t y, int32_t left, int32_t right, std::vector<uint8_t>& line) const {
    if (b.bitsPerPixel() <= 8) {
      line.resize(static_cast<std::size_t>(b.width()));
      unpackRow(b, y, line.data());
      for (int32_t x = left; x <= right; ++x) line[static_cast<std::size_t>(x)] = map_[line[static_cast<std::size_t>(x)]];
      packRow(b, y, line.data());
      return;
    }
    rows::replaceInRange(b.row(y) + static_cast<std::size_t>(left) * 3, static_cast<std::size_t>(right - left + 1), range_);
  }

 private:
  bool hit(int red, int green, int blue) const {
    return red >= rLo_ && red <= rHi_ && green >= gLo_ && green <= gHi_ && blue >= bLo_ && blue <= bHi_;
  }
  int rLo_, rHi_, gLo_, gHi_, bLo_, bHi_;
  QRgb with_;
  rows::ColourRange range_{};
  bool needsColour_ = false;
  std::array<uint8_t, 256> map_{};
};

}  // namespace

bool replacementKeepsDepth(const Bitmap& b, QRgb with) { return !ColourReplacer(b, with, with, with).needsColour(); }

namespace {

QRect replaceArea(const Bitmap& b, const QRect& r) {
  const QRect full(0, 0, b.width(), b.height());
  return r.isEmpty() ? full : r.intersected(full);
}

}  // namespace

void replaceColours(Bitmap& b, const QRect& rIn, QRgb from, QRgb to, QRgb with) {
  if (b.isNull()) return;
  const QRect r = replaceArea(b, rIn);
  if (r.isEmpty()) return;
  if (ColourReplacer(b, from, to, with).needsColour()) b = b.toColor24();
  ColourReplacer replacer(b, from, to, with);
  std::vector<uint8_t> line;
  for (int32_t y = r.top(); y <= r.bottom(); ++y) replacer.row(b, y, r.left(), r.right(), line);
}

Bitmap coloursReplaced(const Bitmap& b, const QRect& rIn, QRgb from, QRgb to, QRgb with) {
  const QRect r = b.isNull() ? QRect() : replaceArea(b, rIn);
  if (r.isEmpty()) return b;
  ColourReplacer replacer(b, from, to, with);
  if (replacer.needsColour()) {
    Bitmap out = b.toColor24();
    replaceColours(out, r, from, to, with);
    return out;
  }
  return copyRowsWith(b, [&](Bitmap& out, int32_t y, std::vector<uint8_t>& line) {
    if (y >= r.top() && y <= r.bottom()) replacer.row(out, y, r.left(), r.right(), line);
  });
}

namespace {

// The stretch auto contrast applies to every channel, v to (v - lo) * 255 / (hi - lo) clamped;
// false when the picture is left as it is.
bool contrastRange(const Bitmap& b, int& lo, int& hi) {
  if (b.isNull() || b.bitsPerPixel() == 1) return false;
  const std::array<uint64_t, 256> hist = ops::luminanceHistogram(b);
  const uint64_t total = static_cast<uint64_t>(b.width()) * b.height();
  const uint64_t cut = total / 200;  // ignore 0.5 % at each end
  lo = 0;
  hi = 255;
  for (uint64_t acc = 0; lo < 255 && (acc += hist[static_cast<std::size_t>(lo)]) <= cut;) ++lo;
  for (uint64_t acc = 0; hi > 0 && (acc += hist[static_cast<std::size_t>(hi)]) <= cut;) --hi;
  return hi > lo;
}

void stretchPalette(Bitmap& b, int lo, int hi) {
  ops::Lut lut{};
  for (int i = 0; i < 256; ++i) lut[static_cast<std::size_t>(i)] = static_cast<uint8_t>(std::clamp((i - lo) * 255 / (hi - lo), 0, 255));
  ops::applyLut(b, lut);
}

// Rows of a 24-bit picture, from src (the picture itself or the one it is copied from) into dst,
// shared out among the worker threads; a new picture takes the old one's row padding as it is.
void stretchRows(const Bitmap& src, Bitmap& dst, int lo, int hi) {
  const auto used = static_cast<std::size_t>(src.width()) * 3;
  ops::forRowBlocks(dst, [&](int32_t first, int32_t last) {
    for (int32_t y = first; y < last; ++y) {
      if (&src == &dst) {
        rows::stretch(dst.row(y), used, lo, hi);
        continue;
      }
      rows::stretchInto(src.row(y), dst.row(y), used, lo, hi);
      std::memcpy(dst.row(y) + used, src.row(y) + used, static_cast<std::size_t>(src.stride()) - used);
    }
  });
}

}  // namespace

void autoContrast(Bitmap& b) {
  int lo = 0, hi = 0;
  if (!contrastRange(b, lo, hi)) return;
  if (b.bitsPerPixel() <= 8) stretchPalette(b, lo, hi);
  else stretchRows(b, b, lo, hi);
}

Bitmap autoContrasted(const Bitmap& b) {
  int lo = 0, hi = 0;
  const bool stretch = contrastRange(b, lo, hi);
  if (!stretch || b.bitsPerPixel() <= 8) {
    Bitmap out = b;
    if (stretch) stretchPalette(out, lo, hi);
    return out;
  }
  // Written straight into the new picture: the old one is read once, the new one written once.
  Bitmap out = Bitmap::unfilled(b.width(), b.height(), 24);
  copyMeta(b, out);
  stretchRows(b, out, lo, hi);
  return out;
}

void despeckle(Bitmap& b) {
  if (b.isNull()) return;
  if (b.bitsPerPixel() == 1) {
    // A pixel unlike all eight neighbours is a speck and takes their value. The three rows around
    // the one being cleaned are kept as they were read, so the picture needs no copy.
    const int32_t w = b.width(), h = b.height();
    if (w < 3 || h < 3) return;
    std::vector<uint8_t> up(static_cast<std::size_t>(w)), mid(up), down(up), out(up);
    unpackRow(b, 0, up.data());
    unpackRow(b, 1, mid.data());
    for (int32_t y = 1; y + 1 < h; ++y) {
      unpackRow(b, y + 1, down.data());
      bool changed = false;
      out = mid;
      for (std::size_t x = 1; x + 1 < static_cast<std::size_t>(w); ++x) {
        const uint8_t v = mid[x];
        if (up[x - 1] != v && up[x] != v && up[x + 1] != v && mid[x - 1] != v && mid[x + 1] != v && down[x - 1] != v &&
            down[x] != v && down[x + 1] != v) {
          out[x] = static_cast<uint8_t>(v ^ 1u);
          changed = true;
        }
      }
      if (changed) packRow(b, y, out.data());
      std::swap(up, mid);
      std::swap(mid, down);
    }
    return;
  }
  median(b);  // grey and colour pictures: the 3 x 3 median
}

double estimateSkew(const Bitmap& b, double maxDeg) {
  if (b.isNull()) return 0;
  // Work on a reduced grey copy: dark pixels as points, projection profile per angle.
  Bitmap g = b.toGray8();
  const int step = std::max(1, std::max(g.width(), g.height()) / 1000);
  std::vector<std::pair<int, int>> dark;
  for (int32_t y = 0; y < g.height(); y += step)
    for (int32_t x = 0; x < g.width(); x += step)
      if (g.row(y)[x] < 128) dark.emplace_back(x, y);
  if (dark.size() < 20) return 0;
  double best = 0, bestScore = -1;
  const int bins = g.height() / step + 2 * g.width() / step + 4;
  std::vector<int> prof;
  for (double a = -maxDeg; a <= maxDeg + 1e-9; a += 0.1) {
    const double t = std::tan(a * M_PI / 180.0);
    prof.assign(static_cast<std::size_t>(bins + g.height() / step + 8), 0);
    for (auto [x, y] : dark) {
      // Rows of text slope down to the right by a degrees: remove that slope.
      const long k = std::lround((y - x * t) / step) + bins / 2;
      if (k >= 0 && k < static_cast<long>(prof.size())) ++prof[static_cast<std::size_t>(k)];
    }
    double score = 0;
    for (int v : prof) score += static_cast<double>(v) * v;
    if (score > bestScore + 1e-6) {
      bestScore = score;
      best = a;
    }
  }
  return std::abs(best) < 0.05 ? 0 : best;
}

Bitmap deskew(const Bitmap& b) {
  const double a = estimateSkew(b);
  if (a == 0) return b;
  return rotateAny(b, -a);
}

}  // namespace img
