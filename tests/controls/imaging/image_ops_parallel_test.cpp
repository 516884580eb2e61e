// The pixel operations that share their work among threads or take faster paths give exactly the
// result of the plain whole-picture computation, at any thread count.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/row_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <tuple>

namespace {

using img::Bitmap;

Bitmap noisy(int w, int h, int bpp, uint32_t seed) {
  Bitmap b(w, h, bpp);
  if (bpp == 8) b.setGrayPalette();
  std::mt19937 rng(seed);
  // Smooth ramps under noise, so that filters meet both edges and flat stretches.
  const int ch = bpp / 8;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.row(y);
    for (int x = 0; x < w * ch; ++x) p[x] = static_cast<uint8_t>((x * 3 + y * 2 + static_cast<int>(rng() % 48)) & 0xFF);
  }
  return b;
}

::testing::AssertionResult sameBytes(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.bitsPerPixel() != b.bitsPerPixel())
    return ::testing::AssertionFailure() << "size or depth differs";
  const std::size_t bytes = static_cast<std::size_t>(a.width()) * static_cast<std::size_t>(a.bitsPerPixel()) / 8;
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.row(y), b.row(y), bytes) != 0) return ::testing::AssertionFailure() << "row " << y << " differs";
  return ::testing::AssertionSuccess();
}

// Runs the body at each thread count and puts the library's own count back afterwards.
void atThreadCounts(const std::function<void(int)>& body) {
  const int saved = cv::getNumThreads();
  for (int threads : {1, 3, 8}) {
    cv::setNumThreads(threads);
    body(threads);
  }
  cv::setNumThreads(saved);
}

struct FilterCase {
  std::string name;
  std::function<void(Bitmap&)> op;
  std::function<void(const cv::Mat&, cv::Mat&)> whole;  // the same filter over the whole picture
};

TEST(ImageOpsParallel, BandedFiltersEqualTheWholePictureFilter) {
  const cv::Mat embossKernel = (cv::Mat_<float>(3, 3) << -1, -1, 0, -1, 0, 1, 0, 1, 1);
  cv::Mat streak = cv::Mat::zeros(17, 1, CV_32F);  // motion blur 5 taps, velocity (0, 2)
  for (int i = 0; i < 5; ++i) streak.at<float>(8 - 2 * i, 0) += 1.0f / 5;
  const std::vector<FilterCase> cases = {
      {"blur", [](Bitmap& b) { img::blur(b); },
       [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE); }},
      {"soften 1", [](Bitmap& b) { img::soften(b, 1); },
       [](const cv::Mat& s, cv::Mat& d) { cv::GaussianBlur(s, d, cv::Size(0, 0), 0.4, 0.4, cv::BORDER_REPLICATE); }},
      {"soften 10", [](Bitmap& b) { img::soften(b, 10); },
       [](const cv::Mat& s, cv::Mat& d) { cv::GaussianBlur(s, d, cv::Size(0, 0), 4.0, 4.0, cv::BORDER_REPLICATE); }},
      {"sharpen", [](Bitmap& b) { img::sharpen(b, 4); },
       [](const cv::Mat& s, cv::Mat& d) {
         cv::Mat smooth;
         cv::GaussianBlur(s, smooth, cv::Size(0, 0), 1.0, 1.0, cv::BORDER_REPLICATE);
         cv::addWeighted(s, 2.0, smooth, -1.0, 0, d);
       }},
      {"blend", [](Bitmap& b) { img::blend(b, 30); },
       [](const cv::Mat& s, cv::Mat& d) {
         cv::Mat mean;
         cv::blur(s, mean, cv::Size(5, 5), cv::Point(-1, -1), cv::BORDER_REPLICATE);
         cv::addWeighted(s, 0.7, mean, 0.3, 0, d);
       }},
      {"median", [](Bitmap& b) { img::median(b); }, [](const cv::Mat& s, cv::Mat& d) { cv::medianBlur(s, d, 3); }},
      {"emboss", [](Bitmap& b) { img::emboss(b); },
       [&](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, embossKernel, cv::Point(-1, -1), 128, cv::BORDER_REPLICATE); }},
      {"outline", [](Bitmap& b) { img::outline(b); },
       [](const cv::Mat& s, cv::Mat& d) {
         cv::Mat lap, mag;
         cv::Laplacian(s, lap, CV_16S, 1, 1, 0, cv::BORDER_REPLICATE);
         cv::convertScaleAbs(lap, mag);
         cv::bitwise_not(mag, d);
       }},
      {"dilate", [](Bitmap& b) { img::dilate(b); },
       [](const cv::Mat& s, cv::Mat& d) { cv::dilate(s, d, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE); }},
      {"erode", [](Bitmap& b) { img::erode(b); },
       [](const cv::Mat& s, cv::Mat& d) { cv::erode(s, d, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE); }},
      {"motion blur", [](Bitmap& b) { img::motionBlur(b, 5, 0, 2); },
       [&](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, streak, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE); }},
  };
  // Tall enough for several stripes of several bands each, at any radius; and one and two pixels
  // wide, where both edges meet.
  for (const auto& [width, bpp] : {std::pair{53, 24}, {71, 8}, {1, 24}, {2, 8}}) {
    const Bitmap src = noisy(width, 1301, bpp, 11);
    for (const FilterCase& c : cases) {
      Bitmap want = src;
      {
        cv::Mat m = img::ops::asMat(want), d;
        c.whole(m.clone(), d);
        img::ops::storeMat(want, d);
      }
      atThreadCounts([&](int threads) {
        Bitmap got = src;
        c.op(got);
        EXPECT_TRUE(sameBytes(got, want)) << c.name << " at " << width << " x " << bpp << " bits, " << threads << " threads";
      });
    }
  }
}


