// The pixel operations that share their work among threads or take faster paths give exactly the
// result of the plain whole-picture computation, at any thread count.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>

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
  // Tall enough for several stripes of several bands each, at any radius.
  for (const int bpp : {24, 8}) {
    const Bitmap src = noisy(bpp == 24 ? 53 : 71, 1301, bpp, 11);
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
        EXPECT_TRUE(sameBytes(got, want)) << c.name << " at " << bpp << " bits, " << threads << " threads";
      });
    }
  }
}

}  // namespace
