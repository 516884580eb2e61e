// Neighbourhood filters over OpenCV: every pixel of the result depends on the pixels around it.
// Palette pictures are first brought to grey or colour (ops::toWorkingDepth).
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <opencv2/imgproc.hpp>
#include <random>
#include <vector>

namespace img {

namespace {

// Runs f(src, dst) on the picture at its working depth and stores the result.
template <class F>
void filterWith(Bitmap& b, F f) {
  if (b.isNull()) return;
  ops::toWorkingDepth(b);
  cv::Mat src = ops::asMat(b);
  cv::Mat dst;
  f(src, dst);
  ops::storeMat(b, dst);
}

// Rows first..last-1 of the noise: src's pixels, of which about frequency % move all their
// channels by one random step within +- intensity, written into dst (src itself may be dst).
void noiseRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int frequency, int intensity) {
  const int ch = src.bitsPerPixel() / 8;
  const uint32_t span = static_cast<uint32_t>(2 * intensity + 1);
  for (int32_t y = std::max(0, first); y < std::min(src.height(), last); ++y) {
    const uint8_t* p = src.row(y);
    uint8_t* q = dst.row(y);
    for (int32_t x = 0; x < src.width(); ++x, p += ch, q += ch) {
      const uint64_t z = ops::positionBits(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      const bool hit = static_cast<int>(ops::below(z, 100)) < frequency;
      const int delta = hit ? static_cast<int>(ops::below(z >> 32, span)) - intensity : 0;
      for (int c = 0; c < ch; ++c) q[c] = static_cast<uint8_t>(std::clamp(p[c] + delta, 0, 255));
    }
  }
}

}  // namespace

void blur(Bitmap& b) {
  filterWith(b, [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE); });
}

void soften(Bitmap& b, int level) {
  const double sigma = 0.4 * std::clamp(level, 1, 10);
  filterWith(b, [sigma](const cv::Mat& s, cv::Mat& d) { cv::GaussianBlur(s, d, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE); });
}

void sharpen(Bitmap& b, int level) {
  const double amount = 0.25 * std::clamp(level, 1, 10);
  filterWith(b, [amount](const cv::Mat& s, cv::Mat& d) {
    cv::Mat smooth;
    cv::GaussianBlur(s, smooth, cv::Size(0, 0), 1.0, 1.0, cv::BORDER_REPLICATE);
    cv::addWeighted(s, 1.0 + amount, smooth, -amount, 0, d);
  });
}

