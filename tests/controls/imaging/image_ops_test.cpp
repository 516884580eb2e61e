// The image tools' pixel operations on small pictures made here: identities, key pixels and
// comparisons with independent computations.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <string>

namespace {

using img::Bitmap;
using imgtest::pattern;
using imgtest::samePixels;

Bitmap flat(int w, int h, QRgb c) {
  Bitmap b(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setIndex(x, y, c);
  return b;
}

Bitmap grey(int w, int h, int v) {
  Bitmap b(w, h, 8);
  b.setGrayPalette();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setIndex(x, y, static_cast<uint32_t>(v));
  return b;
}

struct Case {
  std::string name;
  std::function<void(Bitmap&)> op;
};

TEST(ImageOps, NeutralParametersChangeNothing) {
  const std::vector<Case> cases = {
      {"brightness 0", [](Bitmap& b) { img::adjustBrightness(b, 0); }},
      {"contrast 0", [](Bitmap& b) { img::adjustContrast(b, 0); }},
      {"gamma 1", [](Bitmap& b) { img::applyGamma(b, 1.0f); }},
      {"rgb 0", [](Bitmap& b) { img::adjustRGB(b, 0, 0, 0, 0); }},
      {"posterize 256", [](Bitmap& b) { img::posterize(b, 256); }},
      {"solarize 256", [](Bitmap& b) { img::solarize(b, 256); }},
      {"blend 0", [](Bitmap& b) { img::blend(b, 0); }},
      {"mosaic 1", [](Bitmap& b) { img::mosaic(b, 1); }},
      {"motion blur 1", [](Bitmap& b) { img::motionBlur(b, 1, 5, 5); }},
      {"motion blur still", [](Bitmap& b) { img::motionBlur(b, 10, 0, 0); }},
      {"noise 0", [](Bitmap& b) { img::addNoise(b, 0, 50); }},
      {"swirl 0", [](Bitmap& b) { img::swirl(b, 0.0); }},
      {"pinch 0", [](Bitmap& b) { img::pinch(b, 0); }},
      {"ripple 0", [](Bitmap& b) { img::ripple(b, 5, 0, 0); }},
      {"perspective 0", [](Bitmap& b) { img::perspective(b, 2, 0); }},
      {"twist 1", [](Bitmap& b) { img::twist(b, 1, 0); }},
      {"buttonize 0", [](Bitmap& b) { img::buttonize(b, 1, 0, 50); }},
      {"depth 24", [](Bitmap& b) { img::changeColorDepth(b, 24, 0, 0); }},
  };
  for (const Case& c : cases) {
    Bitmap b = pattern(16, 12, 24);
    c.op(b);
    EXPECT_TRUE(samePixels(b, pattern(16, 12, 24))) << c.name;
  }
}

TEST(ImageOps, InvolutionsRestoreThePicture) {
  const std::vector<Case> cases = {
      {"negate", [](Bitmap& b) { img::negate(b); }},
      {"twist 180", [](Bitmap& b) { img::twist(b, 4, 1); }},
      {"twist 90 twice = 180, twice", [](Bitmap& b) { img::twist(b, 4, 0); img::twist(b, 4, 0); }},
  };
  for (int bpp : {4, 8, 24})
    for (const Case& c : cases) {
      Bitmap b = pattern(16, 12, bpp);
      c.op(b);
      if (c.name != "negate") {
        EXPECT_FALSE(samePixels(b, pattern(16, 12, bpp))) << c.name;
      }
      c.op(b);
      EXPECT_TRUE(samePixels(b, pattern(16, 12, bpp))) << c.name << " at " << bpp;
    }
}

TEST(ImageOps, ColourMappingsGiveTheirKeyValues) {
  struct Key {
    std::string name;
    std::function<void(Bitmap&)> op;
    QRgb in, out;
  };
  const std::vector<Key> keys = {
      {"negate", [](Bitmap& b) { img::negate(b); }, qRgb(10, 20, 30), qRgb(245, 235, 225)},
      {"brightness +100 saturates", [](Bitmap& b) { img::adjustBrightness(b, 100); }, qRgb(10, 128, 250), qRgb(255, 255, 255)},
      {"brightness -20", [](Bitmap& b) { img::adjustBrightness(b, -20); }, qRgb(100, 51, 20), qRgb(49, 0, 0)},
      {"contrast -100 is flat grey", [](Bitmap& b) { img::adjustContrast(b, -100); }, qRgb(0, 90, 255), qRgb(128, 128, 128)},
      {"gamma 2 brightens", [](Bitmap& b) { img::applyGamma(b, 2.0f); }, qRgb(64, 0, 255), qRgb(128, 0, 255)},
      {"solarize 128", [](Bitmap& b) { img::solarize(b, 128); }, qRgb(200, 127, 128), qRgb(55, 127, 127)},
      {"posterize 2", [](Bitmap& b) { img::posterize(b, 2); }, qRgb(100, 128, 200), qRgb(0, 255, 255)},
      {"rgb +100/0/-100", [](Bitmap& b) { img::adjustRGB(b, 0, 100, 0, -100); }, qRgb(0, 77, 200), qRgb(255, 77, 0)},
      {"hsl hue +100 turns 180 degrees", [](Bitmap& b) { img::adjustHSL(b, 100, 0, 0); }, qRgb(255, 0, 0), qRgb(0, 255, 255)},
      {"hsl saturation -100 gives grey", [](Bitmap& b) { img::adjustHSL(b, 0, -100, 0); }, qRgb(255, 0, 0), qRgb(128, 128, 128)},
      {"hsl luminance +100 gives white", [](Bitmap& b) { img::adjustHSL(b, 0, 0, 100); }, qRgb(30, 60, 90), qRgb(255, 255, 255)},
  };
  for (const Key& k : keys) {
    Bitmap b = flat(3, 2, k.in);
    k.op(b);
    EXPECT_EQ(b.pixel(2, 1) & 0xFFFFFF, k.out & 0xFFFFFF) << k.name << std::hex << " got " << b.pixel(2, 1);
    // A palette picture of the same colour keeps its depth and maps its palette the same way.
    Bitmap p(3, 2, 8);
    p.palette() = {k.in, qRgb(1, 2, 3)};
    p.palette().resize(256, qRgb(0, 0, 0));
    k.op(p);
    EXPECT_EQ(p.bitsPerPixel(), 8) << k.name;
    EXPECT_EQ(p.pixel(2, 1) & 0xFFFFFF, k.out & 0xFFFFFF) << k.name;
  }
}

TEST(ImageOps, HslConversionRoundTrips) {
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 51) {
        double h, s, l;
        img::rgbToHsl(r, g, b, h, s, l);
        int r2, g2, b2;
        img::hslToRgb(h, s, l, r2, g2, b2);
        ASSERT_LE(std::abs(r - r2) + std::abs(g - g2) + std::abs(b - b2), 2) << r << "," << g << "," << b;
      }
}

TEST(ImageOps, EqualizeSpreadsTwoLevelsToTheEnds) {
  Bitmap b = grey(4, 2, 50);
  for (int x = 0; x < 4; ++x) b.setIndex(x, 1, 100);
  img::equalize(b);
  EXPECT_EQ(qRed(b.pixel(0, 0)), 0);
  EXPECT_EQ(qRed(b.pixel(0, 1)), 255);
  Bitmap one = grey(3, 3, 77);
  img::equalize(one);
  EXPECT_EQ(qRed(one.pixel(1, 1)), 77) << "a single level has nothing to spread";
}

TEST(ImageOps, FiltersKeepAFlatPictureFlat) {
  const QRgb c = qRgb(90, 140, 200);
  const std::vector<Case> cases = {
      {"blur", [](Bitmap& b) { img::blur(b); }},          {"soften", [](Bitmap& b) { img::soften(b, 10); }},
      {"sharpen", [](Bitmap& b) { img::sharpen(b, 10); }}, {"blend", [](Bitmap& b) { img::blend(b, 100); }},
      {"median", [](Bitmap& b) { img::median(b); }},      {"dilate", [](Bitmap& b) { img::dilate(b); }},
      {"erode", [](Bitmap& b) { img::erode(b); }},        {"mosaic", [](Bitmap& b) { img::mosaic(b, 5); }},
      {"diffuse", [](Bitmap& b) { img::diffuse(b); }},    {"motion", [](Bitmap& b) { img::motionBlur(b, 9, 2, -1); }},
      {"swirl", [](Bitmap& b) { img::swirl(b, 300); }},   {"pinch", [](Bitmap& b) { img::pinch(b, -80); }},
      {"ripple", [](Bitmap& b) { img::ripple(b, 7, 9, 1); }}, {"parabolic", [](Bitmap& b) { img::parabolic(b, 1); }},
  };
  for (const Case& k : cases) {
    Bitmap b = flat(13, 9, c);
    k.op(b);
    EXPECT_TRUE(samePixels(b, flat(13, 9, c))) << k.name;
  }
  Bitmap e = flat(5, 5, c);
  img::emboss(e);
  EXPECT_EQ(e.pixel(2, 2) & 0xFFFFFF, qRgb(128, 128, 128) & 0xFFFFFF) << "emboss of a flat area is mid grey";
  Bitmap o = flat(5, 5, c);
  img::outline(o);
  EXPECT_EQ(o.pixel(2, 2) & 0xFFFFFF, 0xFFFFFFu) << "no edges: white";
}

TEST(ImageOps, MorphologyAndMedianOnADot) {
  auto dot = [] {
    Bitmap b = grey(7, 7, 0);
    b.setIndex(3, 3, 255);
    return b;
  };
  Bitmap d = dot();
  img::dilate(d);
  for (int y = 2; y <= 4; ++y)
    for (int x = 2; x <= 4; ++x) EXPECT_EQ(qRed(d.pixel(x, y)), 255) << x << "," << y;
  EXPECT_EQ(qRed(d.pixel(1, 3)), 0);
  for (auto op : {img::erode, img::median}) {
    Bitmap b = dot();
    op(b);
    EXPECT_EQ(qRed(b.pixel(3, 3)), 0);
  }
}

TEST(ImageOps, MosaicTakesBlockMeans) {
  Bitmap b = grey(3, 2, 0);
  b.setIndex(0, 0, 10);
  b.setIndex(1, 0, 20);
  b.setIndex(0, 1, 30);
  b.setIndex(1, 1, 40);
  b.setIndex(2, 0, 7);
  img::mosaic(b, 2);
  EXPECT_EQ(qRed(b.pixel(1, 1)), 25);
  EXPECT_EQ(qRed(b.pixel(2, 1)), 4) << "the partial block at the edge: (7 + 0) / 2 rounded";
}

TEST(ImageOps, MotionBlurStreaksAlongTheVelocityOnly) {
  Bitmap b = grey(9, 9, 0);
  for (int y = 0; y < 9; ++y) b.setIndex(4, y, 250);
  img::motionBlur(b, 5, 1, 0);
  EXPECT_EQ(qRed(b.pixel(4, 4)), 50);
  EXPECT_EQ(qRed(b.pixel(8, 4)), 50) << "four steps to the right";
  EXPECT_EQ(qRed(b.pixel(3, 4)), 0) << "nothing against the motion";
  EXPECT_EQ(qRed(b.pixel(6, 0)), qRed(b.pixel(6, 8))) << "vertical velocity 0: rows alike";
}

// Each value is the rounded mean of its taps back along the motion, the edges repeated.
TEST(ImageOps, MotionBlurIsTheMeanOfItsTaps) {
  struct Motion {
    int n, dx, dy;
  };
  const Bitmap src = pattern(23, 17, 24);
  for (const Motion m : {Motion{5, 1, 0}, Motion{3, -2, 1}, Motion{25, 10, -10}, Motion{4, 0, 3}, Motion{7, -10, 0}}) {
    SCOPED_TRACE(std::to_string(m.n) + " " + std::to_string(m.dx) + " " + std::to_string(m.dy));
    Bitmap b = src;
    img::motionBlur(b, m.n, m.dx, m.dy);
    int worst = 0;
    for (int y = 0; y < src.height(); ++y)
      for (int x = 0; x < src.width(); ++x)
        for (int c = 0; c < 3; ++c) {
          int sum = 0;
          for (int i = 0; i < m.n; ++i) {
            const int sx = std::clamp(x - m.dx * i, 0, src.width() - 1), sy = std::clamp(y - m.dy * i, 0, src.height() - 1);
            sum += src.row(sy)[sx * 3 + c];
          }
          worst = std::max(worst, std::abs(b.row(y)[x * 3 + c] - static_cast<int>(std::lround(double(sum) / m.n))));
        }
    EXPECT_EQ(worst, 0);
  }
}

TEST(ImageOps, RandomEffectsRepeatExactly) {
  const std::vector<Case> cases = {
      {"noise", [](Bitmap& b) { img::addNoise(b, 20, 60); }},
      {"diffuse", [](Bitmap& b) { img::diffuse(b); }},
      {"twist random", [](Bitmap& b) { img::twist(b, 3, 3); }},
  };
  for (const Case& c : cases) {
    Bitmap a = pattern(20, 15, 24), b = pattern(20, 15, 24);
    c.op(a);
    c.op(b);
    EXPECT_FALSE(samePixels(a, pattern(20, 15, 24))) << c.name << " changed nothing";
    EXPECT_TRUE(samePixels(a, b)) << c.name;
  }
}

TEST(ImageOps, DistortionsKeepTheirFixedPoints) {
  const Bitmap src = pattern(21, 21, 24);
  for (const Case& c : std::vector<Case>{{"swirl", [](Bitmap& b) { img::swirl(b, 200); }},
                                         {"pinch", [](Bitmap& b) { img::pinch(b, 70); }},
                                         {"bulge", [](Bitmap& b) { img::pinch(b, -70); }},
                                         {"convex", [](Bitmap& b) { img::parabolic(b, 0); }},
                                         {"concave", [](Bitmap& b) { img::parabolic(b, 1); }}}) {
    Bitmap b = src;
    c.op(b);
    EXPECT_EQ(b.pixel(10, 10), src.pixel(10, 10)) << c.name << ": centre";
    EXPECT_EQ(b.pixel(0, 0), src.pixel(0, 0)) << c.name << ": corner";
    EXPECT_FALSE(samePixels(b, src)) << c.name;
  }
  // A ripple across the rows moves each row sideways by a*sin(2 pi f y / h).
  Bitmap r = src;
  img::ripple(r, 1, 2, 0);
  EXPECT_EQ(r.pixel(5, 0), src.pixel(5, 0));
  // Perspective narrows one edge and fills the rest with white.
  Bitmap p = flat(20, 10, qRgb(0, 0, 0));
  img::perspective(p, 0, 100);
  EXPECT_EQ(p.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_LT(qRed(p.pixel(10, 5)), 64);
  Bitmap q = flat(20, 10, qRgb(0, 0, 0));
  img::perspective(q, 3, 100);
  EXPECT_EQ(q.pixel(19, 0) & 0xFFFFFF, 0xFFFFFFu) << "right edge narrowed";
  EXPECT_LT(qRed(q.pixel(3, 5)), 64);
}

TEST(ImageOps, ButtonizeLightsOneSideAndShadesTheOther) {
  for (int style : {0, 1}) {
    Bitmap b = flat(20, 20, qRgb(100, 100, 100));
    img::buttonize(b, style, 3, 50);
    const int topLeft = qRed(b.pixel(1, 10)), bottomRight = qRed(b.pixel(18, 10));
    EXPECT_EQ(style == 1 ? topLeft : bottomRight, 178) << style;
    EXPECT_EQ(style == 1 ? bottomRight : topLeft, 50) << style;
    EXPECT_EQ(qRed(b.pixel(10, 10)), 100) << "inside the bevel";
  }
}

// ---- colour depth ------------------------------------------------------------------------------

double whiteShare(const Bitmap& b) {
  double n = 0;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) n += qRed(b.pixel(x, y)) > 128;
  return n / (b.width() * b.height());
}

TEST(ImageOps, EveryDepthPaletteAndDitherGivesThatDepth) {
  for (int inBpp : {1, 4, 8, 24})
    for (int bpp : {1, 4, 8, 24})
      for (int palette = 0; palette <= 7; ++palette)
        for (int dither = 0; dither <= 3; ++dither) {
          Bitmap b = pattern(19, 11, inBpp);
          img::changeColorDepth(b, bpp, palette, dither);
          const std::string what = std::to_string(inBpp) + "->" + std::to_string(bpp) + " p" + std::to_string(palette) +
                                   " d" + std::to_string(dither);
          ASSERT_EQ(b.bitsPerPixel(), bpp) << what;
          ASSERT_EQ(b.width(), 19) << what;
          if (bpp == 24) continue;
          EXPECT_LE(b.palette().size(), std::size_t(1) << bpp) << what;
          if (palette == img::kPaletteGray || palette == img::kPaletteGrayDither) {
            EXPECT_TRUE(b.isGray()) << what;
          }
        }
}

TEST(ImageOps, OptimizedPaletteKeepsFewColoursExactly) {
  Bitmap b(8, 8, 24);
  const QRgb colours[4] = {qRgb(200, 10, 10), qRgb(10, 200, 10), qRgb(13, 17, 250), qRgb(250, 250, 5)};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) b.setIndex(x, y, colours[(x / 4) + 2 * (y / 4)]);
  const Bitmap src = b;
  img::changeColorDepth(b, 4, img::kPaletteOptimized, img::kDitherNone);
  EXPECT_TRUE(samePixels(b, src));
  // Many colours: median cut picks 16 that stay close to a smooth picture.
  Bitmap s = imgtest::smoothPattern(64, 64);
  const Bitmap smooth = s;
  img::changeColorDepth(s, 8, img::kPaletteOptimized, img::kDitherNone);
  EXPECT_TRUE(samePixels(s, smooth, 12));
}

