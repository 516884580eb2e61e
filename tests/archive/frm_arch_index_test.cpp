#include "archive/frm_arch_index.h"
#include "archive/register_windows.h"
#include "tests/archive/archive_fixture.h"
#include "tests/support/folder_pattern.h"
#include "workspace/archive_commands.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace archivetest {
namespace {

const QByteArray kProceed = "ARCH: PLEASE PROCEED";
const QByteArray kCompleted = "ARCH: TRANSFER COMPLETED";

class IndexWindowTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    gstrIndexDir = dir.file("in");
    gstrBatchDir = dir.file("batch");
    QDir().mkpath(gstrIndexDir);
    QDir().mkpath(gstrBatchDir);
    writeImage(input("scan1.bmp"), {{12, 8, 0x00FF00}}, 1);
    writeImage(input("scan2.bmp"), {{10, 6, 0x0000FF}}, 1);
    QFile notAPicture(input("notes.doc"));
    ASSERT_TRUE(notAPicture.open(QIODevice::WriteOnly));
    window();
  }
  void TearDown() override {
    frmArchIndex.Unload();
    ArchiveTest::TearDown();
  }
  QString input(const QString& name) const { return QDir(gstrIndexDir).filePath(name); }
  // Picks a file in the list as a click does.
  frmArchIndexForm* pick(const QString& name) {
    frmArchIndexForm* f = frmArchIndex.get();
    f->flbInput->Refresh();  // files written by the test since
    f->flbInput->setFileName(name);
    f->flbInput_Click();
    return f;
  }
  void type(frmArchIndexForm* f, const QString& id, const QString& p1 = "p", const QString& p2 = "q", bool reindex = false) {
    f->txtAchID->setText(id);
    f->txtParm1->setText(p1);
    f->txtParm2->setText(p2);
    if (f->chkReindex->isChecked() != reindex) f->chkReindex->click();
  }
  void archiveNow(frmArchIndexForm* f) {
    f->cmdArchNow_Click();
    ASSERT_TRUE(waitUntil([f] { return !f->busy(); }));
    EXPECT_FALSE(busy());
  }
  QStringList listed(frmArchIndexForm* f) const {
    QStringList out;
    for (int i = 0; i < f->flbInput->count(); ++i) out << f->flbInput->item(i)->text();
    return out;
  }
  static QByteArray header(const char* op, const QByteArray& bytesOfFile, const char* keys = "INV7,INV7,P,Q") {
    return QByteArray("ARCH: OPS, INDICES, BYTES - ") + op + ',' + keys + ',' + QByteArray::number(bytesOfFile.size());
  }
  void expectIdleAndEmpty(frmArchIndexForm* f) {
    for (QLineEdit* b : {f->txtAchID, f->txtParm1, f->txtParm2}) {
      EXPECT_TRUE(b->text().isEmpty());
      EXPECT_FALSE(b->isEnabled());
    }
    EXPECT_FALSE(f->cmdArchNow->isEnabled());
    EXPECT_FALSE(f->cmdArchToBatch->isEnabled());
    EXPECT_TRUE(f->flbInput->isEnabled());
  }
};

TEST_F(IndexWindowTest, LoadsWithTheParameterCaptionsAndListsPicturesOnly) {
  gstrParm1Caption = "Name";
  gstrParm1MaxLen = "8";
  frmArchIndexForm* f = frmArchIndex.get();
  EXPECT_EQ(f->Caption(), "   Index Data");
  EXPECT_EQ(f->lblParm1->text(), "Name :");
  EXPECT_EQ(f->txtParm1->maxLength(), 8);
  EXPECT_EQ(f->lblParm2->text(), "Parm 2 :");
  EXPECT_EQ(f->txtParm2->maxLength(), 50);
  EXPECT_EQ(f->txtAchID->maxLength(), 20);
  EXPECT_EQ(listed(f), (QStringList{"scan1.bmp", "scan2.bmp"}));
  EXPECT_FALSE(f->txtAchID->isEnabled());
  EXPECT_FALSE(f->cmdArchNow->isEnabled());
}

TEST_F(IndexWindowTest, TheFileListTakesTheFolderWindowsPattern) {
  const QStringList expected = testsupport::writeFolderPatternFiles(gstrIndexDir) + QStringList{"scan1.bmp", "scan2.bmp"};
  frmArchIndexForm* f = frmArchIndex.get();
  f->flbInput->Refresh();
  EXPECT_EQ(listed(f), expected);
}

