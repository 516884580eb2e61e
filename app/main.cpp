#include "albums/register_windows.h"
#include "archive/register_windows.h"
#include "imagetools/register_windows.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/settings/register_settings_windows.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kvtLumivex"));
  QApplication::setOrganizationName(QStringLiteral("Quorvane"));
  // The program ends when its main window has gone.
  QApplication::setQuitOnLastWindowClosed(true);
  // The one optional argument: an image document or an album. A path with blanks arrives as
  // several arguments when it was not quoted; it is one path all the same.
  QStringList args = QApplication::arguments();
  args.removeFirst();
  frmImgClntForm::setCommandLine(args.join(QLatin1Char(' ')));
  // The main window reaches the other subsystems' windows through the opener registry.
  registerArchiveWindows();
  registerImageToolsWindows();
  registerAlbumWindows();
  registerSettingsWindows();
  // A smoke check for scripts and CI: start, show the main window, close whatever it offers at its
  // first start, quit.
  if (qEnvironmentVariableIsSet("LUMIVEX_QUIT_AFTER_START")) {
    auto* done = new QTimer(&app);
    QObject::connect(done, &QTimer::timeout, &app, [] {
      if (QWidget* modal = QApplication::activeModalWidget())
        modal->close();
      else
        QApplication::quit();
    });
    done->start(0);
  }
  frmImgClnt->Show();
  return app.exec();
}
