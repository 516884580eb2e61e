#pragma once
// Small files for the album and browsing tests.
#include "tests/support/pictures.h"

#include <QFile>
#include <QString>

namespace albumtest {

// Writes a new picture of w x h in a format code (4 TIFF, 8 JPEG, 5 BMP, 10 PNG); pages > 1 gives
// further pages of other colours (TIFF, DCX).
inline void writePicture(const QString& path, int w = 40, int h = 30, int16_t format = 5, int pages = 1) {
  std::vector<testsupport::Page> all;
  for (int i = 0; i < pages; ++i) all.push_back({w, h, 0x00336699u + static_cast<uint32_t>(i) * 0x20});
  testsupport::writeImage(path, all, format);
}

inline void writeText(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

}  // namespace albumtest
