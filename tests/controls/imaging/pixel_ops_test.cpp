#include "controls/imaging/pixel_ops.h"
#include "tests/controls/imaging/fixtures.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace img;
using imgtest::pattern;
using imgtest::samePixels;

TEST(PixelOps, QuarterTurnsAreExactForEveryDepth) {
  for (int bpp : {1, 4, 8, 24}) {
    const Bitmap b = pattern(7, 3, bpp);
    const Bitmap r = rotate90(b, 1);
    ASSERT_EQ(r.width(), 3);
    ASSERT_EQ(r.height(), 7);
    EXPECT_EQ(r.pixel(2, 0), b.pixel(0, 0)) << bpp;  // top-left goes to top-right
    EXPECT_TRUE(samePixels(b, rotate90(rotate90(r, 2), 1))) << bpp;
    Bitmap m = b;
    mirror(m);
    EXPECT_EQ(m.pixel(0, 1), b.pixel(6, 1)) << bpp;
    mirror(m);
    EXPECT_TRUE(samePixels(b, m));
  }
}

TEST(PixelOps, ReplaceColoursInsideTheRectangleOnly) {
  Bitmap b = blankBitmap(10, 10, 24, qRgb(0, 0, 0));
  replaceColours(b, QRect(2, 2, 3, 3), qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 255, 255));
  EXPECT_EQ(b.pixel(2, 2), qRgb(255, 255, 255));
  EXPECT_EQ(b.pixel(4, 4), qRgb(255, 255, 255));
  EXPECT_EQ(b.pixel(5, 5), qRgb(0, 0, 0));
  Bitmap bw = blankBitmap(16, 4, 1, qRgb(0, 0, 0));
  replaceColours(bw, QRect(), qRgb(0, 0, 0), qRgb(10, 10, 10), qRgb(255, 255, 255));
  EXPECT_EQ(bw.bitsPerPixel(), 1);  // white is in the palette: stays 1-bit
  EXPECT_EQ(bw.pixel(15, 3), qRgb(255, 255, 255));
}

TEST(PixelOps, PasteClipsAndPromotesDepth) {
  Bitmap page = blankBitmap(10, 10, 1, qRgb(255, 255, 255));
  Bitmap red = blankBitmap(4, 4, 24, qRgb(255, 0, 0));
  paste(page, red, 8, -2);
  EXPECT_EQ(page.bitsPerPixel(), 24);
  EXPECT_EQ(page.pixel(9, 1), qRgb(255, 0, 0));
  EXPECT_EQ(page.pixel(7, 1), qRgb(255, 255, 255));
  EXPECT_EQ(page.pixel(9, 2), qRgb(255, 255, 255));
}

TEST(PixelOps, DeskewFindsTheSlantOfLines) {
  Bitmap b = blankBitmap(400, 300, 8, qRgb(255, 255, 255));
  const double slope = std::tan(2.0 * M_PI / 180.0);
  for (int line = 0; line < 8; ++line)
    for (int x = 20; x < 380; ++x)
      for (int t = 0; t < 3; ++t) {
        const int y = 30 + line * 30 + t + static_cast<int>(x * slope);
        if (y < 300) b.setIndex(x, y, 0);
      }
  EXPECT_NEAR(estimateSkew(b), 2.0, 0.25);
}

// A lone black pixel on white goes; the middle of a black block stays, at every depth.
TEST(PixelOps, DespeckleRemovesLonePixels) {
  for (int bpp : {1, 4, 8, 24}) {
    Bitmap b = blankBitmap(12, 9, bpp, qRgb(255, 255, 255));
    const uint32_t black = bpp == 24 ? qRgb(0, 0, 0) : 0;  // palette entry 0 is black
    b.setIndex(2, 4, black);
    for (int y = 3; y <= 5; ++y)
      for (int x = 7; x <= 9; ++x) b.setIndex(x, y, black);
    despeckle(b);
    EXPECT_EQ(b.pixel(2, 4), qRgb(255, 255, 255)) << bpp << " bits";
    EXPECT_EQ(b.pixel(8, 4), qRgb(0, 0, 0)) << bpp << " bits";
  }
}

TEST(PixelOps, ThumbnailAveragesBilevelPages) {
  Bitmap b = blankBitmap(800, 800, 1, qRgb(255, 255, 255));
  for (int y = 0; y < 800; ++y)
    for (int x = 0; x < 400; ++x) b.setIndex(x, y, 0);
  const QImage t = makeThumbnail(b, 100, 100);
  ASSERT_EQ(t.width(), 100);
  EXPECT_EQ(qRed(t.pixel(10, 10)), 0);
  EXPECT_EQ(qRed(t.pixel(90, 10)), 255);
}

// A palette picture reduces to what its colour copy reduces to, at every palette depth and with
// the plain grey palette of grey scale.
TEST(PixelOps, ThumbnailOfAPalettePictureIsThatOfItsColours) {
  for (int bpp : {1, 4, 8, 0}) {
    Bitmap b = pattern(301, 203, bpp ? bpp : 8);
    if (!bpp) b.setGrayPalette();
    EXPECT_EQ(makeThumbnail(b, 47, 31), makeThumbnail(b.toColor24(), 47, 31)) << (bpp ? bpp : 8) << " bits";
  }
}

