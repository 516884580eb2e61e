#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace testsupport {

// A temporary folder removed when the test ends.
class TempDir {
 public:
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }

 private:
  QTemporaryDir dir_;
};

// A file's whole content; empty when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces a file's content with these bytes.
inline void writeFileBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  f.write(bytes);
}

}  // namespace testsupport
