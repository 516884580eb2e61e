#include "controls/imaging/format_table.h"

#include <QStringList>
#include <algorithm>

namespace img {

namespace {
constexpr TiffCompression G32D = kTiffG3_2D;
}  // namespace

const std::vector<FormatInfo>& formatTable() {
  static const std::vector<FormatInfo> rows = {
      // code, description, name, patterns, filter place, multi-page, read-only, TIFF compression, save as
      {0, "Unknown Format", "unknown", "", 0, false, false, G32D, 0},
      {1, "TGA - Truevision Targa", "TGA", "*.TGA", 12, false, false, G32D, 1},
      {2, "PCX - Zsoft", "PCX", "*.PCX", 5, true, false, G32D, 2},
      {3, "Unknown Format", "unknown", "", 0, false, false, G32D, 0},
      {4, "TIF - Uncompressed", "TIFF", "*.TIF", 13, true, false, kTiffNone, 4},
      {5, "BMP, DIB - OS/2 or Windows Bitmap", "BMP", "*.BMP;*.DIB", 1, false, false, G32D, 5},
      {6, "WPG - WordPerfect Bitmap", "WPG", "*.WPG", 15, false, false, G32D, 6},
      {7, "WMF - Windows Metafile", "WMF", "*.WMF", 14, false, true, G32D, 4},
      {8, "JPG , JIF Compliant JPEG", "JPEG", "*.JIF;*.JPG", 4, false, false, G32D, 8},
      {9, "PIC - Orvanta PIC", "PIC", "*.PIC", 8, false, false, G32D, 25},
      {10, "PNG - Portable Network Graphics", "PNG", "*.PNG", 10, false, false, G32D, 10},
      {11, "JPG - Progressive JPEG", "JPEG", "", 0, false, false, G32D, 8},
      {12, "RLE - Run Length Encoded", "RLE", "*.RLE", 11, false, true, G32D, 4},
      {13, "TIF - CCITT Run Length Encoded", "TIFF", "", 0, true, false, kTiffCcittRle, 4},
      {14, "TIF - CCITT Group 3 Fax (1D)", "TIFF", "", 0, true, false, kTiffG3, 4},
      {15, "TIF - CCITT Group 4 Fax", "TIFF", "", 0, true, false, kTiffG4, 4},
      {16, "TIF - LZW Compressed", "TIFF", "", 0, true, false, kTiffLzw, 4},
      {17, "TIF - Pack Bits Compressed", "TIFF", "", 0, true, false, kTiffPackBits, 4},
      {18, "TIF - JPEG Compressed", "TIFF", "", 0, true, false, kTiffJpeg, 4},
      {19, "TIF - Deflate Compressed", "TIFF", "", 0, true, false, kTiffDeflate, 4},
      {20, "ICO - Windows Icon", "ICO", "*.ICO", 3, false, true, G32D, 4},
      {21, "PPM - Portable Pixmap", "PPM", "*.PPM", 9, false, false, G32D, 21},
      {22, "PGM - Portable Graymap", "PGM", "*.PGM", 7, false, false, G32D, 22},
      {23, "PBM - Portable Bitmap", "PBM", "*.PBM", 6, false, false, G32D, 23},
      {24, "DCX - Zsoft Multiple Page", "DCX", "*.DCX", 2, true, false, G32D, 2},
      {25, "EPIC - Orvanta Enhanced PIC", "EPIC", "", 0, false, false, G32D, 25},
      // The other TIFF kind: written as TIFF with the compression index that follows the table's
      // last one.
      {26, "TIF - CCITT Group 3 Fax (2D)", "TIFF", "", 0, true, false, G32D, 4},
      {27, "EXIF - JPEG EXIF", "JPEG", "", 0, false, false, G32D, 8},
      {28, "EXIF - JPEG EXIF Progressive", "JPEG", "", 0, false, false, G32D, 8},
      {29, "Unknown Format", "unknown", "", 0, false, false, G32D, 0},
      {30, "PEPIC - EPIC Progressive", "EPIC", "", 0, false, false, G32D, 25},
      {31, "JPEG CMYK", "JPEG", "", 0, false, false, G32D, 8},
      {32, "MOD:CA", "MOD:CA", "", 0, false, false, G32D, 32},
      {33, "CALS", "CALS", "", 0, false, false, G32D, 33},
      {34, "PDF - PDF File With Embedded TIFF", "PDF", "", 0, false, true, G32D, 4},
      {35, "EPS - Encapsulated Image", "EPS", "", 0, false, true, G32D, 4},
  };
  return rows;
}

const FormatInfo& formatInfo(int code) {
  const std::vector<FormatInfo>& rows = formatTable();
  if (code < 0 || code >= static_cast<int>(rows.size())) return rows.front();
  return rows[static_cast<std::size_t>(code)];
}

QString openDialogFilter() {
  std::vector<const FormatInfo*> listed;
  for (const FormatInfo& f : formatTable())
    if (f.filterPlace > 0) listed.push_back(&f);
  std::sort(listed.begin(), listed.end(), [](const FormatInfo* a, const FormatInfo* b) { return a->filterPlace < b->filterPlace; });
  QStringList patterns;
  for (const FormatInfo* f : listed) patterns << QString::fromLatin1(f->patterns);
  return QStringLiteral("Image Files|") + patterns.join(QLatin1Char(';')) + QStringLiteral("|All Files (*.*)|*.*");
}

QString browsePatterns() {
  return QStringLiteral("*.BMP;*.DIB;*.DCX;*.GIF;*.JIF;*.JPG;*.LJP;*.PCX;*.PBM;*.PGM;*.PIC;*.PPM;*.PNG;*.TGA;*.TIF;*.WPG");
}

QStringList patternExtensions() {
  QStringList extensions;
  for (const FormatInfo& f : formatTable())
    for (const QString& pattern : QString::fromLatin1(f.patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts))
      extensions << pattern.mid(2);
  return extensions;
}

}  // namespace img
