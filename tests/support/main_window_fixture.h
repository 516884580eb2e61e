#pragma once
// The main window fixture: a window of its own per test, with its registry, working folder and
// scanner configuration, scripted dialogs, and small image files written by the imaging control.
// Tests of any room that drive the main window use it (their suite links lumivex_program).
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "controls/scanning/scanning_control.h"
#include "platform/registry/registry.h"
#include "runtime/screen.h"
#include "tests/support/document.h"
#include "tests/support/mouse.h"
#include "tests/support/pictures.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "workspace/document/document_session.h"
#include "workspace/first_activation.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/thumb_strip.h"
#include "workspace/window_openers.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace mainwindowtest {

using namespace modVars;
using testsupport::doc;
using testsupport::RecordedCall;
using testsupport::Page;
using testsupport::readImage;
using testsupport::samePages;
using testsupport::fileBytes;
using testsupport::writeImage;

using testsupport::kThreePages;

// A left-button drag on a widget, as the user makes it.
inline void drag(QWidget* w, QPoint from, QPoint to) {
  auto send = [w](QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// The open document's pages, as the window shows them.
inline const ws::PageStore& pages() { return ws::document().pages(); }
inline int pageCount() { return ws::document().pageCount(); }
inline int pageWidth(int index) { return ws::document().pages().picture(index).width(); }
inline bool selected(int index) { return ws::document().pages().selected(index); }
inline QString caption(int index) { return ws::document().pages().caption(index); }

// A page added behind the last one, as a scan or an append brings it; it becomes the current page.
inline void appendPage(int32_t width, int32_t height, uint32_t colour) {
  img::ImagingControl page;
  page.CreateBlankImage(width, height, 24, colour);
  std::vector<img::Bitmap> picture{page.bitmap()};
  const int n = pageCount();
  ws::document().addPickedPages(ws::fnAppendPages(n, ws::document().state().currentPage, 1), std::move(picture));
}

// A click on a page's thumbnail in the strip, as the user makes it (the strip is laid out and
// scrolled so that the page is in view).
inline void clickThumb(frmImgClntForm* w, int index, Qt::MouseButton button = Qt::LeftButton) {
  ws::ThumbStrip& strip = w->strip();
  const QRect slot = strip.slotRect(index);
  testsupport::clickAt(w->picChild, slot.center(), button);
}

// A page's place in the strip's grid, in twips from the grid's top-left.
inline QRectF thumbPlace(frmImgClntForm* w, int index) {
  const QRect r = w->strip().slotRect(index);
  return QRectF(rt::Screen::ToTwipsX(r.x()), rt::Screen::ToTwipsY(r.y()) - w->strip().gridTop(), rt::Screen::ToTwipsX(r.width()),
                rt::Screen::ToTwipsY(r.height()));
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setScanners(false);
    plat::reg::SetRegistryFile(dir.file(QStringLiteral("registry")).toStdString());
    setFileAssoc(QStringLiteral("1"));
    rt::App::setWorkingFolder(dir.file(QStringLiteral("work")));
    // The desktop registration at start-up goes to the test's own data and configuration folders.
    qputenv("XDG_DATA_HOME", dir.file(QStringLiteral("xdg-data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir.file(QStringLiteral("xdg-config")).toLocal8Bit());
    ws::clearWindowOpeners();
    ws::setCommandLine(QString());
  }
  void TearDown() override {
    if (frmImgClnt.IsLoaded()) {
      doc().docModified = false;
      unloadNow();
    }
  }
  // Unloads the main window and destroys it at once, so that the next test starts afresh (its
  // scanning control closes the scanner library behind it).
  static bool unloadNow() {
    QPointer<frmImgClntForm> w = frmImgClnt.get();
    const bool done = frmImgClnt.Unload();
    if (done) delete w.data();
    return done;
  }

  // SANE's test backend as the only scanner, or no scanner at all. The scanner library looks its
  // configuration folder up once per process, so every test uses the same folder.
  static void setScanners(bool present) {
    static QTemporaryDir sane;
    QFile conf(QDir(sane.path()).filePath(QStringLiteral("dll.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
    if (present) conf.write("test\n");
    qputenv("SANE_CONFIG_DIR", sane.path().toLocal8Bit());
  }
  // The "FileAssoc" value; nullopt removes it.
  static void setFileAssoc(std::optional<QString> value) {
    using namespace plat::reg;
    HKEY key = nullptr;
    uint32_t disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", 0, "1", 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    if (value) {
      const QByteArray b = value->toLatin1();
      RegSetValueExA(key, "FileAssoc", 0, REG_SZ, reinterpret_cast<const uint8_t*>(b.constData()), b.size() + 1);
    } else {
      RegDeleteValueA(key, "FileAssoc");
    }
    RegCloseKey(key);
  }
  static QString readValue(plat::reg::HKEY root, const char* key, const char* name) {
    using namespace plat::reg;
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return QStringLiteral("<no key>");
    uint8_t buffer[512] = {};
    uint32_t size = sizeof(buffer), type = 0;
    const long rc = RegQueryValueExA(k, name, nullptr, &type, buffer, &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS ? QString::fromLatin1(reinterpret_cast<const char*>(buffer)) : QStringLiteral("<no value>");
  }

  // The window, shown, with its start-up scanner check answered.
  frmImgClntForm* window() {
    frmImgClntForm* w = frmImgClnt.get();
    if (!w->isVisible()) w->Show();
    waitForScannerCheck(w);
    return w;
  }
  static void waitForScannerCheck(frmImgClntForm* w) {
    QDeadlineTimer deadline(30000);
    while (w->twnMain->IsCheckingSources() && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_FALSE(w->twnMain->IsCheckingSources()) << "the scanner check never answered";
  }
  QString file(const QString& name, const std::vector<Page>& pages, int16_t format) {
    const QString path = dir.file(name);
    writeImage(path, pages, format);
    return path;
  }
  static bool enabled(QAction* a) { return a && a->isEnabled(); }
  static int pageShown(frmImgClntForm* w) { return w->ixMain->ImageWidth(); }

  testsupport::TempDir dir;
  testsupport::ScriptedDialogs dialogs;
};

}  // namespace mainwindowtest
