#include "albums/register_windows.h"
#include "archive/register_windows.h"
#include "imagetools/register_windows.h"
#include "platform/registry/registry.h"
#include "platform/text/native_path.h"
#include "runtime/message_boxes.h"
#include "workspace/first_activation.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/settings/frm_about.h"
#include "workspace/settings/register_settings_windows.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

// For scripts and CI: what the program does once its main window is up. "quit" ends it, "close"
// closes the main window as its title bar does, any other word runs that menu item of the main
// window ("mnuFileExit").
void runAfterStart(const QString& step) {
  if (step.isEmpty()) return;
  // Whatever the program offers at its first start (the file associations) is closed first.
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, qApp, [step, timer] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modal->close();
      return;
    }
    timer->stop();
    if (step == QLatin1String("quit")) {
      QCoreApplication::exit(0);
    } else if (step == QLatin1String("close")) {
      if (frmImgClnt.IsLoaded()) frmImgClnt->close();
    } else if (QAction* item = frmImgClnt.IsLoaded() ? frmImgClnt->Menu(step) : nullptr) {
      item->trigger();
    }
  });
  timer->start(0);
}

// --help and --version answer on standard output and end the program before any window (or the
// display it would need) is opened. Returns true when one of them was asked for.
bool answeredCommandLineQuestion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf(
          "Usage: kvtLumivex [IMAGE-FILE | ALBUM.kvt]\n"
          "Creates, scans, views, annotates, converts, prints and organises image documents.\n"
          "An image file given is opened as the document; an album (.kvt) opens in the album manager.\n"
          "\n"
          "  --help     show this help and exit\n"
          "  --version  show the version and exit\n");
      return true;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("kvtLumivex (Image Lumivex) %s\n", kProgramVersion);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (answeredCommandLineQuestion(argc, argv)) return 0;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kvtLumivex"));
  QApplication::setOrganizationName(QStringLiteral("Quorvane"));
  // The desktop matches the windows to the program's desktop entry, and shows its own picture.
  QGuiApplication::setDesktopFileName(QStringLiteral("kvtLumivex"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/desktop/kvtLumivex.svg")));
  // The program ends when its main window goes, whichever way it goes: File > Exit unloads it
  // (which hides it rather than closing it), the title bar closes it. Other windows left open,
  // such as a modeless palette, do not keep the process alive without it.
  QApplication::setQuitOnLastWindowClosed(false);
  // The one optional argument: an image document or an album. A path with blanks arrives as
  // several arguments when it was not quoted; it is one path all the same. The arguments are taken
  // as the bytes the system gave (what Qt left of them), so that a name that is not valid UTF-8
  // still opens its file.
  QStringList args;
  for (int i = 1; i < argc; ++i) args << plat::pathFromNative(argv[i]);
  ws::setCommandLine(args.join(QLatin1Char(' ')));
  // The main window reaches the other subsystems' windows through the opener registry.
  registerArchiveWindows();
  registerImageToolsWindows();
  registerAlbumWindows();
  registerSettingsWindows();
  frmImgClntForm* mainWindow = frmImgClnt.get();
  QObject::connect(mainWindow, &QObject::destroyed, &app, [] { QCoreApplication::exit(0); });
  // Armed before the window shows: its first activation may already open a modal window.
  runAfterStart(qEnvironmentVariable("LUMIVEX_AFTER_START"));
  mainWindow->Show();
  // Settings that could be read only in part are said once, over the main window once it shows.
  if (const std::string note = plat::reg::TakeStoreNotice(); !note.empty())
    QTimer::singleShot(0, &app, [note] { rt::ShowError(QString::fromStdString(note)); });
  return app.exec();
}
