// Pictures of the search windows for the documentation, taken when LUMIVEX_SCREENSHOTS names a
// folder (scripts/screenshots.sh); skipped otherwise.
#include "albums/folder_lists.h"
#include "albums/frm_album_srch.h"
#include "albums/frm_search.h"
#include "albums/frm_sel_dir.h"
#include "tests/albums/album_fixture.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/screenshots.h"

#include <QDir>
#include <QLineEdit>

namespace {

class Screenshots : public mainwindowtest::MainWindowTest {
 protected:
  void SetUp() override {
    if (!testsupport::screenshotsWanted()) GTEST_SKIP() << "LUMIVEX_SCREENSHOTS is not set";
    MainWindowTest::SetUp();
  }
  static void save(QWidget* w, const char* name) { testsupport::saveScreenshot(w, name); }
};

TEST_F(Screenshots, SearchWindows) {
  const QString image = file("harbour.tif", mainwindowtest::kThreePages, 4);
  QDir().mkpath(dir.file("albums"));
  albumtest::writeText(dir.file("albums/trips.kvt"), (image + ", 1, Harbour view\r\n").toUtf8());
  frmSearchForm* s = frmSearch.get();
  s->dirSel->setPath(dir.file("albums"));
  Q_EMIT s->dirSel->Change();
  s->txtKeyWord->setText(QStringLiteral("HARBOUR"));
  save(s, "keyword-search.png");
  s->cmdSearch_Click();
  save(s, "keyword-search-results.png");
  frmSearch.Unload();

  frmAlbumSrchForm* a = frmAlbumSrch.get();
  a->dirSel->setPath(dir.file("albums"));
  Q_EMIT a->dirSel->Change();
  save(a, "image-search.png");
  frmAlbumSrch.Unload();

  frmSelDirForm* d = frmSelDir.get();
  d->dirSel->setPath(dir.file("albums"));
  Q_EMIT d->dirSel->Change();
  save(d, "select-folder.png");
  frmSelDir.Unload();
}

}  // namespace
