#include "controls/imaging/imaging_control.h"
#include "controls/imaging/pixel_ops.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"
#include "tests/controls/imaging/float_paste.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QStyle>
#include <cmath>
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

TEST_F(Control, FailedLoadLeavesTheControlEmptyAndReportsNoPage) {
  const QString p = threePages();
  QSignalSpy loaded(&c, &ImagingControl::PageLoaded);
  c.setSourceFile(p);
  EXPECT_EQ(loaded.count(), 1);
  c.setPageNumber(9);
  EXPECT_THROW(c.setSourceFile(p), rt::RuntimeError);
  EXPECT_EQ(c.ImageFileType(), 0);
  EXPECT_FALSE(c.hasImage());
  c.setSourceFile(QString());
  EXPECT_EQ(loaded.count(), 1);
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

// The annotation control lays annotations over a picture shown whole by this rectangle, so it must
// be where the picture is painted, to the pixel, for shapes whose scaling rounds.
TEST_F(Control, FittedPictureRectIsWherePaintingPutsThePicture) {
  const struct { int w, h, thumb, sizeMode; } cases[] = {{123, 37, 1, 0}, {37, 123, 1, 0}, {301, 199, 0, 4}, {7, 5, 0, 4}};
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << k.w << "x" << k.h);
    c.CreateBlankImage(k.w, k.h, 24, 0x000000);
    c.setBackColor(0xFFFFFF);
    c.setHighlightBorder(0);
    c.setThumbDisplayMode(k.thumb);
    c.setViewSizeMode(k.sizeMode);
    QImage shot(c.size(), QImage::Format_RGB32);
    c.render(&shot);
    QRect painted;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x)
        if (QColor(shot.pixel(x, y)) == QColor(Qt::black)) painted |= QRect(x, y, 1, 1);
    EXPECT_EQ(c.FittedPictureRect(), painted);
  }
  c.setThumbDisplayMode(0);
  c.setViewSizeMode(0);
  EXPECT_TRUE(c.FittedPictureRect().isEmpty());
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

namespace {
// Every pixel of the view's top-left w x h is the picture pixel under it at the control's zoom
// and scroll position.
::testing::AssertionResult showsPictureEnlarged(ImagingControl& v, const Bitmap& picture, int w, int h) {
  QImage shot(v.size(), QImage::Format_RGB32);
  v.render(&shot);
  const double z = v.ZoomFactor();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb want = picture.pixel(static_cast<int>((x + v.ScrollPosX()) / z), static_cast<int>((y + v.ScrollPosY()) / z));
      if ((shot.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF))
        return ::testing::AssertionFailure() << "view (" << x << "," << y << ") at scroll (" << v.ScrollPosX() << ","
                                             << v.ScrollPosY() << "): " << std::hex << shot.pixel(x, y) << " vs " << want;
    }
  return ::testing::AssertionSuccess();
}
}  // namespace

TEST_F(Control, EnlargedViewFollowsEveryScroll) {
  const Bitmap picture = pattern(120, 100, 24);
  c.setBitmap(picture);
  c.SetZoom(2.5f);
  // Down by less than a view, up over rows already seen, a jump, and sideways.
  const QPoint positions[] = {{0, 0}, {0, 7}, {0, 40}, {0, 30}, {0, 3}, {0, 110}, {20, 110}, {20, 100}, {13, 0}};
  for (const QPoint& at : positions) {
    c.setScrollPosX(at.x());
    c.setScrollPosY(at.y());
    ASSERT_EQ(QPoint(c.ScrollPosX(), c.ScrollPosY()), at) << "the view must scroll that far";
    EXPECT_TRUE(showsPictureEnlarged(c, picture, 150, 100));
  }
}

// A picture too large for a whole copy in screen colours is painted from the part in view, at
// 100 % and enlarged.
TEST_F(Control, AHugePictureIsPaintedFromThePartInView) {
  for (int bpp : {1, 4, 8, 24}) {
    const Bitmap picture = pattern(5000, 4000, bpp);
    c.setBitmap(picture);
    for (float zoom : {1.0f, 2.5f}) {
      c.SetZoom(zoom);
      for (const QPoint& at : {QPoint(0, 0), QPoint(3000, 2500), QPoint(3001, 2507)}) {
        c.setScrollPosX(at.x());
        c.setScrollPosY(at.y());
        EXPECT_TRUE(showsPictureEnlarged(c, picture, 150, 100)) << bpp << " bits, zoom " << zoom;
      }
    }
  }
}

