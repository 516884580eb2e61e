// Opening a long document: the strip is complete at once and its pictures arrive from background
// work, while the document can be paged, edited, saved and closed; pictures made in parallel are
// the ones made one by one.
#include "controls/imaging/page_thumb_loader.h"
#include "controls/imaging/pixel_ops.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/page_strip.h"
#include "workspace/view_commands.h"

#include <QElapsedTimer>
#include <tiffio.h>
#include <algorithm>
#include <functional>
#include <QStatusBar>

namespace {

using namespace mainwindowtest;

// Pages that differ in size and colour, so that a picture given to the wrong slot shows.
std::vector<Page> variedPages(int n) {
  std::vector<Page> pages;
  for (int i = 0; i < n; ++i)
    pages.push_back({40 + 3 * i, 30 + (i % 7) * 5, static_cast<uint32_t>(0x102030 * (i + 1)) & 0xFFFFFF});
  return pages;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

bool samePicture(const img::Bitmap& a, const img::Bitmap& b) {
  return a.width() == b.width() && a.height() == b.height() && a.bitsPerPixel() == b.bitsPerPixel() &&
         a.data().size() == b.data().size() && std::equal(a.data().begin(), a.data().end(), b.data().begin());
}

TEST_F(MainWindowTest, ThumbnailsMadeInParallelEqualThoseMadeOneByOne) {
  const QString path = file(QStringLiteral("many.tif"), variedPages(24), 4);
  std::vector<std::optional<img::PageThumb>> made(24);
  std::vector<int32_t> order;
  img::PageThumbLoader loader(path, 24, 100, [&](img::PageThumb& t) {
    order.push_back(t.page);
    made[static_cast<std::size_t>(t.page - 1)] = t;
  }, 4);
  loader.prefer({20, 21});
  ASSERT_TRUE(waitUntil([&] { return loader.finished(); }));
  ASSERT_EQ(order.size(), 24u);
  for (int32_t p = 1; p <= 24; ++p) {
    ASSERT_TRUE(made[static_cast<std::size_t>(p - 1)]) << p;
    const img::PageThumb& t = *made[static_cast<std::size_t>(p - 1)];
    const img::PageThumb one = img::makePageThumb(path, p, 100);
    EXPECT_TRUE(samePicture(t.decoded.bitmap, one.decoded.bitmap)) << p;
    EXPECT_EQ(t.fullWidth, 40 + 3 * (p - 1)) << p;
    EXPECT_EQ(t.fullHeight, one.fullHeight) << p;
  }

  // In the window, each slot ends up with the picture made of its own page.
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_TRUE(waitUntil([&] { return !w->ThumbsLoading(); }));
  const int side = w->strip().displaySide();
  for (int i = 0; i < 24; ++i) {
    ASSERT_TRUE(w->strip().hasPicture(i)) << i;
    EXPECT_EQ(w->strip().picture(i), img::makeThumbnail(img::makePageThumb(path, i + 1, side).decoded.bitmap, side, side)) << i;
  }
}

// Fax pages are reduced while they are decoded, by workers that keep their buffers from page to
// page: pages of other sizes (other reductions), other strips and a colour page between them come
// out of four workers just as they come one by one.
TEST_F(MainWindowTest, FaxThumbnailsMadeInParallelEqualThoseMadeOneByOne) {
  const QString path = dir.file(QStringLiteral("fax.tif"));
  struct Sheet {
    int32_t width, height;
  };
  const Sheet sheets[] = {{1728, 2292}, {900, 1203}, {2501, 1700}, {1203, 1601}, {1728, 1145}, {830, 830}};
  uint32_t r = 7;
  for (int i = 0; i < 18; ++i) {
    const Sheet& s = sheets[i % 6];
    img::SaveOptions o;
    o.multiPage = true;
    if (i % 7 == 3) {
      img::Bitmap colour(s.width / 4, s.height / 4, 24);
      std::fill(colour.data().begin(), colour.data().end(), static_cast<uint8_t>(40 * i));
      o.tiffCompression = img::kTiffLzw;
      img::writeFile(path, colour, o);
      continue;
    }
    img::Bitmap page(s.width, s.height, 1);
    page.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
    // Ink on every first, second or third row; the bits past the width stay clear.
    for (int32_t y = 0; y < s.height; y += 1 + i % 3) {
      uint8_t* row = page.row(y);
      for (int32_t b = 0; b < (s.width + 7) / 8; ++b) {
        r = r * 1103515245u + 12345u;
        row[b] = static_cast<uint8_t>((r >> 16) & (r >> 24));
      }
      if (s.width % 8) row[s.width / 8] &= static_cast<uint8_t>(0xFF00 >> (s.width % 8));
    }
    o.tiffCompression = i % 2 ? img::kTiffG4 : img::kTiffG3;
    img::writeFile(path, page, o);
  }
  std::vector<std::optional<img::PageThumb>> made(18);
  img::PageThumbLoader loader(path, 18, 100, [&](img::PageThumb& t) { made[static_cast<std::size_t>(t.page - 1)] = t; }, 4);
  ASSERT_TRUE(waitUntil([&] { return loader.finished(); }));
  for (int32_t p = 1; p <= 18; ++p) {
    ASSERT_TRUE(made[static_cast<std::size_t>(p - 1)]) << p;
    const img::PageThumb one = img::makePageThumb(path, p, 100);
    EXPECT_TRUE(samePicture(made[static_cast<std::size_t>(p - 1)]->decoded.bitmap, one.decoded.bitmap)) << p;
    if ((p - 1) % 7 != 3) {
      EXPECT_LT(one.decoded.bitmap.width(), one.fullWidth) << p;  // reduced, not whole
    }
  }
}

// A long document's loader makes only what is asked for, and makes a page again when it is asked
// for again (its thumbnail let the picture go when it left the view).
TEST_F(MainWindowTest, ALoaderOfAskedPagesMakesThemAndOnlyThem) {
  const QString path = file(QStringLiteral("asked.tif"), variedPages(12), 4);
  std::vector<int32_t> order;
  img::PageThumbLoader loader(path, 12, 100, [&](img::PageThumb& t) { order.push_back(t.page); }, 2,
                              img::PageThumbLoader::Scope::OnlyAsked);
  for (int k = 0; k < 10; ++k) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_TRUE(order.empty());
  EXPECT_TRUE(loader.finished());
  loader.prefer({9, 3});
  ASSERT_TRUE(waitUntil([&] { return loader.finished(); }));
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<int32_t>{3, 9}));
  loader.prefer({3, 12});
  ASSERT_TRUE(waitUntil([&] { return loader.finished(); }));
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<int32_t>{3, 3, 9, 12}));
  EXPECT_EQ(loader.readyCount(), 3);
}

