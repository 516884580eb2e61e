#pragma once
// Reading and writing image files, keyed by format code. Errors are rt::RuntimeError with a text
// that names the file's format, so the user sees what failed.
#include "controls/imaging/bitmap.h"
#include "controls/imaging/format_codes.h"
#include "controls/imaging/imaging_errors.h"

#include <QString>
#include <cstdint>
#include <span>

namespace img {

struct FileInfo {
  int32_t width = 0;
  int32_t height = 0;
  int16_t bitsPerPixel = 0;
  int16_t format = 0;
  int64_t fileSize = 0;
  int16_t unit = 0;
  double resolutionX = 0;
  double resolutionY = 0;
  int32_t pages = 0;
};

struct SaveOptions {
  int16_t format = kFormatTiff;
  int32_t tiffCompression = kTiffNone;
  int32_t tiffByteOrder = 0;  // 0 little endian, 1 big endian
  int16_t jpegLuminance = 75;  // quality 0-255 scale, see jpeg codec
  int16_t jpegChrominance = 75;
  bool jpegGrayscale = false;
  bool jpegProgressive = false;
  int32_t jpegSubSampling = 2;  // 0 none, 1 horizontal, 2 both, 3 vertical
  bool pngInterlace = false;
  int32_t ppmType = 0;  // 0 binary, 1 ASCII
  int32_t pgmType = 0;
  int32_t pbmType = 0;
  bool multiPage = false;  // append a page to an existing TIFF or DCX
};

struct Decoded {
  Bitmap bitmap;
  int16_t format = kFormatNone;
};

// What the leading bytes say the file is (kFormatNone when unknown). TIFF and JPEG give the
// plain code here; reading a page gives the precise code (compression, progressive, EXIF).
int16_t sniffFormat(std::span<const uint8_t> head, const QString& path = QString());
QString formatName(int16_t code);  // short name for error texts ("TIFF", "PCX", ...)

// What opening a file as the document needs of it, from one reading of the file: page 1, the page
// count, the annotation layer of every page (only TIFF pages carry one) and what the user should
// know of a file that opens only in part. Raises when page 1 cannot be read.
struct OpenedFile {
  Decoded first;
  int32_t pages = 1;
  std::vector<std::vector<uint8_t>> layers;
  QString damageNote;
};
OpenedFile openDocumentFile(const QString& path);
// How many times this thread has opened a file to read it: a test counts what one step reads.
uint64_t fileOpensOnThisThread();
void countFileOpen();

int32_t filePageCount(const QString& path);
// page counts from 1.
Decoded readFilePage(const QString& path, int32_t page);
FileInfo fileInfo(const QString& path, int32_t page);
// A page for display at least maxSide long on its longer side, as small as the format allows:
// JPEG and bilevel TIFF pages decode reduced; others give the full page. fullW, fullH receive the size of the full page.
Decoded readFilePageForDisplay(const QString& path, int32_t page, int maxSide, int32_t& fullW, int32_t& fullH);
// Writes beside the target and renames over it; with multiPage the page is added to the file.
void writeFile(const QString& path, const Bitmap& bitmap, const SaveOptions& options);

// Decoders and encoders of single formats on memory (tests and fuzzers use them directly).
Decoded decodeMemory(std::span<const uint8_t> data, int32_t page, const QString& path = QString());
int32_t pageCountMemory(std::span<const uint8_t> data);
Bitmap decodeBmp(std::span<const uint8_t> data);
std::vector<uint8_t> encodeBmp(const Bitmap& b);
Bitmap decodePcx(std::span<const uint8_t> data);
std::vector<uint8_t> encodePcx(const Bitmap& b);
int32_t dcxPageCount(std::span<const uint8_t> data);
Bitmap decodeDcx(std::span<const uint8_t> data, int32_t page);
std::vector<uint8_t> encodeDcx(const std::vector<std::vector<uint8_t>>& pcxPages);
std::vector<std::span<const uint8_t>> dcxPages(std::span<const uint8_t> data);
Bitmap decodeTga(std::span<const uint8_t> data);
std::vector<uint8_t> encodeTga(const Bitmap& b, bool rle);
Bitmap decodePnm(std::span<const uint8_t> data, int16_t* formatOut = nullptr);
// kind 21 PPM, 22 PGM, 23 PBM; ascii for the plain text forms.
std::vector<uint8_t> encodePnm(const Bitmap& b, int16_t kind, bool ascii);
Bitmap decodeIco(std::span<const uint8_t> data);
Bitmap decodeJpeg(std::span<const uint8_t> data, int16_t* formatOut = nullptr);
// Reduced by 2, 4 or 8 while decoding, still at least maxSide on the longer side; the size of the
// full picture comes back in fullW, fullH.
Bitmap decodeJpegReduced(std::span<const uint8_t> data, int maxSide, int16_t* formatOut = nullptr, int32_t* fullW = nullptr,
                         int32_t* fullH = nullptr);
std::vector<uint8_t> encodeJpeg(const Bitmap& b, const SaveOptions& o);
Bitmap decodePng(std::span<const uint8_t> data);
std::vector<uint8_t> encodePng(const Bitmap& b, bool interlace);
// TIFF on memory; decodeTiff reports the page's compression as a format code.
int32_t tiffPageCount(std::span<const uint8_t> data);
Bitmap decodeTiff(std::span<const uint8_t> data, int32_t page, int16_t* formatOut = nullptr);
// TIFF on file (no whole-file read: big multi-page files stay on disk).
int32_t tiffFilePageCount(const QString& path);
Bitmap readTiffFile(const QString& path, int32_t page, int16_t* formatOut = nullptr);
// A page for display at most about maxSide long: a bilevel page is reduced while it is decoded,
// without its full bitmap ever being in memory; other pages come whole.
Bitmap readTiffFileReduced(const QString& path, int32_t page, int maxSide, int16_t* formatOut, int32_t* fullW,
                           int32_t* fullH);
// Strips up to this many bytes are decoded whole for a reduced page, larger ones a row at a time.
void setWholeStripLimit(std::size_t bytes);
// Page 1 of a TIFF document with its page count, every page's layer and whether its chain breaks
// off, read through the caller's open descriptor fd (which stays the caller's) unless the file is
// known already.
struct TiffDocument {
  Decoded first;
  int32_t pages = 0;
  std::vector<std::vector<uint8_t>> layers;
  bool cutShort = false;
};
TiffDocument readTiffDocument(const QString& path, int fd);
// Closes the file that page reading keeps open when it is this one, and forgets what is known of
// it (before it is replaced).
void forgetTiffFile(const QString& path);
// Closes this thread's handle of the file, when page reading keeps one open (a worker that is done).
void releaseTiffFile(const QString& path);
// Writes a new file, or appends a page when append is set.
void writeTiffFile(const QString& path, const Bitmap& b, const SaveOptions& o, bool append);

// CALS raster type 1 (group 4 page behind a text header); looksLikeCals tells it from its first bytes.
Bitmap decodeCals(std::span<const uint8_t> data);
bool looksLikeCals(std::span<const uint8_t> head);
// One page of CCITT group 4 data of the given size, decoded as a TIFF fax page would be (black
// runs black), or as its negative. dpi 0 leaves the resolution unknown; errors name format.
Bitmap decodeFaxG4(std::span<const uint8_t> data, uint32_t width, uint32_t height, bool negative, uint32_t dpi,
                   const char* format);
// EPS: the first page of the TIFF preview of a binary EPS file.
Bitmap decodeEps(std::span<const uint8_t> data);
// PDF: each image object of group 4 fax or JPEG data is a page, in file order.
int32_t pdfPageCount(std::span<const uint8_t> data);
Bitmap decodePdf(std::span<const uint8_t> data, int32_t page);

// Private TIFF tag that carries the annotation layer of a page.
constexpr uint32_t kAnnotationTag = 65000;

}  // namespace img
