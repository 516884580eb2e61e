#pragma once
// Small pictures for tests: pages of one colour written by the imaging control in any format it
// writes, read back page by page, and compared.
#include "controls/imaging/imaging_control.h"
#include "tests/support/temp_dir.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace testsupport {

struct Page {
  int32_t width, height;
  uint32_t colour;  // 0x00BBGGRR
};

// A pixel as a page colour (0x00BBGGRR).
inline uint32_t bgr(QRgb c) { return static_cast<uint32_t>(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16)); }

// Writes pages with the imaging control in a format (4 TIFF and 24 DCX take several pages).
inline void writeImage(const QString& path, const std::vector<Page>& pages, int16_t format) {
  for (const Page& p : pages) {
    img::ImagingControl ix;
    ix.CreateBlankImage(p.width, p.height, 24, p.colour);
    ix.setSaveFileType(format);
    ix.setSaveMultiPage(format == 4 || format == 24);
    ix.setSaveFileName(path);
    ix.SaveFile();
  }
}

// Every page of a file as the imaging control reads it back.
inline std::vector<Page> readImage(const QString& path) {
  std::vector<Page> pages;
  img::ImagingControl ix;
  const int n = ix.FilePageCount(path);
  for (int i = 1; i <= n; ++i) {
    ix.setPageNumber(i);
    ix.setSourceFile(path);
    const QRgb c = ix.bitmap().pixel(1, 1);
    pages.push_back({ix.ImageWidth(), ix.ImageHeight(), bgr(c)});
  }
  return pages;
}

inline bool samePages(const std::vector<Page>& a, const std::vector<Page>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].width != b[i].width || a[i].height != b[i].height || a[i].colour != b[i].colour) return false;
  return true;
}

inline const std::vector<Page> kThreePages = {{30, 20, 0x0000FF}, {40, 25, 0x00FF00}, {50, 30, 0xFF0000}};

}  // namespace testsupport