namespace {
// A picture of 100 x 100 blocks, each of its own colour.
Bitmap blocks(int w, int h) {
  Bitmap b(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setIndex(x, y, qRgb((x / 100) * 37 % 256, (y / 100) * 53 % 256, (x / 100 + y / 100) * 29 % 256));
  return b;
}

// The view reduced at the control's zoom and scroll position: every view pixel whose box of
// picture pixels lies well inside one block shows that block's colour, and the view equals what a
// fresh control of the same picture, size, zoom and position shows.
::testing::AssertionResult showsBlocksReduced(ImagingControl& v, const Bitmap& picture) {
  const int sb = v.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const QRect client(0, 0, v.width() - sb, v.height() - sb);
  const QImage shot = v.grab(client).toImage().convertToFormat(QImage::Format_RGB32);
  const double z = v.ZoomFactor();
  const double margin = 4 / z;  // the widest box, twice over: from a reduced copy at most twice the zoom
  for (int y = 0; y < client.height(); y += 3)
    for (int x = 0; x < client.width(); x += 3) {
      const double px = (x + v.ScrollPosX()) / z, py = (y + v.ScrollPosY()) / z;
      if (px >= picture.width() - margin || py >= picture.height() - margin) continue;
      const double ix = std::fmod(px, 100), iy = std::fmod(py, 100);
      if (ix < margin || ix > 100 - margin || iy < margin || iy > 100 - margin) continue;
      const QRgb want = picture.pixel(static_cast<int>(px), static_cast<int>(py));
      if ((shot.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF))
        return ::testing::AssertionFailure() << "view (" << x << "," << y << ") at zoom " << z << ", scroll (" << v.ScrollPosX()
                                             << "," << v.ScrollPosY() << "): " << std::hex << shot.pixel(x, y) << " vs " << want;
    }
  ImagingControl fresh;
  fresh.resize(v.size());
  fresh.replaceBitmap(v.bitmap());
  fresh.SetZoom(v.ZoomFactor());
  fresh.setScrollPosX(v.ScrollPosX());
  fresh.setScrollPosY(v.ScrollPosY());
  if (fresh.grab(client).toImage() != v.grab(client).toImage())
    return ::testing::AssertionFailure() << "a fresh control shows otherwise at zoom " << z << ", scroll (" << v.ScrollPosX() << ","
                                         << v.ScrollPosY() << ")";
  return ::testing::AssertionSuccess();
}
}  // namespace

// Zoomed out, the view shows the part of the page it covers, made from the page or its reduced
// copies, whatever came before: zoom steps out and in, scrolls between them, and an edit in place
// of a part of the page.
TEST_F(Control, ZoomedOutViewFollowsZoomsScrollsAndEdits) {
  Bitmap picture = blocks(2000, 1500);
  c.setBitmap(picture);
  const struct {
    float zoom;
    QPoint scroll;
  } steps[] = {{0.9f, {0, 0}}, {0.81f, {600, 400}}, {0.5f, {300, 200}}, {0.3f, {0, 0}}, {0.15f, {100, 90}},
               {0.13f, {0, 0}}, {0.27f, {320, 240}}, {0.73f, {1000, 700}}, {0.73f, {1010, 702}}};
  for (const auto& s : steps) {
    c.SetZoom(s.zoom);
    c.setScrollPosX(s.scroll.x());
    c.setScrollPosY(s.scroll.y());
    EXPECT_TRUE(showsBlocksReduced(c, picture));
  }
  // An edit of the blocks in view, in place, then shown without reducing the page again.
  const QRect area(1300, 900, 300, 200);
  Bitmap& page = c.editableBitmap();
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) page.setIndex(x, y, qRgb(250, 10, 10));
  c.pictureEdited(area);
  EXPECT_TRUE(showsBlocksReduced(c, c.bitmap()));
  c.SetZoom(0.2f);
  EXPECT_TRUE(showsBlocksReduced(c, c.bitmap()));
}

