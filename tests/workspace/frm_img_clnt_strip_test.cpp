// The thumbnail strip of the main window: its scroll bar, thumbnail sizes that follow the strip's
// width as it is now, a fresh strip after a close, and page edits applied to the thumbnails.
#include "runtime/twips.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/page_strip.h"
#include "workspace/view_commands.h"

#include <QStyle>
#include <QTest>
#include <cmath>

namespace {

using namespace mainwindowtest;

double twipsX(int px) { return px * rt::Screen::TwipsPerPixelX(); }

TEST_F(MainWindowTest, StripScrollBarHasThePlatformWidthAndTheViewportTakesTheRest) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("nine.tif"), std::vector<Page>(9, Page{16, 20, 0x808080}), 4));
  ASSERT_TRUE(w->vsTmb->isVisible());
  EXPECT_EQ(w->vsTmb->width(), w->vsTmb->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w->vsTmb));
  // The scroll bar stands right of the viewport, inside the pane, covering no thumbnail.
  EXPECT_NEAR(twipsX(w->picMain->width()), twipsX(w->fraTmb->width()) - 80 - twipsX(w->vsTmb->width()), 15);
  EXPECT_EQ(w->vsTmb->x(), w->picMain->x() + w->picMain->width());
  EXPECT_LE(thumbPlace(w, 0).right(), twipsX(w->picMain->width()));
}

// Thumbs Only widens the strip; back in Page And Thumbs, the thumbnails are sized for the narrow
// strip again, exactly as they were before.
TEST_F(MainWindowTest, ThumbnailSizeFollowsTheStripWidthAcrossLayouts) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("nine.tif"), std::vector<Page>(9, Page{16, 20, 0x808080}), 4));
  // Thumbnail sizes in twips, as close as whole pixels allow.
  auto isSize = [&](double width, double height) {
    return std::abs(thumbPlace(w, 0).width() - width) < 15 && std::abs(thumbPlace(w, 0).height() - height) < 15;
  };
  EXPECT_TRUE(isSize(1220, 1525));  // one column that needs the scroll bar: small thumbnails
  ws::mnuViewThumbsOnly_Click(*w);
  EXPECT_TRUE(isSize(1460, 1825));
  ws::mnuViewPageOnly_Click(*w);
  ws::mnuViewPageThumbs_Click(*w);
  EXPECT_TRUE(isSize(1220, 1525));
  EXPECT_EQ(w->picChild->width(), w->picMain->width());
}

