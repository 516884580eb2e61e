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

namespace {

// Bilevel pages: set bits are counted per source column down a band of rows, eight columns at
// once (each byte of a 64-bit word counts one column), then summed per output cell.
class BilevelBand {
 public:
  explicit BilevelBand(int width) : bytes_((width + 7) / 8), lanes_(static_cast<std::size_t>(bytes_)), counts_(static_cast<std::size_t>(bytes_) * 8) {}
  void addRow(const uint8_t* r) {
    static const auto spread = [] {
      std::array<uint64_t, 256> t{};
      for (int v = 0; v < 256; ++v)
        for (int j = 0; j < 8; ++j)
          if ((v >> (7 - j)) & 1) t[static_cast<std::size_t>(v)] |= uint64_t(1) << (8 * j);
      return t;
    }();
    for (int k = 0; k < bytes_; ++k) lanes_[static_cast<std::size_t>(k)] += spread[r[k]];
    if (++rows_ == 255) flush();
  }
  // Set bits in columns [a, e) of the band; the band starts again afterwards with reset().
  uint32_t count(int a, int e) {
    flush();
    uint32_t n = 0;
    for (int x = a; x < e; ++x) n += counts_[static_cast<std::size_t>(x)];
    return n;
  }
  void reset() {
    std::fill(lanes_.begin(), lanes_.end(), 0);
    std::fill(counts_.begin(), counts_.end(), 0);
    rows_ = 0;
  }

 private:
  void flush() {
    if (rows_ == 0) return;
    for (int k = 0; k < bytes_; ++k) {
      uint64_t v = lanes_[static_cast<std::size_t>(k)];
      for (int j = 0; j < 8; ++j, v >>= 8) counts_[static_cast<std::size_t>(k) * 8 + static_cast<std::size_t>(j)] += static_cast<uint32_t>(v & 0xFF);
      lanes_[static_cast<std::size_t>(k)] = 0;
    }
    rows_ = 0;
  }
  int bytes_;
  int rows_ = 0;
  std::vector<uint64_t> lanes_;
  std::vector<uint32_t> counts_;
};

}  // namespace