TEST_F(Control, EnlargedViewShowsEditsAndUndo) {
  c.CreateBlankImage(100, 100, 24, 0xFFFFFF);
  c.SetZoom(4.0f);
  c.setScrollPosX(40);
  c.setScrollPosY(40);
  ASSERT_TRUE(showsPictureEnlarged(c, c.bitmap(), 150, 100));
  c.setScrollPosY(48);
  ASSERT_TRUE(showsPictureEnlarged(c, c.bitmap(), 150, 100));
  // A red area merged where the view shows it.
  ImagingControl temp;
  temp.CreateBlankImage(10, 6, 24, 0x0000FF);
  imgtest::floatPicture(c, temp);
  // While it floats the page is unchanged, and the view paints the area over it.
  ASSERT_EQ(c.bitmap().pixel(12, 14), qRgb(255, 255, 255));
  QImage floating(c.size(), QImage::Format_RGB32);
  c.render(&floating);
  bool red = false;
  for (int y = 0; y < floating.height() && !red; ++y)
    for (int x = 0; x < floating.width() && !red; ++x) red = (floating.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
  EXPECT_TRUE(red) << "the floating area is not painted";
  c.setSelectionVisible(false);
  c.MergeArea();
  c.ClearArea();
  ASSERT_EQ(c.bitmap().pixel(12, 14), qRgb(255, 0, 0));
  EXPECT_TRUE(showsPictureEnlarged(c, c.bitmap(), 150, 100));
  c.UndoLast();
  ASSERT_EQ(c.bitmap().pixel(12, 14), qRgb(255, 255, 255));
  EXPECT_TRUE(showsPictureEnlarged(c, c.bitmap(), 150, 100));
  // An edit of the whole picture and a new picture of the same size.
  c.setBitmap(pattern(100, 100, 24));
  EXPECT_TRUE(showsPictureEnlarged(c, c.bitmap(), 150, 100));
  c.Mirror();
  EXPECT_TRUE(showsPictureEnlarged(c, c.bitmap(), 150, 100));
}

// ---- selection, floating area, editing ---------------------------------------------------------

namespace {
// What the page view does on a mouse up in the rectangle mode.
void rubberToArea(ImagingControl& v) {
  const int32_t L = v.SelectionLeft(), T = v.SelectionTop(), W = v.SelectionWidth(), H = v.SelectionHeight();
  v.setSelectionVisible(false);
  v.ClearArea();
  v.AddAreaPoint(L, T);
  v.AddAreaPoint(L + W, T);
  v.AddAreaPoint(L + W, T + H);
  v.AddAreaPoint(L, T + H);
  v.CloseArea();
  v.setSelectionVisible(true);
}
void clearSelection(ImagingControl& v) {
  v.AreaPlacement(false);
  v.RubberBandStart(false);
  v.setSelectionVisible(false);
  v.ClearArea();
}
}  // namespace

TEST_F(Control, RubberBandBecomesASelectionInImagePixels) {
  c.CreateBlankImage(400, 400, 24, 0x000000);
  c.SetZoom(2.0f);
  c.setScrollPosX(20);
  c.RubberBandStart(true, 10, 10);  // view pixels: image (15, 5)
  c.RubberBandTo(50, 30);           // image (35, 15)
  EXPECT_EQ(c.SelectionLeft(), 15);
  EXPECT_EQ(c.SelectionTop(), 5);
  EXPECT_EQ(c.SelectionWidth(), 20);
  EXPECT_EQ(c.SelectionHeight(), 10);
  rubberToArea(c);
  EXPECT_EQ(c.SelectionWidth(), 20);
  EXPECT_EQ(c.SelectionHeight(), 10);
  EXPECT_TRUE(c.SelectionVisible());
  // Cut: copy, erase to white, clear.
  c.CopyToClipboard();
  c.ReplaceColours(0x000000, 0xFFFFFF, 0xFFFFFF);
  clearSelection(c);
  EXPECT_EQ(c.SelectionWidth(), 0);
  EXPECT_EQ(c.bitmap().pixel(15, 5), qRgb(255, 255, 255));
  EXPECT_EQ(c.bitmap().pixel(34, 14), qRgb(255, 255, 255));
  EXPECT_EQ(c.bitmap().pixel(35, 15), qRgb(0, 0, 0));
  EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(20, 10));
  EXPECT_EQ(c.UndoAvailable(), 1);
  c.UndoLast();
  EXPECT_EQ(c.bitmap().pixel(15, 5), qRgb(0, 0, 0));
  EXPECT_EQ(c.UndoAvailable(), 0);
}

