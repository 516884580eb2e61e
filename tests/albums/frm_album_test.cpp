#include "albums/form_util.h"
#include "albums/folder_lists.h"
#include "albums/frm_album.h"
#include "albums/frm_album_srch.h"
#include "albums/register_windows.h"
#include "albums/thumb_grid.h"
#include "controls/imaging/imaging_control.h"
#include "platform/text/native_path.h"
#include "tests/albums/album_fixture.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "workspace/mod_vars.h"
#include "workspace/window_openers.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTest>
#include <QToolButton>
#include <QRadioButton>
#include <QWheelEvent>
#include <QMessageBox>
#include <QScrollBar>
#include <QFileInfo>
#include <QApplication>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <cstdio>

using testsupport::ScriptedDialogs;

namespace {

class FrmAlbumTest : public testing::Test {
 protected:
  void SetUp() override { ws::clearWindowOpeners(); }
  void TearDown() override {
    if (frmAlbum.IsLoaded()) {
      frmAlbum->presenter().mblnModified = false;
      frmAlbum->presenter().rows.clear();
      frmAlbum.Unload();
    }
    ws::clearWindowOpeners();
  }
  QString album(int rows, int missingFrom = 1 << 30) {
    QByteArray text;
    for (int i = 0; i < rows; ++i) {
      const QString img = dir.file(QStringLiteral("p%1.png").arg(i, 3, 10, QLatin1Char('0')));
      if (i < missingFrom) albumtest::writePicture(img, i % 2 ? 30 : 60, 40, 10);
      text += (img + QStringLiteral(", 1, note %1\r\n").arg(i)).toUtf8();
    }
    albumtest::writeText(dir.file("a.kvt"), text);
    return dir.file("a.kvt");
  }
  testsupport::TempDir dir;
};

}  // namespace

TEST_F(FrmAlbumTest, OpenShowsRowsPreviewAndCaption) {
  ScriptedDialogs dialogs;
  const QString path = album(3);
  frmAlbum->fnOpenAlbum(path);
  EXPECT_EQ(frmAlbum->Caption(), "   Manage Albums - " + path);
  ASSERT_EQ(frmAlbum->lsvAlbum->model()->rowCount(), 3);
  EXPECT_EQ(frmAlbum->lsvAlbum->model()->index(1, 2).data().toString(), "NOTE 1");
  EXPECT_TRUE(frmAlbum->lsvAlbum->selectionModel()->isRowSelected(0));
  EXPECT_EQ(frmAlbum->ixPre->SourceFile(), frmAlbum->presenter().rows[0].path());
  EXPECT_EQ(frmAlbum->lblFileFormat->text(), "PNG - Portable Network Graphics");
  EXPECT_TRUE(albums::button(frmAlbum->tlbRec, "verify")->isEnabled());
  EXPECT_TRUE(albums::button(frmAlbum->tlbRec, "up")->isEnabled());
}

// A row whose picture's name is not UTF-8 is listed with the strange byte shown as a replacement
// character, and previews the picture itself.
TEST_F(FrmAlbumTest, APictureWhoseNameIsNotUtf8IsListedAndPreviewed) {
  ScriptedDialogs dialogs;
  const QByteArray name = QFile::encodeName(dir.path()) + "/caf\xE9.png";
  albumtest::writePicture(dir.file("made.png"), 30, 20, 10);
  ASSERT_EQ(::rename(QFile::encodeName(dir.file("made.png")).constData(), name.constData()), 0);
  albumtest::writeText(dir.file("a.kvt"), name + ", 1, note\r\n");
  frmAlbum->fnOpenAlbum(dir.file("a.kvt"));
  ASSERT_EQ(frmAlbum->lsvAlbum->model()->rowCount(), 1);
  EXPECT_EQ(frmAlbum->lsvAlbum->model()->index(0, 0).data().toString(), dir.file("caf\uFFFD.png"));
  EXPECT_EQ(frmAlbum->lblFileFormat->text(), "PNG - Portable Network Graphics");
  EXPECT_EQ(plat::nativePath(frmAlbum->ixPre->SourceFile()), name);
}