TEST(ImageOps, DithersKeepTheMeanOfAMidGrey) {
  for (int dither : {1, 2, 3}) {
    Bitmap b = grey(64, 64, 128);
    img::changeColorDepth(b, 1, img::kPaletteGray, dither);
    EXPECT_NEAR(whiteShare(b), 0.5, 0.03) << dither;
  }
  Bitmap none = grey(64, 64, 120);
  img::changeColorDepth(none, 1, img::kPaletteGray, img::kDitherNone);
  EXPECT_EQ(whiteShare(none), 0.0) << "without dither every pixel takes the nearest level";
  // A palette "with dither" dithers even when no dither type is chosen.
  Bitmap withDither = grey(64, 64, 128);
  img::changeColorDepth(withDither, 1, img::kPaletteGrayDither, img::kDitherNone);
  EXPECT_NEAR(whiteShare(withDither), 0.5, 0.03);
}

TEST(ImageOps, GrayScaleUsesTheLuminance) {
  Bitmap b = flat(2, 2, qRgb(255, 0, 0));
  img::changeColorDepth(b, 8, img::kPaletteGray, img::kDitherNone);
  EXPECT_EQ(qRed(b.pixel(1, 1)), 76);
  EXPECT_TRUE(b.isGray());
}

TEST(ImageOps, DepthRefusesOtherBitCounts) {
  for (int bpp : {0, 2, 16, 32}) {
    Bitmap b = pattern(4, 4, 24);
    EXPECT_THROW(img::changeColorDepth(b, bpp, 0, 0), rt::RuntimeError) << bpp;
  }
}

