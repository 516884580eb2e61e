#include "archive/frm_arch_batch.h"
#include "tests/archive/archive_fixture.h"

#include <QProgressBar>
#include <QPushButton>

namespace archivetest {
namespace {

const QString kNetworkErrors = QStringLiteral("TCPIP network errors encountered. Operation aborted!");

class BatchWindowTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    gstrBatchDir = dir.file("batch");
    QDir().mkpath(gstrBatchDir);
  }
  void TearDown() override {
    frmArchBatch.Unload();
    ArchiveTest::TearDown();
  }
  // A batch folder as Save Batch and verification leave it.
  QString folder(const QString& id, const QByteArray& document, bool verified = true, const QByteArray& parm1 = "P",
                 const QByteArray& parm2 = "Q") {
    const QString f = QDir(gstrBatchDir).filePath(id);
    QDir().mkpath(f);
    put(f + '/' + id + ".TXT", "REINDEX\r\n" + id.toLatin1() + "\r\n" + parm1 + "\r\n" + parm2 + "\r\n");
    put(f + '/' + id + ".ACH", document);
    if (verified) put(f + "/VERIFIED.STS", "");
    return f;
  }
  static void put(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
  }
  static QByteArray header(const char* id, int n, const char* parms = "P,Q") {
    return QByteArray("ARCH: OPS, INDICES, BYTES - REINDEX,") + id + ',' + id + ',' + parms + ',' + QByteArray::number(n);
  }
  // Presses Start and waits until the run has ended (the window closed, or the button back).
  void start() {
    frmArchBatchForm* f = frmArchBatch.get();
    f->cmdStart_Click();
    ASSERT_TRUE(waitUntil([] { return !frmArchBatch.IsLoaded() || !frmArchBatch->running(); }));
    EXPECT_FALSE(busy());
  }
  QStringList folders() const { return QDir(gstrBatchDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name); }
  fakearchive::ArchiveStore store;
};

TEST_F(BatchWindowTest, ThreeVerifiedFoldersAreSentOnThreeConnectionsAndDeleted) {
  store.attach(*fake);
  const QByteArray thousand(1000, 'x');
  folder("A1", thousand);
  folder("A2", "second");
  folder("A3", "", true, "", "");
  dialogs.answerMsgBox(rt::vbOK);
  start();
  EXPECT_FALSE(frmArchBatch.IsLoaded());
  expectBox("No more items to archive!", rt::vbInformation, "Information");
  EXPECT_EQ(fake->connections(Side::Archive), 3);
  EXPECT_TRUE(folders().isEmpty());
  // Each connection carries one header and the document with one zero byte after it.
  std::map<QByteArray, QByteArray> sent;
  const auto& got = fake->received();
  for (std::size_t i = 0; i + 1 < got.size(); i += 2) {
    EXPECT_EQ(got[i].connection, got[i + 1].connection);
    sent[got[i].bytes] = got[i + 1].bytes;
  }
  EXPECT_EQ(sent, (std::map<QByteArray, QByteArray>{{header("A1", 1000), thousand + '\0'},
                                                     {header("A2", 6), QByteArray("second") + '\0'},
                                                     {header("A3", 0, ","), QByteArray(1, '\0')}}));
  ASSERT_EQ(store.documents.size(), 3u);
}

TEST_F(BatchWindowTest, UnverifiedFoldersStayAndEndTheRun) {
  store.attach(*fake);
  folder("A1", "one");
  folder("A2", "two");
  folder("U1", "unverified", false);
  // A marker without an archive ID is never chosen.
  const QString noId = folder("U2", "x");
  put(noId + "/U2.TXT", "REINDEX\r\n\r\nP\r\nQ\r\n");
  dialogs.answerMsgBox(rt::vbOK);
  frmArchBatchForm* f = frmArchBatch.get();
  QPointer<QProgressBar> bar = f->pbrBatch;
  int maximum = 0;
  QObject::connect(bar, &QProgressBar::valueChanged, [&] { maximum = bar->maximum(); });
  start();
  expectBox("Batch archival completed.\rRemaining items are unverified or contain errors!", rt::vbInformation,
                "Information");
  EXPECT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(maximum, 5);  // four folders, plus one
  EXPECT_EQ(fake->connections(Side::Archive), 2);
  EXPECT_EQ(folders(), (QStringList{"U1", "U2"}));
  EXPECT_FALSE(frmArchBatch.IsLoaded());
}

