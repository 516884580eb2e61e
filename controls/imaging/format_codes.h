#pragma once
// The numbers by which the imaging control names image formats and TIFF compressions. The
// program keeps the descriptions of these codes; the control only needs the numbers.
#include <cstdint>

namespace img {

enum FormatCode : int16_t {
  kFormatNone = 0,
  kFormatTga = 1,
  kFormatPcx = 2,
  kFormatTiff = 4,  // uncompressed TIFF, or "TIFF with SaveTiffCompression" when saving
  kFormatBmp = 5,
  kFormatWpg = 6,
  kFormatWmf = 7,
  kFormatJpeg = 8,
  kFormatPic = 9,
  kFormatPng = 10,
  kFormatJpegProgressive = 11,
  kFormatRle = 12,
  kFormatTiffCcittRle = 13,
  kFormatTiffG3 = 14,
  kFormatTiffG4 = 15,
  kFormatTiffLzw = 16,
  kFormatTiffPackBits = 17,
  kFormatTiffJpeg = 18,
  kFormatTiffDeflate = 19,
  kFormatIco = 20,
  kFormatPpm = 21,
  kFormatPgm = 22,
  kFormatPbm = 23,
  kFormatDcx = 24,
  kFormatEpic = 25,
  kFormatTiffG3_2D = 26,
  kFormatExif = 27,
  kFormatExifProgressive = 28,
  kFormatEpicProgressive = 30,
  kFormatJpegCmyk = 31,
  kFormatModca = 32,
  kFormatCals = 33,
  kFormatPdf = 34,
  kFormatEps = 35,
};

// The TIFF compression option of a save (SaveTiffCompression).
enum TiffCompression : int32_t {
  kTiffNone = 0,
  kTiffCcittRle = 1,
  kTiffG3 = 2,
  kTiffG4 = 3,
  kTiffLzw = 4,
  kTiffPackBits = 5,
  kTiffJpeg = 6,
  kTiffDeflate = 7,
  kTiffG3_2D = 8,
};

inline bool isTiffFormat(int code) { return code == kFormatTiff || (code >= 13 && code <= 19) || code == 26; }
inline bool isJpegFormat(int code) { return code == 8 || code == 11 || code == 27 || code == 28 || code == 31; }

// The TIFF format code that a file of this compression reports (the format table's rows give the
// way back).
int16_t tiffFormatFor(TiffCompression c);

// Resolution units (ResolutionUnit).
enum ResolutionUnit : int16_t { kUnitNoAbsolute = 0, kUnitNone = 1, kUnitInch = 2, kUnitCentimeter = 3 };

}  // namespace img