TEST(ImageOps, DepthSettingsReportThePicture) {
  EXPECT_EQ(img::depthSettings(grey(2, 2, 9)).bitsPerPixel, 8);
  EXPECT_EQ(img::depthSettings(grey(2, 2, 9)).paletteType, img::kPaletteGray);
  EXPECT_EQ(img::depthSettings(pattern(2, 2, 24)).bitsPerPixel, 24);
  EXPECT_EQ(img::depthSettings(pattern(2, 2, 4)).paletteType, img::kPaletteOptimized);
}

// ---- separation --------------------------------------------------------------------------------

TEST(ImageOps, SeparationChannelsFollowTheirFormulas) {
  struct Row {
    int model;
    QRgb in;
    std::vector<int> channels;
  };
  const std::vector<Row> rows = {
      {0, qRgb(10, 20, 30), {10, 20, 30}},
      {1, qRgb(255, 0, 0), {0, 255, 128}},
      {1, qRgb(0, 255, 0), {85, 255, 128}},
      {1, qRgb(128, 128, 128), {0, 0, 128}},
      {2, qRgb(10, 20, 30), {245, 235, 225}},
      {3, qRgb(255, 0, 0), {0, 255, 255, 0}},
      {3, qRgb(128, 128, 128), {0, 0, 0, 127}},
      {3, qRgb(0, 0, 0), {0, 0, 0, 255}},
      {3, qRgb(102, 204, 51), {128, 0, 191, 51}},
  };
  for (const Row& r : rows) {
    const auto out = img::separateColours(flat(3, 2, r.in), r.model);
    ASSERT_EQ(out.size(), r.channels.size()) << r.model;
    for (std::size_t k = 0; k < out.size(); ++k) {
      EXPECT_TRUE(out[k].isGray());
      EXPECT_EQ(qRed(out[k].pixel(2, 1)), r.channels[k]) << "model " << r.model << " channel " << k << std::hex << " of " << r.in;
    }
  }
  EXPECT_TRUE(img::separateColours(flat(2, 2, 0), 4).empty());
}

