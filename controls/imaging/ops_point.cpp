// Colour mappings: each output value depends on the pixel's own colour only, so palette pictures
// keep their depth and only their palette changes.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/row_kernels.h"
#include "runtime/errors.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <opencv2/imgproc.hpp>

namespace img {

namespace ops {

void storeMat(Bitmap& b, const cv::Mat& m) {
  const std::size_t bytes = static_cast<std::size_t>(b.width()) * (b.bitsPerPixel() / 8);
  for (int y = 0; y < b.height(); ++y) std::memcpy(b.row(y), m.ptr(y), bytes);
}

void applyLuts(Bitmap& b, const Lut& red, const Lut& green, const Lut& blue) {
  if (b.isNull()) return;
  if (b.bitsPerPixel() <= 8) {
    for (QRgb& c : b.palette()) c = qRgb(red[qRed(c)], green[qGreen(c)], blue[qBlue(c)]);
    return;
  }
  if (red == green && green == blue) {
    // One table for every channel: the rows are plain bytes, shared out among the threads.
    const std::size_t bytes = static_cast<std::size_t>(b.width()) * 3;
    forRowBlocks(b, [&](uint8_t* row) { rows::mapBytes(row, bytes, red.data()); });
    return;
  }
  cv::Mat lut(1, 256, CV_8UC3);
  for (int i = 0; i < 256; ++i) lut.at<cv::Vec3b>(0, i) = cv::Vec3b(blue[static_cast<std::size_t>(i)], green[static_cast<std::size_t>(i)], red[static_cast<std::size_t>(i)]);
  cv::Mat m = asMat(b);
  cv::LUT(m, lut, m);
}

}  // namespace ops

namespace {

using ops::Lut;

uint8_t clamp8(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

template <class F>
Lut makeLut(F f) {
  Lut t{};
  for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = clamp8(f(i));
  return t;
}

// Maps whole colours (for mappings that mix the channels): palette entries, or every pixel of a
// colour picture through a cache of the colours met so far.
template <class F>
void mapColours(Bitmap& b, F f) {
  if (b.isNull()) return;
  if (b.bitsPerPixel() <= 8) {
    for (QRgb& c : b.palette()) c = f(c);
    return;
  }
  // One entry per 24-bit colour, zeroed (0 means "not yet mapped": a mapped colour always has its
  // alpha bits set).
  ops::ZeroTable<uint32_t> known(std::size_t(1) << 24);
  // Threads share the table: two that meet the same new colour store the same answer.
  const int32_t w = b.width();
  ops::forRowBlocks(b, [&](uint8_t* p) {
    for (int32_t x = 0; x < w; ++x, p += 3) {
      std::atomic_ref<uint32_t> slot(known[(uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0]]);
      uint32_t out = slot.load(std::memory_order_relaxed);
      if (!out) {
        out = f(qRgb(p[2], p[1], p[0])) | 0xFF000000u;
        slot.store(out, std::memory_order_relaxed);
      }
      p[0] = static_cast<uint8_t>(qBlue(out));
      p[1] = static_cast<uint8_t>(qGreen(out));
      p[2] = static_cast<uint8_t>(qRed(out));
    }
  });
}

}  // namespace

void negate(Bitmap& b) { ops::applyLut(b, makeLut([](int v) { return 255 - v; })); }

void adjustBrightness(Bitmap& b, int level) {
  const double add = std::clamp(level, -100, 100) * 255.0 / 100.0;
  ops::applyLut(b, makeLut([add](int v) { return v + add; }));
}

void adjustContrast(Bitmap& b, int level) {
  const double t = (100.0 + std::clamp(level, -100, 100)) / 100.0;
  const double f = t * t;  // 0 at -100, 1 at 0, 4 at 100
  ops::applyLut(b, makeLut([f](int v) { return (v - 127.5) * f + 127.5; }));
}

void applyGamma(Bitmap& b, float gamma) {
  if (!(gamma > 0) || !std::isfinite(gamma)) return;
  const double e = 1.0 / gamma;
  ops::applyLut(b, makeLut([e](int v) { return 255.0 * std::pow(v / 255.0, e); }));
}

void solarize(Bitmap& b, int threshold) {
  ops::applyLut(b, makeLut([threshold](int v) { return v >= threshold ? 255 - v : v; }));
}

void posterize(Bitmap& b, int levels) {
  const int n = std::clamp(levels, 2, 256);
  ops::applyLut(b, makeLut([n](int v) {
    const double step = 255.0 / (n - 1);
    return std::round(std::round(v / step) * step);
  }));
}

void adjustRGB(Bitmap& b, int /*mode*/, int red, int green, int blue) {
  auto shift = [](int pct) {
    const double add = std::clamp(pct, -100, 100) * 255.0 / 100.0;
    return makeLut([add](int v) { return v + add; });
  };
  ops::applyLuts(b, shift(red), shift(green), shift(blue));
}

void rgbToHsl(int r, int g, int bl, double& h, double& s, double& l) {
  const double R = r / 255.0, G = g / 255.0, B = bl / 255.0;
  const double mx = std::max({R, G, B}), mn = std::min({R, G, B});
  l = (mx + mn) / 2;
  const double d = mx - mn;
  if (d <= 0) {
    h = s = 0;
    return;
  }
  s = l > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
  if (mx == R) h = (G - B) / d + (G < B ? 6 : 0);
  else if (mx == G) h = (B - R) / d + 2;
  else h = (R - G) / d + 4;
  h *= 60;
}

void hslToRgb(double h, double s, double l, int& r, int& g, int& bl) {
  auto conv = [](double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
  };
  double R, G, B;
  if (s <= 0) {
    R = G = B = l;
  } else {
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    const double hh = h / 360.0;
    R = conv(p, q, hh + 1.0 / 3);
    G = conv(p, q, hh);
    B = conv(p, q, hh - 1.0 / 3);
  }
  r = clamp8(R * 255);
  g = clamp8(G * 255);
  bl = clamp8(B * 255);
}

void adjustHSL(Bitmap& b, int hue, int saturation, int luminance) {
  if (hue == 0 && saturation == 0 && luminance == 0) return;
  const double dh = std::clamp(hue, -100, 100) * 180.0 / 100.0;
  const double fs = 1.0 + std::clamp(saturation, -100, 100) / 100.0;
  const double dl = std::clamp(luminance, -100, 100) / 100.0;
  mapColours(b, [&](QRgb c) {
    double h, s, l;
    rgbToHsl(qRed(c), qGreen(c), qBlue(c), h, s, l);
    h = std::fmod(h + dh + 360.0, 360.0);
    s = std::clamp(s * fs, 0.0, 1.0);
    l = std::clamp(l + dl, 0.0, 1.0);
    int r, g, bl;
    hslToRgb(h, s, l, r, g, bl);
    return qRgb(r, g, bl);
  });
}

bool ops::fitScaling(const uint8_t* want, double factor, uint32_t& entry) {
  if (want[0] != 0) return false;
  // The finest shift whose factor can still fit in 32 bits with every value.
  int s = 24;
  while (s > 0 && factor * static_cast<double>(int64_t{1} << s) > double(0xFFFFFFFFu >> 8)) --s;
  for (; s >= 0; --s) {
    const int64_t unit = int64_t{1} << s, half = unit / 2;
    int64_t lo = 0, hi = (int64_t{0xFFFFFFFF} - half) / 255;  // 255 * F + half stays in 32 bits
    for (int64_t v = 1; v < 256 && lo <= hi; ++v) {
      const int64_t o = want[v];
      // o * unit <= v * F + half, and below (o + 1) * unit unless o is the top value.
      lo = std::max(lo, (o * unit - half + v - 1) / v);
      if (o < 255) hi = std::min(hi, ((o + 1) * unit - half - 1) / v);
    }
    if (lo > hi) continue;
    const auto f = static_cast<int64_t>(std::llround(factor * static_cast<double>(unit)));
    entry = static_cast<uint32_t>(std::clamp(f, lo, hi) << 5 | s);
    return true;
  }
  return false;
}

void equalize(Bitmap& b) { equalizeAs(b, b); }

void equalizeAs(Bitmap& b, const Bitmap& whole) {
  if (b.isNull()) return;
  // The luminance histogram gives one table; each channel is scaled by the change of luminance
  // so that colours keep their hue.
  const std::array<uint64_t, 256> hist = ops::luminanceHistogram(whole);
  using ops::luminance;
  uint64_t total = 0, first = 0;
  for (uint64_t h : hist) total += h;
  for (uint64_t h : hist)
    if (h) { first = h; break; }
  if (total == first) return;  // a single luminance: nothing to spread
  std::array<double, 256> map{};
  uint64_t acc = 0;
  for (int i = 0; i < 256; ++i) {
    acc += hist[static_cast<std::size_t>(i)];
    map[static_cast<std::size_t>(i)] = acc <= first ? 0.0 : 255.0 * double(acc - first) / double(total - first);
  }
  if (b.isGray()) {
    ops::applyLut(b, makeLut([&](int v) { return map[static_cast<std::size_t>(v)]; }));
    return;
  }
  // A channel's new value depends only on the pixel's luminance and its own old value: one table
  // row per luminance (64 KiB in all) maps every channel.
  std::vector<uint8_t> scaled(256 * 256);
  for (int y = 0; y < 256; ++y) {
    const double target = map[static_cast<std::size_t>(y)];
    const double f = y == 0 ? 0.0 : target / y;
    for (int v = 0; v < 256; ++v) scaled[static_cast<std::size_t>(y * 256 + v)] = y == 0 ? clamp8(target) : clamp8(v * f);
  }
  if (b.bitsPerPixel() <= 8) {
    for (QRgb& c : b.palette()) {
      const uint8_t* t = &scaled[static_cast<std::size_t>(luminance(qRed(c), qGreen(c), qBlue(c))) * 256];
      c = qRgb(t[qRed(c)], t[qGreen(c)], t[qBlue(c)]);
    }
    return;
  }
  const int32_t w = b.width();
  // Each table row is a scaling by one factor, so it can be given as a whole-number factor and a
  // shift that the row kernel applies with vector arithmetic. The factor is chosen to give
  // exactly the row's values; the table itself serves if some row cannot be matched.
  std::array<uint32_t, 256> factors{};
  bool matched = true;
  for (int y = 0; y < 256 && matched; ++y)
    matched = hist[static_cast<std::size_t>(y)] == 0 ||
              ops::fitScaling(&scaled[static_cast<std::size_t>(y * 256)], y == 0 ? 0.0 : map[static_cast<std::size_t>(y)] / y,
                         factors[static_cast<std::size_t>(y)]);
  if (matched) {
    const rows::LuminanceScale scale(factors);
    ops::forRowBlocks(b, [&](uint8_t* p) { rows::scaleByLuminance(p, static_cast<std::size_t>(w), scale); });
    return;
  }
  ops::forRowBlocks(b, [&](uint8_t* p) {
    for (int32_t x = 0; x < w; ++x, p += 3) {
      const uint8_t* t = &scaled[static_cast<std::size_t>(luminance(p[2], p[1], p[0])) * 256];
      p[0] = t[p[0]];
      p[1] = t[p[1]];
      p[2] = t[p[2]];
    }
  });
}

}  // namespace img
