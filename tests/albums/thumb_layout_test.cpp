#include "albums/thumb_grid.h"
#include "albums/thumb_layout.h"
#include "tests/albums/album_fixture.h"
#include "tests/support/temp_dir.h"

#include <QScrollBar>
#include <gtest/gtest.h>

using namespace albums;

namespace {
GridMetrics albumMetrics() {
  GridMetrics m;
  m.columns = kAlbumColumns;
  m.captionHeight = 240;
  m.frameWidth = 11820;
  m.viewportLeft = 0;
  m.viewportHeight = 9900;
  m.scrollBarWidth = 255;
  return m;
}
}  // namespace

TEST(GridLayout, CellsRowsAndContentHeight) {
  const GridMetrics m = albumMetrics();
  const GridLayout none = layoutGrid(m, 0);
  EXPECT_EQ(none.rows, 0);
  EXPECT_FALSE(none.scrollBar);
  EXPECT_DOUBLE_EQ(none.contentHeight, m.viewportHeight);
  EXPECT_DOUBLE_EQ(none.viewportWidth, m.frameWidth);

  EXPECT_EQ(layoutGrid(m, 6).rows, 1);
  EXPECT_EQ(layoutGrid(m, 7).rows, 2);
  EXPECT_DOUBLE_EQ(cellLeft(6, kAlbumColumns), 280);
  EXPECT_DOUBLE_EQ(cellTop(6, kAlbumColumns, 240), 280 + 2395);
  EXPECT_DOUBLE_EQ(cellLeft(5, kBrowseColumns), 280);
  EXPECT_DOUBLE_EQ(cellTop(5, kBrowseColumns, 240), 280 + 2395);
  EXPECT_DOUBLE_EQ(cellLeft(4, kBrowseColumns), 280 + 4 * 1740);
  EXPECT_DOUBLE_EQ(captionTop(280), 280 + 1825 + 50);

  const GridLayout full = layoutGrid(m, 48);
  EXPECT_EQ(full.rows, 8);
  EXPECT_DOUBLE_EQ(full.contentHeight, (240 + 2155) * 8 + 280);
  EXPECT_TRUE(full.scrollBar);
  EXPECT_DOUBLE_EQ(full.viewportWidth, m.frameWidth - m.scrollBarWidth);
  // (19440 - 9900) / 200 = 47.7
  EXPECT_EQ(full.scrollMax, 48);
  // A hundred files in the browser: 20 rows of 5.
  GridMetrics b = m;
  b.columns = kBrowseColumns;
  EXPECT_EQ(layoutGrid(b, 100).rows, 20);
}

TEST(GridLayout, ScrollToCellBringsItIntoViewAndClampsToExistingCells) {
  const GridMetrics m = albumMetrics();
  // A cell in the last row of a full page scrolls down until its caption is in view.
  const int down = scrollToCell(m, 48, 47, 0);
  const double bottom = cellTop(47, 6, 240) + 1825 + 50 + 240 + 280;
  EXPECT_GE(m.viewportHeight + down * 200, bottom - 100);
  // Back to the first row from there.
  EXPECT_EQ(scrollToCell(m, 48, 0, down), 0);
  // A cell already in view leaves the value.
  EXPECT_EQ(scrollToCell(m, 48, 1, 0), 0);
  // Past the cells that exist: the last existing cell, never beyond the scroll range.
  EXPECT_EQ(scrollToCell(m, 10, 47, 0), scrollToCell(m, 10, 9, 0));
  EXPECT_LE(scrollToCell(m, 10, 47, 0), layoutGrid(m, 10).scrollMax);
  EXPECT_EQ(scrollToCell(m, 0, 3, 5), 0);
}

TEST(GridPaging, AlbumPagesOf48AndBrowserPagesOf40) {
  struct Case {
    int page, total, perPage, first, last;
    bool next;
  };
  const Case cases[] = {
      {1, 48, 48, 1, 48, false}, {1, 49, 48, 1, 48, true},  {2, 49, 48, 49, 49, false}, {2, 96, 48, 49, 96, false},
      {1, 0, 40, 1, 0, false},   {1, 40, 40, 1, 40, false}, {1, 41, 40, 1, 40, true},   {2, 41, 40, 41, 41, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.page << "/" << c.total << "/" << c.perPage);
    const PageSpan s = pageSpan(c.page, c.total, c.perPage);
    EXPECT_EQ(s.first, c.first);
    EXPECT_EQ(s.last, c.last);
    EXPECT_EQ(pageHasNext(c.page, c.total, c.perPage), c.next);
  }
  EXPECT_EQ(albumPageOfRow(0), 1);
  EXPECT_EQ(albumPageOfRow(48), 1);
  EXPECT_EQ(albumPageOfRow(49), 2);
  EXPECT_EQ(albumPageOfRow(97), 3);
}

