#include "archive/frm_arch_retrieve.h"
#include "archive/frm_login.h"
#include "archive/register_windows.h"
#include "tests/archive/archive_fixture.h"
#include "workspace/archive_commands.h"

#include <QLineEdit>

namespace archivetest {
namespace {

class ArchiveMenuTest : public ArchiveTest {
 protected:
  QStringList opened;
  // Records the archive windows the menu opens instead of showing them.
  void recordWindows() {
    for (const char* name : {"frmTCPIP", "frmLogin", "frmArchRetrieve", "frmSelDir", "frmArchIndex", "frmArchVerify",
                             "frmArchBatch"})
      ws::registerWindow(QString::fromLatin1(name), [this, name](const QStringList& args) {
        opened << (QString::fromLatin1(name) + (args.isEmpty() ? QString() : QLatin1Char(':') + args.join('|')));
      });
  }
};

TEST_F(ArchiveMenuTest, ItemsFollowTheLoginAndTheRights) {
  frmImgClntForm* w = window();
  struct Case {
    QString user;
    bool view, update;
  } cases[] = {{"", false, false}, {"JOE", true, false}, {"JOE", true, true}, {"JOE", false, true}};
  for (const Case& c : cases) {
    ws::document().setLogin({c.user, c.view, c.update});
    ws::mnuArchive_Click(*w);
    EXPECT_EQ(enabled(w->Menu("mnuArchLogin")), c.user.isEmpty());
    EXPECT_EQ(enabled(w->Menu("mnuArchLogout")), !c.user.isEmpty());
    EXPECT_EQ(enabled(w->Menu("mnuArchRetrieve")), c.view);
    for (const char* item : {"mnuArchSend", "mnuArchIndexDir", "mnuArchBatchDir", "mnuArchIndex", "mnuArchVerify",
                             "mnuArchBatch"})
      EXPECT_EQ(enabled(w->Menu(QString::fromLatin1(item))), c.update) << item;
  }
}

TEST_F(ArchiveMenuTest, DirectoriesMustBeChosenFirst) {
  recordWindows();
  frmImgClntForm* w = window();
  const QString index = QStringLiteral("The index directory has not been specified yet!\rPlease specify the index directory first!");
  const QString batch = QStringLiteral("The batch directory has not been specified yet!\rPlease specify the batch directory first!");
  struct Case {
    void (*command)(frmImgClntForm&);
    QString indexDir, batchDir;
    QString message;  // empty: the window opens
    QString window;
  } cases[] = {
      {ws::mnuArchIndex_Click, "", "/b", index, ""},
      {ws::mnuArchIndex_Click, "/i", "", batch, ""},
      {ws::mnuArchIndex_Click, "/i", "/b", "", "frmArchIndex"},
      {ws::mnuArchVerify_Click, "/i", "", batch, ""},
      {ws::mnuArchBatch_Click, "", "/b", "", "frmArchBatch"},
      {ws::mnuArchBatchDir_Click, "", " /b ", "", "frmSelDir:   Select Batch Directory|/b"},
      {ws::mnuArchIndexDir_Click, "", "", "", "frmSelDir:   Select Index Directory|"},
  };
  for (const Case& c : cases) {
    gstrIndexDir = c.indexDir;
    gstrBatchDir = c.batchDir;
    opened.clear();
    if (!c.message.isEmpty()) dialogs.answerMsgBox(rt::vbOK);
    c.command(*w);
    if (!c.message.isEmpty()) {
      expectBox(c.message);
      EXPECT_TRUE(opened.isEmpty());
    } else {
      EXPECT_EQ(opened, QStringList{c.window});
    }
  }
}

TEST_F(ArchiveMenuTest, LogoutClosesTheArchivedDocumentFirstAndKeepsTheUserOnFailure) {
  recordWindows();
  frmImgClntForm* w = window();
  doc().login.update = true;
  doc().achId = QStringLiteral("A1");
  w->fnOpenImgFile(file(QStringLiteral("a.bmp"), {{8, 8, 0}}, 5));
  doc().docModified = true;
  dialogs.answerMsgBox(rt::vbCancel);
  ws::mnuArchLogout_Click(*w);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Image has been modified! Save changes?"));
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_EQ(w->StatusPanel(QStringLiteral("LOGIN")), QStringLiteral("JOE"));

  // Discarding closes it (with its unlock); the logout that does not complete is reported.
  doc().docModified = true;
  dialogs.answerMsgBox(rt::vbNo).answerMsgBox(rt::vbOK).answerMsgBox(rt::vbOK);
  ws::mnuArchLogout_Click(*w);
  EXPECT_EQ(opened, (QStringList{"frmTCPIP:UNLOCK", "frmTCPIP:LOGOUT"}));
  expectBox(QStringLiteral("Logout was unsuccessful!, Please inform your administrator"));
  EXPECT_TRUE(doc().login.update);
  EXPECT_EQ(w->StatusPanel(QStringLiteral("LOGIN")), QStringLiteral("JOE"));
}

TEST_F(ArchiveMenuTest, SendNeedsAnArchivedDocumentAndAYes) {
  recordWindows();
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("a.bmp"), {{8, 8, 0}}, 5));
  dialogs.answerMsgBox(rt::vbOK);
  ws::mnuArchSend_Click(*w);
  expectBox(QStringLiteral("There is no AchID attached to the current image!\rPlease use the index form to archive this image."));
  doc().achId = QStringLiteral("A1");
  dialogs.answerMsgBox(rt::vbNo);
  ws::mnuArchSend_Click(*w);
  expectBox(QStringLiteral("Commit the image back to Archive?"), rt::vbQuestion | rt::vbYesNo, QStringLiteral("Confirmation"));
  EXPECT_TRUE(opened.isEmpty());
  // A document that could not be saved is not sent: the archive would get the old file. (The
  // untitled image's format dialog is closed without a choice.)
  ws::registerWindow(QStringLiteral("frmImgSvSettings"), [](const QStringList&) {});
  w->fnNewImgFile(8, 8, 24, 0);
  doc().achId = QStringLiteral("A1");
  // The format dialog closed without a choice.
  ws::registerWindow(QStringLiteral("frmImgSvSettings"), [](const QStringList&) {});
  dialogs.answerMsgBox(rt::vbYes);
  ws::mnuArchSend_Click(*w);
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_NE(modTCP::gstrTCPCommand, QStringLiteral("ARCHIVE"));
}

