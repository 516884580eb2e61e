#include "controls/imaging/imaging_control.h"
#include "controls/imaging/pixel_ops.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace img;
using imgtest::pattern;
using imgtest::samePixels;

namespace {
SaveOptions as(int16_t format) {
  SaveOptions o;
  o.format = format;
  return o;
}

class Control : public ::testing::Test {
 protected:
  void SetUp() override {
    c.resize(200, 150);
  }
  // A three-page TIFF: 1-bit, 8-bit, colour.
  QString threePages() {
    const QString p = dir.file("three.tif");
    SaveOptions o = as(kFormatTiff);
    o.multiPage = true;
    o.tiffCompression = kTiffG4;
    writeFile(p, pattern(60, 40, 1), o);
    o.tiffCompression = kTiffLzw;
    writeFile(p, pattern(30, 20, 8), o);
    writeFile(p, pattern(50, 70, 24), o);
    return p;
  }
  Bitmap fromHandle(plat::HGLOBAL h) {
    Bitmap b = fromDibHandle(h);
    plat::GlobalFree(h);
    return b;
  }
  testsupport::TempDir dir;
  ImagingControl c;
};
}  // namespace

TEST_F(Control, LoadsThePageChosenAndUnloads) {
  const QString p = threePages();
  EXPECT_EQ(c.FilePageCount(p), 3);
  c.setPageNumber(2);
  c.setSourceFile(p);
  EXPECT_EQ(c.SourceFile(), p);
  EXPECT_EQ(c.ImageWidth(), 30);
  EXPECT_EQ(c.ImageHeight(), 20);
  EXPECT_EQ(c.ImageBitsPerPixel(), 8);
  EXPECT_EQ(c.ImageFileType(), kFormatTiffLzw);
  EXPECT_GT(c.ImageFileSize(), 0);
  EXPECT_TRUE(samePixels(pattern(30, 20, 8), fromHandle(c.ImageHandleCopy())));
  c.setSourceFile(QString());
  EXPECT_EQ(c.ImageFileType(), 0);
  EXPECT_EQ(c.ImageWidth(), 0);
  EXPECT_EQ(c.ImageHandleCopy(), nullptr);
}

TEST_F(Control, FailedLoadLeavesTheControlEmpty) {
  const QString p = threePages();
  c.setSourceFile(p);
  c.setPageNumber(9);
  EXPECT_THROW(c.setSourceFile(p), rt::RuntimeError);
  EXPECT_EQ(c.ImageFileType(), 0);
  EXPECT_FALSE(c.hasImage());
  EXPECT_EQ(c.FilePageCount(dir.file("none.tif")), 0);
}

TEST_F(Control, HandleCopyIsNewAndHandleIsTakenOver) {
  c.CreateBlankImage(20, 10, 24, 0x0000FF);  // red in 0x00BBGGRR
  plat::HGLOBAL a = c.ImageHandleCopy();
  plat::HGLOBAL b = c.ImageHandleCopy();
  EXPECT_NE(a, b);
  ImagingControl other;
  const std::size_t live = plat::GlobalLiveBlocks();
  other.setImageHandle(a);
  EXPECT_EQ(plat::GlobalLiveBlocks(), live - 1);  // freed by the control
  EXPECT_FALSE(plat::GlobalIsValid(a));
  EXPECT_EQ(other.bitmap().pixel(3, 3), qRgb(255, 0, 0));
  EXPECT_EQ(other.ImageFileType(), 0);
  plat::GlobalFree(b);
}

TEST_F(Control, GetFileInfoCountsPagesFromZero) {
  const QString p = threePages();
  int32_t w = 0, h = 0, size = 0;
  int16_t bpp = 0, fmt = 0, unit = 0;
  double xr = 0, yr = 0;
  c.GetFileInfo(p, 2, w, h, bpp, fmt, size, unit, xr, yr);
  EXPECT_EQ(w, 50);
  EXPECT_EQ(h, 70);
  EXPECT_EQ(bpp, 24);
  EXPECT_EQ(fmt, kFormatTiffLzw);
  EXPECT_GT(size, 0);
}

TEST_F(Control, ThumbnailKeepsOnlyADisplayPicture) {
  const QString p = threePages();
  c.setThumbDisplayMode(1);
  c.setPageNumber(3);
  c.setSourceFile(p);
  EXPECT_EQ(c.ImageWidth(), 50);
  EXPECT_EQ(c.ImageBitsPerPixel(), 24);
  EXPECT_EQ(c.ImageFileType(), kFormatTiffLzw);
  // The full page comes back from the file when it is copied out.
  EXPECT_TRUE(samePixels(pattern(50, 70, 24), fromHandle(c.ImageHandleCopy())));
  QImage shot(c.size(), QImage::Format_RGB32);
  c.render(&shot);
  EXPECT_NE(shot.pixel(100, 75), shot.pixel(1, 75));  // picture centred over the back colour
}

