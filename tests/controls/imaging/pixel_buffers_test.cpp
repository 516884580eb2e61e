// Large pixel buffers are reused once let go, never while in use; edits that reuse them and
// edits whose undo keeps only the part they change give back exactly the old bytes; the
// vectorised row loops equal their pixel-by-pixel forms for every input they can meet.
#include "controls/imaging/imaging_control.h"
#include "controls/imaging/pixel_ops.h"
#include "controls/imaging/row_kernels.h"
#include "tests/controls/imaging/fixtures.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>

using namespace img;
using imgtest::sameBytes;

namespace {

// A picture large enough for its buffer to be kept for reuse, with varied bytes (padding too).
Bitmap largePicture(int w, int h, uint32_t seed) {
  Bitmap b(w, h, 24);
  std::mt19937 rng(seed);
  for (uint8_t& v : b.data()) v = static_cast<uint8_t>(64 + rng() % 128);
  return b;
}

// Starts every test with an empty pool at the usual limit.
class PixelBuffers : public ::testing::Test {
 protected:
  void SetUp() override { limit_ = setPixelPoolLimit(0); setPixelPoolLimit(limit_); }
  void TearDown() override { setPixelPoolLimit(0); setPixelPoolLimit(limit_); }
  std::size_t limit_ = 0;
};

}  // namespace

TEST_F(PixelBuffers, ALetGoBufferServesTheNextPictureOfAboutItsSize) {
  Bitmap a = largePicture(1500, 1000, 1);  // 4.5 MB
  const uint8_t* kept = a.data().data();
  a = Bitmap();
  EXPECT_GE(pooledPixelBytes(), std::size_t(4500000));
  // The same number of bytes in another shape takes it, and a zeroed picture reads as zero.
  Bitmap b(1000, 1500, 24);
  EXPECT_EQ(b.data().data(), kept);
  EXPECT_TRUE(std::all_of(b.data().begin(), b.data().end(), [](uint8_t v) { return v == 0; }));
  EXPECT_EQ(pooledPixelBytes(), 0u);
  // A buffer in use is never handed out, and a copy has its own.
  Bitmap c(1000, 1500, 24);
  EXPECT_NE(c.data().data(), b.data().data());
  std::fill(b.data().begin(), b.data().end(), uint8_t(7));
  Bitmap d = b;
  EXPECT_NE(d.data().data(), b.data().data());
  d.data()[0] = 9;
  EXPECT_EQ(b.data()[0], 7);
  EXPECT_TRUE(std::all_of(c.data().begin(), c.data().end(), [](uint8_t v) { return v == 0; }));
  // A larger picture does not overrun a kept buffer, nor a much smaller one pin a large buffer.
  const uint8_t* kept2 = c.data().data();
  c = Bitmap();
  EXPECT_NE(Bitmap(1500, 1500, 24).data().data(), kept2);
  Bitmap large(2000, 2000, 24);  // 12 MB
  const uint8_t* kept3 = large.data().data();
  large = Bitmap();
  EXPECT_NE(Bitmap(1500, 1000, 24).data().data(), kept3);
}

// A picture of another depth made in the memory of one let go for it: pixels 0, its own grey
// palette, the old memory when it holds enough, and new memory when it does not.
TEST_F(PixelBuffers, APictureMadeInPlaceOfAnotherTakesItsMemory) {
  Bitmap colour = largePicture(1500, 1000, 3);  // 4.5 MB
  const uint8_t* memory = colour.data().data();
  Bitmap grey = Bitmap::reusing(std::move(colour), 1500, 1000, 8);
  EXPECT_TRUE(colour.isNull());
  EXPECT_EQ(grey.data().data(), memory);
  EXPECT_EQ(grey.data().size(), std::size_t(1500) * 1000);
  EXPECT_EQ(grey.bitsPerPixel(), 8);
  EXPECT_TRUE(grey.isGray());
  EXPECT_TRUE(std::all_of(grey.data().begin(), grey.data().end(), [](uint8_t v) { return v == 0; }));
  Bitmap larger = Bitmap::reusing(std::move(grey), 1500, 1000, 24);
  EXPECT_EQ(larger.data().size(), std::size_t(4500000));
  EXPECT_TRUE(std::all_of(larger.data().begin(), larger.data().end(), [](uint8_t v) { return v == 0; }));
}

