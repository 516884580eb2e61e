#include "archive/frm_arch_verify.h"
#include "archive/register_windows.h"
#include "runtime/errors.h"
#include "tests/archive/archive_fixture.h"
#include "workspace/archive_commands.h"

#include <QPushButton>
#include <QTreeWidget>
#include <set>

namespace archivetest {
namespace {

using Row = std::pair<QString, QString>;

class VerifyWindowTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    gstrBatchDir = dir.file("batch");
    QDir().mkpath(gstrBatchDir);
    gstrParm1Caption = "Name";
    gstrParm2Caption = "Date";
    picture = dir.file("page.bmp");
    writeImage(picture, {{12, 8, 0x00FF00}}, 1);
  }
  void TearDown() override {
    frmArchVerify.Unload();
    ArchiveTest::TearDown();
  }
  QString folder(const QString& name, const std::vector<std::pair<QString, QByteArray>>& files) {
    const QString f = QDir(gstrBatchDir).filePath(name);
    QDir().mkpath(f);
    for (const auto& [file, bytes] : files) {
      QFile out(f + '/' + file);
      EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
      out.write(bytes);
    }
    return f;
  }
  static std::set<Row> rows(frmArchVerifyForm* f) {
    std::set<Row> out;
    for (int i = 0; i < f->lsvItem->topLevelItemCount(); ++i)
      out.insert({f->lsvItem->topLevelItem(i)->text(0), f->lsvItem->topLevelItem(i)->text(1)});
    return out;
  }
  bool marked(const QString& name) const { return QFile::exists(gstrBatchDir + '/' + name + "/VERIFIED.STS"); }
  QString picture;
};

TEST_F(VerifyWindowTest, OnePassListsEveryFolderAndMarksTheGoodOnes) {
  const QByteArray image = fileBytes(picture);
  folder("GOOD", {{"GOOD.TXT", "REINDEX\r\nGOOD\r\nSMITH\r\n" + QByteArray(12, '1') + "\r\n"}, {"GOOD.ACH", image}});
  folder("AGAIN", {{"AGAIN.TXT", "REINDEX\r\nAGAIN\r\n\r\n\r\n"}, {"again.ach", image}, {"VERIFIED.STS", ""}});
  folder("LONG", {{"LONG.TXT", "REINDEX\r\nLONG\r\nSMITH\r\n" + QByteArray(13, '1') + "\r\n"}, {"LONG.ACH", image},
                  {"VERIFIED.STS", ""}});
  folder("TEXT", {{"TEXT.TXT", "REINDEX\r\nTEXT\r\n\r\n\r\n"}, {"TEXT.ACH", "just some text"}});
  folder("MANY", {{"A.TXT", ""}, {"B.TXT", ""}, {"C.TXT", ""}, {"VERIFIED.STS", ""}});
  folder("EXTRA", {{"EXTRA.TXT", "REINDEX\r\nEXTRA\r\n\r\n\r\n"}, {"EXTRA.ACH", image}, {"readme", ""}});
  frmArchVerifyForm* f = frmArchVerify.get();
  EXPECT_EQ(f->Caption(), "   Verify Batches");
  EXPECT_EQ(f->lsvItem->headerItem()->text(0), "Batch");
  EXPECT_EQ(f->lsvItem->headerItem()->text(1), "Status");
  EXPECT_TRUE(f->tmrVerify.isActive());
  f->tmrVerify_Timer();
  EXPECT_FALSE(f->tmrVerify.isActive());
  EXPECT_FALSE(busy());
  // The imaging control's own text for a file that is not a picture.
  QString loadError;
  try {
    f->ixVerify->setSourceFile(gstrBatchDir + "/TEXT/TEXT.ACH");
  } catch (const rt::RuntimeError& e) {
    loadError = e.Description();
  }
  ASSERT_FALSE(loadError.isEmpty());
  EXPECT_EQ(rows(f), (std::set<Row>{{"GOOD", "Ready for archival"},
                                    {"AGAIN", "Ready for archival"},
                                    {"LONG", "Index file - invalid Date"},
                                    {"TEXT", loadError},
                                    {"MANY", "Unexpected number of files"},
                                    {"EXTRA", "Unexpected file found - readme"}}));
  for (const char* name : {"GOOD", "AGAIN"}) EXPECT_TRUE(marked(name)) << name;
  for (const char* name : {"LONG", "TEXT", "MANY", "EXTRA"}) EXPECT_FALSE(marked(name)) << name;
  f->cmdClose_Click();
  EXPECT_FALSE(frmArchVerify.IsLoaded());
}

TEST_F(VerifyWindowTest, AMissingBatchRootIsShownAsARow) {
  gstrBatchDir = dir.file("gone");
  frmArchVerifyForm* f = frmArchVerify.get();
  f->tmrVerify_Timer();
  EXPECT_EQ(rows(f), (std::set<Row>{{gstrBatchDir, "Batch Root directory not found!"}}));
}

TEST_F(VerifyWindowTest, TheMenuOpensItOnceABatchRootIsChosen) {
  registerArchiveWindows();
  folder("GOOD", {{"GOOD.TXT", "REINDEX\r\nGOOD\r\n\r\n\r\n"}, {"GOOD.ACH", fileBytes(picture)}});
  std::set<Row> seen;
  whenShown<frmArchVerifyForm>(frmArchVerify, [&](frmArchVerifyForm* f) {
    // The pass runs by itself shortly after the window has appeared.
    EXPECT_TRUE(waitUntil([f] { return f->lsvItem->topLevelItemCount() > 0; }));
    seen = rows(f);
    f->cmdClose->click();
  });
  ws::mnuArchVerify_Click(*window());
  EXPECT_EQ(seen, (std::set<Row>{{"GOOD", "Ready for archival"}}));
  EXPECT_TRUE(marked("GOOD"));

  gstrBatchDir.clear();
  dialogs.answerMsgBox(rt::vbOK);
  ws::mnuArchVerify_Click(*window());
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].text, "The batch directory has not been specified yet!\rPlease specify the batch directory first!");
}

}  // namespace
}  // namespace archivetest