TEST_F(IndexWindowTest, ButtonRule) {
  frmArchIndexForm* f = pick("scan1.bmp");
  EXPECT_EQ(doc().path, input("scan1.bmp"));
  EXPECT_TRUE(f->txtAchID->isEnabled());
  struct Step {
    const char* id;
    bool reindex;
    bool now, batch;
  } steps[] = {{"A", false, true, false}, {"A", true, true, true}, {"  ", true, false, false}, {"", false, false, false}};
  for (const Step& s : steps) {
    type(f, s.id, "", "", s.reindex);
    EXPECT_EQ(f->cmdArchNow->isEnabled(), s.now) << s.id << s.reindex;
    EXPECT_EQ(f->cmdArchToBatch->isEnabled(), s.batch) << s.id << s.reindex;
  }
}

TEST_F(IndexWindowTest, ArchiveNowSendsTheSavedFileAndDeletesIt) {
  for (bool reindex : {false, true}) {
    SCOPED_TRACE(reindex ? "ReIndex" : "Archive");
    freshFake();
    fake->on(Side::Archive, "ARCH: OPS", {Action::send(kProceed)})
        .on(Side::Archive, fakearchive::kUpload, {Action::send(kCompleted)});
    if (!QFile::exists(input("scan1.bmp"))) writeImage(input("scan1.bmp"), {{12, 8, 0x00FF00}}, 1);
    frmArchIndexForm* f = pick("scan1.bmp");
    type(f, "  inv7 ", " p", "q ", reindex);
    dialogs.answerMsgBox(rt::vbOK);
    const std::size_t before = dialogs.calls().size();
    archiveNow(f);
    ASSERT_EQ(fake->receivedOn(Side::Archive).size(), 2u);
    const QByteArray saved = fake->receivedOn(Side::Archive).back().chopped(1);
    EXPECT_EQ(fake->receivedOn(Side::Archive),
              (std::vector<QByteArray>{header(reindex ? "REINDEX" : "ARCHIVE", saved), saved + '\0'}));
    EXPECT_FALSE(saved.isEmpty());
    expectBox(before, "Document archived successfully", rt::vbInformation, "Information");
    EXPECT_FALSE(QFile::exists(input("scan1.bmp")));
    EXPECT_EQ(listed(f), QStringList{"scan2.bmp"});
    EXPECT_TRUE(doc().path.isEmpty());
    expectIdleAndEmpty(f);
    EXPECT_EQ(f->chkReindex->isChecked(), reindex);  // kept between documents
  }
}

TEST_F(IndexWindowTest, AnExistingRecordIsOverwrittenOnlyWhenConfirmed) {
  for (bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    freshFake();
    if (!QFile::exists(input("scan1.bmp"))) writeImage(input("scan1.bmp"), {{12, 8, 0x00FF00}}, 1);
    fake->on(Side::Archive, "ARCH: OPS, INDICES, BYTES - ARCHIVE", {Action::send("ARCH: PLEASE CONFIRM - INV7, old ,  D1  ")})
        .on(Side::Archive, "ARCH: OPS, INDICES, BYTES - REINDEX", {Action::send(kProceed)})
        .on(Side::Archive, fakearchive::kUpload, {Action::send(kCompleted)});
    frmArchIndexForm* f = pick("scan1.bmp");
    type(f, "INV7", "P", "Q");
    const std::size_t before = dialogs.calls().size();
    dialogs.answerMsgBox(yes ? rt::vbYes : rt::vbNo);
    if (yes) dialogs.answerMsgBox(rt::vbOK);
    archiveNow(f);
    expectBox(before,
              "An existing record was found with the following details:\rAchID: INV7\rParm 1:  old \rParm 2: D1\r"
              "Do you want to overwrite?",
              rt::vbQuestion | rt::vbYesNo, "Confirmation");
    const auto got = fake->receivedOn(Side::Archive);
    EXPECT_EQ(fake->connections(Side::Archive), 1);
    if (yes) {
      ASSERT_EQ(got.size(), 3u);
      EXPECT_EQ(got[0], header("ARCHIVE", got[2].chopped(1)));
      EXPECT_EQ(got[1], header("REINDEX", got[2].chopped(1)));
      EXPECT_FALSE(QFile::exists(input("scan1.bmp")));
      expectIdleAndEmpty(f);
    } else {
      EXPECT_EQ(got.size(), 1u);
      EXPECT_TRUE(QFile::exists(input("scan1.bmp")));
      EXPECT_EQ(doc().path, input("scan1.bmp"));
      EXPECT_EQ(f->txtAchID->text(), "INV7");
      EXPECT_TRUE(f->cmdArchNow->isEnabled());
    }
  }
}

