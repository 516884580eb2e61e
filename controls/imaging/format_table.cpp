#include "controls/imaging/format_table.h"

#include <QStringList>
#include <algorithm>

namespace img {

namespace {
constexpr TiffCompression G32D = kTiffG3_2D;
}  // namespace

const std::vector<FormatInfo>& formatTable() {
  static const std::vector<FormatInfo> rows = {
      // code, description, name, extensions, readable, multi-page, read-only, TIFF compression, save as
      {0, "Unknown Format", "unknown", "", false, false, false, G32D, 0},
      // TGA has no signature: the other extensions of its family are taken for it too.
      {1, "TGA - Truevision Targa", "TGA", "tga icb vda vst", true, false, false, G32D, 1},
      {2, "PCX - Zsoft", "PCX", "pcx", true, true, false, G32D, 2},
      {3, "Unknown Format", "unknown", "", false, false, false, G32D, 0},
      {4, "TIF - Uncompressed", "TIFF", "tif tiff", true, true, false, kTiffNone, 4},
      {5, "BMP, DIB - OS/2 or Windows Bitmap", "BMP", "bmp dib", true, false, false, G32D, 5},
      // Named so that a file of it is recognised, and refused by name.
      {6, "WPG - WordPerfect Bitmap", "WPG", "wpg", false, false, false, G32D, 6},
      {7, "WMF - Windows Metafile", "WMF", "wmf", false, false, true, G32D, 4},
      {8, "JPG , JIF Compliant JPEG", "JPEG", "jpg jpeg jpe jif jfif", true, false, false, G32D, 8},
      {9, "PIC - Orvanta PIC", "PIC", "pic", false, false, false, G32D, 25},
      {10, "PNG - Portable Network Graphics", "PNG", "png", true, false, false, G32D, 10},
      {11, "JPG - Progressive JPEG", "JPEG", "", true, false, false, G32D, 8},
      {12, "RLE - Run Length Encoded", "RLE", "rle", true, false, true, G32D, 4},
      {13, "TIF - CCITT Run Length Encoded", "TIFF", "", true, true, false, kTiffCcittRle, 4},
      {14, "TIF - CCITT Group 3 Fax (1D)", "TIFF", "", true, true, false, kTiffG3, 4},
      {15, "TIF - CCITT Group 4 Fax", "TIFF", "", true, true, false, kTiffG4, 4},
      {16, "TIF - LZW Compressed", "TIFF", "", true, true, false, kTiffLzw, 4},
      {17, "TIF - Pack Bits Compressed", "TIFF", "", true, true, false, kTiffPackBits, 4},
      {18, "TIF - JPEG Compressed", "TIFF", "", true, true, false, kTiffJpeg, 4},
      {19, "TIF - Deflate Compressed", "TIFF", "", true, true, false, kTiffDeflate, 4},
      {20, "ICO - Windows Icon", "ICO", "ico", true, false, true, G32D, 4},
      // A .pnm file is any of the three; its first bytes say which.
      {21, "PPM - Portable Pixmap", "PPM", "ppm pnm", true, false, false, G32D, 21},
      {22, "PGM - Portable Graymap", "PGM", "pgm", true, false, false, G32D, 22},
      {23, "PBM - Portable Bitmap", "PBM", "pbm", true, false, false, G32D, 23},
      {24, "DCX - Zsoft Multiple Page", "DCX", "dcx", true, true, false, G32D, 2},
      {25, "EPIC - Orvanta Enhanced PIC", "EPIC", "", false, false, false, G32D, 25},
      // The other TIFF kind: written as TIFF with the compression index that follows the table's
      // last one.
      {26, "TIF - CCITT Group 3 Fax (2D)", "TIFF", "", true, true, false, G32D, 4},
      {27, "EXIF - JPEG EXIF", "JPEG", "", true, false, false, G32D, 8},
      {28, "EXIF - JPEG EXIF Progressive", "JPEG", "", true, false, false, G32D, 8},
      {29, "Unknown Format", "unknown", "", false, false, false, G32D, 0},
      {30, "PEPIC - EPIC Progressive", "EPIC", "", false, false, false, G32D, 25},
      {31, "JPEG CMYK", "JPEG", "", true, false, false, G32D, 8},
      {32, "MOD:CA", "MOD:CA", "", false, false, false, G32D, 32},
      {33, "CALS", "CALS", "cal ct1", true, false, false, G32D, 33},
      // Scanned pages: the pictures a PDF holds, the TIFF preview of an EPS.
      {34, "PDF - PDF File With Embedded TIFF", "PDF", "pdf", true, false, true, G32D, 4},
      {35, "EPS - Encapsulated Image", "EPS", "eps", true, false, true, G32D, 4},
  };
  return rows;
}

const FormatInfo& formatInfo(int code) {
  const std::vector<FormatInfo>& rows = formatTable();
  if (code < 0 || code >= static_cast<int>(rows.size())) return rows.front();
  return rows[static_cast<std::size_t>(code)];
}

QStringList formatExtensions(int code) {
  return QString::fromLatin1(formatInfo(code).extensions).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

namespace {
// "*.bmp;*.BMP;*.cal;...": a pattern for each extension of a readable format, in order, in lower
// and in upper case: a file dialog of the desktop may match patterns in the case they are given.
QString readablePatterns() {
  QStringList patterns;
  for (const QString& e : patternExtensions()) patterns << QStringLiteral("*.") + e.toLower() << QStringLiteral("*.") + e;
  return patterns.join(QLatin1Char(';'));
}
}  // namespace

QStringList patternExtensions() {
  QStringList extensions;
  for (const FormatInfo& f : formatTable())
    if (f.readable) extensions << formatExtensions(f.code);
  for (QString& e : extensions) e = e.toUpper();
  extensions.sort();
  extensions.removeDuplicates();
  return extensions;
}

QString openDialogFilter() {
  return QStringLiteral("Image Files|") + readablePatterns() + QStringLiteral("|All Files (*.*)|*.*");
}

QString browsePatterns() { return readablePatterns(); }

}  // namespace img
