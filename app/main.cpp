#include "albums/register_windows.h"
#include "archive/register_windows.h"
#include "imagetools/register_windows.h"
#include "platform/registry/registry.h"
#include "runtime/message_boxes.h"
#include "workspace/frm_img_clnt.h"

#include <QApplication>

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
  frmImgClnt->Show();
  // Settings that could be read only in part are said once, over the main window.
  if (const std::string note = plat::reg::TakeStoreNotice(); !note.empty())
    rt::ShowError(QString::fromStdString(note));
  // A smoke check for scripts and CI: start, show the main window, quit.
  if (qEnvironmentVariableIsSet("LUMIVEX_QUIT_AFTER_START")) QMetaObject::invokeMethod(&app, &QApplication::quit, Qt::QueuedConnection);
  return app.exec();
}
