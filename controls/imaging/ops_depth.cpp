// Colour depth: a palette (fixed, grey, or chosen by median cut) and the mapping of every pixel
// to it, directly or with dithering (Floyd-Steinberg, ordered 8 x 8, Stucki).
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "runtime/errors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <opencv2/imgproc.hpp>

namespace img {

std::vector<QRgb> fixedPalette(int bpp) {
  std::vector<QRgb> p;
  if (bpp == 1) return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  if (bpp == 4) {
    static const uint32_t v[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                   0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (uint32_t c : v) p.push_back(0xFF000000u | c);
    return p;
  }
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p.push_back(qRgb(r * 51, g * 51, b * 51));
  for (int i = 0; i < 40; ++i) {
    const int v = i * 255 / 39;
    p.push_back(qRgb(v, v, v));
  }
  return p;
}

namespace {

// A box of the colour histogram (5 bits per channel) for median cut.
struct Box {
  int lo[3], hi[3];
  uint64_t count = 0;
};

constexpr int kBits = 5;
constexpr int kSide = 1 << kBits;
int cellOf(int r, int g, int b) { return (r << (2 * kBits)) | (g << kBits) | b; }

void shrink(Box& box, const std::vector<uint32_t>& hist) {
  int lo[3] = {kSide, kSide, kSide}, hi[3] = {-1, -1, -1};
  box.count = 0;
  for (int r = box.lo[0]; r <= box.hi[0]; ++r)
    for (int g = box.lo[1]; g <= box.hi[1]; ++g)
      for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
        const uint32_t n = hist[static_cast<std::size_t>(cellOf(r, g, b))];
        if (!n) continue;
        box.count += n;
        const int c[3] = {r, g, b};
        for (int k = 0; k < 3; ++k) {
          lo[k] = std::min(lo[k], c[k]);
          hi[k] = std::max(hi[k], c[k]);
        }
      }
  if (box.count)
    for (int k = 0; k < 3; ++k) {
      box.lo[k] = lo[k];
      box.hi[k] = hi[k];
    }
}

}  // namespace

std::vector<QRgb> optimizedPalette(const Bitmap& src, int maxColours) {
  if (src.isNull() || maxColours < 1) return {};
  // Exact colours when the picture has few enough.
  std::vector<uint32_t> hist(static_cast<std::size_t>(kSide * kSide * kSide));
  std::vector<uint64_t> sums(hist.size() * 3);
  std::vector<QRgb> distinct;
  bool exact = true;
  auto add = [&](QRgb c, uint32_t n) {
    const std::size_t k = static_cast<std::size_t>(cellOf(qRed(c) >> 3, qGreen(c) >> 3, qBlue(c) >> 3));
    hist[k] += n;
    sums[k * 3] += uint64_t(qRed(c)) * n;
    sums[k * 3 + 1] += uint64_t(qGreen(c)) * n;
    sums[k * 3 + 2] += uint64_t(qBlue(c)) * n;
    if (exact && std::find(distinct.begin(), distinct.end(), c) == distinct.end()) {
      distinct.push_back(c);
      if (static_cast<int>(distinct.size()) > maxColours) exact = false;
    }
  };
  if (src.bitsPerPixel() <= 8) {
    const std::vector<uint64_t> byIndex = ops::indexCounts(src);
    for (std::size_t i = 0; i < byIndex.size(); ++i)
      if (byIndex[i]) add(src.palette()[i] | 0xFF000000u, static_cast<uint32_t>(byIndex[i]));
  } else {
    // Every pixel goes into the histogram; only the first colours are tracked exactly.
    for (int32_t y = 0; y < src.height(); ++y) {
      const uint8_t* p = src.row(y);
      for (int32_t x = 0; x < src.width(); ++x, p += 3) {
        const std::size_t k = static_cast<std::size_t>(cellOf(p[2] >> 3, p[1] >> 3, p[0] >> 3));
        ++hist[k];
        sums[k * 3] += p[2];
        sums[k * 3 + 1] += p[1];
        sums[k * 3 + 2] += p[0];
        if (exact) {
          const QRgb c = qRgb(p[2], p[1], p[0]);
          if (std::find(distinct.begin(), distinct.end(), c) == distinct.end()) {
            distinct.push_back(c);
            if (static_cast<int>(distinct.size()) > maxColours) exact = false;
          }
        }
      }
    }
  }
  if (exact) return distinct;
  // Median cut: split the box with the most pixels along its longest side at the median.
  std::vector<Box> boxes(1);
  for (int k = 0; k < 3; ++k) {
    boxes[0].lo[k] = 0;
    boxes[0].hi[k] = kSide - 1;
  }
  shrink(boxes[0], hist);
  while (static_cast<int>(boxes.size()) < maxColours) {
    int pick = -1;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const Box& bx = boxes[i];
      const bool splittable = bx.lo[0] < bx.hi[0] || bx.lo[1] < bx.hi[1] || bx.lo[2] < bx.hi[2];
      if (splittable && (pick < 0 || bx.count > boxes[static_cast<std::size_t>(pick)].count)) pick = static_cast<int>(i);
    }
    if (pick < 0) break;
    Box& bx = boxes[static_cast<std::size_t>(pick)];
    int axis = 0;
    for (int k = 1; k < 3; ++k)
      if (bx.hi[k] - bx.lo[k] > bx.hi[axis] - bx.lo[axis]) axis = k;
    std::vector<uint64_t> slice(kSide);
    for (int r = bx.lo[0]; r <= bx.hi[0]; ++r)
      for (int g = bx.lo[1]; g <= bx.hi[1]; ++g)
        for (int b = bx.lo[2]; b <= bx.hi[2]; ++b) {
          const int c[3] = {r, g, b};
          slice[static_cast<std::size_t>(c[axis])] += hist[static_cast<std::size_t>(cellOf(r, g, b))];
        }
    uint64_t acc = 0;
    int cut = bx.lo[axis];
    for (int v = bx.lo[axis]; v < bx.hi[axis]; ++v) {
      acc += slice[static_cast<std::size_t>(v)];
      cut = v;
      if (acc * 2 >= bx.count) break;
    }
    Box other = bx;
    bx.hi[axis] = cut;
    other.lo[axis] = cut + 1;
    shrink(bx, hist);
    shrink(other, hist);
    boxes.push_back(other);
  }
  std::vector<QRgb> pal;
  for (const Box& bx : boxes) {
    if (!bx.count) continue;
    uint64_t s[3] = {0, 0, 0}, n = 0;
    for (int r = bx.lo[0]; r <= bx.hi[0]; ++r)
      for (int g = bx.lo[1]; g <= bx.hi[1]; ++g)
        for (int b = bx.lo[2]; b <= bx.hi[2]; ++b) {
          const std::size_t k = static_cast<std::size_t>(cellOf(r, g, b));
          n += hist[k];
          for (int c = 0; c < 3; ++c) s[c] += sums[k * 3 + static_cast<std::size_t>(c)];
        }
    pal.push_back(qRgb(static_cast<int>((s[0] + n / 2) / n), static_cast<int>((s[1] + n / 2) / n), static_cast<int>((s[2] + n / 2) / n)));
  }
  return pal;
}

