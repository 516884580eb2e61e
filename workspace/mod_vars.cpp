#include "workspace/mod_vars.h"

#include "runtime/screen.h"

#include "controls/imaging/format_table.h"

namespace modVars {

void fnResetAtLoad() {
  gblnActivated = false;
  gstrIndexDir.clear();
  gstrBatchDir.clear();
  gstrSearchDir.clear();
  gstrAppendFile.clear();
  gintAddedCount = 0;
  gstrScanMode.clear();
}

// The format table of the imaging control answers every question about a code.
QString fnGetFormatDesc(ImageFormatCode code) { return QString::fromLatin1(img::formatInfo(code).description); }

int16_t fnGetTiffCompression(ImageFormatCode code) { return static_cast<int16_t>(img::formatInfo(code).tiffCompression); }

ImageFormatCode fnGetSaveFormat(ImageFormatCode code, int pageCount) {
  if (code == img::kFormatPcx || code == img::kFormatDcx) {
    // One page is PCX, several DCX, none cannot be saved.
    return pageCount == 1 ? img::kFormatPcx : pageCount >= 2 ? img::kFormatDcx : img::kFormatNone;
  }
  return img::formatInfo(code).saveAs;
}

bool fnIsMultiPageFormat(ImageFormatCode code) { return img::formatInfo(code).multiPage; }

bool fnIsReadOnlyFormat(ImageFormatCode code) { return img::formatInfo(code).readOnly; }

}  // namespace modVars

namespace modTCP {

QString fnWorkingFilePath() { return rt::App::WorkingFolder() + QStringLiteral("/KVT_WORKING.ACH"); }

}  // namespace modTCP