TEST_F(FrmAlbumTest, ThumbnailPagesOf48) {
  ScriptedDialogs dialogs;
  frmAlbum->fnOpenAlbum(album(49));
  frmAlbum->tlbRec_ButtonClick("thumbs");
  ASSERT_TRUE(frmAlbum->fraTmb->waitUntilLoaded());
  EXPECT_EQ(frmAlbum->fraTmb->cellCount(), 48);
  EXPECT_TRUE(albums::button(frmAlbum->tlbRec, "next")->isEnabled());
  EXPECT_FALSE(albums::button(frmAlbum->tlbRec, "prev")->isEnabled());
  EXPECT_EQ(frmAlbum->fraTmb->ixTmb(0)->HighlightBorder(), 3);
  frmAlbum->tlbRec_ButtonClick("next");
  ASSERT_TRUE(frmAlbum->fraTmb->waitUntilLoaded());
  ASSERT_EQ(frmAlbum->fraTmb->cellCount(), 1);
  EXPECT_EQ(frmAlbum->fraTmb->lblTmb(0)->text(), " 49. p048.png");
  EXPECT_TRUE(albums::button(frmAlbum->tlbRec, "prev")->isEnabled());
  EXPECT_FALSE(albums::button(frmAlbum->tlbRec, "next")->isEnabled());
  // Pressing a cell previews it; pressing nothing does nothing.
  frmAlbum->ixTmb_MouseDown(0);
  EXPECT_TRUE(frmAlbum->ixPre->SourceFile().endsWith("p048.png"));
  frmAlbum->ixTmb_MouseDown(5);
}

TEST_F(FrmAlbumTest, ClosingAChangedAlbumAsksAndCancelKeepsTheWindow) {
  ScriptedDialogs dialogs;
  frmAlbum->fnOpenAlbum(album(2));
  dialogs.answerMsgBox(rt::vbYes);
  frmAlbum->tlbRec_ButtonClick("delete");
  dialogs.answerMsgBox(rt::vbCancel);
  EXPECT_FALSE(frmAlbum->Unload());
  EXPECT_EQ(dialogs.calls().back().text, "Album has been modified! Save Changes?");
  EXPECT_TRUE(frmAlbum.IsLoaded());
  dialogs.answerMsgBox(rt::vbYes);
  EXPECT_TRUE(frmAlbum->Unload());
  EXPECT_EQ(albums::readAlbumFile(dir.file("a.kvt"), false).size(), 1u);
}

TEST_F(FrmAlbumTest, OpenerHandsTheCommandLineAlbumToTheWindow) {
  ScriptedDialogs dialogs;
  registerAlbumWindows();
  const QString path = album(1);
  QTimer::singleShot(0, [path] {
    EXPECT_TRUE(frmAlbum->IsModalShowing());
    EXPECT_EQ(frmAlbum->Caption(), "   Manage Albums - " + path);
    frmAlbum->Unload();
  });
  ws::openWindow("frmAlbum", {path});
  EXPECT_FALSE(frmAlbum.IsLoaded());
}

