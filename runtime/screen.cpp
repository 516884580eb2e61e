#include "runtime/screen.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

#include <cmath>

namespace rt {

namespace {
double dpiX() {
  const QScreen* s = QGuiApplication::primaryScreen();
  const double d = s ? s->logicalDotsPerInchX() : 96.0;
  return d > 0 ? d : 96.0;
}
double dpiY() {
  const QScreen* s = QGuiApplication::primaryScreen();
  const double d = s ? s->logicalDotsPerInchY() : 96.0;
  return d > 0 ? d : 96.0;
}
int gPointer = vbDefault;
QString& workingOverride() {
  static QString s;
  return s;
}
}  // namespace

double Screen::TwipsPerPixelX() { return 1440.0 / dpiX(); }
double Screen::TwipsPerPixelY() { return 1440.0 / dpiY(); }
int Screen::ToPixelsX(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelX())); }
int Screen::ToPixelsY(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelY())); }
double Screen::ToTwipsX(double pixels) { return pixels * TwipsPerPixelX(); }
double Screen::ToTwipsY(double pixels) { return pixels * TwipsPerPixelY(); }

double Screen::Width() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return ToTwipsX(s ? s->geometry().width() : 1024);
}

double Screen::Height() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return ToTwipsY(s ? s->geometry().height() : 768);
}

int Screen::MousePointer() { return gPointer; }

void Screen::setMousePointer(int pointer) {
  if (pointer == gPointer) return;
  if (gPointer != vbDefault && qApp) QApplication::restoreOverrideCursor();
  gPointer = pointer;
  if (!qApp) return;
  if (pointer == vbHourglass) QApplication::setOverrideCursor(Qt::WaitCursor);
  else if (pointer == vbArrow) QApplication::setOverrideCursor(Qt::ArrowCursor);
}

QString App::Path() { return QCoreApplication::applicationDirPath(); }

QString App::Title() { return QStringLiteral("   Image Lumivex"); }

QString App::EXEName() { return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(); }

QString App::WorkingFolder() {
  QString dir = workingOverride();
  if (dir.isEmpty()) {
    dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (dir.isEmpty()) dir = QDir::homePath() + "/.local/share/kvtLumivex";
  }
  QDir().mkpath(dir);
  return dir;
}

void App::setWorkingFolder(const QString& folder) { workingOverride() = folder; }

QString App::Resource(const QString& fileName) {
  const QString beside = QDir(Path()).filePath(fileName);
  if (QFileInfo::exists(beside)) return beside;
  const QString installed = QStandardPaths::locate(QStandardPaths::AppDataLocation, fileName);
  return installed;
}

}  // namespace rt