void blend(Bitmap& b, int percent) {
  const double a = std::clamp(percent, 0, 100) / 100.0;
  if (a == 0) return;
  filterWith(b, [a](const cv::Mat& s, cv::Mat& d) {
    cv::Mat mean;
    cv::blur(s, mean, cv::Size(5, 5), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    cv::addWeighted(s, 1.0 - a, mean, a, 0, d);
  });
}

void median(Bitmap& b) {
  filterWith(b, [](const cv::Mat& s, cv::Mat& d) { cv::medianBlur(s, d, 3); });
}

void emboss(Bitmap& b) {
  filterWith(b, [](const cv::Mat& s, cv::Mat& d) {
    const cv::Mat k = (cv::Mat_<float>(3, 3) << -1, -1, 0, -1, 0, 1, 0, 1, 1);
    cv::filter2D(s, d, -1, k, cv::Point(-1, -1), 128, cv::BORDER_REPLICATE);
  });
}

void outline(Bitmap& b) {
  filterWith(b, [](const cv::Mat& s, cv::Mat& d) {
    cv::Mat lap;
    cv::Laplacian(s, lap, CV_16S, 1, 1, 0, cv::BORDER_REPLICATE);
    cv::Mat mag;
    cv::convertScaleAbs(lap, mag);
    cv::bitwise_not(mag, d);
  });
}

void dilate(Bitmap& b) {
  filterWith(b, [](const cv::Mat& s, cv::Mat& d) {
    cv::dilate(s, d, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
  });
}

void erode(Bitmap& b) {
  filterWith(b, [](const cv::Mat& s, cv::Mat& d) {
    cv::erode(s, d, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
  });
}

void motionBlur(Bitmap& b, int intensity, int hVelocity, int vVelocity) {
  const int n = std::clamp(intensity, 1, 25);
  if (b.isNull() || n == 1 || (hVelocity == 0 && vVelocity == 0)) return;
  // The mean of n taps from the pixel back along the direction of motion, each step one velocity,
  // edges repeated. Summed in whole numbers row by row: every pixel comes from its own taps alone
  // (any band of rows gives the same pixels), and a long streak costs n additions per value
  // rather than a transform of the whole picture.
  const int dx = std::clamp(hVelocity, -10, 10), dy = std::clamp(vVelocity, -10, 10);
  ops::toWorkingDepth(b);
  Bitmap out(b.width(), b.height(), b.bitsPerPixel());
  out.palette() = b.palette();
  ops::copyMeta(b, out);
  const int ch = b.bitsPerPixel() / 8;
  const int32_t w = b.width(), h = b.height();
  // Rounded division by n as a multiplication: for sums up to 25 x 255 the error of the scaled
  // reciprocal stays below 1 / n, so the quotient is exact.
  const uint32_t half = static_cast<uint32_t>(n / 2), reciprocal = ((1u << 18) + static_cast<uint32_t>(n) - 1) / static_cast<uint32_t>(n);
  const Bitmap& src = b;
  ops::forRowBlocks(out, [&](int32_t first, int32_t last) {
    std::vector<uint16_t> acc(static_cast<std::size_t>(w) * ch);
    for (int32_t y = first; y < last; ++y) {
      std::fill(acc.begin(), acc.end(), uint16_t(0));
      for (int i = 0; i < n; ++i) {
        const uint8_t* r = src.row(std::clamp(y - dy * i, 0, h - 1));
        const int32_t shift = dx * i;  // output column x reads source column x - shift
        const int32_t lo = std::clamp(shift, 0, w), hi = std::clamp(w + shift, 0, w);
        for (int32_t x = 0; x < lo; ++x)
          for (int c = 0; c < ch; ++c) acc[static_cast<std::size_t>(x * ch + c)] += r[c];
        uint16_t* a = acc.data() + static_cast<std::ptrdiff_t>(lo) * ch;
        const uint8_t* q = r + static_cast<std::ptrdiff_t>(lo - shift) * ch;
        for (int32_t k = 0, m = (hi - lo) * ch; k < m; ++k) a[k] = static_cast<uint16_t>(a[k] + q[k]);
        for (int32_t x = std::max(lo, hi); x < w; ++x)
          for (int c = 0; c < ch; ++c) acc[static_cast<std::size_t>(x * ch + c)] += r[static_cast<std::ptrdiff_t>(w - 1) * ch + c];
      }
      uint8_t* o = out.row(y);
      const uint16_t* sums = acc.data();
      for (std::size_t k = 0, m = acc.size(); k < m; ++k) o[k] = static_cast<uint8_t>(((sums[k] + half) * reciprocal) >> 18);
    }
  });
  b = std::move(out);
}

void addNoise(Bitmap& b, int frequency, int intensity) {
  const int f = std::clamp(frequency, 0, 100), a = std::clamp(intensity, 0, 255);
  if (b.isNull() || f == 0 || a == 0) return;
  ops::toWorkingDepth(b);
  ops::forRowBlocks(b, [&](int32_t from, int32_t to) { noiseRows(b, b, from, to, f, a); });
}

void addNoiseRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int frequency, int intensity) {
  const int f = std::clamp(frequency, 0, 100), a = std::clamp(intensity, 0, 255);
  ops::forRowRange(src, first, last, [&](int32_t from, int32_t to) { noiseRows(src, dst, from, to, a == 0 ? 0 : f, a); });
}

void diffuse(Bitmap& b) {
  if (b.isNull()) return;
  ops::toWorkingDepth(b);
  const Bitmap src = b;
  const int ch = b.bitsPerPixel() / 8;
  const int32_t w = b.width(), h = b.height();
  // Two independent offsets -2..2 per pixel from its position.
  auto offsets = [](uint32_t x, uint32_t y) {
    const uint64_t z = ops::positionBits(x, y);
    return std::pair<int32_t, int32_t>(static_cast<int32_t>(ops::below(z, 5)) - 2, static_cast<int32_t>(ops::below(z >> 32, 5)) - 2);
  };
  ops::forRowBlocks(b, [&](int32_t first, int32_t last) {
    for (int32_t y = first; y < last; ++y) {
      uint8_t* p = b.row(y);
      for (int32_t x = 0; x < w; ++x) {
        const auto [dx, dy] = offsets(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
        const int32_t sx = std::clamp(x + dx, 0, w - 1);
        const int32_t sy = std::clamp(y + dy, 0, h - 1);
        const uint8_t* q = src.row(sy) + static_cast<std::ptrdiff_t>(sx) * ch;
        if (ch == 3) {
          p[static_cast<std::ptrdiff_t>(x) * 3] = q[0];
          p[static_cast<std::ptrdiff_t>(x) * 3 + 1] = q[1];
          p[static_cast<std::ptrdiff_t>(x) * 3 + 2] = q[2];
        } else {
          p[x] = q[0];
        }
      }
    }
  });
}

void mosaic(Bitmap& b, int blockSize) {
  const int n = std::max(1, blockSize);
  if (b.isNull() || n == 1) return;
  ops::toWorkingDepth(b);
  cv::Mat m = ops::asMat(b);
  for (int y = 0; y < b.height(); y += n)
    for (int x = 0; x < b.width(); x += n) {
      cv::Mat cell = m(cv::Rect(x, y, std::min(n, b.width() - x), std::min(n, b.height() - y)));
      const cv::Scalar mean = cv::mean(cell);
      cell.setTo(cv::Scalar(std::round(mean[0]), std::round(mean[1]), std::round(mean[2])));
    }
}

namespace {
void buttonizeBand(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int style, int bevelWidth, int intensity) {
  const int32_t width = src.width(), height = src.height();
  const int w = std::min({std::max(0, bevelWidth), width / 2, height / 2});
  const double k = std::clamp(intensity, 0, 100) / 100.0;
  const int ch = src.bitsPerPixel() / 8;
  const bool raised = style != 0;
  // Top and left bevels catch the light on a raised button, bottom and right are in shadow; an
  // inset button the other way round. Where bevels meet, the nearer edge wins.
  for (int32_t y = std::max(0, first); y < std::min(height, last); ++y) {
    uint8_t* p = dst.row(y);
    if (&src != &dst) std::memcpy(p, src.row(y), static_cast<std::size_t>(src.stride()));
    if (w == 0 || k == 0) continue;
    for (int32_t x = 0; x < width; ++x) {
      const int32_t dl = x, dt = y, dr = width - 1 - x, db = height - 1 - y;
      const int32_t dmin = std::min({dl, dt, dr, db});
      if (dmin >= w) {
        x = std::max(x, width - w - 1);  // on to the right bevel
        continue;
      }
      const bool lightSide = (dmin == dl || dmin == dt) && !(dmin == dr || dmin == db) ? true
                             : (dmin == dt || dmin == dl) && (dmin == dr || dmin == db) ? (dl + dt <= dr + db)
                                                                                       : false;
      const bool light = lightSide == raised;
      for (int c = 0; c < ch; ++c) {
        uint8_t& v = p[static_cast<std::ptrdiff_t>(x) * ch + c];
        v = static_cast<uint8_t>(light ? std::lround(v + (255 - v) * k) : std::lround(v * (1 - k)));
      }
    }
  }
}

}  // namespace

void buttonizeRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int style, int bevelWidth, int intensity) {
  ops::forRowRange(src, first, last, [&](int32_t from, int32_t to) { buttonizeBand(src, dst, from, to, style, bevelWidth, intensity); });
}

void buttonize(Bitmap& b, int style, int bevelWidth, int intensity) {
  if (b.isNull()) return;
  const int w = std::min({std::max(0, bevelWidth), b.width() / 2, b.height() / 2});
  if (w == 0 || std::clamp(intensity, 0, 100) == 0) return;
  ops::toWorkingDepth(b);
  buttonizeRows(b, b, 0, b.height(), style, bevelWidth, intensity);
}

}  // namespace img