TEST_F(MainWindowTest, ClosingADocumentResetsTheStripScroll) {
  const QString nine = file(QStringLiteral("nine.tif"), std::vector<Page>(9, Page{16, 20, 0x808080}), 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(nine);
  w->ixTmb_Click(8);
  ASSERT_GT(w->vsTmb->value(), 0);
  w->mnuFileClose_Click();
  EXPECT_EQ(w->vsTmb->value(), 0);
  EXPECT_FALSE(w->vsTmb->isVisible());
  EXPECT_EQ(w->strip().gridTop(), 0);
  // The next long document starts at its first page.
  w->fnOpenImgFile(nine);
  EXPECT_EQ(w->vsTmb->value(), 0);
  EXPECT_EQ(w->strip().gridTop(), 0);
}

// Deleting pages 2 and 4 of five with page 4 current: three thumbnails with the pictures and
// captions of pages 1, 3 and 5, their layers with them, the former page 3 current and the only one
// selected. Then a page inserted behind it, and one moved; the strip shows each page's own picture.
TEST_F(MainWindowTest, PageEditsRearrangeThumbnailsCaptionsAndLayers) {
  std::vector<Page> five;
  for (int i = 0; i < 5; ++i) five.push_back({10 + i, 10, 0xFFFFFF});
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("five.tif"), five, 4));
  ws::DocumentSession& session = ws::document();
  for (int i = 0; i < 5; ++i) session.state().pages.setLayer(i, QByteArray(1, char('A' + i)));
  auto widths = [&] {
    std::vector<int> out;
    for (int i = 0; i < pageCount(); ++i) out.push_back(pageWidth(i));
    return out;
  };
  auto captions = [&] {
    QStringList out;
    for (int i = 0; i < pageCount(); ++i) out << caption(i);
    return out;
  };
  auto layerNames = [&] {
    QString out;
    for (int i = 0; i < pageCount(); ++i) out += pages().layer(i).isEmpty() ? QLatin1Char('.') : QLatin1Char(pages().layer(i).at(0));
    return out;
  };
  auto selection = [&] {
    std::vector<int> out;
    for (int i = 0; i < pageCount(); ++i)
      if (selected(i)) out.push_back(i);
    return out;
  };

  session.applyPageEdit(*ws::fnDeletePages(5, 3, {false, true, false, true, false}), ws::CaptionRule::Travel);
  EXPECT_EQ(widths(), (std::vector<int>{10, 12, 14}));
  EXPECT_EQ(captions(), (QStringList{"Page 1", "Page 3", "Page 5"}));
  EXPECT_EQ(layerNames(), QStringLiteral("ACE"));
  EXPECT_EQ(doc().currentPage, 1);
  EXPECT_EQ(selection(), std::vector<int>{1});
  EXPECT_EQ(w->strip().count(), 3);

  img::ImagingControl scanned;
  scanned.CreateBlankImage(30, 10, 24, 0x00FF00);
  std::vector<img::Bitmap> picture{scanned.bitmap()};
  session.addPickedPages(ws::fnInsertPages(3, doc().currentPage, doc().currentPage, 1), std::move(picture));
  EXPECT_EQ(widths(), (std::vector<int>{10, 12, 30, 14}));
  EXPECT_EQ(captions(), (QStringList{"Page 1", "Page 2", "Page 3", "Page 4"}));
  EXPECT_EQ(layerNames(), QStringLiteral("AC.E"));

  session.applyPageEdit(ws::fnMovePage(4, 1, 3, 0), ws::CaptionRule::Renumber);
  EXPECT_EQ(widths(), (std::vector<int>{14, 10, 12, 30}));
  EXPECT_EQ(layerNames(), QStringLiteral("EAC."));
  EXPECT_EQ(doc().currentPage, 2);
  // The page shown follows: clicking through the strip shows each page's own picture.
  w->ixTmb_Click(0);
  EXPECT_EQ(pageShown(w), 14);
  w->ixTmb_Click(3);
  EXPECT_EQ(pageShown(w), 30);
}

// Home, End, Page Up and Page Down page through the document from the strip as from the page view,
// key after key: showing another page leaves the keys where they were.
TEST_F(MainWindowTest, PagingKeysWorkFromTheStripAndThePageViewKeyAfterKey) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("five.tif"), std::vector<Page>(5, Page{16, 20, 0x808080}), 4));
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  const struct {
    Qt::Key key;
    int to;
  } keys[] = {{Qt::Key_PageDown, 1}, {Qt::Key_PageDown, 2}, {Qt::Key_End, 4}, {Qt::Key_PageDown, 4},
              {Qt::Key_PageUp, 3},   {Qt::Key_Home, 0},     {Qt::Key_PageUp, 0}};
  for (QWidget* target : {static_cast<QWidget*>(w->picChild), static_cast<QWidget*>(w->ixMain)}) {
    w->ixTmb_Click(0);
    target->setFocus();
    for (const auto& k : keys) {
      QWidget* focus = QApplication::focusWidget();
      ASSERT_EQ(focus, target) << target->objectName().toStdString() << ": the keys went elsewhere";
      QTest::keyClick(focus, k.key);
      EXPECT_EQ(ws::document().state().currentPage, k.to) << target->objectName().toStdString() << " " << k.key;
    }
  }
}

// A one-page file opens in Page Only: its page is decoded once, for the page view, and its
// thumbnail is made only when a layout shows the strip.
TEST_F(MainWindowTest, AHiddenStripMakesNoPictureUntilItShows) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{40, 30, 0x0000FF}}, 5));
  ASSERT_FALSE(w->fraTmb->isVisible());
  EXPECT_FALSE(w->ThumbsLoading());
  EXPECT_TRUE(w->strip().picture(0).isNull());
  ws::mnuViewPageThumbs_Click(*w);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w->strip().picture(0).isNull(); }));
}

}  // namespace
