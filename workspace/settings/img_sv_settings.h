#pragma once
// Rules of the convert and file-format dialog that need no window: the format items and their
// codes, extensions and parameter frames, the items of the option lists, the enabling rule, the
// save options a choice writes, and the path a conversion writes to.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace img {
struct SaveOptions;
}

namespace svSettings {

// The parameter frames of the dialog.
enum class Frame { None, TIF, JPG, PNG, PPM, PGM, PBM };

struct FormatItem {
  const char* text;
  int16_t code;
  Frame frame;
};

// The items of the format list in their order; the multi-page DCX item only for a document of two
// or more pages.
std::vector<FormatItem> formatItems(int pageCount);
// The number an item carries: its first two characters, trimmed, read as a number (-1 when none).
int itemNumber(const QString& itemText);
// Lower-case extension without the dot for a format code text ("10" gives "png"); "" for others.
QString fnFormatExt(const QString& codeText);
Frame frameFor(int16_t code);
// Whether the code keeps every page of a document (TIFF and DCX).
bool keepsAllPages(int16_t code);

// Items of the option lists.
QStringList booleanItems();      // "TRUE", "FALSE"
QStringList subSamplingItems();  // "0 None" ...
QStringList pnmTypeItems();      // "0 Binary", "1 ASCII"
QStringList byteOrderItems();
QStringList compressionItems();
// The compression item that brings the JPG parameters in beside the TIF ones.
constexpr int kTiffJpegItem = 6;

// What the user has chosen; -1 in a list means no item chosen. Booleans are 1 for "TRUE", 0 for
// "FALSE".
struct Choices {
  int16_t code = -1;
  int byteOrder = -1, compression = -1;
  int grayScale = -1, progressive = -1, subSampling = -1;
  int interlace = -1;
  int ppmType = -1, pgmType = -1, pbmType = -1;
  int chrominance = 0, luminance = 0;
};

// Whether Convert/Done may be clicked.
bool fnCheckSettings(const Choices& c);
// Writes the chosen format's options into the options the document is saved with; lists without a
// choice and other formats' options are left as they are.
void applyOptions(const Choices& c, img::SaveOptions& o);
// The path with the extension of the file-name part replaced by ext (added when the name has none).
QString withExtension(const QString& path, const QString& ext);

}  // namespace svSettings
