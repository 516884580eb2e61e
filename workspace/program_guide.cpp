#include "workspace/program_guide.h"

#include "runtime/message_boxes.h"
#include "runtime/screen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace ws {
namespace {
const QString kGuide = QStringLiteral("guide/index.html");
}  // namespace

QStringList guidePlaces() {
  QStringList places{QDir(rt::App::Path()).filePath(kGuide)};
#ifdef LUMIVEX_DATA_FROM_PROGRAM
  // Installed: the data folder under the same prefix as the program's folder, whichever it is.
  places << QDir::cleanPath(QDir(rt::App::Path()).filePath(QStringLiteral(LUMIVEX_DATA_FROM_PROGRAM "/") + kGuide));
#endif
  for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::AppDataLocation))
    places << QDir(dir).filePath(kGuide);
  places.removeDuplicates();
  return places;
}

QString findGuide(const QStringList& places) {
  for (const QString& place : places)
    if (QFileInfo(place).isFile()) return place;
  return QString();
}

void showWithDesktop(const QString& path, const std::function<void()>& failed) {
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) failed();
    return;
  }
  // What the browser does with the file is the desktop's business, as after a double click in a
  // file manager; only whether something took it is the program's. Some desktops keep xdg-open
  // running as long as the browser: it is left to run, with nothing of it held by a pipe, and
  // outlives the program if need be.
  auto* process = new QProcess;
  process->setProgram(opener);
  process->setArguments({path});
  process->setStandardInputFile(QProcess::nullDevice());
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit || code != 0) failed();
    process->deleteLater();
  });
  QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    failed();
    process->deleteLater();
  });
  process->start();
}

void openGuide(const QStringList& places) {
  const QString guide = findGuide(places);
  if (guide.isEmpty()) {
    rt::ShowError(QStringLiteral("The guide of Image Lumivex was not found. It was looked for in:") + QLatin1Char('\r') +
                  places.join(QLatin1Char('\r')));
    return;
  }
  showWithDesktop(guide, [guide] {
    rt::ShowError(QStringLiteral("No browser could show the guide of Image Lumivex. Open this file in a browser:") +
                  QLatin1Char('\r') + guide);
  });
}

}  // namespace ws
