// The whole-picture operations work on rows; these tests hold them to what the pixel accessors
// give, byte for byte (bits beyond the width included), on pictures of every depth whose widths
// end inside a byte. The undo keeps the very picture an edit replaces.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/imaging_control.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/pixel_ops.h"
#include "tests/controls/imaging/fixtures.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace img;
using imgtest::sameBytes;

namespace {

// Random bytes everywhere, padding included; palettes of random colours, an 8-bit one shorter
// than its indexes reach (such indexes read as black) or all grey.
struct Sample {
  const char* name;
  int bpp;
  int paletteSize;
  bool gray;
};
constexpr Sample kSamples[] = {
    {"1-bit", 1, 2, false},       {"4-bit", 4, 16, false},      {"8-bit short palette", 8, 200, false},
    {"8-bit grey", 8, 256, true}, {"24-bit", 24, 0, false},
};
constexpr int kWidths[] = {1, 7, 13, 17, 33};

Bitmap randomPicture(const Sample& s, int w, int h, std::mt19937& rng) {
  Bitmap b(w, h, s.bpp);
  for (uint8_t& v : b.data()) v = static_cast<uint8_t>(rng());
  b.palette().clear();
  for (int i = 0; i < s.paletteSize; ++i) {
    const auto c = static_cast<uint32_t>(rng());
    b.palette().push_back(s.gray ? qRgb(i, i, i) : qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
  }
  return b;
}

// ---- Straightforward references, pixel by pixel ----------------------------------------------------

int lum(QRgb c) { return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114 + 500) / 1000; }

void refMirror(Bitmap& b) {
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width() / 2; ++x) {
      const uint32_t l = b.index(x, y), r = b.index(b.width() - 1 - x, y);
      b.setIndex(x, y, r);
      b.setIndex(b.width() - 1 - x, y, l);
    }
}

Bitmap refRotate90(const Bitmap& b, int turns) {
  const bool swap = turns != 2;
  Bitmap out(swap ? b.height() : b.width(), swap ? b.width() : b.height(), b.bitsPerPixel());
  out.palette() = b.palette();
  const int w = b.width(), h = b.height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int nx = turns == 1 ? h - 1 - y : turns == 2 ? w - 1 - x : y;
      const int ny = turns == 1 ? x : turns == 2 ? h - 1 - y : w - 1 - x;
      out.setIndex(nx, ny, b.index(x, y));
    }
  return out;
}

Bitmap refCrop(const Bitmap& b, const QRect& r) {
  Bitmap out(r.width(), r.height(), b.bitsPerPixel());
  out.palette() = b.palette();
  for (int y = 0; y < r.height(); ++y)
    for (int x = 0; x < r.width(); ++x) out.setIndex(x, y, b.index(r.left() + x, r.top() + y));
  return out;
}

bool between(int v, int a, int b) { return v >= std::min(a, b) && v <= std::max(a, b); }

// Palette pictures whose palette holds the new colour keep their depth.
void refReplaceColours(Bitmap& b, const QRect& r, QRgb from, QRgb to, QRgb with) {
  auto hit = [&](QRgb c) {
    return between(qRed(c), qRed(from), qRed(to)) && between(qGreen(c), qGreen(from), qGreen(to)) &&
           between(qBlue(c), qBlue(from), qBlue(to));
  };
  const auto wi = static_cast<uint32_t>(std::find(b.palette().begin(), b.palette().end(), with) - b.palette().begin());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      if (b.bitsPerPixel() == 24) {
        if (hit(b.pixel(x, y))) b.setIndex(x, y, with);
        continue;
      }
      const uint32_t i = b.index(x, y);
      if (i < b.palette().size() && hit(b.palette()[i])) b.setIndex(x, y, wi);
    }
}

void refAutoContrast(Bitmap& b) {
  std::array<uint64_t, 256> hist{};
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) ++hist[static_cast<std::size_t>(lum(b.pixel(x, y)))];
  const uint64_t cut = static_cast<uint64_t>(b.width()) * b.height() / 200;
  int lo = 0, hi = 255;
  for (uint64_t acc = 0; lo < 255 && (acc += hist[static_cast<std::size_t>(lo)]) <= cut;) ++lo;
  for (uint64_t acc = 0; hi > 0 && (acc += hist[static_cast<std::size_t>(hi)]) <= cut;) --hi;
  if (hi <= lo) return;
  auto map = [&](int v) { return std::clamp((v - lo) * 255 / (hi - lo), 0, 255); };
  if (b.bitsPerPixel() <= 8) {
    for (QRgb& c : b.palette()) c = qRgb(map(qRed(c)), map(qGreen(c)), map(qBlue(c)));
    return;
  }
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) {
      const QRgb c = b.pixel(x, y);
      b.setIndex(x, y, qRgb(map(qRed(c)), map(qGreen(c)), map(qBlue(c))));
    }
}

