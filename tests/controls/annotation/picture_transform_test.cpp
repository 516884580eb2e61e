// The host's turning, mirroring and transparent drawing of image element pictures.
#include <gtest/gtest.h>

#include <QImage>

#include "controls/annotation/picture_transform.h"
#include "platform/graphics/gdi.h"

namespace {

// A 3 x 2 picture whose top-left pixel is red and the rest white.
QImage marked() {
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(Qt::white);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  return image;
}

TEST(PictureTransformTest, TurnsAndMirrorsIntoANewBlock) {
  struct Case {
    int32_t op;
    int width, height;
    QPoint red;
  } cases[] = {
      {1, 2, 3, {0, 2}},  // a counter-clockwise quarter turn takes the top-left corner to the bottom left
      {2, 3, 2, {2, 1}},
      {3, 2, 3, {1, 0}},
      {4, 3, 2, {0, 1}},
      {5, 3, 2, {2, 0}},
  };
  // A palette picture keeps its depth.
  for (int bits : {8, 24}) {
    plat::HGLOBAL dib = plat::PackedDibFromImage(marked(), bits);
    for (const Case& c : cases) {
      plat::HGLOBAL out = ann::transformPicture(dib, c.op);
      ASSERT_NE(out, nullptr) << c.op;
      EXPECT_NE(out, dib);
      QImage image;
      ASSERT_TRUE(plat::ImageFromPackedDib(out, &image));
      EXPECT_EQ(image.size(), QSize(c.width, c.height)) << c.op << " at " << bits;
      EXPECT_EQ(image.pixel(c.red), qRgb(255, 0, 0)) << c.op << " at " << bits;
      EXPECT_EQ(static_cast<const plat::BITMAPINFOHEADER*>(plat::GlobalLock(out))->biBitCount, bits);
      plat::GlobalUnlock(out);
      plat::GlobalFree(out);
    }
    plat::GlobalFree(dib);
  }
  plat::HGLOBAL dib = plat::PackedDibFromImage(marked(), 24);
  EXPECT_EQ(ann::transformPicture(dib, 9), nullptr);
  EXPECT_EQ(ann::transformPicture(nullptr, 1), nullptr);
  const char damaged[] = "not a picture at all, only text";
  plat::HGLOBAL junk = plat::GlobalFromBytes(damaged, sizeof damaged);
  EXPECT_EQ(ann::transformPicture(junk, 1), nullptr);
  plat::GlobalFree(junk);
  // The input is still whole and still the caller's.
  QImage still;
  EXPECT_TRUE(plat::ImageFromPackedDib(dib, &still));
  plat::GlobalFree(dib);
}

TEST(PictureTransformTest, TransparentColourIsLeftOut) {
  plat::HGLOBAL dib = plat::PackedDibFromImage(marked(), 24);
  for (bool transparent : {false, true}) {
    plat::HDC dc = plat::CreateMemoryDC(6, 4, 0x00FF00);
    ASSERT_TRUE(ann::drawPicture(dc, dib, transparent, 0xFFFFFF, 0, 0, 6, 4));
    EXPECT_EQ(plat::GetPixel(dc, 0, 0), 0x0000FFu);  // red, stretched
    EXPECT_EQ(plat::GetPixel(dc, 5, 3), transparent ? 0x00FF00u : 0xFFFFFFu);
    plat::DeleteDC(dc);
  }
  plat::GlobalFree(dib);
}

}  // namespace