// ---- size --------------------------------------------------------------------------------------

Bitmap pageWithBox(QRgb page, QRgb box, QRect r) {
  Bitmap b = flat(40, 30, page);
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) b.setIndex(x, y, box);
  return b;
}

TEST(ImageOps, CropsFindTheirRectangles) {
  const Bitmap src = pageWithBox(qRgb(255, 255, 255), qRgb(0, 0, 0), QRect(10, 5, 12, 8));
  Bitmap c = img::cropToRect(src, 3, 4, 10, 6);
  EXPECT_EQ(c.width(), 10);
  EXPECT_EQ(c.height(), 6);
  EXPECT_EQ(c.pixel(7, 1), src.pixel(10, 5));
  Bitmap a = img::autoCrop(src, 0.1f, 2, 3);
  EXPECT_EQ(a.width(), 12 + 4);
  EXPECT_EQ(a.height(), 8 + 6);
  EXPECT_EQ(a.pixel(2, 3) & 0xFFFFFF, 0u);
  Bitmap tight = img::autoCrop(src, 0.1f, 0, 0);
  EXPECT_EQ(tight.width(), 12);
  Bitmap white = img::borderCrop(src, 0.9f, 3);
  EXPECT_EQ(white.width(), 12);
  EXPECT_EQ(white.height(), 8);
  EXPECT_EQ(img::borderCrop(src, 0.9f, 2).width(), 40) << "no black border";
  EXPECT_EQ(img::borderCrop(src, 0.9f, 0).width(), 12) << "the background is the top-left pixel";
  const Bitmap dark = pageWithBox(qRgb(0, 0, 0), qRgb(255, 255, 255), QRect(10, 5, 12, 8));
  EXPECT_EQ(img::borderCrop(dark, 0.9f, 2).width(), 12);
  EXPECT_THROW(img::cropToRect(src, 50, 50, 10, 10), rt::RuntimeError);
  EXPECT_THROW(img::cropToRect(src, 0, 0, 0, 10), rt::RuntimeError);
}

