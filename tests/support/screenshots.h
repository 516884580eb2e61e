#pragma once
// Pictures of windows for the documentation, taken when LUMIVEX_SCREENSHOTS names a folder
// (scripts/screenshots.sh); the tests that take them are skipped otherwise.
#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace testsupport {

inline bool screenshotsWanted() { return qEnvironmentVariableIsSet("LUMIVEX_SCREENSHOTS"); }

// Shows w, lets it lay itself out and paint, and saves its picture under name in that folder.
inline void saveScreenshot(QWidget* w, const char* name) {
  w->show();
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
  const QString path = QDir(qEnvironmentVariable("LUMIVEX_SCREENSHOTS")).filePath(QString::fromLatin1(name));
  EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
}

}  // namespace testsupport