TEST_F(BatchWindowTest, EmptyOrMissingBatchRoot) {
  dialogs.answerMsgBox(rt::vbOK);
  start();
  expectBox("No more items to archive!", rt::vbInformation, "Information");
  EXPECT_FALSE(frmArchBatch.IsLoaded());

  gstrBatchDir = dir.file("gone");
  dialogs.answerMsgBox(rt::vbOK);
  start();
  expectBox("Batch Root directory not found!", rt::vbExclamation, "Error");
  EXPECT_TRUE(frmArchBatch.IsLoaded());
  EXPECT_TRUE(frmArchBatch->cmdStart->isEnabled());
  EXPECT_EQ(fake->connections(Side::Archive), 0);
}

TEST_F(BatchWindowTest, AFailureStopsTheRunAndKeepsTheFolder) {
  struct Case {
    const char* name;
    fakearchive::Actions onHeader;
    fakearchive::Actions onUpload;
    QString text;
    int style;
  } cases[] = {
      {"overwrite question", {Action::send("ARCH: PLEASE CONFIRM - A1,P,Q")}, {}, "ARCH: PLEASE CONFIRM - A1,P,Q",
       rt::vbOKOnly},
      {"other reply", {Action::send("ARCH: DISK FULL")}, {}, "ARCH: DISK FULL", rt::vbOKOnly},
      {"completed without the go-ahead", {Action::send("ARCH: TRANSFER COMPLETED")}, {}, "ARCH: TRANSFER COMPLETED",
       rt::vbOKOnly},
      {"go-ahead answering the document", {Action::send("ARCH: PLEASE PROCEED")}, {Action::send("ARCH: PLEASE PROCEED")},
       "ARCH: PLEASE PROCEED", rt::vbOKOnly},
      {"silence after the header", {}, {}, kNetworkErrors, rt::vbExclamation},
      {"silence after the document", {Action::send("ARCH: PLEASE PROCEED")}, {}, kNetworkErrors, rt::vbExclamation},
      {"closed", {Action::close()}, {}, kNetworkErrors, rt::vbExclamation},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshFake();
    fake->on(Side::Archive, "ARCH: OPS", c.onHeader).on(Side::Archive, fakearchive::kUpload, c.onUpload);
    folder("A1", "doc");
    dialogs.answerMsgBox(rt::vbOK);
    start();
    expectBox(c.text, c.style, "Error");
    EXPECT_TRUE(frmArchBatch.IsLoaded());
    EXPECT_TRUE(frmArchBatch->cmdStart->isEnabled());
    EXPECT_EQ(fake->connections(Side::Archive), 1);
    EXPECT_EQ(folders(), QStringList{"A1"});
    EXPECT_TRUE(QFile::exists(gstrBatchDir + "/A1/VERIFIED.STS"));
    EXPECT_TRUE(QFile::exists(gstrBatchDir + "/A1/A1.ACH"));
  }
}

TEST_F(BatchWindowTest, NoServerToContact) {
  fake->stopListening(Side::Archive);
  folder("A1", "doc");
  dialogs.answerMsgBox(rt::vbOK);
  start();
  expectBox("Archive Server could not be contacted. Operation aborted!", rt::vbExclamation, "Error");
  EXPECT_EQ(folders(), QStringList{"A1"});
}

TEST_F(BatchWindowTest, AFolderThatCannotBeDeletedStopsTheRunAndIsNotSentAgain) {
  store.attach(*fake);
  const QString f = folder("A1", "doc");
  QDir().mkpath(f + "/added-by-hand");
  dialogs.answerMsgBox(rt::vbOK);
  start();
  expectBox("The batch folder could not be removed after its archival:\r" + f, rt::vbExclamation, "Error");
  EXPECT_EQ(fake->connections(Side::Archive), 1);
  EXPECT_EQ(QDir(f).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"added-by-hand"});
  // Start again: the folder is not chosen any more.
  dialogs.answerMsgBox(rt::vbOK);
  start();
  expectBox("Batch archival completed.\rRemaining items are unverified or contain errors!", rt::vbInformation,
                "Information");
  EXPECT_EQ(fake->connections(Side::Archive), 1);
}

// A document gone by the time the connection is made: nothing is sent and nothing counts as stored.
TEST_F(ArchiveTest, UploadOfAFileThatIsGoneSendsNothing) {
  arch::ArchiveUpload upload;
  std::optional<bool> stored;
  QObject::connect(&upload, &arch::ArchiveUpload::finished, [&](bool s) { stored = s; });
  dialogs.answerMsgBox(rt::vbOK);
  upload.start({"REINDEX", "A1", "A1", "", "", dir.file("gone.ach")});
  ASSERT_TRUE(waitUntil([&] { return stored.has_value(); }));
  EXPECT_FALSE(*stored);
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].text, "File does not exists!");
  EXPECT_EQ(dialogs.calls()[0].style, rt::vbExclamation);
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_TRUE(fake->receivedOn(Side::Archive).empty());
  EXPECT_FALSE(busy());
}

}  // namespace
}  // namespace archivetest