TEST_F(PixelBuffers, NoneAreKeptBeyondTheLimit) {
  setPixelPoolLimit(0);
  { const Bitmap a = largePicture(1500, 1000, 2); }
  EXPECT_EQ(pooledPixelBytes(), 0u);
  setPixelPoolLimit(limit_);
  {
    std::vector<Bitmap> many;
    for (int i = 0; i < 6; ++i) many.emplace_back(1500, 1000, 24);
  }
  EXPECT_LE(pooledPixelBytes(), limit_);
  EXPECT_GT(pooledPixelBytes(), 0u);
  setPixelPoolLimit(0);
  EXPECT_EQ(pooledPixelBytes(), 0u);
}

// Threads taking and letting go buffers at once each keep what they wrote.
TEST_F(PixelBuffers, ThreadsNeverShareABuffer) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 25; ++i) {
        Bitmap b = Bitmap::unfilled(1200, 1200, 24);
        std::fill(b.data().begin(), b.data().end(), static_cast<uint8_t>(t + 1));
        std::this_thread::yield();
        if (!std::all_of(b.data().begin(), b.data().end(), [t](uint8_t v) { return v == t + 1; })) ++wrong;
      }
    });
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

// Each edit is undone, made again (now into the buffer its first result let go) and undone again;
// then four edits in a row are undone one by one.
TEST_F(PixelBuffers, UndoAfterEditsIntoReusedBuffersGivesBackTheOldBytes) {
  struct Edit {
    const char* name;
    std::function<void(ImagingControl&)> run;
  } edits[] = {
      {"quarter turn", [](ImagingControl& c) { c.RotateBy(90); }},
      {"mirror", [](ImagingControl& c) { c.Mirror(); }},
      {"auto contrast", [](ImagingControl& c) { c.AutoContrast(); }},
      {"replace colours", [](ImagingControl& c) { c.ReplaceColours(0x505050, 0xA0A0A0, 0xFFFFFF); }},
      {"flip", [](ImagingControl& c) { c.Flip(); }},
  };
  ImagingControl c;
  c.setBitmap(largePicture(1501, 999, 3));  // rows with padding
  const Bitmap original = c.bitmap();
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.name);
    e.run(c);
    const Bitmap first = c.bitmap();
    c.UndoLast();
    ASSERT_TRUE(sameBytes(c.bitmap(), original));
    e.run(c);
    EXPECT_TRUE(sameBytes(c.bitmap(), first));
    c.UndoLast();
    EXPECT_TRUE(sameBytes(c.bitmap(), original));
  }
  std::vector<Bitmap> states{original};
  for (int i = 0; i < 4; ++i) {
    edits[static_cast<std::size_t>(i)].run(c);
    states.push_back(c.bitmap());
  }
  for (int i = 4; i > 0; --i) {
    ASSERT_TRUE(sameBytes(c.bitmap(), states[static_cast<std::size_t>(i)])) << "before undo " << i;
    c.UndoLast();
  }
  EXPECT_TRUE(sameBytes(c.bitmap(), original));
  EXPECT_EQ(c.UndoAvailable(), 0);
}

