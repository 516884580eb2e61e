#pragma once
// State that more than one window needs. Everything runs on the user-interface thread; nothing is
// locked. The open document is not here: windows reach it through its session, ws::document()
// (workspace/document/). The format functions interpret an image format code.
#include "controls/imaging/format_codes.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

using ImageFormatCode = int16_t;

// TIFF compression index handed to the imaging control's TIFF option: the control's own numbers,
// under the names the windows use.
using TiffCompressionCode = img::TiffCompression;
inline constexpr TiffCompressionCode TIFF_UNCOMPRESSED = img::kTiffNone;
inline constexpr TiffCompressionCode TIFF_CCITT_RLE = img::kTiffCcittRle;
inline constexpr TiffCompressionCode TIFF_CCITT_G3_1D = img::kTiffG3;
inline constexpr TiffCompressionCode TIFF_CCITT_G4 = img::kTiffG4;
inline constexpr TiffCompressionCode TIFF_LZW = img::kTiffLzw;
inline constexpr TiffCompressionCode TIFF_PACKBITS = img::kTiffPackBits;
inline constexpr TiffCompressionCode TIFF_JPEG = img::kTiffJpeg;
inline constexpr TiffCompressionCode TIFF_DEFLATE = img::kTiffDeflate;
inline constexpr TiffCompressionCode TIFF_CCITT_G3_2D = img::kTiffG3_2D;

namespace modVars {

inline bool gblnActivated = false;
inline QString gstrIndexDir;
inline QString gstrBatchDir;
inline QString gstrSearchDir;
inline QString gstrAppendFile;
inline int16_t gintAddedCount = 0;
inline QString gstrScanMode;
inline QString gstrImgOperation;
inline QString gstrParm1Caption;
inline QString gstrParm2Caption;
inline QString gstrParm1MaxLen;
inline QString gstrParm2MaxLen;
// Slide-show hand-off values.
inline QStringList gstrSlidePaths;
inline QString gstrSlideMode;
inline std::vector<int16_t> gintSlidePages;
// Whole milliseconds; 32 bits, so intervals above 32 seconds do not overflow.
inline int32_t gintSlideInterval = 0;
inline int16_t gintSlideCount = 0;
inline bool gblnSlideLoop = false;
inline bool gblnSlideShowPath = false;
inline bool gblnSlideLimitZoom = false;

// What the main window's load step resets of these: the directory, append-file and scan-mode
// globals (the open document is reset by its session). The slide-show values, the operation word
// and the index-parameter captions keep their values.
void fnResetAtLoad();

QString fnGetFormatDesc(ImageFormatCode code);
int16_t fnGetTiffCompression(ImageFormatCode code);
// The code to write a document of this format and page count in; 0 when it cannot be saved.
ImageFormatCode fnGetSaveFormat(ImageFormatCode code, int pageCount);
bool fnIsMultiPageFormat(ImageFormatCode code);
// WMF, RLE, ICO, PDF and EPS can be read but not written; they are saved as TIFF.
bool fnIsReadOnlyFormat(ImageFormatCode code);

}  // namespace modVars

namespace modTCP {

inline QString gstrRemoteHost;
inline QString gstrRetPort;
inline QString gstrAchPort;
inline QString gstrTCPCommand;

// The working file of a retrieved archive document, in the user's working folder.
QString fnWorkingFilePath();

}  // namespace modTCP