TEST(GridCaptions, NumberAndFileName) {
  EXPECT_EQ(cellCaption(12, "/scans/A.TIF"), " 12. A.TIF");
  EXPECT_EQ(cellCaption(49, "noslash.tif"), " 49. noslash.tif");
}

TEST(ThumbGridWidget, FillsCellsInOrderWithoutGapsForUnreadableFiles) {
  testsupport::TempDir dir;
  albumtest::writePicture(dir.file("a.bmp"), 40, 30);
  albumtest::writeText(dir.file("b.bmp"), "not a picture");
  albumtest::writePicture(dir.file("c.jpg"), 30, 60, 8);
  albumtest::writePicture(dir.file("d.png"), 20, 20, 10);
  ThumbGrid grid(kAlbumColumns, kAlbumPageCells, false);
  grid.resize(800, 600);
  std::vector<ThumbItem> items;
  const char* names[] = {"a.bmp", "b.bmp", "missing.tif", "c.jpg", "d.png"};
  for (int i = 0; i < 5; ++i)
    items.push_back({dir.file(names[i]), 1, cellCaption(i + 1, dir.file(names[i])), QStringLiteral("tip%1").arg(i), i == 3});
  grid.showItems(items);
  ASSERT_TRUE(grid.waitUntilLoaded());
  ASSERT_EQ(grid.cellCount(), 3);
  EXPECT_EQ(grid.lblTmb(0)->text(), " 1. a.bmp");
  EXPECT_EQ(grid.lblTmb(1)->text(), " 4. c.jpg");
  EXPECT_EQ(grid.lblTmb(2)->text(), " 5. d.png");
  EXPECT_EQ(grid.ixTmb(1)->HighlightBorder(), 3);
  EXPECT_EQ(grid.ixTmb(0)->HighlightBorder(), 0);
  EXPECT_EQ(grid.ixTmb(1)->ImageHeight(), 60);
  EXPECT_EQ(grid.ixTmb(1)->toolTip(), "tip3");
  EXPECT_FALSE(grid.ixTmb(0)->picture().isNull());
  EXPECT_FALSE(grid.ixTmb(3)->isVisible() && grid.ixTmb(3)->ImageFileType() != 0);
  // One row: no scroll bar, the viewport as wide as the grid.
  EXPECT_TRUE(grid.vsTmb->isHidden());
  EXPECT_EQ(grid.picMain->width(), grid.width());

  // A limit on cells stops after that many pictures; clearing empties every cell.
  grid.showItems(items, 2);
  ASSERT_TRUE(grid.waitUntilLoaded());
  EXPECT_EQ(grid.cellCount(), 2);
  grid.clear();
  EXPECT_EQ(grid.cellCount(), 0);
  EXPECT_EQ(grid.ixTmb(0)->ImageFileType(), 0);
  EXPECT_TRUE(grid.lblTmb(0)->text().isEmpty());
}

TEST(ThumbGridWidget, ANewPageReplacesAPageStillLoading) {
  testsupport::TempDir dir;
  std::vector<ThumbItem> first, second;
  for (int i = 0; i < 20; ++i) {
    const QString f = dir.file(QStringLiteral("p%1.png").arg(i));
    albumtest::writePicture(f, 300, 200, 10);
    (i < 10 ? first : second).push_back({f, 1, cellCaption(i + 1, f), {}, false});
  }
  ThumbGrid grid(kBrowseColumns, 0, true);
  grid.resize(800, 600);
  grid.showItems(first);
  grid.showItems(second);
  ASSERT_TRUE(grid.waitUntilLoaded());
  ASSERT_EQ(grid.cellCount(), 10);
  EXPECT_EQ(grid.lblTmb(0)->text(), " 11. p10.png");
}

TEST(ThumbGridWidget, TiffPagesDecodeSideBySideOnWorkerThreads) {
  testsupport::TempDir dir;
  std::vector<ThumbItem> items;
  for (int i = 0; i < 24; ++i) {
    const QString f = dir.file(QStringLiteral("t%1.tif").arg(i));
    albumtest::writePicture(f, 200 + i, 150, 4, 2);
    items.push_back({f, 1, cellCaption(i + 1, f), {}, false});
  }
  ThumbGrid grid(kBrowseColumns, 0, false);
  grid.resize(800, 600);
  for (int round = 0; round < 3; ++round) {
    grid.showItems(items);
    ASSERT_TRUE(grid.waitUntilLoaded());
    ASSERT_EQ(grid.cellCount(), 24);
    for (int k = 0; k < 24; ++k) EXPECT_EQ(grid.ixTmb(k)->ImageWidth(), 200 + k);
  }
  // Five rows overflow: the scroll bar takes its width from the viewport.
  EXPECT_FALSE(grid.vsTmb->isHidden());
  EXPECT_EQ(grid.picMain->width(), grid.width() - grid.vsTmb->width());
}