// Replacing colours inside a selection, and merging a lifted area, change the picture in place;
// the undo puts the old part back, bits outside it untouched, at every depth and at widths
// that end inside a byte.
TEST(PartUndo, SelectionEditsAndMergesGiveBackTheOldBytes) {
  for (const int bpp : {1, 4, 8, 24})
    for (const int w : {13, 30}) {
      SCOPED_TRACE(std::to_string(bpp) + "-bit, width " + std::to_string(w));
      Bitmap b = imgtest::pattern(w, 9, bpp);
      b.row(4)[b.stride() - 1] ^= 0x01;  // a padding bit that must stay
      ImagingControl c;
      c.setBitmap(b);
      const Bitmap before = c.bitmap();
      const uint8_t* inPlace = c.bitmap().data().data();
      // The replacement colour is in the palette: the selection is edited in place.
      const QRgb with = bpp == 24 ? qRgb(1, 2, 3) : b.palette()[1];
      c.setSelection(3, 2, w - 5, 4);
      c.ReplaceColours(0x000000, 0x808080, toBgr(with));
      Bitmap ref = before;
      replaceColours(ref, QRect(3, 2, w - 5, 4), qRgb(0, 0, 0), qRgb(128, 128, 128), with);
      EXPECT_TRUE(sameBytes(c.bitmap(), ref));
      EXPECT_EQ(c.bitmap().data().data(), inPlace);
      c.UndoLast();
      EXPECT_TRUE(sameBytes(c.bitmap(), before));
      // A colour the palette lacks turns the picture into a colour one; the undo gives it back.
      if (bpp < 24) {
        c.ReplaceColours(0x000000, 0xFFFFFF, 0x010203);
        EXPECT_EQ(c.bitmap().bitsPerPixel(), 24);
        c.UndoLast();
        EXPECT_TRUE(sameBytes(c.bitmap(), before));
      }
      // A lifted rectangle and a lifted triangle, moved and merged partly off the picture.
      for (const QPolygon& outline : {QPolygon({QPoint(1, 1), QPoint(6, 1), QPoint(6, 5), QPoint(1, 5)}),
                                      QPolygon({QPoint(0, 0), QPoint(8, 0), QPoint(0, 7)})}) {
        c.ClearArea();
        for (const QPoint& p : outline) c.AddAreaPoint(p.x(), p.y());
        c.CloseArea();
        c.ActivateArea();
        c.MoveArea(w - 4, 5);
        c.MergeArea();
        c.ClearArea();
        EXPECT_EQ(c.UndoAvailable(), 1);
        if (bpp == 24) {
          EXPECT_FALSE(sameBytes(c.bitmap(), before)) << "nothing was merged";
        }
        c.UndoLast();
        EXPECT_TRUE(sameBytes(c.bitmap(), before));
      }
    }
}

// ---- Row loops ---------------------------------------------------------------------------------

TEST(RowKernels, LuminanceOfEveryColour) {
  std::vector<uint8_t> row(std::size_t(65536) * 3), lum(65536);
  for (int r = 0; r < 256; ++r) {
    for (int i = 0; i < 65536; ++i) {
      row[static_cast<std::size_t>(i) * 3] = static_cast<uint8_t>(i & 0xFF);       // blue
      row[static_cast<std::size_t>(i) * 3 + 1] = static_cast<uint8_t>(i >> 8);     // green
      row[static_cast<std::size_t>(i) * 3 + 2] = static_cast<uint8_t>(r);          // red
    }
    rows::luminance(row.data(), 65536, lum.data());
    for (int i = 0; i < 65536; ++i) {
      const int want = (r * 299 + (i >> 8) * 587 + (i & 0xFF) * 114 + 500) / 1000;
      ASSERT_EQ(lum[static_cast<std::size_t>(i)], want) << "red " << r << " green " << (i >> 8) << " blue " << (i & 0xFF);
    }
  }
}

TEST(RowKernels, StretchOfEveryValueForEveryRange) {
  std::vector<uint8_t> values(256), in(256), out(256);
  for (int v = 0; v < 256; ++v) in[static_cast<std::size_t>(v)] = static_cast<uint8_t>(v);
  for (int lo = 0; lo < 255; ++lo)
    for (int hi = lo + 1; hi < 256; ++hi) {
      values = in;
      rows::stretch(values.data(), values.size(), lo, hi);
      rows::stretchInto(in.data(), out.data(), in.size(), lo, hi);
      for (int v = 0; v < 256; ++v) {
        const int want = std::clamp((v - lo) * 255 / (hi - lo), 0, 255);
        ASSERT_EQ(values[static_cast<std::size_t>(v)], want) << v << " in " << lo << ".." << hi;
        ASSERT_EQ(out[static_cast<std::size_t>(v)], want) << v << " in " << lo << ".." << hi << " into another row";
      }
    }
}

