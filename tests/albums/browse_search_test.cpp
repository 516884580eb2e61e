#include "albums/folder_lists.h"
#include "albums/frm_browse_dir.h"
#include "albums/frm_mag_window.h"
#include "albums/frm_search.h"
#include "albums/thumb_grid.h"
#include "albums/form_util.h"
#include "controls/imaging/imaging_control.h"
#include "tests/albums/album_fixture.h"
#include "tests/support/folder_pattern.h"
#include "tests/support/main_window_fixture.h"

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using mainwindowtest::MainWindowTest;
using testsupport::doc;

namespace {

class BrowseDirTest : public MainWindowTest {
 protected:
  void TearDown() override {
    if (frmBrowseDir.IsLoaded()) frmBrowseDir.Unload();
    if (frmSearch.IsLoaded()) frmSearch.Unload();
    MainWindowTest::TearDown();
  }
  // A folder with n readable pictures; every fifth file is not a picture.
  QString folder(int n) {
    const QString f = dir.file(QStringLiteral("pics%1").arg(n));
    QDir().mkpath(f);
    for (int i = 0; i < n; ++i) {
      const QString name = QDir(f).filePath(QStringLiteral("f%1.png").arg(i, 3, 10, QLatin1Char('0')));
      if (i % 5 == 4) albumtest::writeText(name, "junk");
      else albumtest::writePicture(name, 20 + i, 20, 10);
    }
    return f;
  }
  frmBrowseDirForm* browser(const QString& path) {
    frmBrowseDirForm* b = frmBrowseDir.get();
    b->dirSel->setPath(path);
    b->dirSel_Change();
    return b;
  }
};

}  // namespace

TEST_F(BrowseDirTest, PagesOf40SkipUnreadableFilesWithoutGaps) {
  frmBrowseDirForm* b = browser(folder(41));
  b->cmdDisplay40_Click();
  ASSERT_TRUE(b->fraSelImage->waitUntilLoaded());
  EXPECT_EQ(b->Caption(), "   Browse Directory - " + dir.file("pics41"));
  EXPECT_EQ(b->fraSelImage->cellCount(), 32);  // 8 of the first 40 are not pictures
  EXPECT_EQ(b->fraSelImage->lblTmb(4)->text(), " 6. f005.png");
  EXPECT_TRUE(albums::button(b->tlbBar, "next")->isEnabled());
  EXPECT_FALSE(albums::button(b->tlbBar, "prev")->isEnabled());
  EXPECT_TRUE(b->cmdSelect->isEnabled());
  EXPECT_EQ(b->fraSelImage->ixTmb(0)->HighlightBorder(), 3);
  b->tlbBar_ButtonClick("next");
  ASSERT_TRUE(b->fraSelImage->waitUntilLoaded());
  ASSERT_EQ(b->fraSelImage->cellCount(), 1);
  EXPECT_EQ(b->fraSelImage->lblTmb(0)->text(), " 41. f040.png");
  EXPECT_FALSE(albums::button(b->tlbBar, "next")->isEnabled());
  b->tlbBar_ButtonClick("prev");
  ASSERT_TRUE(b->fraSelImage->waitUntilLoaded());
  EXPECT_FALSE(albums::button(b->tlbBar, "prev")->isEnabled());
  b->cmdDisplayAll_Click();
  ASSERT_TRUE(b->fraSelImage->waitUntilLoaded());
  EXPECT_EQ(b->fraSelImage->cellCount(), 33);
  EXPECT_FALSE(albums::button(b->tlbBar, "next")->isEnabled());
}

TEST_F(BrowseDirTest, ExactlyFortyAndAnEmptyFolder) {
  frmBrowseDirForm* b = browser(folder(40));
  b->cmdDisplay40_Click();
  ASSERT_TRUE(b->fraSelImage->waitUntilLoaded());
  EXPECT_FALSE(albums::button(b->tlbBar, "next")->isEnabled());
  b->dirSel->setPath(folder(0));
  b->dirSel_Change();
  b->cmdDisplay40_Click();
  ASSERT_TRUE(b->fraSelImage->waitUntilLoaded());
  EXPECT_EQ(b->fraSelImage->cellCount(), 0);
  EXPECT_TRUE(b->fraSelImage->ixTmb(0)->isVisibleTo(b->fraSelImage));  // one empty place
  EXPECT_FALSE(b->cmdSelect->isEnabled());
  EXPECT_FALSE(albums::button(b->tlbBar, "next")->isEnabled());
  b->cmdSelect_Click();  // nothing
  EXPECT_TRUE(frmBrowseDir.IsLoaded());
}

