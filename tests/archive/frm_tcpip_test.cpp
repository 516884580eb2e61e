#include "archive/frm_arch_ret_opt.h"
#include "archive/frm_tcpip.h"
#include "tests/archive/archive_fixture.h"

#include <QTreeWidget>

namespace archivetest {
namespace {

const QString kNetworkErrors = QStringLiteral("TCPIP network errors encountered. Operation aborted!");
const QByteArray kDoc = QByteArrayLiteral("0123456789ABCDEFGHIJ");  // N = 20 announced, 21 sent

QByteArray indices(int n, const char* keys = "A7,P1,Q1") {
  return QByteArray("ACK: INDICES, BYTES - ") + keys + ',' + QByteArray::number(n);
}

class NetworkWindowTest : public ArchiveTest {
 protected:
  // Runs one command through the network window; true when it reported success.
  bool run(const QString& command) {
    modTCP::gstrTCPCommand = command;
    ws::documentState().network = ws::NetworkResult::Failed;
    showModal(frmTCPIP);
    EXPECT_FALSE(busy()) << "the busy pointer stays after " << command.toStdString();
    return ws::document().networkSucceeded();
  }
};

// ---- Retrieve ------------------------------------------------------------------------------------

TEST_F(NetworkWindowTest, RetrieveWritesExactlyNPlusOneBytesAndTakesTheReplysKeys) {
  struct Case {
    const char* name;
    fakearchive::Actions onInit;
    fakearchive::Actions onProceed;
  } cases[] = {
      {"one chunk", {Action::send(indices(20))}, {Action::send(kDoc + '\0')}},
      {"many chunks with gaps", {Action::send(indices(20))}, {Action::send(kDoc + '\0', 3, 5)}},
      {"reply split with a gap", {Action::send(indices(20), 9, 5)}, {Action::send(kDoc + '\0')}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshFake();
    fake->on(Side::Request, "INIT - ", c.onInit).on(Side::Request, "ACK: PLEASE PROCEED", c.onProceed);
    doc().achId = QStringLiteral("a7");
    doc().parm1.clear();
    doc().parm2.clear();
    doc().login.update = true;
    EXPECT_TRUE(run(QStringLiteral("RETRIEVE")));
    EXPECT_EQ(fake->receivedOn(Side::Request),
              (std::vector<QByteArray>{"INIT - JOE,a7,,,TRUE", "ACK: PLEASE PROCEED"}));
    EXPECT_EQ(workingBytes(), kDoc + '\0');
    EXPECT_EQ(doc().achId, QStringLiteral("A7"));
    EXPECT_EQ(doc().origAchId, QStringLiteral("A7"));
    EXPECT_EQ(doc().parm1, QStringLiteral("P1"));
    EXPECT_EQ(doc().parm2, QStringLiteral("Q1"));
  }
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(NetworkWindowTest, RetrieveFailuresReportAndLeaveNoDocument) {
  const QString unexpected = QStringLiteral("Unexpected message received from Image Server:\r");
  struct Case {
    const char* name;
    fakearchive::Actions onInit;
    fakearchive::Actions onProceed;
    QString text;
    int style;
    bool keysCleared;
  } cases[] = {
      {"path not found", {Action::send("ACK: PATH NOT FOUND")}, {}, "Image Not Found!", rt::vbExclamation, true},
      {"file not found", {Action::send("ACK: FILE NOT FOUND")}, {}, "Image Not Found!", rt::vbExclamation, true},
      {"not found with a trailing blank", {Action::send("ACK: FILE NOT FOUND ")}, {}, unexpected + "ACK: FILE NOT FOUND ",
       rt::vbExclamation, false},
      {"locked", {Action::send("ACK: FILE LOCKED - MARY")}, {}, "File is locked by:\rMARY", rt::vbInformation, true},
      {"unexpected", {Action::send("HELLO")}, {}, unexpected + "HELLO", rt::vbExclamation, false},
      {"logout reply to a retrieve", {Action::send("LOGOUT COMPLETED")}, {}, unexpected + "LOGOUT COMPLETED",
       rt::vbExclamation, false},
      {"silence", {}, {}, kNetworkErrors, rt::vbExclamation, false},
      {"stall", {Action::send(indices(20))}, {Action::send(kDoc.left(7))}, kNetworkErrors, rt::vbExclamation, false},
      {"early close", {Action::send(indices(20))}, {Action::send(kDoc.left(7)), Action::close()}, kNetworkErrors,
       rt::vbExclamation, false},
      {"too many bytes", {Action::send(indices(20))}, {Action::send(kDoc + "\0\0")}, kNetworkErrors, rt::vbExclamation,
       false},
      {"negative count", {Action::send(indices(-1))}, {}, kNetworkErrors, rt::vbExclamation, false},
      {"count not a number", {Action::send("ACK: INDICES, BYTES - A,B,C,x1")}, {}, kNetworkErrors, rt::vbExclamation,
       false},
      {"bytes before the go-ahead", {Action::send(indices(3)), Action::send("abcd")}, {}, kNetworkErrors,
       rt::vbExclamation, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshFake();
    fake->on(Side::Request, "INIT - ", c.onInit).on(Side::Request, "ACK: PLEASE PROCEED", c.onProceed);
    doc().achId = QStringLiteral("A7");
    dialogs.answerMsgBox(rt::vbOK);
    EXPECT_FALSE(run(QStringLiteral("RETRIEVE")));
    expectBox(c.text, c.style, c.style == rt::vbInformation ? QStringLiteral("Information") : QStringLiteral("Error"));
    EXPECT_FALSE(workingExists());
    EXPECT_EQ(doc().achId.isEmpty(), c.keysCleared);
  }
}

TEST_F(NetworkWindowTest, RefusedConnectionIsReportedAtOnce) {
  fake->stopListening(Side::Request);
  arch::timing().watchdogMs = 60000;  // the refusal, not the watchdog, must end it
  dialogs.answerMsgBox(rt::vbOK);
  EXPECT_FALSE(run(QStringLiteral("RETRIEVE")));
  expectBox(QStringLiteral("Request Server could not be contacted. Operation aborted!"));
}

TEST_F(NetworkWindowTest, SeveralMatchesLetTheUserPickOneOrCancel) {
  gstrParm1Caption = QStringLiteral("Name");
  gstrParm2Caption = QStringLiteral("Date");
  fake->on(Side::Request, "INIT - JOE,,SMITH,,", {Action::send("ACK: NUM PATHS - 2:A1,SMITH,D1,A2,SMITH,D2")})
      .on(Side::Request, "INIT - JOE,A2,SMITH,D2,", {Action::send(indices(3, "A2,SMITH,D2"))})
      .on(Side::Request, "ACK: PLEASE PROCEED", {Action::send("abc", 1, 2), Action::send(QByteArray(1, '\0'))});
  doc().parm1 = QStringLiteral("SMITH");
  QStringList headers;
  whenShown<frmArchRetOptForm>(frmArchRetOpt, [&](frmArchRetOptForm* f) {
    for (int i = 0; i < 3; ++i) headers << f->lsvItem->headerItem()->text(i);
    EXPECT_EQ(f->lsvItem->topLevelItemCount(), 2);
    EXPECT_TRUE(doc().parm1.isEmpty());  // cleared while the chooser shows
    f->lsvItem->setCurrentItem(f->lsvItem->topLevelItem(1));
    f->cmdOK_Click();
  });
  EXPECT_TRUE(run(QStringLiteral("RETRIEVE")));
  EXPECT_EQ(headers, (QStringList{"Archive ID", "Name", "Date"}));
  EXPECT_EQ(fake->receivedOn(Side::Request), (std::vector<QByteArray>{"INIT - JOE,,SMITH,,FALSE", "INIT - JOE,A2,SMITH,D2,FALSE",
                                                                      "ACK: PLEASE PROCEED"}));
  EXPECT_EQ(fake->connections(Side::Request), 1);
  EXPECT_EQ(workingBytes(), QByteArray("abc") + '\0');

  // Cancelling closes the window silently.
  doc().parm1 = QStringLiteral("SMITH");
  doc().achId.clear();
  doc().parm2.clear();
  whenShown<frmArchRetOptForm>(frmArchRetOpt, [](frmArchRetOptForm* f) { f->cmdCancel_Click(); });
  EXPECT_FALSE(run(QStringLiteral("RETRIEVE")));
  EXPECT_TRUE(dialogs.calls().empty());
  EXPECT_TRUE(doc().parm1.isEmpty());
}

TEST_F(NetworkWindowTest, ChooserRefusesOkWithoutASelection) {
  fake->on(Side::Request, "INIT - ", {Action::send("ACK: NUM PATHS - 1:A1,P,Q")});
  doc().achId = QStringLiteral("A");
  dialogs.answerMsgBox(rt::vbOK);
  whenShown<frmArchRetOptForm>(frmArchRetOpt, [&](frmArchRetOptForm* f) {
    f->lsvItem->clearSelection();
    f->cmdOK_Click();
    EXPECT_TRUE(f->isVisible());
    f->cmdCancel_Click();
  });
  EXPECT_FALSE(run(QStringLiteral("RETRIEVE")));
  expectBox(QStringLiteral("Please select a record to retrieve first!"));
}

// ---- Logout and unlock ---------------------------------------------------------------------------

TEST_F(NetworkWindowTest, LogoutAndUnlock) {
  fake->on(Side::Request, "LOGOUT - ", {Action::send("LOGOUT COMPLETED")})
      .on(Side::Request, "UNLOCK - ", {Action::send("UNLOCK COMPLETED")});
  EXPECT_TRUE(run(QStringLiteral("LOGOUT")));
  doc().achId = QStringLiteral("A9");
  EXPECT_TRUE(run(QStringLiteral("UNLOCK")));
  // After a commit under a new ID the lock taken at the retrieve is the one released.
  doc().origAchId = QStringLiteral("A1");
  EXPECT_TRUE(run(QStringLiteral("UNLOCK")));
  EXPECT_EQ(fake->receivedOn(Side::Request), (std::vector<QByteArray>{"LOGOUT - JOE", "UNLOCK - A9", "UNLOCK - A1"}));
  EXPECT_EQ(fake->connections(Side::Request), 3);
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(NetworkWindowTest, LogoutAndUnlockFailures) {
  struct Case {
    const char* name;
    const char* command;
    fakearchive::Actions reply;
    QString text;
  } cases[] = {
      {"logout silence", "LOGOUT", {}, kNetworkErrors},
      {"logout answered as unlock", "LOGOUT", {Action::send("UNLOCK COMPLETED")},
       "Unexpected message received from Image Server:\rUNLOCK COMPLETED"},
      {"unlock closed", "UNLOCK", {Action::close()}, kNetworkErrors},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshFake();
    fake->on(Side::Request, "", c.reply);
    dialogs.answerMsgBox(rt::vbOK);
    EXPECT_FALSE(run(QString::fromLatin1(c.command)));
    expectBox(c.text);
  }
}

// ---- Commit --------------------------------------------------------------------------------------

TEST_F(NetworkWindowTest, CommitSendsHeaderThenTheFileAndAZeroByte) {
  const QString docPath = dir.file(QStringLiteral("doc.tif"));
  QFile f(docPath);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(kDoc);
  f.close();
  doc().path = docPath;
  doc().origAchId = QStringLiteral("OLD");
  doc().achId = QStringLiteral("NEW");
  doc().parm1 = QStringLiteral("P1");
  doc().parm2 = QStringLiteral("P2");
  fake->on(Side::Archive, "ARCH: OPS", {Action::send("ARCH: PLEASE PROCEED")})
      .on(Side::Archive, fakearchive::kUpload, {Action::send("ARCH: TRANSFER COMPLETED", 5, 3)});
  dialogs.answerMsgBox(rt::vbOK);
  // The archive upload reports through its own window, not as a network result.
  ws::documentState().network = ws::NetworkResult::Failed;
  modTCP::gstrTCPCommand = QStringLiteral("ARCHIVE");
  showModal(frmTCPIP);
  EXPECT_FALSE(busy());
  expectBox(QStringLiteral("Document archived successfully"), rt::vbInformation, QStringLiteral("Information"));
  EXPECT_EQ(fake->receivedOn(Side::Archive),
            (std::vector<QByteArray>{"ARCH: OPS, INDICES, BYTES - REINDEX,OLD,NEW,P1,P2,20", kDoc + '\0'}));
  EXPECT_EQ(ws::documentState().network, ws::NetworkResult::Failed);
  doc().path.clear();
}

TEST_F(NetworkWindowTest, CommitFailures) {
  const QString docPath = dir.file(QStringLiteral("doc.tif"));
  QFile f(docPath);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(kDoc);
  f.close();
  const QString contact = QStringLiteral("Archive Server could not be contacted. Operation aborted!");
  struct Case {
    const char* name;
    fakearchive::Actions onHeader, onUpload;
    QString text;
    int style;
    int messages;  // what the fake received
    bool missingFile = false;
    bool refused = false;
  } cases[] = {
      {"confirm is an error", {Action::send("ARCH: PLEASE CONFIRM - A,B,C")}, {}, "ARCH: PLEASE CONFIRM - A,B,C", 0, 1},
      {"raw error text", {Action::send("ARCH: DISK FULL")}, {}, "ARCH: DISK FULL", 0, 1},
      {"completed without the go-ahead", {Action::send("ARCH: TRANSFER COMPLETED")}, {}, "ARCH: TRANSFER COMPLETED", 0, 1},
      {"silence after the header", {}, {}, kNetworkErrors, rt::vbExclamation, 1},
      {"silence after the bytes", {Action::send("ARCH: PLEASE PROCEED")}, {}, kNetworkErrors, rt::vbExclamation, 2},
      {"go-ahead twice", {Action::send("ARCH: PLEASE PROCEED")}, {Action::send("ARCH: PLEASE PROCEED")},
       "ARCH: PLEASE PROCEED", 0, 2},
      {"missing file", {}, {}, "File does not exists!", rt::vbExclamation, 0, true},
      {"refused", {}, {}, contact, rt::vbExclamation, 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshFake();
    if (c.refused) fake->stopListening(Side::Archive);
    fake->on(Side::Archive, "ARCH: OPS", c.onHeader).on(Side::Archive, fakearchive::kUpload, c.onUpload);
    doc().path = c.missingFile ? dir.file(QStringLiteral("gone.tif")) : docPath;
    doc().achId = doc().origAchId = QStringLiteral("A1");
    dialogs.answerMsgBox(rt::vbOK);
    modTCP::gstrTCPCommand = QStringLiteral("ARCHIVE");
    showModal(frmTCPIP);
    EXPECT_FALSE(busy());
    expectBox(c.text, c.style);
    EXPECT_EQ(static_cast<int>(fake->received().size()), c.messages);
  }
  doc().path.clear();
}

TEST_F(NetworkWindowTest, UnknownCommandClosesAtOnce) {
  EXPECT_FALSE(run(QStringLiteral("NOTHING")));
  EXPECT_EQ(fake->connections(Side::Request) + fake->connections(Side::Archive), 0);
}

TEST_F(NetworkWindowTest, ClosingTheWindowMidExchangeCancelsIt) {
  fake->on(Side::Request, "INIT - ", {Action::send(indices(20))})
      .on(Side::Request, "ACK: PLEASE PROCEED", {Action::send(kDoc.left(4))});
  arch::timing().watchdogMs = 60000;
  doc().achId = QStringLiteral("A7");
  QTimer::singleShot(150, [] { frmTCPIP->close(); });
  EXPECT_FALSE(run(QStringLiteral("RETRIEVE")));
  EXPECT_FALSE(workingExists());
  EXPECT_TRUE(dialogs.calls().empty());
}

}  // namespace
}  // namespace archivetest
