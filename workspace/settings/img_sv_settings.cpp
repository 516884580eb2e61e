#include "workspace/settings/img_sv_settings.h"

#include "controls/imaging/codec.h"
#include "workspace/mod_vars.h"

namespace svSettings {

namespace {

// The dialog's list, one row per format it writes: the item, its parameter frame and the extension
// a conversion gives the file. What a format is (whether it keeps pages) is the format table's.
struct Item {
  FormatItem item;
  const char* ext;
};
constexpr Item kItems[] = {
    {{"1  TGA - Truevision Targa", img::kFormatTga, Frame::None}, "tga"},
    {{"2  PCX - Zsoft", img::kFormatPcx, Frame::None}, "pcx"},
    {{"4  TIF - Tagged Image File Format (Uncompressed)", img::kFormatTiff, Frame::TIF}, "tif"},
    {{"5  BMP, DIB - OS/2 or Windows Bitmap", img::kFormatBmp, Frame::None}, "bmp"},
    {{"6  WPG - WordPerfect Bitmap", img::kFormatWpg, Frame::None}, "wpg"},
    {{"8  JPG, JIF Compliant JPEG", img::kFormatJpeg, Frame::JPG}, "jpg"},
    {{"10 PNG - Portable Network Graphics", img::kFormatPng, Frame::PNG}, "png"},
    {{"21 PPM - Portable Pixmap", img::kFormatPpm, Frame::PPM}, "ppm"},
    {{"22 PGM - Portable Graymap", img::kFormatPgm, Frame::PGM}, "pgm"},
    {{"23 PBM - Portable Bitmap", img::kFormatPbm, Frame::PBM}, "pbm"},
    {{"24 DCX - Zsoft Multiple Page", img::kFormatDcx, Frame::None}, "dcx"},
    {{"25 EPIC - Orvanta Enhanced PIC", img::kFormatEpic, Frame::None}, "pic"},
    {{"32 MOD:CA", img::kFormatModca, Frame::None}, "mod"},
    {{"33 CALS", img::kFormatCals, Frame::None}, "cal"},
};

const Item* findItem(int code) {
  for (const Item& i : kItems)
    if (i.item.code == code) return &i;
  return nullptr;
}

// A format that a one-page document is not written in (DCX: one page is PCX).
bool forSeveralPagesOnly(int16_t code) { return modVars::fnGetSaveFormat(code, 1) != code; }

}  // namespace

std::vector<FormatItem> formatItems(int pageCount) {
  std::vector<FormatItem> out;
  for (const Item& i : kItems)
    if (pageCount > 1 || !forSeveralPagesOnly(i.item.code)) out.push_back(i.item);
  return out;
}

int itemNumber(const QString& itemText) {
  bool ok = false;
  const int n = itemText.left(2).trimmed().toInt(&ok);
  return ok ? n : -1;
}

QString fnFormatExt(const QString& codeText) {
  for (const Item& i : kItems)
    if (codeText == QString::number(i.item.code)) return QString::fromLatin1(i.ext);
  return QString();
}

Frame frameFor(int16_t code) {
  const Item* i = findItem(code);
  return i ? i->item.frame : Frame::None;
}

// A multi-page format that several pages are written in as it is: TIFF and DCX, not PCX.
bool keepsAllPages(int16_t code) { return modVars::fnIsMultiPageFormat(code) && modVars::fnGetSaveFormat(code, 2) == code; }

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
  if (!findItem(c.code)) return false;
  switch (frameFor(c.code)) {
    case Frame::TIF: return c.byteOrder >= 0 && c.compression >= 0;
    case Frame::JPG: return c.grayScale >= 0 && c.progressive >= 0 && c.subSampling >= 0;
    case Frame::PNG: return c.interlace >= 0;
    case Frame::PPM: return c.ppmType >= 0;
    case Frame::PGM: return c.pgmType >= 0;
    case Frame::PBM: return c.pbmType >= 0;
    case Frame::None: return true;
  }
  return false;
}

void applyOptions(const Choices& c, img::SaveOptions& o) {
  if (!findItem(c.code)) return;
  switch (frameFor(c.code)) {
    case Frame::TIF:
      if (c.byteOrder >= 0) o.tiffByteOrder = c.byteOrder;
      if (c.compression >= 0) o.tiffCompression = c.compression;
      // A JPEG-compressed TIFF takes the qualities of the JPG parameters beside it.
      if (c.compression == kTiffJpegItem) {
        o.jpegChrominance = static_cast<int16_t>(c.chrominance);
        o.jpegLuminance = static_cast<int16_t>(c.luminance);
      }
      break;
    case Frame::JPG:
      o.jpegChrominance = static_cast<int16_t>(c.chrominance);
      o.jpegLuminance = static_cast<int16_t>(c.luminance);
      if (c.grayScale >= 0) o.jpegGrayscale = c.grayScale == 1;
      if (c.progressive >= 0) o.jpegProgressive = c.progressive == 1;
      if (c.subSampling >= 0) o.jpegSubSampling = c.subSampling;
      break;
    case Frame::PNG:
      if (c.interlace >= 0) o.pngInterlace = c.interlace == 1;
      break;
    case Frame::PPM:
      if (c.ppmType >= 0) o.ppmType = c.ppmType;
      break;
    case Frame::PGM:
      if (c.pgmType >= 0) o.pgmType = c.pgmType;
      break;
    case Frame::PBM:
      if (c.pbmType >= 0) o.pbmType = c.pbmType;
      break;
    case Frame::None: break;
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
