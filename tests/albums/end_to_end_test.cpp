// The program with an album on its command line: the album manager opens it, a slide show runs
// and is left, and one of the album's images is opened in the main window from the keyword search
// and the menus.
#include "albums/folder_lists.h"
#include "albums/frm_album.h"
#include "albums/frm_search.h"
#include "albums/frm_slide_show.h"
#include "albums/register_windows.h"
#include "controls/imaging/imaging_control.h"
#include "tests/albums/album_fixture.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/first_activation.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using mainwindowtest::MainWindowTest;
using testsupport::doc;

TEST_F(MainWindowTest, AlbumOnTheCommandLineSlideShowAndOpeningARow) {
  const QString first = file("first.tif", mainwindowtest::kThreePages, 4);
  const QString second = file("second.tif", {{20, 10, 0x00FFFF}}, 4);
  const QString album = dir.file("holiday.KVT");
  albumtest::writeText(album, (first + ", 2, beach\r\n" + second + ", 1, harbour\r\n").toUtf8());
  registerAlbumWindows();
  ws::setCommandLine(album);
  modVars::gblnActivated = false;

  bool sawSlideShow = false;
  QTimer::singleShot(0, [&] {
    frmAlbumForm* a = frmAlbum.get();
    EXPECT_TRUE(a->IsModalShowing());
    EXPECT_EQ(a->Caption(), "   Manage Albums - " + album);
    EXPECT_EQ(a->lsvAlbum->model()->rowCount(), 2);
    QTimer::singleShot(0, [&] {
      frmSlideShowForm* s = frmSlideShow.get();
      sawSlideShow = s->IsModalShowing();
      EXPECT_EQ(s->ixSS->PageNumber(), 2);
      QKeyEvent right(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
      QCoreApplication::sendEvent(s, &right);
      EXPECT_EQ(s->mintSlideIndex, 1);
      QKeyEvent esc(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
      QCoreApplication::sendEvent(s, &esc);
    });
    a->tlbSS_ButtonClick();
    EXPECT_FALSE(frmSlideShow.IsLoaded());
    a->Unload();
  });
  frmImgClntForm* w = window();
  ws::firstActivation();
  EXPECT_TRUE(sawSlideShow);
  EXPECT_FALSE(frmAlbum.IsLoaded());

  // File > Search finds the row by its remarks and opens it as the document.
  QTimer::singleShot(0, [&] {
    frmSearchForm* s = frmSearch.get();
    s->dirSel->setPath(dir.path());
    s->txtKeyWord->setText("HARBOUR");
    s->cmdSearch_Click();
    ASSERT_EQ(s->lsvResults->topLevelItemCount(), 1);
    s->lsvResults_DblClick();
  });
  w->Menu("mnuFileSearch")->trigger();
  EXPECT_FALSE(frmSearch.IsLoaded());
  EXPECT_EQ(doc().path, second);
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + second);
}
