#pragma once
// One row per image format code: everything the program asks about a format, answered from one
// table instead of separate switches. The imaging control names formats in its messages from it;
// the workspace takes descriptions, page capability, write capability, TIFF compression, the code
// to save in and the open dialog's filter from it, the image search its extensions. The folder
// windows' file pattern is the one list here that is not drawn from the table.
#include "controls/imaging/format_codes.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace img {

struct FormatInfo {
  int16_t code;
  const char* description;  // "TIF - LZW Compressed"
  const char* name;         // "TIFF": the format's name in messages
  const char* patterns;     // "*.BMP;*.DIB": the file names the open dialog lists it by; "" for none
  int filterPlace;          // place of its patterns in the open dialog's image filter; 0 not listed
  bool multiPage;           // can hold several pages
  bool readOnly;            // read but never written: saved as TIFF instead
  TiffCompression tiffCompression;  // handed to a TIFF save of a document in this format
  int16_t saveAs;           // the code to write a one-page document in (PCX and DCX by page count)
};

const std::vector<FormatInfo>& formatTable();
// The row of a code; codes the table does not know get the row of "Unknown Format" (code 0).
const FormatInfo& formatInfo(int code);
// "Image Files|*.BMP;...;*.WPG|All Files (*.*)|*.*"
QString openDialogFilter();
// The extensions of the table's patterns, upper case without "*.": every extension the open
// dialog lists image files by ("BMP", "DIB", ...).
QStringList patternExtensions();
// The file pattern of the windows that list a folder's pictures (the directory browser and the
// archive's index list): "*.BMP;...;*.WPG". It is their own list, not the table's: it names GIF and
// LJP, which the table has no row for, and leaves out ICO, RLE and WMF, which the open dialog
// offers. Changing it changes which files both windows list.
QString browsePatterns();

}  // namespace img