// The criteria dialog cancelled: the open document stays as it was, keys and all.
TEST_F(ArchiveMenuTest, RetrieveCancelledKeepsTheOpenDocument) {
  recordWindows();
  frmImgClntForm* w = window();
  const QString path = file(QStringLiteral("doc.tif"), kThreePages, 4);
  w->fnOpenImgFile(path);
  doc().achId = QStringLiteral("OLD");
  doc().docModified = true;
  ws::mnuArchRetrieve_Click(*w);
  EXPECT_EQ(opened, QStringList{"frmArchRetrieve:RETRIEVE"});
  EXPECT_FALSE(ws::document().networkSucceeded());
  EXPECT_EQ(doc().achId, QStringLiteral("OLD"));
  EXPECT_EQ(doc().path, path);
  EXPECT_EQ(ws::document().pageCount(), 3);
  EXPECT_TRUE(doc().docModified);
  EXPECT_TRUE(dialogs.calls().empty());
  doc().docModified = false;
}

// OK in the criteria dialog closes the open document first: Cancel in its save question keeps it,
// and nothing is retrieved.
TEST_F(ArchiveMenuTest, RetrieveKeepsTheDocumentWhenItsSaveQuestionIsCancelled) {
  QStringList network;
  ws::registerWindow(QStringLiteral("frmTCPIP"), [&](const QStringList& args) { network << args.value(0); });
  ws::registerWindow(QStringLiteral("frmArchRetrieve"), [](const QStringList&) { frmArchRetrieve->Show(rt::vbModal); });
  frmImgClntForm* w = window();
  const QString path = file(QStringLiteral("doc.tif"), kThreePages, 4);
  w->fnOpenImgFile(path);
  doc().docModified = true;
  whenShown<frmArchRetrieveForm>(frmArchRetrieve, [](frmArchRetrieveForm* f) {
    f->txtAchID->setText(QStringLiteral("INV7"));
    f->cmdOK_Click();
  });
  dialogs.answerMsgBox(rt::vbCancel);
  ws::mnuArchRetrieve_Click(*w);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Image has been modified! Save changes?"));
  EXPECT_TRUE(network.isEmpty());
  EXPECT_EQ(doc().path, path);
  EXPECT_TRUE(doc().achId.isEmpty());
  EXPECT_EQ(ws::document().pageCount(), 3);
  EXPECT_FALSE(frmArchRetrieve.IsLoaded());
  doc().docModified = false;
}