TEST_F(Control, RubberBandOfNoSizeSelectsNothing) {
  c.CreateBlankImage(50, 50, 8, 0x808080);
  c.RubberBandStart(true, 10, 10);
  c.RubberBandTo(10, 30);
  EXPECT_EQ(c.SelectionWidth(), 0);
  c.RubberBandTo(500, 500);  // kept on the picture
  EXPECT_EQ(c.SelectionLeft() + c.SelectionWidth(), 50);
}

TEST_F(Control, PastedPictureFloatsAndIsMergedWhereDropped) {
  // The page: white; the pasted picture: 10 x 6 red; the view scrolled to (20, 8) at zoom 1.
  c.CreateBlankImage(400, 300, 24, 0xFFFFFF);
  c.setScrollPosX(20);
  c.setScrollPosY(8);
  ImagingControl temp;
  temp.CreateBlankImage(10, 6, 24, 0x0000FF);
  imgtest::floatPicture(c, temp);
  // The page is untouched under the floating picture, which sits at the top-left of the view.
  EXPECT_EQ(c.bitmap().pixel(20, 8), qRgb(255, 255, 255));
  EXPECT_TRUE(c.AreaActive());
  EXPECT_EQ(c.AreaLeft(), 20);
  EXPECT_EQ(c.AreaTop(), 8);
  EXPECT_EQ(c.UndoAvailable(), 0);
  // Dragged to view (5, 7), then committed there.
  c.GetAreaOrigin(5, 7);
  EXPECT_EQ(c.AreaLeft(), 25);
  c.MoveArea(25, 15);
  c.setSelectionVisible(false);
  c.MergeArea();
  c.ClearArea();
  EXPECT_FALSE(c.AreaActive());
  EXPECT_EQ(c.SelectionWidth(), 0);
  EXPECT_EQ(c.bitmap().pixel(25, 15), qRgb(255, 0, 0));
  EXPECT_EQ(c.bitmap().pixel(34, 20), qRgb(255, 0, 0));
  EXPECT_EQ(c.bitmap().pixel(35, 20), qRgb(255, 255, 255));
  EXPECT_EQ(c.bitmap().pixel(20, 8), qRgb(255, 255, 255));
  c.UndoLast();
  EXPECT_EQ(c.bitmap().pixel(25, 15), qRgb(255, 255, 255));
}

TEST_F(Control, EditsChangeThePictureAndCanBeUndone) {
  c.CreateBlankImage(30, 20, 24, 0xFFFFFF);
  c.RotateBy(90);
  EXPECT_EQ(c.ImageWidth(), 20);
  EXPECT_EQ(c.ImageHeight(), 30);
  c.RotateBy(45);
  const int32_t turned = c.ImageWidth();
  EXPECT_GT(turned, 30);
  c.Mirror();
  c.AutoContrast();
  c.Despeckle();
  c.Deskew();
  EXPECT_EQ(c.UndoAvailable(), 4);  // kept to the last four
  for (int i = 0; i < 4; ++i) c.UndoLast();
  EXPECT_EQ(c.ImageWidth(), turned);
  EXPECT_EQ(c.UndoAvailable(), 0);
  EXPECT_THROW(c.CreateBlankImage(10, 10, 3, 0), rt::RuntimeError);
  ImagingControl empty;
  EXPECT_THROW(empty.Mirror(), rt::RuntimeError);
  EXPECT_EQ(empty.UndoAvailable(), 0);
}

TEST_F(Control, NewPictureStartsWithoutUndo) {
  c.CreateBlankImage(10, 10, 8, 0);
  c.Mirror();
  ImagingControl other;
  other.CreateBlankImage(5, 5, 8, 0);
  c.setImageHandle(other.ImageHandleCopy());
  EXPECT_EQ(c.UndoAvailable(), 0);
}

