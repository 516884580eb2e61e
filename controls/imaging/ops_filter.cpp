// Neighbourhood filters, over OpenCV or in plain loops where those are faster: every pixel of the
// result depends on the pixels around it.
// Palette pictures are first brought to grey or colour (ops::toWorkingDepth).
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/pixel_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <opencv2/imgproc.hpp>
#include <type_traits>
#include <vector>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace img {

namespace {

// A filter is f(src, dst), or f(src, dst, row) when it needs to know which row of the picture
// the first row of src is.
template <class F>
void runFilter(F& f, const cv::Mat& src, cv::Mat& dst, int32_t firstRow) {
  if constexpr (std::is_invocable_v<F&, const cv::Mat&, cv::Mat&, int32_t>) f(src, dst, firstRow);
  else f(src, dst);
}

// Runs the filter on the picture at its working depth and stores the result.
template <class F>
void filterWith(Bitmap& b, F f) {
  if (b.isNull()) return;
  ops::toWorkingDepth(b);
  cv::Mat src = ops::asMat(b);
  cv::Mat dst;
  runFilter(f, src, dst, 0);
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
// Same result as filterWith for a filter that reads at most `radius` rows above and below each
// pixel (with replicated edges), computed in place over the worker threads. The picture is cut
// into stripes of rows, and each stripe into bands that fit in the cache: a band's original rows
// with their margins are copied into a small scratch matrix, filtered there as a whole picture of
// their own, and the band's rows of the result are written back over the picture. Margin rows that
// belong to a neighbouring stripe are saved before any stripe writes, and those of the stripe's
// own previous band come from that band's scratch. So no second picture-sized buffer is faulted
// in, filtered into and copied back, and every thread filters its own stripe.
template <class F>
void filterInPlace(Bitmap& b, int radius, F f) {
  if (b.isNull()) return;
  ops::toWorkingDepth(b);
  const int32_t h = b.height();
  const int32_t band = std::max(32, 16 * radius);
  if (radius < 0 || radius > 32 || h < 2 * band) {
    filterWith(b, f);
    return;
  }
  const int type = b.bitsPerPixel() == 24 ? CV_8UC3 : CV_8UC1;
  const std::size_t rowBytes = static_cast<std::size_t>(b.width()) * static_cast<std::size_t>(b.bitsPerPixel() / 8);
  const int32_t stripes = std::clamp(h / band, 1, 4 * std::max(1, cv::getNumThreads()));
  auto start = [&](int32_t s) { return static_cast<int32_t>(int64_t(h) * s / stripes); };
  // Rows [a - radius, a + radius) around the start a of every stripe but the first.
  const int32_t perBoundary = 2 * radius;
  std::vector<uint8_t> margins(static_cast<std::size_t>(stripes - 1) * static_cast<std::size_t>(perBoundary) * rowBytes);
  for (int32_t s = 1; s < stripes; ++s)
    for (int32_t i = 0; i < perBoundary; ++i)
      std::memcpy(&margins[(static_cast<std::size_t>(s - 1) * perBoundary + static_cast<std::size_t>(i)) * rowBytes],
                  b.row(start(s) - radius + i), rowBytes);
  auto margin = [&](int32_t boundary, int32_t y) {
    return &margins[(static_cast<std::size_t>(boundary - 1) * perBoundary + static_cast<std::size_t>(y - (start(boundary) - radius))) * rowBytes];
  };
  cv::parallel_for_(cv::Range(0, stripes), [&](const cv::Range& r) {
    cv::Mat in, prev, out;
    for (int32_t s = r.start; s < r.end; ++s) {
      const int32_t top = start(s), bottom = start(s + 1);
      int32_t prevFirst = 0;
      for (int32_t y0 = top; y0 < bottom; y0 += band) {
        const int32_t y1 = std::min(bottom, y0 + band);
        const int32_t first = std::max(0, y0 - radius), last = std::min(h, y1 + radius);
        in.create(last - first, b.width(), type);
        for (int32_t y = first; y < last; ++y) {
          const uint8_t* from = y < top      ? margin(s, y)
                                : y >= bottom ? margin(s + 1, y)
                                : y < y0      ? prev.ptr(y - prevFirst)
                                              : b.row(y);
          std::memcpy(in.ptr(y - first), from, rowBytes);
        }
        runFilter(f, in, out, first);
        for (int32_t y = y0; y < y1; ++y) std::memcpy(b.row(y), out.ptr(y - first), rowBytes);
        std::swap(in, prev);
        prevFirst = first;
      }
    }
  });
}

// How far a Gaussian of this sigma reaches (the kernel size OpenCV picks for 8-bit pictures, and
// a row to spare).
int gaussianRadius(double sigma) { return (static_cast<int>(std::lround(sigma * 3 * 2 + 1)) | 1) / 2 + 1; }

}  // namespace

void blur(Bitmap& b) {
  // The mean of the 3 x 3 neighbourhood with replicated edges, rounded to nearest (a sum over nine
  // is never halfway between two levels), in whole numbers: column sums of three rows, then three
  // neighbouring column sums, in plain loops the compiler vectorises.
  filterInPlace(b, 1, [](const cv::Mat& s, cv::Mat& d) {
    d.create(s.size(), s.type());
    const int ch = s.channels();
    const int n = s.cols * ch;
    std::vector<uint16_t> column(static_cast<std::size_t>(n));
    uint16_t* c = column.data();
    for (int y = 0; y < s.rows; ++y) {
      const uint8_t* up = s.ptr(std::max(y - 1, 0));
      const uint8_t* mid = s.ptr(y);
      const uint8_t* down = s.ptr(std::min(y + 1, s.rows - 1));
      uint8_t* out = d.ptr(y);
      for (int i = 0; i < n; ++i) c[i] = static_cast<uint16_t>(up[i] + mid[i] + down[i]);
      // (sum + 4) / 9 as a multiply-high, exact for sums up to 9 * 255.
      auto mean = [](uint32_t sum) { return static_cast<uint8_t>(((sum + 4) * 7282u) >> 16); };
      if (n <= ch) {  // one pixel wide
        for (int i = 0; i < n; ++i) out[i] = mean(3u * c[i]);
        continue;
      }
      for (int i = 0; i < ch; ++i) out[i] = mean(2u * c[i] + c[i + ch]);
      for (int i = ch; i < n - ch; ++i) {
        const uint16_t sum = static_cast<uint16_t>(c[i - ch] + c[i] + c[i + ch] + 4);
        out[i] = static_cast<uint8_t>((static_cast<uint32_t>(sum) * 7282u) >> 16);
      }
      for (int i = n - ch; i < n; ++i) out[i] = mean(c[i - ch] + 2u * c[i]);
    }
  });
}

void soften(Bitmap& b, int level) {
  const double sigma = 0.4 * std::clamp(level, 1, 10);
  filterInPlace(b, gaussianRadius(sigma), [sigma](const cv::Mat& s, cv::Mat& d) { cv::GaussianBlur(s, d, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE); });
}

void sharpen(Bitmap& b, int level) {
  const double amount = 0.25 * std::clamp(level, 1, 10);
  filterInPlace(b, gaussianRadius(1.0), [amount](const cv::Mat& s, cv::Mat& d) {
    cv::Mat smooth;
    cv::GaussianBlur(s, smooth, cv::Size(0, 0), 1.0, 1.0, cv::BORDER_REPLICATE);
    cv::addWeighted(s, 1.0 + amount, smooth, -amount, 0, d);
  });
}

void blend(Bitmap& b, int percent) {
  const double a = std::clamp(percent, 0, 100) / 100.0;
  if (a == 0) return;
  filterInPlace(b, 2, [a](const cv::Mat& s, cv::Mat& d) {
    cv::Mat mean;
    cv::blur(s, mean, cv::Size(5, 5), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    cv::addWeighted(s, 1.0 - a, mean, a, 0, d);
  });
}

void median(Bitmap& b) {
  filterInPlace(b, 1, [](const cv::Mat& s, cv::Mat& d) { cv::medianBlur(s, d, 3); });
}

void emboss(Bitmap& b) {
  // The kernel -1 -1 0 / -1 0 1 / 0 1 1 on mid grey, with replicated edges: three neighbours
  // towards the bottom right less three towards the top left, in whole numbers (a plain loop the
  // compiler vectorises, where a general filter would go through floating point).
  filterInPlace(b, 1, [](const cv::Mat& s, cv::Mat& d) {
    d.create(s.size(), s.type());
    const int ch = s.channels();
    const int n = s.cols * ch;
    for (int y = 0; y < s.rows; ++y) {
      const uint8_t* up = s.ptr(std::max(y - 1, 0));
      const uint8_t* mid = s.ptr(y);
      const uint8_t* down = s.ptr(std::min(y + 1, s.rows - 1));
      uint8_t* out = d.ptr(y);
      auto at = [&](int i, int left, int right) {
        const int v = 128 + mid[right] + down[i] + down[right] - up[left] - up[i] - mid[left];
        out[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
      };
      if (n <= ch) {  // one pixel wide: left and right are the pixel itself
        for (int i = 0; i < n; ++i) at(i, i, i);
        continue;
      }
      for (int i = 0; i < ch; ++i) at(i, i, i + ch);
      for (int i = ch; i < n - ch; ++i) {
        const int v = 128 + mid[i + ch] + down[i] + down[i + ch] - up[i - ch] - up[i] - mid[i - ch];
        out[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
      }
      for (int i = n - ch; i < n; ++i) at(i, i - ch, i);
    }
  });
}

void outline(Bitmap& b) {
  filterInPlace(b, 1, [](const cv::Mat& s, cv::Mat& d) {
    cv::Mat lap;
    cv::Laplacian(s, lap, CV_16S, 1, 1, 0, cv::BORDER_REPLICATE);
    cv::Mat mag;
    cv::convertScaleAbs(lap, mag);
    cv::bitwise_not(mag, d);
  });
}

void dilate(Bitmap& b) {
  filterInPlace(b, 1, [](const cv::Mat& s, cv::Mat& d) {
    cv::dilate(s, d, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
  });
}

void erode(Bitmap& b) {
  filterInPlace(b, 1, [](const cv::Mat& s, cv::Mat& d) {
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

namespace {

// The offsets of diffuse for the pixels of one row: two independent values -2..2 from the two
// halves of each pixel's hash.
void rowOffsetsPlain(uint32_t y, int32_t from, int32_t w, int8_t* dx, int8_t* dy) {
  for (int32_t x = from; x < w; ++x) {
    const uint64_t z = ops::positionBits(static_cast<uint32_t>(x), y);
    dx[x] = static_cast<int8_t>(static_cast<int32_t>(ops::below(z, 5)) - 2);
    dy[x] = static_cast<int8_t>(static_cast<int32_t>(ops::below(z >> 32, 5)) - 2);
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same, eight pixels at a time.
__attribute__((target("avx512f,avx512dq"))) void rowOffsetsWide(uint32_t y, int32_t w, int8_t* dx, int8_t* dy) {
  const __m512i base = _mm512_set1_epi64(static_cast<long long>((uint64_t(y) << 32) + uint64_t(ops::kRandomSeed) * 0x9E3779B97F4A7C15ull));
  const __m512i m1 = _mm512_set1_epi64(static_cast<long long>(0xBF58476D1CE4E5B9ull));
  const __m512i m2 = _mm512_set1_epi64(static_cast<long long>(0x94D049BB133111EBull));
  const __m512i five = _mm512_set1_epi64(5), two = _mm512_set1_epi64(2), eight = _mm512_set1_epi64(8);
  __m512i xs = _mm512_setr_epi64(0, 1, 2, 3, 4, 5, 6, 7);
  // The masked forms with every lane set: the plain ones leave some compilers warning about
  // their unset pass-through operand.
  const __mmask8 kAll = 0xFF;
  int32_t x = 0;
  for (; x + 8 <= w; x += 8, xs = _mm512_add_epi64(xs, eight)) {
    __m512i z = _mm512_add_epi64(base, xs);
    z = _mm512_mullo_epi64(_mm512_xor_si512(z, _mm512_maskz_srli_epi64(kAll, z, 30)), m1);
    z = _mm512_mullo_epi64(_mm512_xor_si512(z, _mm512_maskz_srli_epi64(kAll, z, 27)), m2);
    z = _mm512_xor_si512(z, _mm512_maskz_srli_epi64(kAll, z, 31));
    const __m512i ox = _mm512_sub_epi64(_mm512_maskz_srli_epi64(kAll, _mm512_maskz_mul_epu32(kAll, z, five), 32), two);
    const __m512i oy = _mm512_sub_epi64(_mm512_maskz_srli_epi64(kAll, _mm512_maskz_mul_epu32(kAll, _mm512_maskz_srli_epi64(kAll, z, 32), five), 32), two);
    _mm512_mask_cvtepi64_storeu_epi8(dx + x, 0xFF, ox);
    _mm512_mask_cvtepi64_storeu_epi8(dy + x, 0xFF, oy);
  }
  rowOffsetsPlain(y, x, w, dx, dy);
}
const bool kWideHash = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
#endif

void rowOffsets(uint32_t y, int32_t w, int8_t* dx, int8_t* dy) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (kWideHash) {
    rowOffsetsWide(y, w, dx, dy);
    return;
  }
#endif
  rowOffsetsPlain(y, 0, w, dx, dy);
}

}  // namespace

namespace {
// One row of diffuse: rows[k] is the source row y + k - 2 (clamped to the picture), dxs and dys the
// row's offsets; each pixel of out is taken from its neighbour at those offsets.
void diffuseRow(const uint8_t* const rows[5], const int8_t* dxs, const int8_t* dys, int32_t w, int ch, uint8_t* p) {
  auto take = [&](int32_t x, int32_t sx) {
    const uint8_t* q = rows[dys[x] + 2] + static_cast<std::ptrdiff_t>(sx) * ch;
    if (ch == 3) {
      p[static_cast<std::ptrdiff_t>(x) * 3] = q[0];
      p[static_cast<std::ptrdiff_t>(x) * 3 + 1] = q[1];
      p[static_cast<std::ptrdiff_t>(x) * 3 + 2] = q[2];
    } else {
      p[x] = q[0];
    }
  };
  const int32_t inner = std::min(2, w);
  for (int32_t x = 0; x < inner; ++x) take(x, std::clamp(x + dxs[x], 0, w - 1));
  for (int32_t x = inner; x < w - 2; ++x) take(x, x + dxs[x]);
  for (int32_t x = std::max(inner, w - 2); x < w; ++x) take(x, std::clamp(x + dxs[x], 0, w - 1));
}
}  // namespace

void diffuse(Bitmap& b) {
  if (b.isNull()) return;
  const int32_t h = b.height();
  // Each pixel is taken from within two rows, so the picture can be worked in place by bands.
  filterInPlace(b, 2, [h](const cv::Mat& in, cv::Mat& out, int32_t firstRow) {
    out.create(in.size(), in.type());
    const int32_t w = in.cols, lastRow = firstRow + in.rows - 1;
    std::vector<int8_t> dxs(static_cast<std::size_t>(w)), dys(static_cast<std::size_t>(w));
    for (int32_t r = 0; r < in.rows; ++r) {
      const int32_t y = firstRow + r;
      rowOffsets(static_cast<uint32_t>(y), w, dxs.data(), dys.data());
      // The source rows y - 2 .. y + 2, clamped to the picture (and, in scratch rows that are
      // thrown away, to the band's margin).
      const uint8_t* rows[5];
      for (int k = 0; k < 5; ++k) rows[k] = in.ptr(std::clamp(std::clamp(y + k - 2, 0, h - 1), firstRow, lastRow) - firstRow);
      diffuseRow(rows, dxs.data(), dys.data(), w, in.channels(), out.ptr(r));
    }
  });
}

void diffuseRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last) {
  if (src.isNull() || src.bitsPerPixel() != 24) return;
  const int32_t w = src.width(), h = src.height();
  first = std::max(0, first);
  last = std::min(h, last);
  cv::parallel_for_(cv::Range(first, std::max(first, last)), [&](const cv::Range& range) {
    std::vector<int8_t> dxs(static_cast<std::size_t>(w)), dys(static_cast<std::size_t>(w));
    for (int32_t y = range.start; y < range.end; ++y) {
      rowOffsets(static_cast<uint32_t>(y), w, dxs.data(), dys.data());
      const uint8_t* rows[5];
      for (int k = 0; k < 5; ++k) rows[k] = src.row(std::clamp(y + k - 2, 0, h - 1));
      diffuseRow(rows, dxs.data(), dys.data(), w, 3, dst.row(y));
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
    if (&src != &dst) copyRows(src, y, dst, y, 1);
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
