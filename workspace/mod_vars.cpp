#include "workspace/mod_vars.h"

#include "runtime/screen.h"

#include <array>

namespace modVars {

namespace {
constexpr std::array<const char*, 36> kDescriptions = {
    "Unknown Format",
    "TGA - Truevision Targa",
    "PCX - Zsoft",
    "Unknown Format",
    "TIF - Uncompressed",
    "BMP, DIB - OS/2 or Windows Bitmap",
    "WPG - WordPerfect Bitmap",
    "WMF - Windows Metafile",
    "JPG , JIF Compliant JPEG",
    "PIC - Orvanta PIC",
    "PNG - Portable Network Graphics",
    "JPG - Progressive JPEG",
    "RLE - Run Length Encoded",
    "TIF - CCITT Run Length Encoded",
    "TIF - CCITT Group 3 Fax (1D)",
    "TIF - CCITT Group 4 Fax",
    "TIF - LZW Compressed",
    "TIF - Pack Bits Compressed",
    "TIF - JPEG Compressed",
    "TIF - Deflate Compressed",
    "ICO - Windows Icon",
    "PPM - Portable Pixmap",
    "PGM - Portable Graymap",
    "PBM - Portable Bitmap",
    "DCX - Zsoft Multiple Page",
    "EPIC - Orvanta Enhanced PIC",
    "TIF - CCITT Group 3 Fax (2D)",
    "EXIF - JPEG EXIF",
    "EXIF - JPEG EXIF Progressive",
    "Unknown Format",
    "PEPIC - EPIC Progressive",
    "JPEG CMYK",
    "MOD:CA",
    "CALS",
    "PDF - PDF File With Embedded TIFF",
    "EPS - Encapsulated Image",
};

bool isTiffKind(ImageFormatCode c) { return c == 4 || (c >= 13 && c <= 19) || c == 26; }
}  // namespace

void fnResetAtLoad() {
  gblnActivated = false;
  gstrAchID.clear();
  gstrParm1.clear();
  gstrParm2.clear();
  gstrIndexDir.clear();
  gstrBatchDir.clear();
  gstrSearchDir.clear();
  gstrCurrFile.clear();
  gintCurrFormat = 0;
  gblnDocModified = false;
  gblnPageModified = false;
  gstrAppendFile.clear();
  gintPopupTmb = 0;
  gintCurrPage = 0;
  gintAddedCount = 0;
  gstrScanMode.clear();
  gblnAchView = false;
  gblnAchUpd = false;
  gblnCommitSave = false;
  glngAnnoHandle = 0;
}

QString fnGetFormatDesc(ImageFormatCode code) {
  if (code < 0 || code >= static_cast<int>(kDescriptions.size())) return QStringLiteral("Unknown Format");
  return QString::fromLatin1(kDescriptions[static_cast<std::size_t>(code)]);
}

int16_t fnGetTiffCompression(ImageFormatCode code) {
  if (code == 4) return TIFF_UNCOMPRESSED;
  if (code >= 13 && code <= 19) return static_cast<int16_t>(code - 12);
  return TIFF_CCITT_G3_2D;
}

ImageFormatCode fnGetSaveFormat(ImageFormatCode code, int pageCount) {
  // The page count is compared as a 16-bit value, as the callers keep it.
  const auto pages = static_cast<int16_t>(pageCount);
  if (isTiffKind(code) || fnIsReadOnlyFormat(code)) return 4;
  switch (code) {
    case 1: return 1;
    case 2:
    case 24:
      if (pages == 1) return 2;
      if (pages >= 2) return 24;
      return 0;
    case 5: return 5;
    case 6: return 6;
    case 8: case 11: case 27: case 28: case 31: return 8;
    case 9: case 25: case 30: return 25;
    case 10: return 10;
    case 21: case 22: case 23: return code;
    case 32: return 32;
    case 33: return 33;
    default: return 0;
  }
}

bool fnIsMultiPageFormat(ImageFormatCode code) { return code == 2 || isTiffKind(code) || code == 24; }

bool fnIsReadOnlyFormat(ImageFormatCode code) {
  return code == 7 || code == 12 || code == 20 || code == 34 || code == 35;
}

}  // namespace modVars

namespace modTCP {

QString fnWorkingFilePath() { return rt::App::WorkingFolder() + QStringLiteral("/KVT_WORKING.ACH"); }

}  // namespace modTCP
