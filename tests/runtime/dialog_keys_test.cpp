// Enter and Escape in a form, pressed on the shown window: Enter presses the focused button or the
// default button after the focused box's leave check, Escape the Cancel button.
#include "runtime/form.h"
#include "runtime/leave_check.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
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

// A control the program draws itself: it takes the focus and every key, as a picture viewer does.
class KeyEater : public QWidget {
  Q_OBJECT
 public:
  explicit KeyEater(QWidget* parent, bool claimsEscape = false) : QWidget(parent), claimsEscape_(claimsEscape) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(40, 30);
  }
  QList<int> keys;

 protected:
  bool event(QEvent* e) override {
    // One that uses Escape itself (an item editor) claims it before the window's shortcut.
    if (e->type() == QEvent::ShortcutOverride && claimsEscape_ && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
      e->accept();
      return true;
    }
    return QWidget::event(e);
  }
  void keyPressEvent(QKeyEvent* e) override { keys << e->key(); }

 private:
  bool claimsEscape_;
};

class frmViewerForm : public rt::Form {
 public:
  explicit frmViewerForm(bool withCancel, bool claimsEscape = false) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtName = new QLineEdit(this));
    auto* frame = new QFrame(this);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(6, 6, 6, 6);
    inner->addWidget(viewer = new KeyEater(frame, claimsEscape));
    layout->addWidget(frame);
    layout->addWidget(cmdOK = new QPushButton(QStringLiteral("OK"), this));
    layout->addWidget(cmdCancel = new QPushButton(QStringLiteral("Cancel"), this));
    if (withCancel) rt::setCancel(cmdCancel);
    connect(cmdCancel, &QPushButton::clicked, this, [this] { pressed << "Cancel"; });
  }
  QLineEdit* txtName = nullptr;
  KeyEater* viewer = nullptr;
  QPushButton *cmdOK = nullptr, *cmdCancel = nullptr;
  QStringList pressed;
  bool stopping = false;  // Escape means "stop" while set, as in a window running a search

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Escape && stopping) {
      pressed << "Stop";
      return;
    }
    rt::Form::keyPressEvent(e);
  }
};

QWidget* focusMark(const QWidget* form) {
  for (QWidget* w : form->findChildren<QWidget*>(QStringLiteral("focusMark")))
    if (w->isVisible()) return w;
  return nullptr;
}

// Escape typed into the window, whichever control has the focus: a control that eats every key does
// not keep it from Cancel; one that uses Escape itself keeps it; a window without Cancel leaves it
// to the control; a window that gives Escape a meaning of its own for a while keeps that.
TEST(DialogKeys, EscapeReachesCancelFromEveryControl) {
  struct Case {
    const char* name;
    bool withCancel;
    bool claimsEscape;
    bool stopping;
    QStringList pressed;
    QList<int> viewerKeys;
  } cases[] = {
      {"a viewer that eats keys", true, false, false, {"Cancel"}, {}},
      {"a control that uses Escape itself", true, true, false, {}, {Qt::Key_Escape}},
      {"no Cancel button", false, false, false, {}, {Qt::Key_Escape}},
      {"the window's own meaning first", true, false, true, {"Stop"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    frmViewerForm f(c.withCancel, c.claimsEscape);
    f.stopping = c.stopping;
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.viewer->setFocus();
    // Typed on the window, as the window system delivers it: shortcuts first, then the focus.
    QTest::keyClick(f.windowHandle(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(f.pressed, c.pressed);
    EXPECT_EQ(f.viewer->keys, c.viewerKeys);
  }
}

// Tab into a control that draws no focus of its own puts a mark around it; leaving it, by Tab or
// otherwise, takes the mark away. The standard controls draw their own and get none.
TEST(DialogKeys, TabShowsTheFocusOfAControlThatDrawsNone) {
  frmViewerForm f(true);
  f.Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.txtName->setFocus();
  QTest::keyClick(f.windowHandle(), Qt::Key_Tab);
  QApplication::processEvents();
  ASSERT_EQ(QApplication::focusWidget(), f.viewer);
  QWidget* mark = focusMark(&f);
  ASSERT_TRUE(mark);
  // Around the control, on top of it, and letting clicks through.
  const QRect around(f.viewer->mapTo(&f, QPoint(0, 0)), f.viewer->size());
  EXPECT_TRUE(QRect(mark->mapTo(&f, QPoint(0, 0)), mark->size()).contains(around.adjusted(-2, -2, 2, 2)));
  EXPECT_TRUE(mark->testAttribute(Qt::WA_TransparentForMouseEvents));
  const QImage shown = f.grab().toImage();
  EXPECT_NE(shown.pixelColor(around.left() - 2, around.center().y()), f.palette().color(QPalette::Window));

  QTest::keyClick(f.windowHandle(), Qt::Key_Tab);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), f.cmdOK);
  EXPECT_FALSE(focusMark(&f)) << "a push button draws its own focus";

  QTest::keyClick(f.windowHandle(), Qt::Key_Backtab);
  QApplication::processEvents();
  ASSERT_TRUE(focusMark(&f));
  f.txtName->setFocus(Qt::MouseFocusReason);
  QApplication::processEvents();
  EXPECT_FALSE(focusMark(&f));

  // A marked control that goes takes its mark with it, and the focus moves on without it.
  f.viewer->setFocus();
  f.txtName->setFocus();
  QTest::keyClick(f.windowHandle(), Qt::Key_Tab);
  ASSERT_TRUE(focusMark(&f));
  delete f.viewer;
  f.viewer = nullptr;
  QApplication::processEvents();
  EXPECT_FALSE(focusMark(&f));
  f.cmdOK->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), f.cmdOK);
}

}  // namespace

#include "dialog_keys_test.moc"
