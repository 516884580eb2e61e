#include "workspace/program_guide.h"

#include "runtime/message_boxes.h"
#include "runtime/screen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace ws {
namespace {
const QString kGuide = QStringLiteral("guide/index.html");
}  // namespace

QStringList guidePlaces() {
  QStringList places{QDir(rt::App::Path()).filePath(kGuide)};
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

void openGuide(const QStringList& places) {
  const QString guide = findGuide(places);
  if (guide.isEmpty()) {
    rt::ShowError(QStringLiteral("The guide of Image Lumivex was not found. It was looked for in:") + QLatin1Char('\r') +
                  places.join(QLatin1Char('\r')));
    return;
  }
  // What the browser does with it is the desktop's business, as a double click in a file manager.
  QDesktopServices::openUrl(QUrl::fromLocalFile(guide));
}

}  // namespace ws