namespace {

// Nearest palette entry by squared distance, remembered per 24-bit colour. The table is zeroed
// memory from calloc, so only the pages of the colours met are ever touched.
class Nearest {
 public:
  explicit Nearest(const std::vector<QRgb>& pal)
      : known_(static_cast<uint16_t*>(std::calloc(std::size_t(1) << 24, sizeof(uint16_t)))) {
    if (!known_) throw rt::RuntimeError(7, QStringLiteral("Out of memory"));
    // The palette's channels in separate arrays, so that the distance to every entry is one
    // plain loop the compiler runs several entries at a time.
    for (QRgb c : pal) {
      red_.push_back(qRed(c));
      green_.push_back(qGreen(c));
      blue_.push_back(qBlue(c));
    }
    dist_.resize(pal.size());
  }
  int operator()(int r, int g, int b) {
    uint16_t& slot = known_.get()[(uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b)];
    if (slot) return slot - 1;
    const std::size_t n = dist_.size();
    const int32_t* pr = red_.data();
    const int32_t* pg = green_.data();
    const int32_t* pb = blue_.data();
    int32_t* d = dist_.data();
    int32_t least = INT32_MAX;
    for (std::size_t i = 0; i < n; ++i) {
      const int32_t dr = pr[i] - r, dg = pg[i] - g, db = pb[i] - b;
      d[i] = dr * dr + dg * dg + db * db;
      least = std::min(least, d[i]);
    }
    // The first entry at the least distance, as a scan in palette order would pick.
    int best = 0;
    while (static_cast<std::size_t>(best) < n && d[best] != least) ++best;
    if (static_cast<std::size_t>(best) == n) best = 0;
    slot = static_cast<uint16_t>(best + 1);
    return best;
  }