namespace {

// Where box-filtered pixels go: the picture reduced to w x h, of which the target holds the part
// whose top-left pixel is origin, as 0xFFRRGGBB (an RGB32 image) or blue-green-red (a 24-bit
// picture).
struct BoxTarget {
  int w = 0, h = 0;
  QPoint origin;
  QImage* image = nullptr;
  Bitmap* bitmap = nullptr;
};

// Output pixels of rows [ty0, ty1) and columns [c0, c1) of the box-filtered picture: each the mean
// of its box of source pixels.
void thumbnailPart(const Bitmap& b, const BoxTarget& out, int ty0, int ty1, int c0, int c1) {
  const int tw = out.w, th = out.h;
  // Output column c covers source columns x0[c] .. x0[c + 1] - 1; rows likewise.
  std::vector<int> x0(static_cast<std::size_t>(c1 - c0) + 1);
  for (int c = c0; c <= c1; ++c) x0[static_cast<std::size_t>(c - c0)] = static_cast<int>(static_cast<int64_t>(c) * b.width() / tw);
  const int n = c1 - c0;
  std::vector<uint32_t> acc(static_cast<std::size_t>(n) * 3), ones(static_cast<std::size_t>(n));
  // The depths a Bitmap holds: 1 and 24 bits, or else 4 and 8 bits with a table.
  const bool bilevel = b.bitsPerPixel() == 1, colour = b.bitsPerPixel() == 24;
  BilevelBand band(bilevel ? b.width() : 0);
  std::vector<uint8_t> indexes(bilevel || colour ? 0 : static_cast<std::size_t>(b.width()));
  // An 8-bit picture whose entry i is the grey i (as grey scale makes it): its bytes are the values.
  bool plainGrey = b.bitsPerPixel() == 8 && b.palette().size() >= 256;
  for (int i = 0; i < 256 && plainGrey; ++i) plainGrey = b.palette()[static_cast<std::size_t>(i)] == qRgb(i, i, i);
  const QRgb c0c = bilevel ? b.palette()[0] : 0, c1c = bilevel ? b.palette()[1] : 0;
  for (int ty = ty0; ty < ty1; ++ty) {
    const int y0 = static_cast<int>(static_cast<int64_t>(ty) * b.height() / th);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<int64_t>(ty + 1) * b.height() / th));
    std::fill(acc.begin(), acc.end(), 0);
    if (bilevel) {
      band.reset();
      for (int y = y0; y < y1; ++y) band.addRow(b.row(y));
      for (int c = 0; c < n; ++c) ones[static_cast<std::size_t>(c)] = band.count(x0[static_cast<std::size_t>(c)], x0[static_cast<std::size_t>(c) + 1]);
    }
    for (int y = y0; y < y1 && !bilevel; ++y) {
      const uint8_t* r = b.row(y);
      if (colour) {
        for (int c = 0; c < n; ++c) {
          uint32_t* a = acc.data() + static_cast<std::size_t>(c) * 3;
          uint32_t red = 0, green = 0, blue = 0;
          for (int x = x0[static_cast<std::size_t>(c)]; x < x0[static_cast<std::size_t>(c) + 1]; ++x) {
            red += r[x * 3 + 2];
            green += r[x * 3 + 1];
            blue += r[x * 3];
          }
          a[0] += red;
          a[1] += green;
          a[2] += blue;
        }
      } else if (plainGrey) {
        for (int c = 0; c < n; ++c) {
          uint32_t v = 0;
          for (int x = x0[static_cast<std::size_t>(c)]; x < x0[static_cast<std::size_t>(c) + 1]; ++x) v += r[x];
          uint32_t* a = acc.data() + static_cast<std::size_t>(c) * 3;
          a[0] += v;
          a[1] += v;
          a[2] += v;
        }
      } else {
        // 4 and 8 bits through the table; an index past a short table is black, as pixel() says.
        unpackRow(b, y, indexes.data());
        const std::vector<QRgb>& pal = b.palette();
        for (int c = 0; c < n; ++c) {
          uint32_t* a = acc.data() + static_cast<std::size_t>(c) * 3;
          for (int x = x0[static_cast<std::size_t>(c)]; x < x0[static_cast<std::size_t>(c) + 1]; ++x) {
            const uint8_t i = indexes[static_cast<std::size_t>(x)];
            const QRgb p = i < pal.size() ? pal[i] : qRgb(0, 0, 0);
            a[0] += static_cast<uint32_t>(qRed(p));
            a[1] += static_cast<uint32_t>(qGreen(p));
            a[2] += static_cast<uint32_t>(qBlue(p));
          }
        }
      }
    }
    const int row = ty - out.origin.y(), column = c0 - out.origin.x();
    QRgb* line = out.image ? reinterpret_cast<QRgb*>(out.image->scanLine(row)) + column : nullptr;
    uint8_t* bgr = out.bitmap ? out.bitmap->row(row) + static_cast<std::ptrdiff_t>(column) * 3 : nullptr;
    for (int k = 0; k < n; ++k) {
      const auto c = static_cast<std::size_t>(k);
      const uint32_t cnt = static_cast<uint32_t>((x0[c + 1] - x0[c]) * (y1 - y0));
      uint32_t red, green, blue;
      if (bilevel) {
        const uint32_t k1 = ones[c], k0 = cnt - k1;
        red = (qRed(c0c) * k0 + qRed(c1c) * k1) / cnt;
        green = (qGreen(c0c) * k0 + qGreen(c1c) * k1) / cnt;
        blue = (qBlue(c0c) * k0 + qBlue(c1c) * k1) / cnt;
      } else {
        red = acc[c * 3] / cnt;
        green = acc[c * 3 + 1] / cnt;
        blue = acc[c * 3 + 2] / cnt;
      }
      if (line) {
        line[k] = qRgb(static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue));
      } else {
        bgr[k * 3] = static_cast<uint8_t>(blue);
        bgr[k * 3 + 1] = static_cast<uint8_t>(green);
        bgr[k * 3 + 2] = static_cast<uint8_t>(red);
      }
    }
  }
}

