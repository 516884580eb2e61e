#include "archive/frm_arch_retrieve.h"
#include "archive/frm_login.h"
#include "archive/frm_password.h"
#include "archive/frm_tcpip.h"
#include "archive/register_windows.h"
#include "tests/archive/archive_fixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace archivetest {
namespace {

class CriteriaTest : public ArchiveTest {
 protected:
  void TearDown() override {
    frmArchRetrieve.Unload();
    ArchiveTest::TearDown();
  }
};

TEST_F(CriteriaTest, CaptionsAndLengthsComeFromTheIndexDetails) {
  struct Case {
    QString caption1, len1, caption2, len2;
    QString label1, label2;
    int max1, max2;
  } cases[] = {
      {"", "", "", "", "Parm 1 :", "Parm 2 :", 50, 50},
      {"Name", "12", "Date", "8", "Name :", "Date :", 12, 8},
      {"", "x", "", "0", "Parm 1 :", "Parm 2 :", 50, 50},
  };
  for (const Case& c : cases) {
    gstrParm1Caption = c.caption1;
    gstrParm1MaxLen = c.len1;
    gstrParm2Caption = c.caption2;
    gstrParm2MaxLen = c.len2;
    frmArchRetrieveForm* f = frmArchRetrieve.get();
    EXPECT_EQ(f->lblParm1->text(), c.label1);
    EXPECT_EQ(f->lblParm2->text(), c.label2);
    EXPECT_EQ(f->txtParm1->maxLength(), c.max1);
    EXPECT_EQ(f->txtParm2->maxLength(), c.max2);
    EXPECT_EQ(f->txtAchID->maxLength(), 20);
    f->Unload();
  }
}

TEST_F(CriteriaTest, OkRuleByMode) {
  frmArchRetrieveForm* f = frmArchRetrieve.get();
  f->setAchIDBackColor(frmArchRetrieveForm::kWindowBackground);
  EXPECT_FALSE(f->cmdOK->isEnabled());
  f->txtParm2->setText(QStringLiteral(" x "));
  EXPECT_TRUE(f->cmdOK->isEnabled());
  f->setAchIDBackColor(frmArchRetrieveForm::kArchiveMode);
  EXPECT_FALSE(f->cmdOK->isEnabled());
  f->txtParm1->setText(QStringLiteral("y"));
  f->txtAchID->setText(QStringLiteral("   "));
  EXPECT_FALSE(f->cmdOK->isEnabled());
  f->txtAchID->setText(QStringLiteral("A1"));
  EXPECT_TRUE(f->cmdOK->isEnabled());
}

TEST_F(CriteriaTest, LeavingABoxTrimsAndUpperCasesAndRefusesSeparators) {
  frmArchRetrieveForm* f = frmArchRetrieve.get();
  f->txtAchID->setText(QStringLiteral("  a17 "));
  EXPECT_TRUE(f->txtKey_Validate(f->txtAchID));
  EXPECT_EQ(f->txtAchID->text(), QStringLiteral("A17"));
  for (QLineEdit* b : {f->txtAchID, f->txtParm1}) {
    b->setText(QStringLiteral("a,b"));
    dialogs.answerMsgBox(rt::vbOK);
    EXPECT_FALSE(f->txtKey_Validate(b));
    expectBox(b == f->txtAchID ? QStringLiteral("The archive ID must not contain commas or control characters!")
                               : QStringLiteral("A parameter must not contain commas or control characters!"));
  }
}

TEST_F(CriteriaTest, RetrieveThroughTheDialog) {
  registerArchiveWindows();
  fake->on(Side::Request, "INIT - ", {Action::send("ACK: PATH NOT FOUND")});
  modTCP::gstrTCPCommand = QStringLiteral("RETRIEVE");
  whenShown<frmArchRetrieveForm>(frmArchRetrieve, [](frmArchRetrieveForm* f) {
    EXPECT_EQ(f->Caption(), QStringLiteral("   Retrieve Image"));
    f->txtParm2->setText(QStringLiteral(" smith "));
    f->txtKey_Validate(f->txtParm2);
    f->cmdOK_Click();
  });
  dialogs.answerMsgBox(rt::vbOK);
  ws::openWindow(QStringLiteral("frmArchRetrieve"), {QStringLiteral("RETRIEVE")});
  EXPECT_FALSE(frmArchRetrieve.IsLoaded());
  EXPECT_EQ(fake->receivedOn(Side::Request), std::vector<QByteArray>{"INIT - JOE,,,SMITH,FALSE"});
  expectBox(QStringLiteral("Image Not Found!"));
}

// Enter in a box retrieves with the box's text as its check leaves it; Escape leaves without a request.
TEST_F(CriteriaTest, EnterRetrievesAndEscapeCancelsFromTheKeyboard) {
  registerArchiveWindows();
  struct Case {
    const char* name;
    Qt::Key key;
    std::vector<QByteArray> requests;
  } cases[] = {{"Enter", Qt::Key_Return, {"INIT - JOE,,,SMITH,FALSE"}}, {"Escape", Qt::Key_Escape, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshFake();
    fake->on(Side::Request, "INIT - ", {Action::send("ACK: PATH NOT FOUND")});
    modTCP::gstrTCPCommand = QStringLiteral("RETRIEVE");
    whenShown<frmArchRetrieveForm>(frmArchRetrieve, [&c](frmArchRetrieveForm* f) {
      ASSERT_TRUE(QTest::qWaitForWindowActive(f));
      f->txtParm2->setFocus();
      QTest::keyClicks(f->txtParm2, QStringLiteral(" smith "));
      QTest::keyClick(f->txtParm2, c.key);
    });
    if (!c.requests.empty()) dialogs.answerMsgBox(rt::vbOK);
    ws::openWindow(QStringLiteral("frmArchRetrieve"), {QStringLiteral("RETRIEVE")});
    EXPECT_FALSE(frmArchRetrieve.IsLoaded());
    EXPECT_EQ(fake->receivedOn(Side::Request), c.requests);
    if (!c.requests.empty()) expectBox(QStringLiteral("Image Not Found!"));
  }
}

// Each frame of the shown dialogs is as tall as what it holds, and the criteria's caption sits at
// the top of its frame.
TEST_F(CriteriaTest, FramesAreAsTallAsTheirContent) {
  struct Case {
    const char* name;
    std::function<rt::Form*()> open;
    std::function<void()> close;
  } cases[] = {
      {"login", [] { return static_cast<rt::Form*>(frmLogin.get()); }, [] { frmLogin.Unload(); }},
      {"password", [] { return static_cast<rt::Form*>(frmPassword.get()); }, [] { frmPassword.Unload(); }},
      {"criteria", [] { return static_cast<rt::Form*>(frmArchRetrieve.get()); }, [] { frmArchRetrieve.Unload(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rt::Form* f = c.open();
    f->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
    const QList<QGroupBox*> frames = f->findChildren<QGroupBox*>();
    ASSERT_FALSE(frames.isEmpty());
    for (QGroupBox* frame : frames) {
      QLayout* l = frame->layout();
      ASSERT_TRUE(l);
      const int needed = l->hasHeightForWidth() ? l->totalHeightForWidth(frame->width()) : l->totalSizeHint().height();
      EXPECT_LE(frame->height(), needed + 2) << frame->title().toStdString();
    }
    if (auto* criteria = qobject_cast<frmArchRetrieveForm*>(f)) {
      EXPECT_LE(criteria->lblCriteria->y(), 2 * criteria->fraCriteria->layout()->contentsMargins().top());
      EXPECT_LE(criteria->lblCriteria->x(), 2 * criteria->fraCriteria->layout()->contentsMargins().left());
    }
    c.close();
  }
}

TEST_F(CriteriaTest, ArchiveModeShowsTheKeysAndCancelLeavesThem) {
  registerArchiveWindows();
  doc().achId = QStringLiteral("A1");
  doc().parm1 = QStringLiteral("P1");
  doc().parm2 = QStringLiteral("P2");
  whenShown<frmArchRetrieveForm>(frmArchRetrieve, [](frmArchRetrieveForm* f) {
    EXPECT_EQ(f->Caption(), QStringLiteral("   Archive Image"));
    EXPECT_EQ(f->AchIDBackColor(), frmArchRetrieveForm::kArchiveMode);
    EXPECT_EQ(f->txtParm2->text(), QStringLiteral("P2"));
    f->txtAchID->setText(QStringLiteral("CHANGED"));
    f->cmdCancel_Click();
  });
  ws::openWindow(QStringLiteral("frmArchRetrieve"), {QStringLiteral("ARCHIVE")});
  EXPECT_EQ(doc().achId, QStringLiteral("A1"));
  EXPECT_FALSE(frmTCPIP.IsLoaded());
  EXPECT_EQ(fake->connections(Side::Archive), 0);
}

}  // namespace
}  // namespace archivetest