TEST_F(IndexWindowTest, FailuresKeepTheFileAndTheDocument) {
  struct Case {
    const char* name;
    fakearchive::Actions onHeader;
    fakearchive::Actions onUpload;
    QString text;
    int style;
  } cases[] = {
      {"other reply", {Action::send("ARCH: NO SPACE")}, {}, "ARCH: NO SPACE", rt::vbOKOnly},
      {"completed before the bytes", {Action::send(kCompleted)}, {}, QString::fromLatin1(kCompleted), rt::vbOKOnly},
      {"go-ahead twice", {Action::send(kProceed)}, {Action::send(kProceed)}, QString::fromLatin1(kProceed), rt::vbOKOnly},
      {"silence", {}, {}, "TCPIP network errors encountered. Operation aborted!", rt::vbExclamation},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshFake();
    fake->on(Side::Archive, "ARCH: OPS", c.onHeader).on(Side::Archive, fakearchive::kUpload, c.onUpload);
    frmArchIndexForm* f = pick("scan1.bmp");
    type(f, "INV7");
    const std::size_t before = dialogs.calls().size();
    dialogs.answerMsgBox(rt::vbOK);
    archiveNow(f);
    expectBox(before, c.text, c.style, "Error");
    EXPECT_TRUE(QFile::exists(input("scan1.bmp")));
    EXPECT_EQ(doc().path, input("scan1.bmp"));
    EXPECT_EQ(f->txtAchID->text(), "INV7");
    EXPECT_TRUE(f->txtAchID->isEnabled());
    EXPECT_TRUE(f->flbInput->isEnabled());
  }
}

TEST_F(IndexWindowTest, AFailedSaveSendsNothing) {
  frmArchIndexForm* f = pick("scan1.bmp");
  type(f, "INV7");
  // The folder of the document is gone: the save cannot write it.
  QDir(gstrIndexDir).removeRecursively();
  dialogs.answerMsgBox(rt::vbOK);
  f->cmdArchNow_Click();
  EXPECT_FALSE(f->busy());
  EXPECT_FALSE(busy());
  EXPECT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].title, "Error");
  QCoreApplication::processEvents();
  EXPECT_EQ(fake->connections(Side::Archive), 0);
  EXPECT_EQ(doc().path, input("scan1.bmp"));
}

TEST_F(IndexWindowTest, TheWindowIsLockedWhileItSendsAndTouchesOnlyTheFileStillShown) {
  for (bool otherDocument : {false, true}) {
    SCOPED_TRACE(otherDocument ? "another document opened meanwhile" : "another file clicked meanwhile");
    freshFake();
    fake->on(Side::Archive, "ARCH: OPS", {Action::send(kProceed)})
        .on(Side::Archive, fakearchive::kUpload, {Action::send(kCompleted)});
    if (!QFile::exists(input("scan1.bmp"))) writeImage(input("scan1.bmp"), {{12, 8, 0x00FF00}}, 1);
    frmArchIndexForm* f = pick("scan1.bmp");
    type(f, "INV7");
    dialogs.answerMsgBox(rt::vbOK);
    f->cmdArchNow_Click();
    ASSERT_TRUE(f->busy());
    for (QWidget* w : std::initializer_list<QWidget*>{f->flbInput, f->txtAchID, f->chkReindex, f->cmdArchNow})
      EXPECT_FALSE(w->isEnabled());
    if (otherDocument) {
      frmImgClnt->fnOpenImgFile(input("scan2.bmp"));
    } else {
      f->flbInput->setFileName("scan2.bmp");
      f->flbInput_Click();  // refused while busy
      EXPECT_EQ(doc().path, input("scan1.bmp"));
    }
    ASSERT_TRUE(waitUntil([f] { return !f->busy(); }));
    EXPECT_EQ(QFile::exists(input("scan1.bmp")), otherDocument);
    EXPECT_TRUE(QFile::exists(input("scan2.bmp")));
    EXPECT_EQ(doc().path, otherDocument ? input("scan2.bmp") : QString());
    EXPECT_TRUE(fake->receivedOn(Side::Archive).front().startsWith("ARCH: OPS, INDICES, BYTES - ARCHIVE,INV7,INV7,P,Q,"));
  }
}