// The whole round: log in, retrieve a three-page TIFF, edit and save it, send it back, close (which
// unlocks) and log out, against the fake archive's store.
TEST_F(ArchiveMenuTest, LoginRetrieveEditSendCloseLogout) {
  registerArchiveWindows();
  frmImgClntForm* w = window();
  ws::document().setLogin({});
  const QByteArray original = fileBytes(file(QStringLiteral("doc.tif"), kThreePages, 4));
  fakearchive::ArchiveStore store;
  store.chunk = 1000;
  store.documents.push_back({"INV7", "SMITH", "2026", original, {}, {}});
  store.attach(*fake);

  whenShown<frmLoginForm>(frmLogin, [this](frmLoginForm* f) {
    f->txtLogin->setText(QStringLiteral("joe"));
    f->txtPassword->setText(QStringLiteral("secret"));
    f->txtRemoteHost->setText(QStringLiteral("127.0.0.1"));
    f->txtRetPort->setText(QString::number(fake->requestPort()));
    f->txtAchPort->setText(QString::number(fake->archivePort()));
    f->cmdOK_Click();
  });
  ws::mnuArchLogin_Click(*w);
  EXPECT_EQ(w->StatusPanel(QStringLiteral("LOGIN")), QStringLiteral("JOE"));
  ASSERT_TRUE(doc().login.view && doc().login.update);

  whenShown<frmArchRetrieveForm>(frmArchRetrieve, [](frmArchRetrieveForm* f) {
    EXPECT_EQ(f->lblParm1->text(), QStringLiteral("Name :"));
    f->txtAchID->setText(QStringLiteral("inv7"));
    f->txtKey_Validate(f->txtAchID);
    f->cmdOK_Click();
  });
  ws::mnuArchRetrieve_Click(*w);
  ASSERT_EQ(ws::document().pageCount(), 3);
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex - Archived Document [INV7, SMITH, 2026]"));
  EXPECT_EQ(store.documents[0].lockedBy, QStringLiteral("JOE"));
  EXPECT_EQ(workingBytes(), original + '\0');

  // Edit page 2 and send the document back.
  w->ixTmb_Click(1);
  w->ixMain->CreateBlankImage(40, 25, 24, 0x00FFFF);
  doc().docModified = doc().pageModified = true;
  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbOK);
  whenShown<frmArchRetrieveForm>(frmArchRetrieve, [](frmArchRetrieveForm* f) {
    EXPECT_EQ(f->Caption(), QStringLiteral("   Archive Image"));
    EXPECT_EQ(f->txtAchID->text(), QStringLiteral("INV7"));
    f->cmdOK_Click();
  });
  ws::mnuArchSend_Click(*w);
  expectBox(QStringLiteral("Document archived successfully"), rt::vbInformation, QStringLiteral("Information"));
  const QByteArray stored = store.documents[0].bytes;
  EXPECT_NE(stored, original);
  const QString copy = dir.file(QStringLiteral("stored.tif"));
  QFile out(copy);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(stored);
  out.close();
  std::vector<Page> expected = kThreePages;
  expected[1].colour = 0x00FFFF;
  EXPECT_TRUE(samePages(readImage(copy), expected));

  // Closing unlocks; logging out clears the session.
  bool closed = false;
  w->fnCloseFile(false, closed);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(store.documents[0].lockedBy.isEmpty());
  ws::mnuArchLogout_Click(*w);
  EXPECT_TRUE(w->StatusPanel(QStringLiteral("LOGIN")).isEmpty());
  EXPECT_FALSE(doc().login.view || doc().login.update);
  const std::vector<QByteArray> req = fake->receivedOn(Side::Request);
  ASSERT_GE(req.size(), 2u);
  EXPECT_EQ(req[req.size() - 2], QByteArray("UNLOCK - INV7"));
  EXPECT_EQ(req.back(), QByteArray("LOGOUT - JOE"));
  EXPECT_FALSE(busy());
}

}  // namespace
}  // namespace archivetest
