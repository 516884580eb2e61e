#include "controls/imaging/bitmap.h"
#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <gtest/gtest.h>

using namespace img;
using imgtest::pattern;
using imgtest::samePixels;

class DibRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(DibRoundTrip, HandleKeepsPixelsPaletteAndResolution) {
  Bitmap b = pattern(13, 7, GetParam());
  b.resolutionX = 300;
  b.resolutionY = 200;
  b.resolutionUnit = kUnitInch;
  const std::size_t before = plat::GlobalLiveBlocks();
  plat::HGLOBAL h = toDibHandle(b);
  ASSERT_NE(h, nullptr);
  Bitmap back = fromDibHandle(h);
  EXPECT_EQ(plat::GlobalFree(h), nullptr);
  EXPECT_EQ(plat::GlobalLiveBlocks(), before);
  EXPECT_EQ(back.bitsPerPixel(), GetParam());
  EXPECT_TRUE(samePixels(b, back));
  EXPECT_EQ(back.resolutionX, 300);
  EXPECT_EQ(back.resolutionY, 200);
}

INSTANTIATE_TEST_SUITE_P(Depths, DibRoundTrip, ::testing::Values(1, 4, 8, 24));

TEST(PackedDib, RowsAreBottomUpWithHeader) {
  Bitmap b(2, 2, 24);
  b.setIndex(0, 0, qRgb(255, 0, 0));  // top-left red
  const std::vector<uint8_t> dib = toPackedDib(b);
  ASSERT_EQ(dib.size(), 40u + 2 * 8);
  EXPECT_EQ(dib[0], 40);
  EXPECT_EQ(dib[14], 24);
  // The first stored row is the bottom one; the top row starts 8 bytes later (6 bytes + padding).
  EXPECT_EQ(dib[40 + 8 + 2], 255);
  EXPECT_EQ(dib[40 + 2], 0);
}

namespace {
std::vector<uint8_t> header(int32_t w, int32_t h, uint16_t bpp, uint32_t comp, uint32_t clrUsed = 0) {
  std::vector<uint8_t> v;
  auto u32 = [&](uint32_t x) { for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i))); };
  auto u16 = [&](uint16_t x) { v.push_back(static_cast<uint8_t>(x)); v.push_back(static_cast<uint8_t>(x >> 8)); };
  u32(40); u32(static_cast<uint32_t>(w)); u32(static_cast<uint32_t>(h)); u16(1); u16(bpp); u32(comp); u32(0);
  u32(0); u32(0); u32(clrUsed); u32(0);
  return v;
}
}  // namespace

TEST(PackedDib, ReadsTopDown32BitAnd16Bit) {
  auto dib = header(1, -2, 32, 0);
  for (uint8_t x : {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0}) dib.push_back(x);
  Bitmap b = fromPackedDib(dib);
  EXPECT_EQ(b.bitsPerPixel(), 24);
  EXPECT_EQ(b.pixel(0, 0), qRgb(0x30, 0x20, 0x10));  // top-down: first row is the top
  EXPECT_EQ(b.pixel(0, 1), qRgb(0x60, 0x50, 0x40));

  auto d16 = header(2, 1, 16, 0);
  for (uint8_t x : {0x00, 0x7C, 0x1F, 0x00}) d16.push_back(x);  // 5-5-5: red, blue
  Bitmap c = fromPackedDib(d16);
  EXPECT_EQ(c.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(c.pixel(1, 0), qRgb(0, 0, 255));
}

TEST(PackedDib, Rle8RunsAreClampedToTheRow) {
  auto dib = header(4, 2, 8, 1, 2);
  for (uint8_t x : {0, 0, 0, 0, 255, 255, 255, 0}) dib.push_back(x);  // palette black, white
  // Bottom row: a run of 200 whites (clamped to 4), end of line; top row: absolute 3 pixels 1,0,1.
  for (uint8_t x : {200, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1}) dib.push_back(x);
  Bitmap b = fromPackedDib(dib);
  EXPECT_EQ(b.index(3, 1), 1u);
  EXPECT_EQ(b.index(0, 0), 1u);
  EXPECT_EQ(b.index(1, 0), 0u);
  EXPECT_EQ(b.index(3, 0), 0u);
}

TEST(PackedDib, InvalidHandleIsRefusedAndNotFreed) {
  int dummy = 0;
  EXPECT_THROW(fromDibHandle(reinterpret_cast<plat::HGLOBAL>(&dummy)), rt::RuntimeError);
  EXPECT_THROW(fromDibHandle(nullptr), rt::RuntimeError);
}

TEST(Bitmap, RefusesSizesBeyondTheCap) {
  EXPECT_THROW(Bitmap(0, 5, 8), rt::RuntimeError);
  EXPECT_THROW(Bitmap(kMaxDimension + 1, 1, 8), rt::RuntimeError);
  EXPECT_THROW(Bitmap(100000, 100000, 24), rt::RuntimeError);
  EXPECT_THROW(Bitmap(5, 5, 7), rt::RuntimeError);
}

TEST(Bitmap, QImageRoundTripKeepsDepth) {
  for (int bpp : {1, 8, 24}) {
    Bitmap b = pattern(9, 5, bpp);
    Bitmap back = Bitmap::fromQImage(b.toQImage());
    EXPECT_EQ(back.bitsPerPixel(), bpp);
    EXPECT_TRUE(samePixels(b, back));
  }
  Bitmap four = pattern(9, 5, 4);
  EXPECT_TRUE(samePixels(four, Bitmap::fromQImage(four.toQImage())));
}