// thumbnailPart over output rows [ty0, ty1) shared out among the worker threads when the source
// rows behind them are many.
void thumbnailRows(const Bitmap& b, const BoxTarget& out, int ty0, int ty1, int c0, int c1) {
  if (ty0 >= ty1 || c0 >= c1) return;
  const int64_t sourceBytes = int64_t(b.stride()) * (ty1 - ty0) * b.height() / std::max(1, out.h);
  const double stripes = std::clamp(static_cast<double>(sourceBytes) / (1 << 21), 1.0, static_cast<double>(ty1 - ty0));
  cv::parallel_for_(cv::Range(ty0, ty1), [&](const cv::Range& r) { thumbnailPart(b, out, r.start, r.end, c0, c1); }, stripes);
}

// The cells of b reduced to w x h whose boxes meet the area of b: cell c covers
// [c * size / cells, (c + 1) * size / cells).
QRect cellsReached(const Bitmap& b, int w, int h, const QRect& area) {
  const QRect part = area.intersected(QRect(0, 0, b.width(), b.height()));
  if (part.isEmpty()) return {};
  auto firstCell = [](int from, int size, int cells) { return static_cast<int>(int64_t(from) * cells / size); };
  auto lastCell = [](int to, int size, int cells) {  // one past the last cell whose box starts before `to`
    return std::min(cells, static_cast<int>((int64_t(to) * cells + size - 1) / size));
  };
  // A box is at least one source pixel: widen by one cell each way rather than work out the rounding.
  const int ty0 = std::max(0, firstCell(part.top(), b.height(), h) - 1);
  const int ty1 = std::min(h, lastCell(part.bottom() + 1, b.height(), h) + 1);
  const int c0 = std::max(0, firstCell(part.left(), b.width(), w) - 1);
  const int c1 = std::min(w, lastCell(part.right() + 1, b.width(), w) + 1);
  return QRect(c0, ty0, c1 - c0, ty1 - ty0);
}

// Makes the cells of the target within r (clipped to what the target holds).
void makeCells(const Bitmap& b, const BoxTarget& out, const QRect& r) {
  const QSize held = out.image ? out.image->size() : QSize(out.bitmap->width(), out.bitmap->height());
  const QRect cells = r.intersected(QRect(out.origin, held));
  if (!cells.isEmpty()) thumbnailRows(b, out, cells.top(), cells.bottom() + 1, cells.left(), cells.right() + 1);
}

}  // namespace

QImage makeThumbnail(const Bitmap& b, int maxW, int maxH) {
  if (b.isNull() || maxW <= 0 || maxH <= 0) return QImage();
  const double s = std::min({1.0, static_cast<double>(maxW) / b.width(), static_cast<double>(maxH) / b.height()});
  const int tw = std::max(1, static_cast<int>(b.width() * s)), th = std::max(1, static_cast<int>(b.height() * s));
  return reducedPart(b, tw, th, QRect(0, 0, tw, th));
}

void updateThumbnail(const Bitmap& b, QImage& out, const QRect& area) {
  if (out.isNull()) return;
  updateReducedPart(b, out.width(), out.height(), out, QPoint(0, 0), area);
}

QImage reducedPart(const Bitmap& b, int w, int h, const QRect& part) {
  const QRect cells = part.intersected(QRect(0, 0, w, h));
  if (b.isNull() || cells.isEmpty()) return QImage();
  QImage out(cells.size(), QImage::Format_RGB32);
  BoxTarget t{w, h, cells.topLeft(), &out, nullptr};
  makeCells(b, t, cells);
  return out;
}