// A fax document of thousands of tiny pages, written straight with the TIFF library (page n is
// 8 + n % 50 pixels wide, so the page shown can be told by its width).
QString writeLongFax(const QString& path, int pages) {
  TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!t) return {};
  std::vector<uint8_t> row(8, 0x0F);
  for (int p = 0; p < pages; ++p) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 8 + p % 50);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 10);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 10);
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    for (uint32_t y = 0; y < 10; ++y) TIFFWriteScanline(t, row.data(), y, 0);
    TIFFWriteDirectory(t);
  }
  TIFFClose(t);
  return path;
}

// A long document opens whole (its strip's scroll arithmetic stopped with Overflow past about
// 3,650 pages), scrolls to its end, and shows its last page; only the thumbnails near the view
// are shown and hold pictures.
TEST_F(MainWindowTest, ADocumentOfFiveThousandPagesOpensScrollsAndShowsItsLastPage) {
  const int n = 5000;
  const QString path = writeLongFax(dir.file(QStringLiteral("long-fax.tif")), n);
  ASSERT_FALSE(path.isEmpty());
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_EQ(pageCount(), n);
  EXPECT_EQ(caption(n - 1), QStringLiteral("Page 5000"));
  EXPECT_EQ(pageShown(w), 8);
  auto held = [&] {
    int count = 0;
    for (int i = 0; i < n; ++i) count += w->strip().hasPicture(i) ? 1 : 0;
    return count;
  };
  ASSERT_TRUE(waitUntil([&] { return !w->ThumbsLoading(); }));
  EXPECT_LT(held(), 100);
  EXPECT_TRUE(w->strip().hasPicture(0));
  EXPECT_FALSE(w->strip().hasPicture(n - 1));

  // To the end of the strip: the last pages get their pictures, the first let theirs go.
  w->vsTmb->setValue(w->vsTmb->maximum());
  EXPECT_FALSE(w->strip().hasPicture(0));
  ASSERT_TRUE(waitUntil([&] { return !w->ThumbsLoading() && w->strip().hasPicture(n - 1); }));
  EXPECT_LT(held(), 100);
  EXPECT_TRUE(w->strip().slotRect(n - 1).intersects(w->picChild->rect()));

  w->ixTmb_Click(n - 1);
  EXPECT_EQ(pageShown(w), 8 + (n - 1) % 50);
  bool ok = false;
  w->fnCloseFile(true, ok);
  EXPECT_TRUE(ok);
}