TEST(RowKernels, ReplaceWithinRangesOfEveryKind) {
  std::mt19937 rng(5);
  const auto pick = [&] {
    const uint32_t k = rng() % 6;  // the ends of the scale turn up often
    return static_cast<uint8_t>(k == 0 ? 0 : k == 1 ? 255 : rng());
  };
  for (int round = 0; round < 400; ++round) {
    rows::ColourRange range{};
    for (int ch = 0; ch < 3; ++ch) {
      const uint8_t a = pick(), b = pick();
      range.lo[ch] = std::min(a, b);
      range.hi[ch] = std::max(a, b);
      range.with[ch] = static_cast<uint8_t>(rng());
    }
    const std::size_t n = static_cast<std::size_t>(round % 70);
    std::vector<uint8_t> px(n * 3 + 3);
    for (std::size_t i = 0; i < px.size(); ++i) {
      // Values at and next to the ends of the range as well as anywhere.
      const int ch = static_cast<int>(i % 3);
      const uint32_t k = rng() % 5;
      px[i] = static_cast<uint8_t>(k == 0 ? range.lo[ch] : k == 1 ? range.hi[ch] : k == 2 ? range.lo[ch] - 1 : k == 3 ? range.hi[ch] + 1 : rng());
    }
    std::vector<uint8_t> want = px;
    for (std::size_t x = 0; x < n; ++x) {
      bool hit = true;
      for (int ch = 0; ch < 3; ++ch) hit = hit && want[x * 3 + ch] >= range.lo[ch] && want[x * 3 + ch] <= range.hi[ch];
      if (hit)
        for (int ch = 0; ch < 3; ++ch) want[x * 3 + ch] = range.with[ch];
    }
    rows::replaceInRange(px.data(), n, range);
    ASSERT_EQ(px, want) << "round " << round;  // the pixel after the n-th is left alone too
  }
}

TEST(RowKernels, LuminanceAndScalingByLuminanceAtEveryRowLengthAndAlignment) {
  // Factors and shifts of every size the scaling allows; rows long and short enough to end inside
  // a block of the vector loops, starting at every offset from a cache line.
  std::mt19937 rng(11);
  std::vector<uint8_t> storage;
  for (int round = 0; round < 300; ++round) {
    std::array<uint32_t, 256> entries{};
    for (uint32_t& e : entries) {
      const uint32_t shift = rng() % 25, limit = (0xFFFFFFFFu - ((1u << shift) >> 1)) / 255;
      e = (rng() % (std::min(limit, (255u << shift) + 1) + 1)) << 5 | shift;
    }
    const rows::LuminanceScale scale(entries);
    const std::size_t n = static_cast<std::size_t>(round < 200 ? round : 64 * (round - 195) + rng() % 64);
    storage.assign(n * 3 + 3 + 128, 0);
    uint8_t* const line = storage.data() + (64 - reinterpret_cast<uintptr_t>(storage.data()) % 64) + round % 64;
    for (std::size_t i = 0; i < n * 3 + 3; ++i) line[i] = static_cast<uint8_t>(rng());
    const std::vector<uint8_t> px(line, line + n * 3 + 3);
    std::vector<uint8_t> lum(n + 1, 0xAB), want = px;
    for (std::size_t x = 0; x < n; ++x) {
      uint8_t* p = &want[x * 3];
      const uint32_t y = (p[2] * 299u + p[1] * 587u + p[0] * 114u + 500u) / 1000u, e = entries[y], s = e & 31;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::min<uint64_t>(255, (uint64_t{p[c]} * (e >> 5) + ((1u << s) >> 1)) >> s));
    }
    rows::luminance(line, n, lum.data());
    for (std::size_t x = 0; x < n; ++x)
      ASSERT_EQ(lum[x], (px[x * 3 + 2] * 299 + px[x * 3 + 1] * 587 + px[x * 3] * 114 + 500) / 1000) << "pixel " << x << " of " << n;
    ASSERT_EQ(lum[n], 0xAB) << "the byte after the row is left alone";
    rows::scaleByLuminance(line, n, scale);
    // The pixel after the row is left alone too.
    ASSERT_EQ(std::vector<uint8_t>(line, line + n * 3 + 3), want) << "round " << round << ", " << n << " pixels";
  }
}