QRect updateReducedPart(const Bitmap& b, int w, int h, QImage& out, QPoint origin, const QRect& area) {
  if (out.isNull() || b.isNull()) return {};
  BoxTarget t{w, h, origin, &out, nullptr};
  const QRect cells = cellsReached(b, w, h, area);
  makeCells(b, t, cells);
  return cells;
}

Bitmap reducedBitmap(const Bitmap& b, int w, int h) {
  Bitmap out = Bitmap::unfilled(w, h, 24);
  out.clearPadding();
  BoxTarget t{w, h, QPoint(0, 0), nullptr, &out};
  makeCells(b, t, QRect(0, 0, w, h));
  return out;
}

namespace {
// Whether the picture's bytes are its colours: 24-bit, or 8-bit whose entry i is the grey i (as
// grey scale makes it).
bool plainBytes(const Bitmap& b) {
  if (b.bitsPerPixel() == 24) return true;
  if (b.bitsPerPixel() != 8 || b.palette().size() < 256) return false;
  for (int i = 0; i < 256; ++i)
    if (b.palette()[static_cast<std::size_t>(i)] != qRgb(i, i, i)) return false;
  return true;
}

// Rows [y0, y1) and columns [c0, c1) of b (plainBytes) halved into the 24-bit out: each pixel the
// mean of its 2 x 2 block (the odd last row or column left out), shared out among the worker
// threads.
void halveRows(const Bitmap& b, Bitmap& out, int y0, int y1, int c0, int c1) {
  if (y0 >= y1 || c0 >= c1) return;
  const bool grey = b.bitsPerPixel() == 8;
  const double stripes = std::clamp(double(y1 - y0) * (c1 - c0) / (1 << 18), 1.0, double(y1 - y0));
  cv::parallel_for_(cv::Range(y0, y1), [&](const cv::Range& r) {
    for (int y = r.start; y < r.end; ++y) {
      const uint8_t* p = b.row(2 * y);
      const uint8_t* q = b.row(2 * y + 1);
      uint8_t* d = out.row(y);
      if (grey) {
        for (int x = c0; x < c1; ++x)
          d[x * 3] = d[x * 3 + 1] = d[x * 3 + 2] = static_cast<uint8_t>((p[x * 2] + p[x * 2 + 1] + q[x * 2] + q[x * 2 + 1]) >> 2);
        continue;
      }
      for (int x = c0; x < c1; ++x)
        for (int c = 0; c < 3; ++c)
          d[x * 3 + c] = static_cast<uint8_t>((p[x * 6 + c] + p[x * 6 + 3 + c] + q[x * 6 + c] + q[x * 6 + 3 + c]) >> 2);
    }
  }, stripes);
}
}  // namespace

Bitmap halved(const Bitmap& b) {
  const int w = b.width() / 2, h = b.height() / 2;
  if (!plainBytes(b)) return reducedBitmap(b, w, h);
  Bitmap out = Bitmap::unfilled(w, h, 24);
  out.clearPadding();
  halveRows(b, out, 0, h, 0, w);
  return out;
}

QRect updateHalved(const Bitmap& b, Bitmap& out, const QRect& area) {
  if (!plainBytes(b)) return updateReducedBitmap(b, out, area);
  const QRect part = area.intersected(QRect(0, 0, b.width(), b.height()));
  if (part.isEmpty() || out.isNull()) return {};
  const int x0 = part.left() / 2, x1 = std::min(out.width(), part.right() / 2 + 1);
  const int y0 = part.top() / 2, y1 = std::min(out.height(), part.bottom() / 2 + 1);
  halveRows(b, out, y0, y1, x0, x1);
  return QRect(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

QRect updateReducedBitmap(const Bitmap& b, Bitmap& out, const QRect& area) {
  if (out.isNull() || b.isNull()) return {};
  BoxTarget t{out.width(), out.height(), QPoint(0, 0), nullptr, &out};
  const QRect cells = cellsReached(b, out.width(), out.height(), area);
  makeCells(b, t, cells);
  return cells;
}

}  // namespace img
