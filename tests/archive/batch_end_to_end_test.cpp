// The whole way of a loose scan through the Archive menu: picked in the index window and parked as
// a batch folder, verified, and sent with the batch archival; the archive then holds the document
// and the batch root is empty.
#include "archive/frm_arch_batch.h"
#include "archive/frm_arch_index.h"
#include "archive/frm_arch_verify.h"
#include "archive/register_windows.h"
#include "tests/archive/archive_fixture.h"
#include "workspace/archive_commands.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace archivetest {
namespace {

TEST_F(ArchiveTest, IndexToBatchVerifyAndArchiveTheBatch) {
  fakearchive::ArchiveStore store;
  store.attach(*fake);
  registerArchiveWindows();
  doc().login.update = true;
  gstrIndexDir = dir.file("in");
  gstrBatchDir = dir.file("batch");
  QDir().mkpath(gstrIndexDir);
  QDir().mkpath(gstrBatchDir);
  const QString scan = QDir(gstrIndexDir).filePath("invoice.bmp");
  writeImage(scan, {{24, 16, 0x3080FF}}, 1);
  frmImgClntForm* w = window();

  // Index: the file opens in the main window, gets its keys and goes to a batch folder.
  ws::mnuArchive_Click(*w);  // opening the menu enables the items for the update right
  ASSERT_TRUE(w->Menu("mnuArchIndex")->isEnabled());
  w->Menu("mnuArchIndex")->trigger();
  ASSERT_TRUE(frmArchIndex.IsLoaded());
  frmArchIndexForm* index = frmArchIndex.get();
  ASSERT_TRUE(index->isVisible());
  index->flbInput->setFileName("invoice.bmp");
  index->flbInput_Click();
  ASSERT_EQ(doc().path, scan);
  index->txtAchID->setText("inv-2026-7");
  index->txtParm1->setText("acme");
  index->chkReindex->click();
  index->cmdArchToBatch->click();
  const QByteArray parked = fileBytes(gstrBatchDir + "/INV-2026-7/INV-2026-7.ACH");
  ASSERT_FALSE(parked.isEmpty());
  EXPECT_FALSE(QFile::exists(scan));
  EXPECT_TRUE(doc().path.isEmpty());
  index->Unload();

  // Verify: one row, and the marker.
  QStringList rows;
  whenShown<frmArchVerifyForm>(frmArchVerify, [&](frmArchVerifyForm* v) {
    EXPECT_TRUE(waitUntil([v] { return v->lsvItem->topLevelItemCount() > 0; }));
    for (int i = 0; i < v->lsvItem->topLevelItemCount(); ++i)
      rows << v->lsvItem->topLevelItem(i)->text(0) + ": " + v->lsvItem->topLevelItem(i)->text(1);
    v->cmdClose->click();
  });
  w->Menu("mnuArchVerify")->trigger();
  EXPECT_EQ(rows, QStringList{"INV-2026-7: Ready for archival"});
  EXPECT_TRUE(QFile::exists(gstrBatchDir + "/INV-2026-7/VERIFIED.STS"));

  // Send Batch: one Start sends the folder and ends when none is left.
  dialogs.answerMsgBox(rt::vbOK);
  whenShown<frmArchBatchForm>(frmArchBatch, [](frmArchBatchForm* b) { b->cmdStart->click(); });
  w->Menu("mnuArchBatch")->trigger();
  EXPECT_FALSE(frmArchBatch.IsLoaded());
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].text, "No more items to archive!");
  ASSERT_EQ(store.documents.size(), 1u);
  EXPECT_EQ(store.documents[0].achId, "INV-2026-7");
  EXPECT_EQ(store.documents[0].parm1, "ACME");
  EXPECT_EQ(store.documents[0].parm2, "");
  EXPECT_EQ(store.documents[0].bytes, parked);
  EXPECT_TRUE(QDir(gstrBatchDir).isEmpty());
  EXPECT_FALSE(busy());
}

}  // namespace
}  // namespace archivetest
