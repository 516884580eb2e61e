#pragma once
// One row per image format code: everything the program asks about a format, answered from one
// table instead of separate switches. The imaging control names formats in its messages from it;
// the workspace takes descriptions, page capability, write capability, TIFF compression, the code
// to save in and the open dialog's filter from it, the folder windows and the image search the
// files they list, the file-type dialog the types it offers.
#include "controls/imaging/format_codes.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace img {

struct FormatInfo {
  int16_t code;
  const char* description;  // "TIF - LZW Compressed"
  const char* name;         // "TIFF": the format's name in messages
  const char* extensions;   // "tif tiff": every extension its files go by, lower case; "" for none
  bool readable;            // the program reads files of it: they are listed wherever files are offered
  bool multiPage;           // can hold several pages
  bool readOnly;            // read but never written: saved as TIFF instead
  TiffCompression tiffCompression;  // handed to a TIFF save of a document in this format
  int16_t saveAs;           // the code to write a one-page document in (PCX and DCX by page count)
};

const std::vector<FormatInfo>& formatTable();
// The row of a code; codes the table does not know get the row of "Unknown Format" (code 0).
const FormatInfo& formatInfo(int code);
// The extensions of a code's row ("tif", "tiff"), lower case without the dot.
QStringList formatExtensions(int code);
// Every extension of a format the program reads, upper case without the dot and in order ("BMP",
// "CAL", ...): the files the open dialog and the folder windows list (the image search goes by a
// file's three-letter extension among them). An extension matches whatever its case in a file name.
QStringList patternExtensions();
// "Image Files|*.bmp;*.BMP;*.cal;...|All Files (*.*)|*.*": the readable formats' files, each in lower
// and upper case for a desktop dialog that compares case.
QString openDialogFilter();
// The same files as the pattern of the windows that list a folder's pictures (the directory browser
// and the archive's index list): "*.bmp;*.BMP;*.cal;...".
QString browsePatterns();

}  // namespace img