TEST(ImageOps, ResizeGivesTheSizeAndKeepsTheDepthKind) {
  for (int bpp : {1, 4, 8, 24}) {
    Bitmap b = img::resizeImage(pattern(20, 10, bpp), 7, 31);
    EXPECT_EQ(b.width(), 7);
    EXPECT_EQ(b.height(), 31);
    if (bpp == 1) {
      EXPECT_EQ(b.bitsPerPixel(), 1);
    }
  }
  Bitmap f = img::resizeImage(flat(10, 10, qRgb(1, 2, 3)), 25, 4);
  EXPECT_TRUE(samePixels(f, flat(25, 4, qRgb(1, 2, 3))));
  for (auto [w, h] : {std::pair{0, 5}, {5, -1}, {32768, 5}, {5, 40000}})
    EXPECT_THROW(img::resizeImage(flat(4, 4, 0), w, h), rt::RuntimeError) << w << "x" << h;
}

TEST(ImageOps, HistogramsCountEveryChannel) {
  Bitmap b = flat(4, 3, qRgb(10, 20, 30));
  b.setIndex(0, 0, qRgb(255, 20, 0));
  const img::Histograms h = img::getHistograms(b);
  EXPECT_EQ(h.red[10], 11);
  EXPECT_EQ(h.red[255], 1);
  EXPECT_EQ(h.green[20], 12);
  EXPECT_EQ(h.blue[0], 1);
  const img::Histograms g = img::getHistograms(grey(5, 2, 128));
  EXPECT_EQ(g.red[128], 10);
  EXPECT_EQ(g.blue[128], 10);
}

}  // namespace

