#pragma once
// The main window with a fake archive on loopback and every exchange interval shortened.
#include "archive/exchange_link.h"
#include "runtime/screen.h"
#include "tests/archive/fake_archive.h"
#include "tests/support/main_window_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace archivetest {

using namespace mainwindowtest;
using fakearchive::Action;
using fakearchive::FakeArchive;
using fakearchive::Side;

class ArchiveTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // Short enough for quick tests, long enough that a loaded machine does not split a reply.
    arch::timing() = {1, 1000, 1000, 60};
    modTCP::gstrRemoteHost = QStringLiteral("127.0.0.1");
    freshFake();
    window();
    ws::document().setLogin({QStringLiteral("JOE"), doc().login.view, doc().login.update});
    doc().achId.clear();
    doc().parm1.clear();
    doc().parm2.clear();
    doc().origAchId.clear();
    gstrParm1Caption.clear();
    gstrParm2Caption.clear();
    gstrParm1MaxLen.clear();
    gstrParm2MaxLen.clear();
  }
  void TearDown() override {
    // A window the test meant to answer that never showed leaves its checks unrun.
    for (const QPointer<QTimer>& poll : polls_) {
      if (!poll || !poll->isActive()) continue;
      ADD_FAILURE() << "a window the test waited for never showed";
      delete poll.data();
    }
    polls_.clear();
    ws::documentState().login = {};
    if (frmImgClnt.IsLoaded()) frmImgClnt->setStatusPanel(QStringLiteral("LOGIN"), QString());
    MainWindowTest::TearDown();
    fake.reset();
    arch::timing() = {};
  }

  // A new fake with no rules, for the next case of a table.
  void freshFake() {
    fake = std::make_unique<FakeArchive>();
    modTCP::gstrRetPort = QString::number(fake->requestPort());
    modTCP::gstrAchPort = QString::number(fake->archivePort());
  }

  // Runs fn once a window of the default instance is showing (for the modal windows that an
  // exchange opens in its middle); the test fails when it never shows.
  template <class T>
  void whenShown(rt::DefaultInstance<T>& instance, std::function<void(T*)> fn) {
    auto* poll = new QTimer;
    polls_.push_back(poll);
    poll->setInterval(2);
    QObject::connect(poll, &QTimer::timeout, [poll, &instance, fn] {
      if (!instance.IsLoaded() || !instance->isVisible()) return;
      poll->stop();
      poll->deleteLater();
      fn(instance.get());
    });
    poll->start();
  }

  // Shows a modal form and returns when it has closed; a form still open after 10 s is unloaded
  // so that a broken exchange fails the test instead of hanging it.
  template <class T>
  static void showModal(rt::DefaultInstance<T>& instance) {
    QPointer<T> form = instance.get();
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [form] {
      ADD_FAILURE() << "the window did not close by itself";
      if (form) form->Unload();
    });
    guard.start(10000);
    form->Show(rt::vbModal);
  }

  // The message box shown at index at had this text, style and title.
  void expectBox(std::size_t at, const QString& text, int style, const QString& title) {
    ASSERT_GT(dialogs.calls().size(), at);
    EXPECT_EQ(dialogs.calls()[at].text, text);
    EXPECT_EQ(dialogs.calls()[at].style, style);
    EXPECT_EQ(dialogs.calls()[at].title, title);
  }
  // The same of the last message box.
  void expectBox(const QString& text, int style = rt::vbExclamation, const QString& title = QStringLiteral("Error")) {
    ASSERT_FALSE(dialogs.calls().empty());
    expectBox(dialogs.calls().size() - 1, text, style, title);
  }

  static QByteArray workingBytes() { return fileBytes(modTCP::fnWorkingFilePath()); }
  static bool workingExists() { return QFile::exists(modTCP::fnWorkingFilePath()); }
  static bool busy() { return rt::Screen::MousePointer() != rt::vbDefault; }

  std::unique_ptr<FakeArchive> fake;

 private:
  std::vector<QPointer<QTimer>> polls_;
};

}  // namespace archivetest

namespace archivetest {

// Runs the event loop until pred holds or ms (10 s) have passed; false on the time-out.
inline bool waitUntil(const std::function<bool()>& pred, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

}  // namespace archivetest