// Any part of a reduced picture is that part of the whole reduction, and the 24-bit reduced copy
// holds the same colours; after an edit, making again what the edited area reaches gives the fresh
// reductions. Parts at a corner, in the middle, one cell, and reaching past the far edges.
TEST(PixelOps, ReducedPartsAreThePartsOfTheWholeReduction) {
  const QRect parts[] = {QRect(0, 0, 10, 10), QRect(5, 9, 40, 17), QRect(30, 20, 1, 1), QRect(60, 37, 20, 20)};
  for (int bpp : {1, 8, 24, 0}) {
    Bitmap b = pattern(301, 203, bpp ? bpp : 8);
    if (!bpp) b.setGrayPalette();  // as grey scale makes it
    bpp = b.bitsPerPixel();
    const QImage whole = reducedPart(b, 71, 47, QRect(0, 0, 71, 47));
    ASSERT_EQ(whole.size(), QSize(71, 47));
    const Bitmap copy = reducedBitmap(b, 71, 47);
    for (int y = 0; y < 47; ++y)
      for (int x = 0; x < 71; ++x) ASSERT_EQ(copy.pixel(x, y), whole.pixel(x, y)) << bpp << " bits at " << x << "," << y;
    // The halved copy: each pixel the mean of its 2 x 2 block of a 24-bit or grey picture.
    const Bitmap half = halved(b);
    ASSERT_EQ(QSize(half.width(), half.height()), QSize(150, 101));
    if (bpp == 24 || (bpp == 8 && b.isGray()))
      for (int y = 0; y < 101; y += 7)
        for (int x = 0; x < 150; x += 5) {
          int sum = 0;
          for (int k = 0; k < 4; ++k) sum += qGreen(b.pixel(2 * x + k % 2, 2 * y + k / 2));
          ASSERT_EQ(qGreen(half.pixel(x, y)), sum / 4) << x << "," << y;
        }
    for (const QRect& part : parts) {
      QImage piece = reducedPart(b, 71, 47, part);
      const QRect held = part.intersected(whole.rect());
      EXPECT_EQ(piece, whole.copy(held)) << bpp << " bits, part " << part.x() << "," << part.y();
      // An edit of the picture under the part, then the part and the copy made again.
      Bitmap edited = b;
      const QRect area(part.x() * 301 / 71, part.y() * 203 / 47, 9, 7);
      for (int y = area.top(); y <= std::min(area.bottom(), 202); ++y)
        for (int x = area.left(); x <= std::min(area.right(), 300); ++x)
          edited.setIndex(x, y, bpp == 24 ? (edited.index(x, y) ^ 0x5A3C96u) : (edited.index(x, y) + 1) % (1u << bpp));
      Bitmap editedCopy = copy;
      updateReducedPart(edited, 71, 47, piece, held.topLeft(), area);
      updateReducedBitmap(edited, editedCopy, area);
      EXPECT_EQ(piece, reducedPart(edited, 71, 47, part)) << bpp << " bits, part " << part.x() << "," << part.y();
      const Bitmap fresh = reducedBitmap(edited, 71, 47);
      EXPECT_EQ(0, std::memcmp(editedCopy.data().data(), fresh.data().data(), fresh.data().size())) << bpp << " bits";
      // The halved copy likewise.
      Bitmap half = halved(b);
      updateHalved(edited, half, area);
      const Bitmap freshHalf = halved(edited);
      EXPECT_EQ(0, std::memcmp(half.data().data(), freshHalf.data().data(), freshHalf.data().size())) << bpp << " bits";
    }
  }
}

// After an edit of an area, making again only the cells the area reaches gives the thumbnail of
// the edited picture: areas in the middle, at the far edges, one row and one pixel, with cell
// boxes of uneven sizes.
TEST(PixelOps, ThumbnailUpdatedForAnEditedAreaEqualsAFreshOne) {
  const QRect areas[] = {QRect(100, 50, 37, 61), QRect(280, 190, 40, 40), QRect(0, 77, 301, 1), QRect(0, 0, 1, 1),
                         QRect(150, 0, 1, 203)};
  for (int bpp : {1, 8, 24}) {
    for (const QRect& area : areas) {
      Bitmap b = pattern(301, 203, bpp);
      QImage thumb = makeThumbnail(b, 47, 31);
      const QRect part = area.intersected(QRect(0, 0, b.width(), b.height()));
      for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x) b.setIndex(x, y, bpp == 24 ? (b.index(x, y) ^ 0x5A3C96u) : (b.index(x, y) + 1) % (1u << bpp));
      updateReducedPart(b, thumb.width(), thumb.height(), thumb, QPoint(0, 0), area);
      EXPECT_EQ(thumb, makeThumbnail(b, 47, 31)) << bpp << " bits, area " << area.x() << "," << area.y() << " " << area.width() << "x" << area.height();
    }
  }
}