namespace {

// A colour picture of varied pixels, large enough to be shared among several threads; the odd
// width leaves an odd number of bytes per row.
Bitmap noisyColour(int w, int h) {
  Bitmap b(w, h, 24);
  uint32_t s = 12345;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.row(y);
    for (int x = 0; x < w * 3; ++x) {
      s = s * 1103515245u + 12345u;
      p[x] = static_cast<uint8_t>((s >> 16) & 0xFF);
    }
  }
  return b;
}

uint8_t clampRound(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

TEST(ImageOps, ChannelMappingsOnAWholeColourPictureMatchTheirFormulas) {
  struct Mapping {
    std::string name;
    std::function<void(Bitmap&)> op;
    std::function<int(int)> want;
  };
  const std::vector<Mapping> cases = {
      {"negate", [](Bitmap& b) { img::negate(b); }, [](int v) { return 255 - v; }},
      {"gamma 2", [](Bitmap& b) { img::applyGamma(b, 2.0f); }, [](int v) { return clampRound(255.0 * std::pow(v / 255.0, 0.5)); }},
      {"solarize 100", [](Bitmap& b) { img::solarize(b, 100); }, [](int v) { return v >= 100 ? 255 - v : v; }},
  };
  const Bitmap src = noisyColour(601, 700);
  for (const Mapping& m : cases) {
    Bitmap b = src;
    m.op(b);
    for (int y = 0; y < src.height(); ++y)
      for (int x = 0; x < src.width() * 3; ++x)
        ASSERT_EQ(b.row(y)[x], m.want(src.row(y)[x])) << m.name << " at byte " << x << " of row " << y;
  }
}

TEST(ImageOps, EqualizeOfAColourPictureScalesEachPixelByItsLuminanceChange) {
  const Bitmap src = noisyColour(601, 700);
  Bitmap b = src;
  img::equalize(b);
  // The luminance histogram's cumulative share, from the first occupied level, gives the target
  // luminance; each channel is scaled by target / luminance.
  auto lum = [](int r, int g, int bl) { return (r * 299 + g * 587 + bl * 114 + 500) / 1000; };
  std::vector<double> count(256, 0);
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x) {
      const uint8_t* p = src.row(y) + x * 3;
      count[static_cast<std::size_t>(lum(p[2], p[1], p[0]))] += 1;
    }
  double firstCount = 0, total = 0;
  for (double c : count) {
    if (firstCount == 0) firstCount = c;
    total += c;
  }
  for (int y = 0; y < src.height(); y += 7)
    for (int x = 0; x < src.width(); ++x) {
      const uint8_t* p = src.row(y) + x * 3;
      const int l = lum(p[2], p[1], p[0]);
      double below = 0;
      for (int i = 0; i <= l; ++i) below += count[static_cast<std::size_t>(i)];
      const double target = below <= firstCount ? 0.0 : 255.0 * (below - firstCount) / (total - firstCount);
      for (int c = 0; c < 3; ++c) {
        const int want = l == 0 ? clampRound(target) : clampRound(p[c] * (target / l));
        ASSERT_EQ(b.row(y)[x * 3 + c], want) << "pixel " << x << "," << y << " channel " << c;
      }
    }
}