TEST_F(BrowseDirTest, TheFileListTakesTheFolderWindowsPattern) {
  const QStringList expected = testsupport::writeFolderPatternFiles(dir.file("mixed"));
  frmBrowseDirForm* b = browser(dir.file("mixed"));
  QStringList listed;
  for (int i = 0; i < b->fleSel->ListCount(); ++i) listed << b->fleSel->List(i);
  EXPECT_EQ(listed, expected);
}

TEST_F(BrowseDirTest, SelectClosesTheBrowserAndOpensTheShownFile) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file("old.tif", mainwindowtest::kThreePages, 4));
  doc().docModified = true;
  const QString pics = folder(3);
  frmBrowseDirForm* b = browser(pics);
  b->cmdDisplay40_Click();
  ASSERT_TRUE(b->fraSelImage->waitUntilLoaded());
  b->ixTmb_MouseDown(1);
  // While the button is held the magnifier shows the whole picture, centred on its thumbnail.
  ASSERT_TRUE(frmMagWindow.IsLoaded());
  const albums::ThumbCell* cell = b->fraSelImage->ixTmb(1);
  const QRect shown = frmMagWindow->geometry();
  EXPECT_EQ(shown.size(), QSize(260, 199));
  EXPECT_LE((shown.center() - cell->mapToGlobal(cell->rect().center())).manhattanLength(), 2);
  EXPECT_EQ(frmMagWindow->edtMag->ImageWidth(), 21);
  b->ixTmb_MouseUp(1);
  EXPECT_FALSE(frmMagWindow.IsLoaded());
  EXPECT_EQ(b->fleSel->FileName(), "f001.png");
  // The folder list moves on; Select still opens the file that was shown.
  b->dirSel->setPath(dir.path());
  b->dirSel_Change();
  dialogs.answerMsgBox(rt::vbCancel);
  b->cmdSelect_Click();
  EXPECT_FALSE(frmBrowseDir.IsLoaded());
  EXPECT_EQ(doc().path, dir.file("old.tif"));  // Cancel kept the old document
  b = browser(pics);
  b->cmdDisplay40_Click();
  ASSERT_TRUE(b->fraSelImage->waitUntilLoaded());
  dialogs.answerMsgBox(rt::vbNo);
  b->ixTmb_DblClick(1);
  EXPECT_EQ(doc().path, QDir(pics).filePath("f001.png"));
}

TEST_F(BrowseDirTest, KeywordSearchOpensAResultAfterClosingTheDocument) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file("old.tif", mainwindowtest::kThreePages, 4));
  const QString image = file("found.tif", mainwindowtest::kThreePages, 4);
  QDir().mkpath(dir.file("root/a"));
  albumtest::writeText(dir.file("root/a/one.kvt"), (image + ", 2, Harbour view\r\n/none.tif, 1, other\r\n").toUtf8());
  const QString single = file("single.tif", {{20, 10, 0x00FFFF}}, 4);
  albumtest::writeText(dir.file("root/two.KVT"), (image + ", 1, harbour again\r\n" + single + ", 1, HARBOUR TOO\r\n").toUtf8());
  frmSearchForm* s = frmSearch.get();
  s->dirSel->setPath(dir.file("root"));
  s->txtKeyWord->setText(" harbour ");
  EXPECT_TRUE(s->cmdSearch->isEnabled());
  s->txtKeyWord_LostFocus();
  EXPECT_EQ(s->txtKeyWord->text(), "HARBOUR");
  s->cmdSearch_Click();
  ASSERT_EQ(s->lsvResults->topLevelItemCount(), 2);
  EXPECT_EQ(s->mstrAlbumFiles.size(), 2);
  EXPECT_FALSE(s->txtKeyWord->isEnabled());
  EXPECT_EQ(s->ixPre->SourceFile(), image);
  EXPECT_TRUE(albums::button(s->tlbMulti, "next")->isEnabled());
  // Paging the preview to page 3 keeps that page for the next selection.
  s->tlbMulti_ButtonClick("next");
  s->tlbMulti_ButtonClick("next");
  EXPECT_EQ(s->ixPre->PageNumber(), 3);
  EXPECT_FALSE(albums::button(s->tlbMulti, "next")->isEnabled());
  // A one-page result: page 1 instead of the kept page 3.
  s->lsvResults->setCurrentItem(s->lsvResults->topLevelItem(1));
  EXPECT_EQ(s->ixPre->SourceFile(), single);
  EXPECT_EQ(s->ixPre->ImageWidth(), 20);
  EXPECT_EQ(s->lblRemarks->text(), "Remarks: HARBOUR TOO");
  // Nothing matches: the message.
  s->cmdClear_Click();
  s->txtKeyWord->setText("ZEBRA");
  dialogs.answerMsgBox(rt::vbOK);
  s->cmdSearch_Click();
  EXPECT_EQ(dialogs.calls().back().text, "No matching results found!");
  EXPECT_EQ(s->lsvResults->topLevelItemCount(), 0);
  // Open a result: the modified document is asked about first; Cancel keeps it.
  s->txtKeyWord->setText("HARBOUR");
  s->cmdSearch_Click();
  s->lsvResults->setCurrentItem(s->lsvResults->topLevelItem(0));
  doc().docModified = true;
  dialogs.answerMsgBox(rt::vbCancel);
  s->lsvResults_DblClick();
  EXPECT_TRUE(frmSearch.IsLoaded());
  EXPECT_EQ(doc().path, dir.file("old.tif"));
  dialogs.answerMsgBox(rt::vbNo);
  s->lsvResults_DblClick();
  EXPECT_FALSE(frmSearch.IsLoaded());
  EXPECT_EQ(doc().path, image);
}