TEST_F(FrmAlbumTest, ImageSearchListsImagesAndAddsOnlyNewOnes) {
  ScriptedDialogs dialogs;
  QDir().mkpath(dir.file("tree/sub"));
  for (const char* f : {"tree/a.jpg", "tree/sub/b.TIF", "tree/sub/c.png", "tree/d.jpeg", "tree/e,f.png", "tree/notes.txt"})
    albumtest::writeText(dir.file(f), "x");
  frmAlbum->tlbRec_ButtonClick("new");
  frmAlbum->presenter().appendSearchRow(dir.file("tree/sub/b.TIF"));
  // Add All: two new rows, the listed one skipped.
  QTimer::singleShot(0, [this] {
    frmAlbumSrchForm* s = frmAlbumSrch.get();
    s->dirSel->setPath(dir.file("tree"));
    s->cmdSearch_Click();
    QStringList rows;
    for (int i = 0; i < s->lsvResults->topLevelItemCount(); ++i) rows << s->lsvResults->topLevelItem(i)->text(0);
    // The folder's files before its subfolder's, each folder in the file system's order.
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], dir.file("tree/a.jpg"));
    rows.sort();
    EXPECT_EQ(rows.join('|').toStdString(),
              (QStringList{dir.file("tree/a.jpg"), dir.file("tree/sub/b.TIF"), dir.file("tree/sub/c.png")}).join('|').toStdString());
    EXPECT_TRUE(s->cmdAddAll->isEnabled());
    s->cmdAddAll_Click();
  });
  // The album manager opens its own search, whatever the program registered.
  dialogs.answerMsgBox(rt::vbOK);
  frmAlbum->tlbRec_ButtonClick("search");
  EXPECT_EQ(dialogs.calls().back().text, "2 unique items added.");
  EXPECT_EQ(frmAlbum->lsvAlbum->model()->rowCount(), 3);
  EXPECT_EQ(modVars::gintAddedCount, 2);
  // Cancel: nothing shown, the album untouched.
  QTimer::singleShot(0, [] { frmAlbumSrch->cmdCancel_Click(); });
  frmAlbum->tlbRec_ButtonClick("search");
  EXPECT_EQ(modVars::gintAddedCount, -1);
  EXPECT_EQ(frmAlbum->lsvAlbum->model()->rowCount(), 3);
  // Escape in the search window is its Cancel.
  QTimer::singleShot(0, [] { QTest::keyClick(frmAlbumSrch->lsvResults, Qt::Key_Escape); });
  frmAlbum->tlbRec_ButtonClick("search");
  EXPECT_EQ(modVars::gintAddedCount, -1);
  EXPECT_FALSE(frmAlbumSrch.IsLoaded());
}

// A row whose page lies past its file's end says so, where a missing file is an unknown format.
TEST_F(FrmAlbumTest, APagePastTheFilesEndIsNamedInThePreview) {
  ScriptedDialogs dialogs;
  const QString tif = dir.file("three.tif");
  albumtest::writePicture(tif, 30, 20, 4, 3);
  const QString size = QStringLiteral("%1 bytes").arg(QFileInfo(tif).size());
  struct Case {
    QString row;
    QString format, fileSize, pages;
  } cases[] = {
      {tif + ", 5, past the end", "Page 5 does not exist in this file", size, "3"},
      {tif + ", 2, inside", modVars::fnGetFormatDesc(4), size, "3"},
      {dir.file("gone.tif") + ", 1, missing", "Unknown Format", "0 bytes", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row.toStdString());
    albumtest::writeText(dir.file("m.kvt"), (c.row + "\r\n").toUtf8());
    if (c.pages.isEmpty()) dialogs.answerMsgBox(rt::vbOK);  // opening verifies the rows: one is gone
    frmAlbum->fnOpenAlbum(dir.file("m.kvt"));
    EXPECT_EQ(frmAlbum->lblFileFormat->text(), c.format);
    EXPECT_EQ(frmAlbum->lblFileSize->text(), c.fileSize);
    EXPECT_EQ(frmAlbum->lblNumPages->text(), c.pages);
  }
}

namespace {
// A wheel turn as the window system delivers it: to the widget under the pointer, passed on to its
// parents while none takes it.
void wheelOver(QWidget* w, QPoint at, int notchesDown) {
  QWheelEvent e(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, -120 * notchesDown), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QSpontaneKeyEvent::setSpontaneous(&e);
  QApplication::instance()->notify(w, &e);
}
}  // namespace

TEST_F(FrmAlbumTest, TheWheelScrollsTheThumbnailGrid) {
  ScriptedDialogs dialogs;
  frmAlbum->fnOpenAlbum(album(48));
  frmAlbum->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frmAlbum.get()));
  frmAlbum->tlbRec_ButtonClick("thumbs");
  albums::ThumbGrid* grid = frmAlbum->fraTmb;
  ASSERT_TRUE(grid->waitUntilLoaded());
  ASSERT_TRUE(grid->vsTmb->isVisible()) << "48 cells are more than the grid shows at once";
  EXPECT_EQ(grid->vsTmb->value(), 0);
  QWidget* cell = grid->ixTmb(7);
  wheelOver(cell, cell->rect().center(), 2);
  const int down = grid->vsTmb->value();
  EXPECT_GT(down, 0);
  wheelOver(grid->lblTmb(7), QPoint(2, 2), -1);
  EXPECT_LT(grid->vsTmb->value(), down);
}