TEST_F(Control, SaveWithOptionsAndMultiPage) {
  c.CreateBlankImage(16, 16, 1, 0xFFFFFF);
  c.setSaveFileName(dir.file("out.tif"));
  c.setSaveFileType(kFormatTiff);
  c.setSaveTiffCompression(kTiffG4);
  c.setSaveMultiPage(true);
  c.SaveFile();
  c.SaveFile();
  EXPECT_EQ(c.FilePageCount(dir.file("out.tif")), 2);
  ImagingControl r;
  r.setSourceFile(dir.file("out.tif"));
  EXPECT_EQ(r.ImageFileType(), kFormatTiffG4);
  EXPECT_EQ(r.ImageBitsPerPixel(), 1);
  EXPECT_THROW(c.setSaveTiffCompression(9), rt::RuntimeError);
  c.setSaveFileType(kFormatBmp);
  c.setSaveMultiPage(false);
  c.setSaveFileName(dir.file("out.bmp"));
  c.SaveFile();
  r.setSourceFile(dir.file("out.bmp"));
  EXPECT_EQ(r.ImageFileType(), kFormatBmp);
}

TEST_F(Control, ZoomFitAndScrolling) {
  c.CreateBlankImage(400, 300, 8, 0x808080);
  c.SetZoom(2.0f);
  EXPECT_FLOAT_EQ(c.ZoomFactor(), 2.0f);
  c.setScrollPosX(100);
  EXPECT_EQ(c.ScrollPosX(), 100);
  EXPECT_EQ(c.ViewOffsetX(), 50);
  c.setViewOffsetY(20);
  EXPECT_EQ(c.ScrollPosY(), 40);
  c.setScrollPosX(1000000);  // kept within the scrollable range
  EXPECT_LT(c.ScrollPosX(), 800);
  c.setScrollPosX(-5);
  EXPECT_EQ(c.ScrollPosX(), 0);
  c.ZoomToFit(2);
  EXPECT_NEAR(c.ZoomFactor(), 0.5f, 1e-6);  // 200x150 control, 400x300 picture
  c.ZoomToFit(1);
  EXPECT_NEAR(c.ZoomFactor(), 0.5f, 1e-6);
  EXPECT_THROW(c.SetZoom(0), rt::RuntimeError);
  EXPECT_THROW(c.ZoomToFit(3), rt::RuntimeError);
}

TEST_F(Control, MouseEventsReportButtonShiftAndTwips) {
  c.CreateBlankImage(100, 100, 24, 0xFFFFFF);
  c.show();
  QSignalSpy down(&c, &ImagingControl::MouseDown), up(&c, &ImagingControl::MouseUp), click(&c, &ImagingControl::Click);
  QTest::mousePress(&c, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 20));
  QTest::mouseRelease(&c, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 20));
  ASSERT_EQ(down.count(), 1);
  EXPECT_EQ(down.at(0).at(0).value<int16_t>(), 1);
  EXPECT_EQ(down.at(0).at(1).value<int16_t>(), 1);
  const double tpp = 1440.0 / c.logicalDpiX();
  EXPECT_FLOAT_EQ(down.at(0).at(2).toFloat(), static_cast<float>(10 * tpp));
  EXPECT_EQ(up.count(), 1);
  EXPECT_EQ(click.count(), 1);
  EXPECT_EQ(c.PointerViewX(), 10);
  QSignalSpy keys(&c, &ImagingControl::KeyDown);
  QTest::keyClick(&c, Qt::Key_Delete);
  QTest::keyClick(&c, Qt::Key_Escape);
  ASSERT_EQ(keys.count(), 2);
  EXPECT_EQ(keys.at(0).at(0).value<int16_t>(), 46);
  EXPECT_EQ(keys.at(1).at(0).value<int16_t>(), 27);
}

TEST_F(Control, HighlightBorderIsReadBackAndDrawn) {
  c.setHighlightBorder(3);
  EXPECT_EQ(c.HighlightBorder(), 3);
  QImage shot(c.size(), QImage::Format_RGB32);
  c.render(&shot);
  EXPECT_NE(shot.pixel(1, 1), shot.pixel(100, 75));
  c.setHighlightBorder(0);
  c.render(&shot);
  EXPECT_EQ(shot.pixel(1, 1), shot.pixel(100, 75));
}

TEST_F(Control, PaintingShowsThePictureAtZoom) {
  c.CreateBlankImage(40, 40, 24, 0x000000);
  c.setBackColor(0xFFFFFF);
  c.SetZoom(2.0f);
  QImage shot(c.size(), QImage::Format_RGB32);
  c.render(&shot);
  EXPECT_EQ(QColor(shot.pixel(79, 79)), QColor(Qt::black));
  EXPECT_EQ(QColor(shot.pixel(81, 81)), QColor(Qt::white));
  c.SetZoom(0.5f);
  c.render(&shot);
  EXPECT_EQ(QColor(shot.pixel(19, 19)), QColor(Qt::black));
  EXPECT_EQ(QColor(shot.pixel(21, 21)), QColor(Qt::white));
}
