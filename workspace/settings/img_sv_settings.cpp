#include "workspace/settings/img_sv_settings.h"

#include "controls/imaging/imaging_control.h"

namespace svSettings {

namespace {

constexpr FormatItem kItems[] = {
    {"1  TGA - Truevision Targa", 1, Frame::None},
    {"2  PCX - Zsoft", 2, Frame::None},
    {"4  TIF - Tagged Image File Format (Uncompressed)", 4, Frame::TIF},
    {"5  BMP, DIB - OS/2 or Windows Bitmap", 5, Frame::None},
    {"6  WPG - WordPerfect Bitmap", 6, Frame::None},
    {"8  JPG, JIF Compliant JPEG", 8, Frame::JPG},
    {"10 PNG - Portable Network Graphics", 10, Frame::PNG},
    {"21 PPM - Portable Pixmap", 21, Frame::PPM},
    {"22 PGM - Portable Graymap", 22, Frame::PGM},
    {"23 PBM - Portable Bitmap", 23, Frame::PBM},
    {"24 DCX - Zsoft Multiple Page", 24, Frame::None},
    {"25 EPIC - Orvanta Enhanced PIC", 25, Frame::None},
    {"32 MOD:CA", 32, Frame::None},
    {"33 CALS", 33, Frame::None},
};

struct Ext {
  const char* code;
  const char* ext;
};
constexpr Ext kExts[] = {{"1", "tga"},  {"2", "pcx"},  {"4", "tif"},  {"5", "bmp"},  {"6", "wpg"},
                         {"8", "jpg"},  {"10", "png"}, {"21", "ppm"}, {"22", "pgm"}, {"23", "pbm"},
                         {"24", "dcx"}, {"25", "pic"}, {"32", "mod"}, {"33", "cal"}};

}  // namespace

std::vector<FormatItem> formatItems(int pageCount) {
  std::vector<FormatItem> out;
  for (const FormatItem& i : kItems)
    if (i.code != 24 || pageCount > 1) out.push_back(i);
  return out;
}

int itemNumber(const QString& itemText) {
  bool ok = false;
  const int n = itemText.left(2).trimmed().toInt(&ok);
  return ok ? n : -1;
}

QString fnFormatExt(const QString& codeText) {
  for (const Ext& e : kExts)
    if (codeText == QLatin1String(e.code)) return QString::fromLatin1(e.ext);
  return QString();
}

Frame frameFor(int16_t code) {
  for (const FormatItem& i : kItems)
    if (i.code == code) return i.frame;
  return Frame::None;
}

bool keepsAllPages(int16_t code) { return code == 4 || code == 24; }

QStringList booleanItems() { return {QStringLiteral("TRUE"), QStringLiteral("FALSE")}; }
QStringList subSamplingItems() {
  return {QStringLiteral("0 None"), QStringLiteral("1 Horizontal"), QStringLiteral("2 Both"), QStringLiteral("3 Vertical")};
}
QStringList pnmTypeItems() { return {QStringLiteral("0 Binary"), QStringLiteral("1 ASCII")}; }
QStringList byteOrderItems() { return {QStringLiteral("0 Little Endian Order"), QStringLiteral("1 Big Endian Order")}; }
QStringList compressionItems() {
  return {QStringLiteral("0 Uncompressed"),           QStringLiteral("1 CCITT RLE"),
          QStringLiteral("2 CCITT Group 3 Fax (1D)"), QStringLiteral("3 CCITT Group 4 Fax (2D)"),
          QStringLiteral("5 Pack Bits"),              QStringLiteral("6 JPEG"),
          QStringLiteral("7 Deflate"),                QStringLiteral("8 CCITT Group 3 Fax (2D)")};
}

bool fnCheckSettings(const Choices& c) {
  switch (c.code) {
    case 4: return c.byteOrder >= 0 && c.compression >= 0;
    case 8: return c.grayScale >= 0 && c.progressive >= 0 && c.subSampling >= 0;
    case 10: return c.interlace >= 0;
    case 21: return c.ppmType >= 0;
    case 22: return c.pgmType >= 0;
    case 23: return c.pbmType >= 0;
    case 1: case 2: case 5: case 6: case 24: case 25: case 32: case 33: return true;
    default: return false;
  }
}

void applyOptions(const Choices& c, img::ImagingControl& ix) {
  switch (c.code) {
    case 4:
      if (c.byteOrder >= 0) ix.setSaveTiffByteOrder(c.byteOrder);
      if (c.compression >= 0) ix.setSaveTiffCompression(c.compression);
      // A JPEG-compressed TIFF takes the qualities of the JPG parameters beside it.
      if (c.compression == kTiffJpegItem) {
        ix.setSaveJpegChrominance(static_cast<int16_t>(c.chrominance));
        ix.setSaveJpegLuminance(static_cast<int16_t>(c.luminance));
      }
      break;
    case 8:
      ix.setSaveJpegChrominance(static_cast<int16_t>(c.chrominance));
      ix.setSaveJpegLuminance(static_cast<int16_t>(c.luminance));
      if (c.grayScale >= 0) ix.setSaveJpegGrayscale(c.grayScale == 1);
      if (c.progressive >= 0) ix.setSaveJpegProgressive(c.progressive == 1);
      if (c.subSampling >= 0) ix.setSaveJpegSubSampling(c.subSampling);
      break;
    case 10:
      if (c.interlace >= 0) ix.setSavePngInterlace(c.interlace == 1);
      break;
    case 21:
      if (c.ppmType >= 0) ix.setSavePpmType(c.ppmType);
      break;
    case 22:
      if (c.pgmType >= 0) ix.setSavePgmType(c.pgmType);
      break;
    case 23:
      if (c.pbmType >= 0) ix.setSavePbmType(c.pbmType);
      break;
    default: break;
  }
}

QString withExtension(const QString& path, const QString& ext) {
  // Only the file-name part carries an extension: a dot in a folder name is not one.
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot <= slash) return path + QLatin1Char('.') + ext;
  return path.left(dot + 1) + ext;
}

}  // namespace svSettings