// Palette index of the nearest colour by a scan of the whole palette (the first at the least
// distance).
int scanNearest(const std::vector<QRgb>& pal, int r, int g, int b) {
  int best = 0;
  long least = -1;
  for (std::size_t i = 0; i < pal.size(); ++i) {
    const long dr = qRed(pal[i]) - r, dg = qGreen(pal[i]) - g, db = qBlue(pal[i]) - b;
    const long d = dr * dr + dg * dg + db * db;
    if (least < 0 || d < least) {
      least = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

struct Tap {
  int dx, dy, weight;
};

// Error diffusion in one plain pass down a 24-bit picture, with a whole picture of errors.
std::vector<int> referenceDiffusion(const Bitmap& src, const std::vector<QRgb>& pal, const std::vector<Tap>& taps) {
  const int w = src.width(), h = src.height();
  int total = 0;
  for (const Tap& t : taps) total += t.weight;
  std::vector<float> err(static_cast<std::size_t>(w + 4) * static_cast<std::size_t>(h + 2) * 3, 0.0f);
  auto at = [&](int x, int y, int c) -> float& { return err[(static_cast<std::size_t>(y) * (w + 4) + static_cast<std::size_t>(x + 2)) * 3 + static_cast<std::size_t>(c)]; };
  std::vector<int> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb p = src.pixel(x, y);
      const int channel[3] = {qRed(p), qGreen(p), qBlue(p)};
      float want[3];
      int v[3];
      for (int c = 0; c < 3; ++c) {
        want[c] = channel[c] + at(x, y, c);
        v[c] = std::clamp(static_cast<int>(std::lround(want[c])), 0, 255);
      }
      const int idx = scanNearest(pal, v[0], v[1], v[2]);
      out.push_back(idx);
      const QRgb got = pal[static_cast<std::size_t>(idx)];
      const float e[3] = {want[0] - qRed(got), want[1] - qGreen(got), want[2] - qBlue(got)};
      for (const Tap& t : taps) {
        if (x + t.dx < -2 || x + t.dx >= w + 2 || y + t.dy >= h) continue;
        for (int c = 0; c < 3; ++c) at(x + t.dx, y + t.dy, c) += e[c] * (static_cast<float>(t.weight) / static_cast<float>(total));
      }
    }
  return out;
}

std::vector<int> indexes(const Bitmap& b) {
  std::vector<int> out;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) out.push_back(static_cast<int>(b.index(x, y)));
  return out;
}

TEST(ImageOpsParallel, ErrorDiffusionEqualsOnePlainPassAtAnyThreadCount) {
  const std::vector<Tap> floyd = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
  const std::vector<Tap> stucki = {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
                                   {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}};
  // Wide enough for several stretches of progress per row, tall enough for every thread.
  const Bitmap src = noisy(203, 61, 24, 5);
  struct DitherCase {
    int bpp, palette, dither;
    const std::vector<Tap>& taps;
  };
  const DitherCase cases[] = {{8, img::kPaletteFixed, img::kDitherFloydSteinberg, floyd},
                              {8, img::kPaletteOptimized, img::kDitherFloydSteinberg, floyd},
                              {8, img::kPaletteOptimized, img::kDitherStucki, stucki},
                              {4, img::kPaletteFixed, img::kDitherFloydSteinberg, floyd},
                              {1, img::kPaletteFixed, img::kDitherStucki, stucki}};
  for (const DitherCase& c : cases) {
    const std::vector<QRgb> pal = c.palette == img::kPaletteFixed ? img::fixedPalette(c.bpp) : img::optimizedPalette(src, 1 << c.bpp);
    const std::vector<int> want = referenceDiffusion(src, pal, c.taps);
    atThreadCounts([&](int threads) {
      Bitmap b = src;
      img::changeColorDepth(b, c.bpp, c.palette, c.dither);
      ASSERT_EQ(b.bitsPerPixel(), c.bpp);
      EXPECT_EQ(indexes(b), want) << c.bpp << " bits, palette " << c.palette << ", dither " << c.dither << ", " << threads << " threads";
    });
  }
}

TEST(ImageOpsParallel, NearestColourEqualsAScanOfThePalette) {
  // Many colours scattered over the whole cube (a picture large enough for the finer search
  // table, checked at every fifth pixel), and a small picture of ramps (checked everywhere).
  Bitmap scattered(1024, 1024, 24);
  std::mt19937 rng(3);
  for (int y = 0; y < scattered.height(); ++y)
    for (int x = 0; x < scattered.width(); ++x) scattered.setIndex(x, y, rng() | 0xFF000000u);
  const Bitmap lumpy = noisy(256, 256, 24, 9);
  for (const auto& [picture, step] : {std::pair<const Bitmap*, int>{&scattered, 5}, {&lumpy, 1}})
    for (const int palette : {img::kPaletteFixed, img::kPaletteOptimized}) {
      const std::vector<QRgb> pal = palette == img::kPaletteFixed ? img::fixedPalette(8) : img::optimizedPalette(*picture, 256);
      Bitmap b = *picture;
      img::changeColorDepth(b, 8, palette, img::kDitherNone);
      int wrong = 0;
      for (int i = 0; i < b.width() * b.height(); i += step) {
        const int x = i % b.width(), y = i / b.width();
        const QRgb p = picture->pixel(x, y);
        wrong += static_cast<int>(b.index(x, y)) != scanNearest(pal, qRed(p), qGreen(p), qBlue(p));
      }
      EXPECT_EQ(wrong, 0) << picture->width() << " wide, palette " << palette;
    }
}

TEST(ImageOpsParallel, PerPixelEffectsGiveTheSameResultAtAnyThreadCount) {
  const std::vector<std::pair<std::string, std::function<void(Bitmap&)>>> cases = {
      {"noise", [](Bitmap& b) { img::addNoise(b, 30, 40); }},
      {"diffuse", [](Bitmap& b) { img::diffuse(b); }},
      {"hsl", [](Bitmap& b) { img::adjustHSL(b, 10, 20, 5); }},
      {"equalize", [](Bitmap& b) { img::equalize(b); }},
  };
  const Bitmap src = noisy(97, 1301, 24, 21);
  for (const auto& [name, op] : cases) {
    Bitmap want = src;
    const int saved = cv::getNumThreads();
    cv::setNumThreads(1);
    op(want);
    cv::setNumThreads(saved);
    atThreadCounts([&](int threads) {
      Bitmap got = src;
      op(got);
      EXPECT_TRUE(sameBytes(got, want)) << name << " at " << threads << " threads";
    });
  }
}

TEST(ImageOpsParallel, NoiseTouchesItsShareOfPixelsWithinItsIntensity) {
  for (const auto& [frequency, intensity] : {std::pair{5, 32}, {50, 10}, {100, 1}}) {
    Bitmap b(200, 150, 24);
    for (int y = 0; y < b.height(); ++y) std::memset(b.row(y), 128, static_cast<std::size_t>(b.width()) * 3);
    img::addNoise(b, frequency, intensity);
    int changed = 0, low = 255, high = 0;
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x) {
        const QRgb c = b.pixel(x, y);
        ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << "one change for all channels";
        changed += qRed(c) != 128;
        low = std::min(low, qRed(c));
        high = std::max(high, qRed(c));
      }
    // A drawn change of 0 leaves a picked pixel as it was: 1 in 2 * intensity + 1.
    const double expected = frequency / 100.0 * (1.0 - 1.0 / (2 * intensity + 1));
    EXPECT_NEAR(changed / 30000.0, expected, 0.02) << frequency;
    EXPECT_EQ(low, 128 - intensity) << frequency;
    EXPECT_EQ(high, 128 + intensity) << frequency;
  }
}

