#pragma once
#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A temporary folder removed when the test ends.
class TempDir {
 public:
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }

 private:
  QTemporaryDir dir_;
};

}  // namespace testsupport