TEST_F(Control, PrintsAtThePlacementInDevicePixels) {
  c.CreateBlankImage(80, 60, 24, 0x000000);
  // A device of 144 dots per inch: 720 twips are 72 dots.
  QImage page(1224, 1584, QImage::Format_RGB32);
  page.fill(Qt::white);
  page.setDotsPerMeterX(5669);
  page.setDotsPerMeterY(5669);
  c.setPrintLeft(720);
  c.setPrintTop(720);
  c.setPrintWidth(1440);
  c.setPrintHeight(1080);
  c.PrintToDC(static_cast<QPaintDevice*>(&page));
  EXPECT_EQ(QColor(page.pixel(71, 71)), QColor(Qt::white));
  EXPECT_EQ(QColor(page.pixel(73, 73)), QColor(Qt::black));
  EXPECT_EQ(QColor(page.pixel(72 + 142, 72 + 106)), QColor(Qt::black));
  EXPECT_EQ(QColor(page.pixel(72 + 146, 72 + 110)), QColor(Qt::white));
  QPainter inactive;
  EXPECT_THROW(c.PrintToDC(&inactive), rt::RuntimeError);
}

TEST_F(Control, ViewSizeModeShowsTheWholePicture) {
  c.CreateBlankImage(1000, 500, 24, 0x000000);
  c.setBackColor(0xFFFFFF);
  c.setViewSizeMode(4);
  QImage shot(c.size(), QImage::Format_RGB32);
  c.render(&shot);
  EXPECT_EQ(QColor(shot.pixel(10, 75)), QColor(Qt::black));   // scaled to the width
  EXPECT_EQ(QColor(shot.pixel(190, 75)), QColor(Qt::black));
  EXPECT_EQ(QColor(shot.pixel(100, 10)), QColor(Qt::white));  // centred vertically
}

TEST_F(Control, JpegThumbnailIsDecodedReducedButReportsTheFullPage) {
  const Bitmap big = imgtest::smoothPattern(1600, 1200);
  SaveOptions o = as(kFormatJpeg);
  writeFile(dir.file("photo.jpg"), big, o);
  int16_t fmt = 0;
  int32_t w = 0, h = 0;
  QFile f(dir.file("photo.jpg"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  const Bitmap reduced = decodeJpegReduced(
      {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())}, 150, &fmt, &w, &h);
  EXPECT_EQ(reduced.width(), 200);  // 1600 / 8, still above 150
  EXPECT_EQ(w, 1600);
  EXPECT_EQ(h, 1200);
  c.setThumbDisplayMode(1);
  c.setSourceFile(dir.file("photo.jpg"));
  EXPECT_EQ(c.ImageWidth(), 1600);
  EXPECT_EQ(c.ImageHeight(), 1200);
  EXPECT_EQ(c.ImageFileType(), kFormatJpeg);
  EXPECT_TRUE(samePixels(big, fromHandle(c.ImageHandleCopy()), 24));
}

TEST_F(Control, LargeThumbnailPictureIsKeptOutOfMemoryAndComesBackWhole) {
  const Bitmap big = pattern(1500, 1000, 24);  // above the size a thumbnail keeps in memory
  c.setThumbDisplayMode(1);
  c.setImageHandle(toDibHandle(big));
  EXPECT_EQ(c.ImageWidth(), 1500);
  EXPECT_TRUE(samePixels(big, fromHandle(c.ImageHandleCopy())));
  QImage shot(c.size(), QImage::Format_RGB32);
  c.render(&shot);  // paints from the display picture
  c.setSaveFileName(dir.file("kept.bmp"));
  c.setSaveFileType(kFormatBmp);
  c.SaveFile();
  EXPECT_TRUE(samePixels(big, readFilePage(dir.file("kept.bmp"), 1).bitmap));
  c.Mirror();
  EXPECT_EQ(c.bitmap().pixel(0, 0), big.pixel(1499, 0));
  c.UndoLast();
  EXPECT_TRUE(samePixels(big, fromHandle(c.ImageHandleCopy())));
}
