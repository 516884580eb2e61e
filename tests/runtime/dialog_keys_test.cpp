// Enter and Escape in a form, pressed on the shown window: Enter presses the focused button or the
// default button after the focused box's leave check, Escape the Cancel button.
#include "runtime/form.h"
#include "runtime/leave_check.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

class frmKeysForm : public rt::Form {
 public:
  frmKeysForm() {
    auto* layout = new QVBoxLayout(this);
    for (QLineEdit** b : {&txtName, &txtPort}) layout->addWidget(*b = new QLineEdit(this));
    for (QPushButton** b : {&cmdOK, &cmdOther, &cmdCancel}) layout->addWidget(*b = new QPushButton(this));
    cmdOK->setDefault(true);
    rt::setCancel(cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, [this] { pressed << "OK"; });
    connect(cmdOther, &QPushButton::clicked, this, [this] { pressed << "Other"; });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { pressed << "Cancel"; });
    // A port must be digits; the name is trimmed on leaving, and OK needs a name.
    rt::onLeave(txtPort, [this] {
      ++portChecks;
      for (QChar c : txtPort->text())
        if (!c.isDigit()) return false;
      return true;
    });
    rt::onLeave(txtName, [this] {
      txtName->setText(txtName->text().trimmed());
      return true;
    });
    connect(txtName, &QLineEdit::textChanged, this, [this](const QString& t) { cmdOK->setEnabled(!t.isEmpty()); });
  }
  QLineEdit *txtName = nullptr, *txtPort = nullptr;
  QPushButton *cmdOK = nullptr, *cmdOther = nullptr, *cmdCancel = nullptr;
  QStringList pressed;
  int portChecks = 0;
};

TEST(DialogKeys, EnterAndEscapePressTheButtonsTheirPropertiesName) {
  struct Case {
    const char* name;
    const char* nameText;
    const char* portText;
    const char* focus;  // "name", "port", "other"
    Qt::Key key;
    bool cancelHidden;
    QStringList pressed;
    int portChecks;
  } cases[] = {
      {"Enter in a box presses the default button", "ALICE", "7001", "port", Qt::Key_Return, false, {"OK"}, 1},
      {"the keypad's Enter too", "ALICE", "7001", "port", Qt::Key_Enter, false, {"OK"}, 1},
      {"a refused box keeps the focus and the button waits", "ALICE", "70x1", "port", Qt::Key_Return, false, {}, 1},
      {"a box emptied by its check leaves the button disabled", "   ", "7001", "name", Qt::Key_Return, false, {}, 0},
      {"Enter on another button presses that one", "ALICE", "7001", "other", Qt::Key_Return, false, {"Other"}, 0},
      {"Escape presses Cancel without checking the box", "ALICE", "70x1", "port", Qt::Key_Escape, false, {"Cancel"}, 0},
      {"a hidden Cancel is not pressed", "ALICE", "7001", "port", Qt::Key_Escape, true, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    frmKeysForm f;
    f.txtName->setText(QString::fromLatin1(c.nameText));
    f.txtPort->setText(QString::fromLatin1(c.portText));
    f.cmdCancel->setVisible(!c.cancelHidden);
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QWidget* focus = QString::fromLatin1(c.focus) == "name"   ? static_cast<QWidget*>(f.txtName)
                     : QString::fromLatin1(c.focus) == "port" ? static_cast<QWidget*>(f.txtPort)
                                                              : static_cast<QWidget*>(f.cmdOther);
    focus->setFocus();
    QTest::keyClick(focus, c.key);
    QApplication::processEvents();
    EXPECT_EQ(f.pressed, c.pressed);
    EXPECT_EQ(f.portChecks, c.portChecks);
    if (c.pressed.isEmpty() && c.key != Qt::Key_Escape) {
      EXPECT_EQ(QApplication::focusWidget(), focus);
      EXPECT_EQ(f.txtPort->selectedText(), c.portChecks ? f.txtPort->text() : QString());
    }
  }
}

}  // namespace