// Nothing of the background work has arrived yet (the event loop has not run): the pages still
// answer for themselves, and the saved file holds every page, the edited one as edited.
TEST_F(MainWindowTest, ADocumentWhoseThumbnailsAreStillMadeCanBePagedEditedAndSaved) {
  std::vector<Page> pages = variedPages(30);
  const QString path = file(QStringLiteral("long.tif"), pages, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_EQ(pageCount(), 30);
  EXPECT_EQ(caption(29), QStringLiteral("Page 30"));
  EXPECT_TRUE(w->ThumbsLoading());
  EXPECT_FALSE(w->strip().hasPicture(17));
  EXPECT_TRUE(w->StatusPanel(QStringLiteral("BODY")).endsWith(QStringLiteral("of 30")));

  w->ixTmb_Click(17);
  EXPECT_EQ(pageShown(w), pages[17].width);
  ws::mnuViewNext_Click(*w);
  EXPECT_EQ(pageShown(w), pages[18].width);
  w->ixMain->RotateBy(90);
  doc().pageModified = doc().docModified = true;
  std::swap(pages[18].width, pages[18].height);
  // A page still waiting for its thumbnail moves with an edit and keeps its own picture.
  ws::document().applyPageEdit(ws::fnMovePage(30, 18, 29, 0), ws::CaptionRule::Renumber);
  std::rotate(pages.begin(), pages.begin() + 29, pages.end());
  ASSERT_TRUE(w->mnuFileSave_Click());
  EXPECT_TRUE(samePages(readImage(path), pages));

  // The pictures that arrive after the save and the edit land in their own slots only.
  ASSERT_TRUE(waitUntil([&] { return !w->ThumbsLoading(); }));
  EXPECT_EQ(w->StatusPanel(QStringLiteral("BODY")), QString());
  const int side = w->strip().displaySide();
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(w->strip().hasPicture(i)) << i;
    EXPECT_EQ(w->strip().picture(i), img::makeThumbnail(img::makePageThumb(path, i + 1, side).decoded.bitmap, side, side)) << i;
  }
  bool ok = false;
  w->fnCloseFile(true, ok);
  EXPECT_TRUE(ok);
}

// Closing, or opening another document, while pictures are made: the work stops, and nothing of
// the old document reaches the strip of the next one.
TEST_F(MainWindowTest, ClosingOrOpeningAnotherDocumentStopsTheWork) {
  const QString first = file(QStringLiteral("first.tif"), variedPages(120), 4);
  const QString second = file(QStringLiteral("second.tif"), std::vector<Page>(5, Page{77, 33, 0x00FF00}), 4);
  frmImgClntForm* w = window();
  for (int round = 0; round < 3; ++round) {
    w->fnOpenImgFile(first);
    QCoreApplication::processEvents();
    w->mnuFileClose_Click();
    EXPECT_FALSE(w->ThumbsLoading());
    EXPECT_EQ(w->StatusPanel(QStringLiteral("BODY")), QString());
  }
  w->fnOpenImgFile(first);
  QCoreApplication::processEvents();
  bool ok = false;
  w->fnCloseFile(true, ok);
  w->fnOpenImgFile(second);
  ASSERT_TRUE(waitUntil([&] { return !w->ThumbsLoading(); }));
  for (int k = 0; k < 20; ++k) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  ASSERT_EQ(pageCount(), 5);
  const int side = w->strip().displaySide();
  const QImage expected = img::makeThumbnail(img::makePageThumb(second, 1, side).decoded.bitmap, side, side);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(w->strip().picture(i), expected) << i;
  // Unloading the window in the middle of the work.
  w->fnOpenImgFile(first);
  QCoreApplication::processEvents();
  doc().docModified = false;
  EXPECT_TRUE(unloadNow());
}

}  // namespace
