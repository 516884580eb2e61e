// Reducing pictures for display: box-filtered thumbnails and parts of reduced pictures, and the
// halved copies a zoomed-out view keeps.
#include "controls/imaging/pixel_ops.h"

#include <algorithm>
#include <cstdint>
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <vector>

namespace img {

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
  const bool plainGrey = b.bitsPerPixel() == 8 && plainBytes(b);
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
  if (cells.isEmpty()) return;
  // The rows may be made on several threads: the picture is made the target's own here, once, so
  // that no thread's scanLine() detaches it.
  if (out.image) out.image->bits();
  thumbnailRows(b, out, cells.top(), cells.bottom() + 1, cells.left(), cells.right() + 1);
}

}  // namespace

QImage makeThumbnail(const Bitmap& b, int maxW, int maxH) {
  if (b.isNull() || maxW <= 0 || maxH <= 0) return QImage();
  const double s = std::min({1.0, static_cast<double>(maxW) / b.width(), static_cast<double>(maxH) / b.height()});
  const int tw = std::max(1, static_cast<int>(b.width() * s)), th = std::max(1, static_cast<int>(b.height() * s));
  return reducedPart(b, tw, th, QRect(0, 0, tw, th));
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