TEST(ImageOpsParallel, ByteTableLookUpEqualsThePlainLoopAtEveryLevelAndLength) {
  img::ops::Lut table{};
  for (int v = 0; v < 256; ++v) table[static_cast<std::size_t>(v)] = static_cast<uint8_t>((v * 37 + 11) & 0xFF);
  // Lengths around the vector width, starting at several offsets from a cache line; the bytes
  // around the run are left alone.
  for (const std::size_t length : {1u, 63u, 64u, 65u, 127u, 256u, 777u})
    for (const std::size_t offset : {0u, 1u, 5u, 48u, 63u}) {
      std::vector<uint8_t> bytes(length + 256);
      for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
      const std::size_t start = (64 - reinterpret_cast<uintptr_t>(bytes.data()) % 64) % 64 + offset;
      std::vector<uint8_t> want = bytes;
      for (std::size_t i = start; i < start + length; ++i) want[i] = table[want[i]];
      img::rows::mapBytes(bytes.data() + start, length, table.data());
      EXPECT_EQ(bytes, want) << length << " bytes from " << offset << " past a cache line";
    }
}

TEST(ImageOpsParallel, DiffuseTakesEachPixelFromItsHashedOffset) {
  // Each pixel's offset comes from a hash of its position and the fixed seed (the two halves of
  // the hash, scaled to 0..4, less 2); the source is clamped to the picture.
  auto offsets = [](uint32_t x, uint32_t y) {
    uint64_t z = (uint64_t(y) << 32 | x) + uint64_t(0x5EED1234u) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return std::pair<int, int>(static_cast<int>(((z & 0xFFFFFFFFu) * 5) >> 32) - 2, static_cast<int>(((z >> 32) * 5) >> 32) - 2);
  };
  // Banded (tall) and whole (short) pictures, widths off the vector width.
  for (const auto& [w, h, bpp] : {std::tuple{37, 1301, 8}, {29, 40, 24}, {3, 900, 24}}) {
    const Bitmap src = noisy(w, h, bpp, 4);
    Bitmap b = src;
    img::diffuse(b);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const auto [dx, dy] = offsets(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
        wrong += b.pixel(x, y) != src.pixel(std::clamp(x + dx, 0, w - 1), std::clamp(y + dy, 0, h - 1));
      }
    EXPECT_EQ(wrong, 0) << w << " x " << h;
  }
}

}  // namespace