void refDespeckleBilevel(Bitmap& b) {
  const Bitmap src = b;
  for (int y = 1; y + 1 < b.height(); ++y)
    for (int x = 1; x + 1 < b.width(); ++x) {
      bool lone = true;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if ((dx || dy) && src.index(x + dx, y + dy) == src.index(x, y)) lone = false;
      if (lone) b.setIndex(x, y, src.index(x, y) ^ 1u);
    }
}

template <class F>
void forEachPicture(F f) {
  std::mt19937 rng(19);
  for (const Sample& s : kSamples)
    for (int w : kWidths) {
      SCOPED_TRACE(std::string(s.name) + " width " + std::to_string(w));
      f(s, randomPicture(s, w, 5, rng));
    }
}

}  // namespace

TEST(RowOps, RowsUnpackAndPackBackUnchanged) {
  forEachPicture([](const Sample& s, const Bitmap& b) {
    if (s.bpp > 8) return;
    Bitmap copy(b.width(), b.height(), b.bitsPerPixel());
    std::copy(b.data().begin(), b.data().end(), copy.data().begin());
    copy.palette() = b.palette();
    std::vector<uint8_t> line(static_cast<std::size_t>(b.width()));
    for (int y = 0; y < b.height(); ++y) {
      unpackRow(b, y, line.data());
      for (int x = 0; x < b.width(); ++x) ASSERT_EQ(line[static_cast<std::size_t>(x)], b.index(x, y)) << x << "," << y;
      std::reverse(line.begin(), line.end());
      packRow(copy, y, line.data());
      std::reverse(line.begin(), line.end());
      packRow(copy, y, line.data());
    }
    EXPECT_TRUE(sameBytes(copy, b));
  });
}

TEST(RowOps, GeometryEqualsThePixelByPixelResult) {
  forEachPicture([](const Sample&, const Bitmap& b) {
    Bitmap m = b, ref = b;
    mirror(m);
    refMirror(ref);
    EXPECT_TRUE(sameBytes(m, ref)) << "mirror";
    EXPECT_TRUE(sameBytes(mirrored(b), ref)) << "mirror into a new picture";
    Bitmap f = b;
    flip(f);
    EXPECT_TRUE(sameBytes(flipped(b), f)) << "flip into a new picture";
    EXPECT_TRUE(imgtest::samePixels(rotate90(mirrored(f), 2), b)) << "flip turns the picture upside down";
    for (int turns : {1, 2, 3}) EXPECT_TRUE(sameBytes(rotate90(b, turns), refRotate90(b, turns))) << turns << " turns";
    const QRect r(b.width() / 3, 1, b.width() - b.width() / 3, 3);
    EXPECT_TRUE(sameBytes(crop(b, r), refCrop(b, r))) << "crop";
  });
}

TEST(RowOps, ColourAndContrastEqualThePixelByPixelResult) {
  forEachPicture([](const Sample& s, const Bitmap& b) {
    // The new colour is taken from the palette so that palette pictures keep their depth.
    const QRgb with = s.bpp <= 8 ? b.palette()[1] : qRgb(1, 2, 3);
    for (const QRect& r : {QRect(0, 0, b.width(), b.height()), QRect(b.width() / 2, 1, (b.width() + 1) / 2, 2)}) {
      Bitmap got = b, ref = b;
      replaceColours(got, r, qRgb(40, 250, 0), qRgb(220, 10, 200), with);
      refReplaceColours(ref, r, qRgb(40, 250, 0), qRgb(220, 10, 200), with);
      EXPECT_TRUE(sameBytes(got, ref)) << "replace colours in " << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
      EXPECT_TRUE(sameBytes(coloursReplaced(b, r, qRgb(40, 250, 0), qRgb(220, 10, 200), with), ref)) << "into a new picture";
    }
    if (s.bpp <= 8) {
      // A colour the palette lacks turns the picture into a colour one first.
      Bitmap got = b, ref = b.toColor24();
      const QRect all(0, 0, b.width(), b.height());
      replaceColours(got, QRect(), qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(1, 2, 3));
      refReplaceColours(ref, all, qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(1, 2, 3));
      EXPECT_TRUE(sameBytes(got, ref)) << "replace with a new colour";
      EXPECT_TRUE(sameBytes(coloursReplaced(b, QRect(), qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(1, 2, 3)), ref));
    }
    if (s.bpp == 1) return;  // auto contrast leaves bilevel pictures alone
    Bitmap got = b, ref = b;
    autoContrast(got);
    refAutoContrast(ref);
    EXPECT_TRUE(sameBytes(got, ref)) << "auto contrast";
    EXPECT_TRUE(sameBytes(autoContrasted(b), ref)) << "auto contrast into a new picture";
    if (s.bpp <= 8) {
      std::vector<uint64_t> counts(b.palette().size());
      for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
          if (b.index(x, y) < counts.size()) ++counts[b.index(x, y)];
      EXPECT_EQ(ops::indexCounts(b), counts);
    }
  });
}

