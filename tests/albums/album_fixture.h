#pragma once
// Small image files written by the imaging control for the album and browsing tests.
#include "controls/imaging/imaging_control.h"

#include <QFile>
#include <QString>

namespace albumtest {

// Writes a picture of w x h in a format code (4 TIFF, 8 JPEG, 5 BMP, 10 PNG); pages > 1 appends
// further pages (TIFF, DCX).
inline void writePicture(const QString& path, int w = 40, int h = 30, int16_t format = 5, int pages = 1) {
  for (int i = 0; i < pages; ++i) {
    img::ImagingControl ix;
    ix.CreateBlankImage(w, h, 24, 0x00336699u + static_cast<uint32_t>(i) * 0x20);
    ix.setSaveFileType(format);
    ix.setSaveMultiPage(pages > 1);
    ix.setSaveFileName(path);
    ix.SaveFile();
  }
}

inline void writeText(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

}  // namespace albumtest
