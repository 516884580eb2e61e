#include "albums/frm_sel_dir.h"
#include "albums/register_windows.h"
#include "tests/archive/archive_fixture.h"

namespace archivetest {
namespace {

TEST(SelDirTarget, FirstWordOfTheUpperCasedCaption) {
  struct Case {
    const char* caption;
    const char* target;
  } cases[] = {
      {"   Select Batch Directory", "BATCH"}, {"   select index directory", "INDEX"},
      {"Search here", "SEARCH"},             {"Index of the batch", "BATCH"},
      {"   Select Directory", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(fnSelDirTarget(QString::fromLatin1(c.caption)), QLatin1String(c.target)) << c.caption;
}

class SelDirTest : public ArchiveTest {
 protected:
  void TearDown() override {
    frmSelDir.Unload();
    ArchiveTest::TearDown();
  }
};

TEST_F(SelDirTest, SelectStoresTheOpenedFolderByCaptionCancelStoresNothing) {
  registerAlbumWindows();
  QDir(dir.path()).mkpath(QStringLiteral("batch/sub"));
  QFile(dir.file(QStringLiteral("batch/a.txt"))).open(QIODevice::WriteOnly);
  const QString batch = QDir(dir.file(QStringLiteral("batch"))).absolutePath();
  gstrBatchDir = batch;
  gstrIndexDir.clear();
  whenShown<frmSelDirForm>(frmSelDir, [&](frmSelDirForm* f) {
    EXPECT_EQ(f->Caption(), QStringLiteral("   Select Batch Directory"));
    EXPECT_EQ(f->dirSel->Path(), batch);
    EXPECT_EQ(f->fleSel->Path(), batch);
    EXPECT_EQ(f->fleSel->count(), 1);
    ASSERT_TRUE(f->dirSel->setPath(batch + QStringLiteral("/sub")));
    f->dirSel_Change();
    EXPECT_EQ(f->fleSel->count(), 0);
    f->cmdSelect_Click();
  });
  ws::openWindow(QStringLiteral("frmSelDir"), {QStringLiteral("   Select Batch Directory"), gstrBatchDir});
  EXPECT_EQ(gstrBatchDir, batch + QStringLiteral("/sub"));
  EXPECT_TRUE(gstrIndexDir.isEmpty());

  // No index folder chosen yet: the picker starts at home.
  whenShown<frmSelDirForm>(frmSelDir, [&](frmSelDirForm* f) {
    EXPECT_EQ(f->dirSel->Path(), QDir::homePath());
    f->dirSel->setPath(batch);
    f->cmdCancel_Click();
  });
  ws::openWindow(QStringLiteral("frmSelDir"), {QStringLiteral("   Select Index Directory"), QString()});
  EXPECT_TRUE(gstrIndexDir.isEmpty());
  EXPECT_FALSE(frmSelDir.IsLoaded());
}

TEST_F(SelDirTest, UnreadableFolderIsRefused) {
  frmSelDirForm* f = frmSelDir.get();
  const QString before = f->dirSel->Path();
  EXPECT_FALSE(f->dirSel->setPath(dir.file(QStringLiteral("missing"))));
  EXPECT_EQ(f->dirSel->Path(), before);
}

}  // namespace
}  // namespace archivetest