TEST(ImageOps, ScalingRowsAreFittedExactlyOrRefused) {
  // Rows scaled by a factor and rounded as equalize rounds them, for factors from nothing to far
  // above the top value: each is given exactly by a whole-number factor and shift.
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::array<uint8_t, 256> want{};
  for (int round = 0; round < 20000; ++round) {
    const double f = round < 10 ? round * 0.25 : round % 3 == 0 ? 300 * unit(rng) : 2 * unit(rng);
    for (int v = 0; v < 256; ++v) want[static_cast<std::size_t>(v)] = static_cast<uint8_t>(std::clamp(std::lround(v * f), 0L, 255L));
    uint32_t e = 0;
    ASSERT_TRUE(img::ops::fitScaling(want.data(), f, e)) << "factor " << f;
    const uint64_t s = e & 31, F = e >> 5;
    ASSERT_LE(255 * F + ((1u << s) >> 1), 0xFFFFFFFFu) << "factor " << f;
    for (int v = 0; v < 256; ++v)
      ASSERT_EQ(std::min<uint64_t>(255, (v * F + ((1u << s) >> 1)) >> s), want[static_cast<std::size_t>(v)]) << "factor " << f << ", value " << v;
  }
  // Rows no single factor gives.
  const std::vector<std::pair<int, int>> broken = {{0, 1} /* 0 must stay 0 */, {2, 0} /* falls back */, {200, 9}};
  for (const auto& [v, o] : broken) {
    for (int i = 0; i < 256; ++i) want[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
    want[static_cast<std::size_t>(v)] = static_cast<uint8_t>(o);
    uint32_t e = 0;
    EXPECT_FALSE(img::ops::fitScaling(want.data(), 1.0, e)) << "value " << v << " as " << o;
  }
}

TEST(ImageOps, DiffuseTakesEachPixelFromWithinTwoPixels) {
  // Every pixel's colour names its own position, so each result tells where it was taken from.
  const int w = 300, h = 40;
  Bitmap b(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setIndex(x, y, qRgb(x & 0xFF, x >> 8, y));
  img::diffuse(b);
  std::vector<int> seen(25, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb c = b.pixel(x, y);
      const int sx = qRed(c) | (qGreen(c) << 8), sy = qBlue(c);
      ASSERT_LE(std::abs(sx - x), 2) << x << "," << y;
      ASSERT_LE(std::abs(sy - y), 2) << x << "," << y;
      if (x >= 2 && y >= 2 && x < w - 2 && y < h - 2) ++seen[static_cast<std::size_t>((sy - y + 2) * 5 + sx - x + 2)];
    }
  for (int i = 0; i < 25; ++i) EXPECT_GT(seen[static_cast<std::size_t>(i)], 200) << "offset " << i % 5 - 2 << "," << i / 5 - 2 << " is rarely used";
}

// About frequency % of the pixels move, all channels by one step within +- intensity, the steps
// spread over the whole range; the rows made band by band are the whole picture's.
TEST(ImageOps, NoiseMovesItsShareOfPixelsWithinTheIntensity) {
  const int w = 300, h = 100, f = 20, a = 30;
  const Bitmap src = flat(w, h, qRgb(100, 120, 140));
  Bitmap b = src;
  img::addNoise(b, f, a);
  int moved = 0, lowest = 0, highest = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb c = b.pixel(x, y);
      const int d = qRed(c) - 100;
      ASSERT_EQ(qGreen(c) - 120, d) << x << "," << y;
      ASSERT_EQ(qBlue(c) - 140, d) << x << "," << y;
      ASSERT_LE(std::abs(d), a);
      moved += d != 0;
      lowest = std::min(lowest, d);
      highest = std::max(highest, d);
    }
  EXPECT_NEAR(moved, w * h * f / 100, w * h / 50);
  EXPECT_EQ(lowest, -a);
  EXPECT_EQ(highest, a);
  Bitmap byRows(w, h, 24);
  for (const auto& [first, last] : {std::pair{37, h}, std::pair{0, 37}}) img::addNoiseRows(src, byRows, first, last, f, a);
  EXPECT_TRUE(samePixels(byRows, b));
}

namespace {

// The rows of a distortion, made band by band, are the rows of the whole distorted picture: the
// preview shows the rows in view before the rest.
TEST(ImageOps, DistortionRowsEqualTheWholePicture) {
  struct RowsCase {
    std::string name;
    std::function<void(Bitmap&)> whole;
    std::function<void(const Bitmap&, Bitmap&, int32_t, int32_t)> rows;
  };
  const std::vector<RowsCase> cases = {
      {"swirl", [](Bitmap& b) { img::swirl(b, 250); }, [](const Bitmap& s, Bitmap& d, int32_t f, int32_t l) { img::swirlRows(s, d, f, l, 250); }},
      {"swirl 0", [](Bitmap& b) { img::swirl(b, 0); }, [](const Bitmap& s, Bitmap& d, int32_t f, int32_t l) { img::swirlRows(s, d, f, l, 0); }},
      {"pinch", [](Bitmap& b) { img::pinch(b, 60); }, [](const Bitmap& s, Bitmap& d, int32_t f, int32_t l) { img::pinchRows(s, d, f, l, 60); }},
      {"bulge", [](Bitmap& b) { img::pinch(b, -100); }, [](const Bitmap& s, Bitmap& d, int32_t f, int32_t l) { img::pinchRows(s, d, f, l, -100); }},
      {"ripple", [](Bitmap& b) { img::ripple(b, 7, 9, 0); }, [](const Bitmap& s, Bitmap& d, int32_t f, int32_t l) { img::rippleRows(s, d, f, l, 7, 9, 0); }},
      {"ripple vertical", [](Bitmap& b) { img::ripple(b, 3, 20, 1); }, [](const Bitmap& s, Bitmap& d, int32_t f, int32_t l) { img::rippleRows(s, d, f, l, 3, 20, 1); }},
      {"parabolic", [](Bitmap& b) { img::parabolic(b, 1); }, [](const Bitmap& s, Bitmap& d, int32_t f, int32_t l) { img::parabolicRows(s, d, f, l, 1); }},
      {"perspective", [](Bitmap& b) { img::perspective(b, 2, 80); }, [](const Bitmap& s, Bitmap& d, int32_t f, int32_t l) { img::perspectiveRows(s, d, f, l, 2, 80); }},
  };
  for (const int bpp : {24, 8}) {
    Bitmap src = pattern(37, 83, bpp);
    if (bpp == 8) src.setGrayPalette();
    for (const RowsCase& c : cases) {
      SCOPED_TRACE(c.name + " " + std::to_string(bpp));
      Bitmap whole = src;
      c.whole(whole);
      Bitmap byRows(src.width(), src.height(), bpp);
      byRows.palette() = src.palette();
      // Uneven bands in an odd order, one of them empty and one reaching past the bottom.
      for (const auto& [f, l] : {std::pair{40, 41}, std::pair{0, 13}, std::pair{41, 100}, std::pair{13, 13}, std::pair{13, 40}})
        c.rows(src, byRows, f, l);
      EXPECT_TRUE(samePixels(byRows, whole));
    }
  }
}

}  // namespace