// Pictures of several megabytes are shared out among the worker threads in blocks of rows; the
// blocks meet without a seam, whatever the depth.
TEST(RowOps, LargePicturesDoneInBlocksEqualThePixelByPixelResult) {
  std::mt19937 rng(11);
  const struct {
    Sample sample;
    int w, h;
  } large[] = {{kSamples[4], 1201, 1000}, {kSamples[3], 3001, 1000}, {kSamples[0], 9005, 1100}};
  for (const auto& l : large) {
    SCOPED_TRACE(l.sample.name);
    const Bitmap b = randomPicture(l.sample, l.w, l.h, rng);
    Bitmap ref = b;
    refMirror(ref);
    EXPECT_TRUE(sameBytes(mirrored(b), ref)) << "mirror";
    ref = b;
    flip(ref);
    EXPECT_TRUE(sameBytes(flipped(b), ref)) << "flip";
    for (int turns : {1, 2, 3}) EXPECT_TRUE(sameBytes(rotate90(b, turns), refRotate90(b, turns))) << turns << " turns";
    const QRgb with = l.sample.bpp <= 8 ? b.palette()[1] : qRgb(1, 2, 3);
    ref = b;
    refReplaceColours(ref, QRect(0, 0, b.width(), b.height()), qRgb(40, 250, 0), qRgb(220, 10, 200), with);
    EXPECT_TRUE(sameBytes(coloursReplaced(b, QRect(), qRgb(40, 250, 0), qRgb(220, 10, 200), with), ref)) << "replace colours";
    if (l.sample.bpp == 1) continue;
    // A narrower range than random bytes give, so that the stretch changes every row.
    Bitmap narrow = b;
    for (uint8_t& v : narrow.data()) v = static_cast<uint8_t>(60 + v / 2);
    ref = narrow;
    refAutoContrast(ref);
    EXPECT_TRUE(sameBytes(autoContrasted(narrow), ref)) << "auto contrast";
    autoContrast(narrow);
    EXPECT_TRUE(sameBytes(narrow, ref)) << "auto contrast in place";
  }
}

// Specks on bilevel pages: sparse dots on white and sparse holes in black, and random noise.
TEST(RowOps, BilevelDespeckleEqualsThePixelByPixelResult) {
  std::mt19937 rng(3);
  for (const int percent : {3, 50, 97})
    for (const int w : {3, 13, 40}) {
      SCOPED_TRACE(std::to_string(percent) + "% black, width " + std::to_string(w));
      Bitmap b(w, 12, 1);
      b.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
      for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < w; ++x) b.setIndex(x, y, static_cast<int>(rng() % 100) < percent ? 1u : 0u);
      b.row(5)[b.stride() - 1] |= 0x01;  // a padding bit that must stay
      Bitmap ref = b;
      despeckle(b);
      refDespeckleBilevel(ref);
      EXPECT_TRUE(sameBytes(b, ref));
    }
}

// Auto contrast on a picture with a narrow range stretches it: a reference that did nothing
// would pass the comparison above on random pictures, whose range is already full.
TEST(RowOps, AutoContrastStretchesANarrowRange) {
  Bitmap b(40, 10, 24);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 40; ++x) b.setIndex(x, y, qRgb(100 + x, 100 + x, 100 + x));
  const Bitmap b0 = b;
  Bitmap ref = b;
  autoContrast(b);
  refAutoContrast(ref);
  EXPECT_TRUE(sameBytes(autoContrasted(b0), ref));
  EXPECT_TRUE(sameBytes(b, ref));
  EXPECT_EQ(qRed(b.pixel(0, 0)), 0);
  EXPECT_EQ(qRed(b.pixel(39, 9)), 255);
}

TEST(RowOps, UndoGetsBackTheVeryPictureEachEditReplaced) {
  struct Edit {
    const char* name;
    void (*run)(ImagingControl&);
  } edits[] = {
      {"mirror", [](ImagingControl& c) { c.Mirror(); }},
      {"flip", [](ImagingControl& c) { c.Flip(); }},
      {"auto contrast", [](ImagingControl& c) { c.AutoContrast(); }},
      {"replace colours", [](ImagingControl& c) { c.ReplaceColours(0, 0x808080, 0xFFFFFF); }},
      {"quarter turn", [](ImagingControl& c) { c.RotateBy(90); }},
      {"free rotation", [](ImagingControl& c) { c.RotateBy(30); }},
      {"despeckle", [](ImagingControl& c) { c.Despeckle(); }},
  };
  std::mt19937 rng(7);
  for (const Sample& s : kSamples) {
    ImagingControl c;
    c.setBitmap(randomPicture(s, 29, 11, rng));
    const Bitmap before = c.bitmap();
    for (const Edit& e : edits) {
      SCOPED_TRACE(std::string(s.name) + " " + e.name);
      const uint8_t* pixels = c.bitmap().data().data();
      e.run(c);
      c.UndoLast();
      EXPECT_TRUE(sameBytes(c.bitmap(), before));
      EXPECT_EQ(c.bitmap().data().data(), pixels) << "the undo kept a copy instead of the picture itself";
    }
  }
}
