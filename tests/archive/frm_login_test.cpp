#include "archive/frm_login.h"
#include "archive/frm_password.h"
#include "archive/mod_encryption.h"
#include "tests/archive/archive_fixture.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace archivetest {
namespace {

class LoginTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    ws::document().setLogin({QString(), doc().login.view, doc().login.update});
  }
  void TearDown() override {
    frmLogin.Unload();
    frmPassword.Unload();
    ArchiveTest::TearDown();
  }
  frmLoginForm* fill(const QString& login, const QString& password) {
    frmLoginForm* f = frmLogin.get();
    f->txtLogin->setText(login);
    f->txtPassword->setText(password);
    f->txtRemoteHost->setText(QStringLiteral("127.0.0.1"));
    f->txtRetPort->setText(QString::number(fake->requestPort()));
    f->txtAchPort->setText(QString::number(fake->archivePort()));
    return f;
  }
  // Presses OK and waits until the login closed the window or went back to idle.
  void login(frmLoginForm* f) {
    QPointer<frmLoginForm> w = f;
    f->cmdOK_Click();
    EXPECT_TRUE(waitUntil([&] { return !w || w->IsUnloaded() || !w->Busy(); }));
    EXPECT_FALSE(busy());
  }
};

TEST_F(LoginTest, SuccessfulLoginLeavesRightsServersIndexDetailsAndSettings) {
  fake->on(Side::Request, "LOGIN ATTEMPT - ", {Action::send("LOGIN OK - achview , achupd")})
      .on(Side::Request, "REQ INDEX DETAILS", {Action::send("INDEX DETAILS - Name , 20 , Date , 10 ", 7, 3)});
  frmLoginForm* f = fill(QStringLiteral(" joe "), QStringLiteral(" pw "));
  f->txtRemoteHost->setText(QStringLiteral("localhost"));
  ASSERT_TRUE(f->txtLogin_Validate());
  ASSERT_TRUE(f->txtRemoteHost_Validate());
  // An unloaded window may be deleted by the events the login runs: it is watched, not kept.
  const QPointer<frmLoginForm> window = f;
  login(f);
  EXPECT_TRUE(!window || window->IsUnloaded());
  EXPECT_EQ(fake->receivedOn(Side::Request),
            (std::vector<QByteArray>{"LOGIN ATTEMPT - JOE," + modEncryption::fnScramblePassword("pw"), "REQ INDEX DETAILS"}));
  EXPECT_EQ(fake->connections(Side::Request), 1);
  EXPECT_TRUE(doc().login.view);
  EXPECT_TRUE(doc().login.update);
  EXPECT_EQ(frmImgClnt->StatusPanel(QStringLiteral("LOGIN")), QStringLiteral("JOE"));
  EXPECT_EQ(modTCP::gstrRemoteHost, QStringLiteral("LOCALHOST"));
  EXPECT_EQ(modTCP::gstrRetPort, QString::number(fake->requestPort()));
  EXPECT_EQ((QStringList{gstrParm1Caption, gstrParm1MaxLen, gstrParm2Caption, gstrParm2MaxLen}),
            (QStringList{"Name", "20", "Date", "10"}));
  // Saved upper case, never the password; the next window starts from them.
  EXPECT_EQ(readValue(plat::reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", "Login"), QStringLiteral("JOE"));
  EXPECT_EQ(readValue(plat::reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", "RemoteHost"),
            QStringLiteral("LOCALHOST"));
  EXPECT_EQ(readValue(plat::reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", "Password"),
            QStringLiteral("<no value>"));
  frmLoginForm* again = frmLogin.get();
  EXPECT_EQ(again->txtLogin->text(), QStringLiteral("JOE"));
  EXPECT_EQ(again->txtAchPort->text(), QString::number(fake->archivePort()));
  EXPECT_TRUE(again->txtPassword->text().isEmpty());
  EXPECT_FALSE(again->cmdOK->isEnabled());
}

// The five boxes typed as a user types them, Tab between them, and Enter in the last one: the
// port's own check runs first, and only a port it accepts logs in.
TEST_F(LoginTest, EnterInTheLastBoxLogsInOnceItsPortIsAccepted) {
  struct Case {
    const char* name;
    QString achPort;  // "" for the fake's own
    bool loggedIn;
  } cases[] = {{"a good port", QString(), true}, {"a port with a letter", QStringLiteral("70x2"), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshFake();
    fake->on(Side::Request, "LOGIN ATTEMPT - ", {Action::send("LOGIN OK - ACHVIEW")})
        .on(Side::Request, "REQ INDEX DETAILS", {Action::send("INDEX DETAILS - Name,20,Date,10")});
    if (!c.loggedIn) dialogs.answerMsgBox(rt::vbOK);
    ws::document().setLogin({});  // each case starts logged out, the second after the first logged in
    const QPointer<frmLoginForm> f = frmLogin.get();
    f->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    const QString typed[] = {QStringLiteral("joe"), QStringLiteral("pw"), QStringLiteral("127.0.0.1"),
                             QString::number(fake->requestPort()),
                             c.achPort.isEmpty() ? QString::number(fake->archivePort()) : c.achPort};
    QLineEdit* boxes[] = {f->txtLogin, f->txtPassword, f->txtRemoteHost, f->txtRetPort, f->txtAchPort};
    for (int i = 0; i < 5; ++i) {
      ASSERT_EQ(QApplication::focusWidget(), boxes[i]);
      boxes[i]->selectAll();
      QTest::keyClicks(boxes[i], typed[i]);
      if (i < 4) QTest::keyClick(boxes[i], Qt::Key_Tab);
    }
    QTest::keyClick(f->txtAchPort, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return !f || f->IsUnloaded() || !f->Busy(); }));
    if (c.loggedIn) {
      EXPECT_TRUE(!f || f->IsUnloaded());
      EXPECT_EQ(frmImgClnt->StatusPanel(QStringLiteral("LOGIN")), QStringLiteral("JOE"));
      EXPECT_EQ(fake->receivedOn(Side::Request).size(), 2u);
    } else {
      expectBox(QStringLiteral("Port number must be numeric!"));
      EXPECT_EQ(dialogs.calls().size(), 1u);  // one box, not one per check
      ASSERT_TRUE(f && !f->IsUnloaded());
      EXPECT_EQ(QApplication::focusWidget(), f->txtAchPort);
      EXPECT_EQ(f->txtAchPort->selectedText(), QStringLiteral("70x2"));
      EXPECT_EQ(fake->connections(Side::Request), 0);
      // Escape leaves without logging in.
      QTest::keyClick(f->txtAchPort, Qt::Key_Escape);
      EXPECT_TRUE(!f || f->IsUnloaded());
      EXPECT_TRUE(frmImgClnt->StatusPanel(QStringLiteral("LOGIN")).isEmpty());
    }
  }
}

TEST_F(LoginTest, ServiceLoginSendsThePasswordAsTypedAndRepliesMayComeBackToBack) {
  fake->on(Side::Request, "LOGIN ATTEMPT - ", {Action::send("LOGIN OK - ACHVIEWINDEX DETAILS - Name,20, Date ")});
  gstrParm2MaxLen = QStringLiteral("7");
  login(fill(QStringLiteral(" telmux "), QStringLiteral(" Pw, ")));
  EXPECT_TRUE(frmLogin.IsLoaded() == false);
  EXPECT_EQ(fake->receivedOn(Side::Request).front(), QByteArray("LOGIN ATTEMPT - TELMUX,Pw,"));
  EXPECT_TRUE(doc().login.view);
  EXPECT_FALSE(doc().login.update);
  EXPECT_EQ(gstrParm1Caption, QStringLiteral("Name"));
  EXPECT_EQ(gstrParm2Caption, QStringLiteral(" Date "));
  EXPECT_EQ(gstrParm2MaxLen, QStringLiteral("7"));
}

TEST_F(LoginTest, FailuresKeepTheWindowOpenForAnotherTry) {
  struct Case {
    const char* name;
    fakearchive::Actions reply;
    QString text;
    bool refused = false;
  } cases[] = {
      {"invalid", {Action::send("LOGIN INVALID USER")}, "Invalid Login/Password pair!"},
      {"exists", {Action::send("LOGIN EXIST")}, "User already logged in!"},
      {"unexpected", {Action::send("HELLO")}, "Unexpected reply from server:\rHELLO"},
      {"silence", {}, "TCPIP network errors encountered. Operation aborted!"},
      {"closed", {Action::close()}, "TCPIP network errors encountered. Operation aborted!"},
      {"refused", {}, "Request Server could not be contacted. Operation aborted!", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshFake();
    fake->on(Side::Request, "LOGIN ATTEMPT - ", c.reply);
    frmLoginForm* f = fill(QStringLiteral("JOE"), QStringLiteral("pw"));
    if (c.refused) fake->stopListening(Side::Request);
    dialogs.answerMsgBox(rt::vbOK);
    login(f);
    ASSERT_FALSE(f->IsUnloaded());
    expectBox(c.text);
    EXPECT_TRUE(f->cmdOK->isEnabled());
    EXPECT_TRUE(frmImgClnt->StatusPanel(QStringLiteral("LOGIN")).isEmpty());
  }
}

TEST_F(LoginTest, InitialPasswordGoesThroughThePasswordChangeFirst) {
  fake->on(Side::Request, "LOGIN ATTEMPT - ", {Action::send("LOGIN OK - ACHUPD")})
      .on(Side::Request, "REQ INDEX DETAILS", {Action::send("INDEX DETAILS - A,1,B,2")})
      .on(Side::Request, "PWD CHG - ", {Action::send("PWD CHG COMPLETED")});
  dialogs.answerMsgBox(rt::vbOK);
  whenShown<frmPasswordForm>(frmPassword, [](frmPasswordForm* p) {
    EXPECT_FALSE(p->cmdSave->isEnabled());
    p->txtPwd1->setText(QStringLiteral(" new1 "));
    p->txtPwd2->setText(QStringLiteral("new1"));
    p->cmdSave_Click();
  });
  login(fill(QStringLiteral("telmux"), QString::fromLatin1(frmLoginForm::kInitialPassword)));
  EXPECT_FALSE(frmLogin.IsLoaded());
  expectBox(QStringLiteral("Password changed successfully!"), rt::vbInformation, QStringLiteral("Information"));
  // The new password is scrambled for every login, on a connection of its own.
  EXPECT_EQ(fake->receivedOn(Side::Request).back(), "PWD CHG - TELMUX," + modEncryption::fnScramblePassword("new1"));
  EXPECT_EQ(fake->connections(Side::Request), 2);
  EXPECT_TRUE(doc().login.update);
}

TEST_F(LoginTest, CancellingThePasswordChangeStillCompletesTheLogin) {
  fake->on(Side::Request, "LOGIN ATTEMPT - ", {Action::send("LOGIN OK - ACHUPD")})
      .on(Side::Request, "REQ INDEX DETAILS", {Action::send("INDEX DETAILS - A,1,B,2")});
  whenShown<frmPasswordForm>(frmPassword, [](frmPasswordForm* p) { p->cmdCancel_Click(); });
  login(fill(QStringLiteral("JOE"), QString::fromLatin1(frmLoginForm::kInitialPassword)));
  EXPECT_FALSE(frmLogin.IsLoaded());
  EXPECT_EQ(frmImgClnt->StatusPanel(QStringLiteral("LOGIN")), QStringLiteral("JOE"));
}

TEST_F(LoginTest, PasswordWindowRefusesDifferentTextsAndReportsFailures) {
  frmLogin->txtLogin->setText(QStringLiteral("JOE"));
  frmPasswordForm* p = frmPassword.get();
  p->txtPwd1->setText(QStringLiteral("a"));
  p->txtPwd2->setText(QStringLiteral("   "));
  EXPECT_FALSE(p->cmdSave->isEnabled());
  p->txtPwd2->setText(QStringLiteral("b"));
  dialogs.answerMsgBox(rt::vbOK);
  p->cmdSave_Click();
  expectBox(QStringLiteral("The values you have keyed in are not the same in both boxes!"));
  EXPECT_EQ(fake->connections(Side::Request), 0);

  // No answer: the window stays for another try; an unexpected answer ends it.
  p->txtPwd2->setText(QStringLiteral("a"));
  dialogs.answerMsgBox(rt::vbOK);
  p->cmdSave_Click();
  EXPECT_FALSE(p->cmdSave->isEnabled());  // no second press while it runs
  ASSERT_TRUE(waitUntil([&] { return !p->Busy(); }));
  expectBox(QStringLiteral("TCPIP network errors encountered. Operation aborted!"));
  EXPECT_FALSE(p->IsUnloaded());
  fake->on(Side::Request, "PWD CHG - ", {Action::send("NO")});
  dialogs.answerMsgBox(rt::vbOK);
  QPointer<frmPasswordForm> w = p;
  p->cmdSave_Click();
  ASSERT_TRUE(waitUntil([&] { return !w || w->IsUnloaded(); }));
  expectBox(QStringLiteral("Unexpected reply from server:\rNO"));
  EXPECT_FALSE(busy());
}

TEST_F(LoginTest, OkIsDisabledWhileTheLoginRunsAndClosingCancelsIt) {
  arch::timing().watchdogMs = 60000;
  frmLoginForm* f = fill(QStringLiteral("JOE"), QStringLiteral("pw"));
  QPointer<frmLoginForm> w = f;
  f->cmdOK_Click();
  EXPECT_FALSE(f->cmdOK->isEnabled());
  f->cmdOK_Click();  // a second press does nothing
  ASSERT_TRUE(waitUntil([&] { return !fake->received().empty(); }));
  f->close();
  EXPECT_TRUE(!w || w->IsUnloaded());
  EXPECT_FALSE(busy());
  EXPECT_EQ(fake->connections(Side::Request), 1);
  EXPECT_TRUE(frmImgClnt->StatusPanel(QStringLiteral("LOGIN")).isEmpty());
}

TEST_F(LoginTest, BoxRules) {
  frmLoginForm* f = fill(QStringLiteral("JOE"), QStringLiteral("   "));
  EXPECT_FALSE(f->cmdOK->isEnabled());
  f->txtPassword->setText(QStringLiteral("x"));
  EXPECT_TRUE(f->cmdOK->isEnabled());
  f->txtAchPort->setText(QString());
  EXPECT_FALSE(f->cmdOK->isEnabled());

  f->txtLogin->setText(QStringLiteral("  mary "));
  EXPECT_TRUE(f->txtLogin_Validate());
  EXPECT_EQ(f->txtLogin->text(), QStringLiteral("MARY"));
  struct Case {
    QLineEdit* box;
    const char* text;
    bool (frmLoginForm::*rule)();
    QString message;  // empty: accepted
  } cases[] = {
      {f->txtRetPort, " 7001 ", &frmLoginForm::txtRetPort_Validate, {}},
      {f->txtRetPort, "", &frmLoginForm::txtRetPort_Validate, {}},
      {f->txtRetPort, "70a", &frmLoginForm::txtRetPort_Validate, "Port number must be numeric!"},
      {f->txtAchPort, "-5", &frmLoginForm::txtAchPort_Validate, "Port number must be numeric!"},
      {f->txtAchPort, "70000", &frmLoginForm::txtAchPort_Validate, "Port number must be from 1 to 65535!"},
      {f->txtAchPort, "0", &frmLoginForm::txtAchPort_Validate, "Port number must be from 1 to 65535!"},
      {f->txtLogin, "JO,E", &frmLoginForm::txtLogin_Validate, "The login must not contain commas or control characters!"},
  };
  for (const Case& c : cases) {
    c.box->setText(QString::fromLatin1(c.text));
    if (!c.message.isEmpty()) dialogs.answerMsgBox(rt::vbOK);
    EXPECT_EQ((f->*c.rule)(), c.message.isEmpty()) << c.text;
    if (!c.message.isEmpty()) expectBox(c.message);
  }
}

}  // namespace
}  // namespace archivetest