TEST_F(IndexWindowTest, UnsafeKeysAreRefused) {
  frmArchIndexForm* f = pick("scan1.bmp");
  const QString invalid = "Invalid Archive ID!\rIt must not be empty, \".\" or \"..\", nor contain slashes, backslashes, "
                          "commas or control characters.";
  struct Case {
    const char* id;
    const char* parm1;
    QString text;
  } cases[] = {{"..", "", invalid}, {"A/B", "", invalid}, {"A\\B", "", invalid}, {"A,B", "", invalid},
               {"A", "X,Y", "Parm 1 must not contain commas or control characters!"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    type(f, c.id, c.parm1, "", true);
    for (QPushButton* button : {f->cmdArchNow, f->cmdArchToBatch}) {
      const std::size_t before = dialogs.calls().size();
      dialogs.answerMsgBox(rt::vbOK);
      if (button == f->cmdArchNow)
        f->cmdArchNow_Click();
      else
        f->cmdArchToBatch_Click();
      expectBox(before, c.text, rt::vbExclamation, "Error");
    }
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(fake->connections(Side::Archive), 0);
  EXPECT_TRUE(QDir(gstrBatchDir).isEmpty());
  EXPECT_TRUE(QFile::exists(input("scan1.bmp")));
}

TEST_F(IndexWindowTest, SaveBatchParksTheDocumentAndRefusesAClash) {
  frmArchIndexForm* f = pick("scan1.bmp");
  type(f, " inv7 ", "a", "", true);
  f->cmdArchToBatch_Click();
  EXPECT_TRUE(dialogs.calls().empty());
  const QString folder = gstrBatchDir + "/INV7";
  EXPECT_EQ(fileBytes(folder + "/INV7.TXT"), QByteArray("REINDEX\r\nINV7\r\nA\r\n\r\n"));
  EXPECT_FALSE(fileBytes(folder + "/INV7.ACH").isEmpty());
  EXPECT_FALSE(QFile::exists(input("scan1.bmp")));
  EXPECT_TRUE(doc().path.isEmpty());
  expectIdleAndEmpty(f);
  EXPECT_EQ(listed(f), QStringList{"scan2.bmp"});

  // A second document under the same ID: refused, nothing overwritten or moved.
  const QByteArray first = fileBytes(folder + "/INV7.ACH");
  pick("scan2.bmp");
  type(f, "INV7", "b", "", true);
  dialogs.answerMsgBox(rt::vbOK);
  f->cmdArchToBatch_Click();
  expectBox(0, "A batch folder of this Archive ID already exists:\r" + folder, rt::vbExclamation, "Error");
  EXPECT_EQ(fileBytes(folder + "/INV7.ACH"), first);
  EXPECT_EQ(fileBytes(folder + "/INV7.TXT"), QByteArray("REINDEX\r\nINV7\r\nA\r\n\r\n"));
  EXPECT_TRUE(QFile::exists(input("scan2.bmp")));
  EXPECT_EQ(doc().path, input("scan2.bmp"));
}

TEST_F(IndexWindowTest, CancellingTheSaveQuestionKeepsTheDocumentAndTheBoxes) {
  frmArchIndexForm* f = pick("scan1.bmp");
  type(f, "INV7");
  doc().docModified = true;
  dialogs.answerMsgBox(rt::vbCancel);
  f->flbInput->setFileName("scan2.bmp");
  f->flbInput_Click();
  expectBox(0, "Image has been modified! Save changes?", rt::vbQuestion | rt::vbYesNoCancel, "Confirmation");
  EXPECT_EQ(doc().path, input("scan1.bmp"));
  EXPECT_EQ(f->flbInput->FileName(), "scan1.bmp");
  EXPECT_EQ(f->txtAchID->text(), "INV7");
  doc().docModified = false;
}

TEST_F(IndexWindowTest, TheMenuOpensItBesideTheMainWindow) {
  registerArchiveWindows();
  ws::mnuArchIndex_Click(*frmImgClnt);
  ASSERT_TRUE(frmArchIndex.IsLoaded());
  EXPECT_TRUE(frmArchIndex->isVisible());
  EXPECT_FALSE(frmArchIndex->IsModalShowing());
  // Window frames may shift it by a pixel or two.
  EXPECT_NEAR(frmArchIndex->Left(), frmImgClnt->Left(), 45);
}

}  // namespace
}  // namespace archivetest