// An interval below one second given with Run pressed: the check of Run speaks once, and the box
// taking the focus from the interval box does not make it speak again.
TEST_F(FrmAlbumTest, AnIntervalBelowOneSecondGivesOneBox) {
  // The real message boxes, so that a box takes the focus as it does for the user; the test's
  // service comes back however the test ends (a box left to a later test would wait for a click).
  struct RealBoxes {
    std::unique_ptr<rt::DialogService> previous = rt::setDialogService(rt::makeQtDialogService());
    ~RealBoxes() { rt::setDialogService(std::move(previous)); }
  };
  const RealBoxes realBoxes;
  QStringList shown;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&shown] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown << box->text();
      box->done(QMessageBox::Ok);
    }
  });
  closer.start(20);
  frmAlbum->fnOpenAlbum(album(2));
  frmAlbum->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frmAlbum.get()));
  QTest::mouseClick(frmAlbum->optAuto, Qt::LeftButton);
  frmAlbum->txtInt->setFocus();
  QTest::keyClicks(frmAlbum->txtInt, QStringLiteral("0.5"));
  QToolButton* run = qobject_cast<QToolButton*>(frmAlbum->tlbSS->widgetForAction(albums::button(frmAlbum->tlbSS, "run")));
  ASSERT_TRUE(run);
  // Each box is shown and closed inside the click: a second one would have been too.
  QTest::mouseClick(run, Qt::LeftButton);
  QCoreApplication::processEvents();
  closer.stop();
  EXPECT_EQ(shown.size(), 1) << shown.join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(shown.value(0), QStringLiteral("Please enter an interval of greater or equal with 1 second!"));
}

TEST_F(FrmAlbumTest, PreviewPagesOfAMultiPageRowAndSetCurrentPage) {
  ScriptedDialogs dialogs;
  const QString tif = dir.file("three.tif");
  albumtest::writePicture(tif, 30, 20, 4, 3);
  albumtest::writeText(dir.file("m.kvt"), (tif + ", x, pages\r\n").toUtf8());
  frmAlbum->fnOpenAlbum(dir.file("m.kvt"));
  // A page that is not a number previews page 1.
  EXPECT_EQ(frmAlbum->ixPre->PageNumber(), 1);
  EXPECT_EQ(frmAlbum->lblNumPages->text(), "3");
  EXPECT_FALSE(albums::button(frmAlbum->tlbMulti, "prev")->isEnabled());
  EXPECT_TRUE(albums::button(frmAlbum->tlbMulti, "next")->isEnabled());
  EXPECT_TRUE(albums::button(frmAlbum->tlbMulti, "set")->isEnabled());
  frmAlbum->tlbMulti_ButtonClick("next");
  frmAlbum->tlbMulti_ButtonClick("next");
  EXPECT_EQ(frmAlbum->ixPre->PageNumber(), 3);
  EXPECT_FALSE(albums::button(frmAlbum->tlbMulti, "next")->isEnabled());
  EXPECT_TRUE(albums::button(frmAlbum->tlbMulti, "prev")->isEnabled());
  frmAlbum->tlbMulti_ButtonClick("set");
  EXPECT_EQ(frmAlbum->lsvAlbum->model()->index(0, 1).data().toString(), "3");
  EXPECT_TRUE(frmAlbum->presenter().mblnModified);
  // Remarks through the list's double click.
  dialogs.answerInput("cover page");
  frmAlbum->lsvAlbum_DblClick();
  EXPECT_EQ(frmAlbum->lsvAlbum->model()->index(0, 2).data().toString(), "COVER PAGE");
}