 private:
  struct Free {
    void operator()(uint16_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint16_t, Free> known_;
  std::vector<int32_t> red_, green_, blue_, dist_;
};

struct Tap {
  int dx, dy, weight;
};
// Error-diffusion kernels (weights over their sum).
const std::vector<Tap> kFloydSteinberg = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
const std::vector<Tap> kStucki = {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
                                  {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}};

// Index picture of the colour source (24-bit or 8-bit grey) against the palette.
Bitmap quantize(const Bitmap& src, int bpp, const std::vector<QRgb>& pal, int dither) {
  Bitmap out(src.width(), src.height(), bpp);
  out.palette() = pal;
  out.palette().resize(static_cast<std::size_t>(1) << bpp, qRgb(0, 0, 0));
  ops::copyMeta(src, out);
  Nearest nearest(pal);
  const int32_t w = src.width(), h = src.height();
  const bool gray = src.bitsPerPixel() == 8;
  auto colourAt = [&](const uint8_t* row, int32_t x, int c) {  // c: 0 red, 1 green, 2 blue
    return gray ? row[x] : row[x * 3 + (2 - c)];
  };
  auto put = [&](int32_t x, int32_t y, int idx) {
    if (bpp == 8) out.row(y)[x] = static_cast<uint8_t>(idx);
    else out.setIndex(x, y, static_cast<uint32_t>(idx));
  };
  if (dither == kDitherNone || dither == kDitherOrdered) {
    static const int bayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                    {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
                                    {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
                                    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
    // Ordered dither spreads by the palette's typical spacing between neighbouring levels.
    const double spread = dither == kDitherOrdered ? 255.0 / std::max(1.0, std::cbrt(static_cast<double>(pal.size())) - 1) : 0;
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* row = src.row(y);
      for (int32_t x = 0; x < w; ++x) {
        const double t = spread ? ((bayer[y & 7][x & 7] + 0.5) / 64.0 - 0.5) * spread : 0;
        const int r = std::clamp(static_cast<int>(std::lround(colourAt(row, x, 0) + t)), 0, 255);
        const int g = std::clamp(static_cast<int>(std::lround(colourAt(row, x, 1) + t)), 0, 255);
        const int b = std::clamp(static_cast<int>(std::lround(colourAt(row, x, 2) + t)), 0, 255);
        put(x, y, nearest(r, g, b));
      }
    }
    return out;
  }
  const std::vector<Tap>& taps = dither == kDitherStucki ? kStucki : kFloydSteinberg;
  int total = 0;
  for (const Tap& t : taps) total += t.weight;
  // Errors of the current and the next two rows, with two columns of margin on each side.
  const int32_t span = w + 4;
  std::vector<float> err(static_cast<std::size_t>(span) * 3 * 3, 0.0f);
  auto at = [&](int rowSlot, int32_t x, int c) -> float& {
    return err[(static_cast<std::size_t>(rowSlot) * span + static_cast<std::size_t>(x + 2)) * 3 + static_cast<std::size_t>(c)];
  };
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = src.row(y);
    const int cur = y % 3;
    for (int32_t x = 0; x < w; ++x) {
      float want[3];
      int v[3];
      for (int c = 0; c < 3; ++c) {
        want[c] = colourAt(row, x, c) + at(cur, x, c);
        v[c] = std::clamp(static_cast<int>(std::lround(want[c])), 0, 255);
      }
      const int idx = nearest(v[0], v[1], v[2]);
      put(x, y, idx);
      const QRgb got = pal[static_cast<std::size_t>(idx)];
      const float e[3] = {want[0] - qRed(got), want[1] - qGreen(got), want[2] - qBlue(got)};
      for (const Tap& t : taps) {
        if (x + t.dx < -2 || x + t.dx >= w + 2) continue;
        for (int c = 0; c < 3; ++c) at((y + t.dy) % 3, x + t.dx, c) += e[c] * t.weight / total;
      }
    }
    // This row's slot becomes the row after the next two.
    for (int32_t x = -2; x < w + 2; ++x)
      for (int c = 0; c < 3; ++c) at(cur, x, c) = 0;
  }
  return out;
}

}  // namespace

void changeColorDepth(Bitmap& b, int bpp, int paletteType, int dither) {
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)
    throw rt::RuntimeError(380, QStringLiteral("Invalid bits per pixel %1").arg(bpp));
  if (b.isNull()) return;
  if (bpp == 24) {
    if (b.bitsPerPixel() != 24) b = b.toColor24();
    return;
  }
  int type = std::clamp(paletteType, 0, 7);
  if (type >= kPaletteOptimizedDither) {
    // The "with dither" palettes diffuse errors even when no dither type was chosen.
    if (dither == kDitherNone) dither = kDitherFloydSteinberg;
    type = type == kPaletteOptimizedDither ? kPaletteOptimized : type == kPaletteGrayDither ? kPaletteGray : kPaletteFixed;
  }
  // There is no palette file or user palette here: those take the fixed palette.
  if (type == kPaletteFile || type == kPaletteUser) type = kPaletteFixed;
  dither = std::clamp(dither, 0, 3);
  if (type == kPaletteGray && bpp == 8 && dither == kDitherNone) {
    // 256 evenly spaced greys hold every grey value exactly: the grey picture is the answer.
    Bitmap g;
    if (b.bitsPerPixel() == 24) {
      g = Bitmap(b.width(), b.height(), 8);
      ops::copyMeta(b, g);
      cv::Mat grey = ops::asMat(g);
      cv::cvtColor(ops::asMat(b), grey, cv::COLOR_BGR2GRAY);
    } else {
      g = b.toGray8();
    }
    g.setGrayPalette();
    b = std::move(g);
    return;
  }
  std::vector<QRgb> pal = type == kPaletteGray    ? grayPalette(bpp)
                          : type == kPaletteFixed ? fixedPalette(bpp)
                                                  : optimizedPalette(b, 1 << bpp);
  const Bitmap src = type == kPaletteGray || b.isGray() ? b.toGray8() : b.toColor24();
  b = quantize(src, bpp, pal, dither);
}

DepthSettings depthSettings(const Bitmap& b) {
  DepthSettings s;
  if (b.isNull()) return s;
  s.bitsPerPixel = b.bitsPerPixel() == 1 || b.bitsPerPixel() == 4 || b.bitsPerPixel() == 8 ? b.bitsPerPixel() : 24;
  s.paletteType = b.bitsPerPixel() <= 8 && b.isGray() ? kPaletteGray : kPaletteOptimized;
  s.ditherType = kDitherNone;
  return s;
}

}  // namespace img