// Enter in the keyword box searches; in the results view Cancel is there to be clicked, and it and
// Escape close the window.
TEST_F(BrowseDirTest, KeywordSearchFromTheKeyboardAndLeavingTheResults) {
  const QString image = file("found.tif", mainwindowtest::kThreePages, 4);
  QDir().mkpath(dir.file("root"));
  albumtest::writeText(dir.file("root/one.kvt"), (image + ", 1, Harbour view\r\n").toUtf8());
  for (const char* leave : {"click on Cancel", "Escape"}) {
    SCOPED_TRACE(leave);
    const QPointer<frmSearchForm> s = frmSearch.get();
    s->dirSel->setPath(dir.file("root"));
    s->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s));
    s->txtKeyWord->setFocus();
    QTest::keyClicks(s->txtKeyWord, QStringLiteral(" harbour"));
    QTest::keyClick(s->txtKeyWord, Qt::Key_Return);
    ASSERT_EQ(s->lsvResults->topLevelItemCount(), 1);
    EXPECT_EQ(s->txtKeyWord->text(), "HARBOUR");
    ASSERT_TRUE(s->fraResults->isVisible());
    // Search has nothing to do over the results; Cancel is not hidden under them.
    EXPECT_FALSE(s->cmdSearch->isVisible());
    ASSERT_TRUE(s->cmdCancel->isVisible());
    const QPoint middle = s->cmdCancel->geometry().center();
    EXPECT_EQ(s->childAt(middle), s->cmdCancel);
    if (QLatin1String(leave) == QLatin1String("Escape"))
      QTest::keyClick(s->lsvResults, Qt::Key_Escape);
    else
      QTest::mouseClick(s->cmdCancel, Qt::LeftButton);
    EXPECT_TRUE(!s || s->IsUnloaded());
    EXPECT_FALSE(frmSearch.IsLoaded());
  }
}

TEST_F(BrowseDirTest, ADriveThatCannotBeReadIsReportedAndTheListGoesBack) {
  const QString pics = folder(2);
  frmBrowseDirForm* b = browser(pics);
  const QString drive = b->drvSel->Drive();
  b->drvSel->addItem(dir.file("no-such-volume"));
  dialogs.answerMsgBox(rt::vbOK);
  b->drvSel->setCurrentIndex(b->drvSel->count() - 1);
  EXPECT_EQ(dialogs.calls().back().text, "The drive " + dir.file("no-such-volume") + " cannot be read!");
  EXPECT_EQ(dialogs.calls().back().title, "Error");
  EXPECT_EQ(b->drvSel->Drive(), drive);
  EXPECT_EQ(b->dirSel->Path(), pics);
  EXPECT_EQ(b->fleSel->ListCount(), 2);
}

TEST_F(BrowseDirTest, KeywordSearchWithoutAlbumsShowsNothing) {
  QDir().mkpath(dir.file("empty"));
  frmSearchForm* s = frmSearch.get();
  s->dirSel->setPath(dir.file("empty"));
  s->txtKeyWord->setText("X");
  s->cmdSearch_Click();
  EXPECT_TRUE(s->fraResults->isHidden());
  EXPECT_TRUE(s->txtKeyWord->isEnabled());
}
