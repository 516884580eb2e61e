#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"
#include "tests/support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace img;
using imgtest::pattern;
using imgtest::samePixels;

namespace {
QByteArray readAll(const QString& p) {
  QFile f(p);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}
SaveOptions as(int16_t format) {
  SaveOptions o;
  o.format = format;
  return o;
}
}  // namespace

class BmpDepths : public ::testing::TestWithParam<int> {};
TEST_P(BmpDepths, FileRoundTrip) {
  testsupport::TempDir dir;
  const Bitmap b = pattern(17, 9, GetParam());
  writeFile(dir.file("a.bmp"), b, as(kFormatBmp));
  Decoded d = readFilePage(dir.file("a.bmp"), 1);
  EXPECT_EQ(d.format, kFormatBmp);
  EXPECT_EQ(d.bitmap.bitsPerPixel(), GetParam());
  EXPECT_TRUE(samePixels(b, d.bitmap));
  EXPECT_EQ(filePageCount(dir.file("a.bmp")), 1);
}
INSTANTIATE_TEST_SUITE_P(Depths, BmpDepths, ::testing::Values(1, 4, 8, 24));

struct TiffCase {
  int bpp;
  int32_t compression;
  int16_t expectFormat;
  int expectBpp;
  int tolerance;
};

class TiffRoundTrip : public ::testing::TestWithParam<TiffCase> {};
TEST_P(TiffRoundTrip, WritesAndReadsBack) {
  const TiffCase c = GetParam();
  testsupport::TempDir dir;
  Bitmap b = c.bpp == 0 ? imgtest::grayPattern(40, 24) : c.tolerance ? imgtest::smoothPattern(40, 24) : pattern(40, 24, c.bpp);
  b.resolutionX = 300;
  b.resolutionY = 300;
  b.resolutionUnit = kUnitInch;
  SaveOptions o = as(kFormatTiff);
  o.tiffCompression = c.compression;
  writeFile(dir.file("p.tif"), b, o);
  Decoded d = readFilePage(dir.file("p.tif"), 1);
  EXPECT_EQ(d.format, c.expectFormat);
  EXPECT_EQ(d.bitmap.bitsPerPixel(), c.expectBpp);
  if (c.expectBpp == b.bitsPerPixel() || c.tolerance > 0) {
    EXPECT_TRUE(samePixels(b, d.bitmap, c.tolerance));
  }
  EXPECT_EQ(d.bitmap.resolutionX, 300);
  EXPECT_EQ(d.bitmap.resolutionUnit, kUnitInch);
}

INSTANTIATE_TEST_SUITE_P(
    Compressions, TiffRoundTrip,
    ::testing::Values(TiffCase{1, kTiffNone, kFormatTiff, 1, 0}, TiffCase{1, kTiffCcittRle, kFormatTiffCcittRle, 1, 0},
                      TiffCase{1, kTiffG3, kFormatTiffG3, 1, 0}, TiffCase{1, kTiffG3_2D, kFormatTiffG3_2D, 1, 0},
                      TiffCase{1, kTiffG4, kFormatTiffG4, 1, 0}, TiffCase{1, kTiffLzw, kFormatTiffLzw, 1, 0},
                      TiffCase{1, kTiffPackBits, kFormatTiffPackBits, 1, 0}, TiffCase{1, kTiffDeflate, kFormatTiffDeflate, 1, 0},
                      TiffCase{4, kTiffNone, kFormatTiff, 4, 0}, TiffCase{4, kTiffLzw, kFormatTiffLzw, 4, 0},
                      TiffCase{8, kTiffPackBits, kFormatTiffPackBits, 8, 0}, TiffCase{8, kTiffDeflate, kFormatTiffDeflate, 8, 0},
                      TiffCase{24, kTiffNone, kFormatTiff, 24, 0}, TiffCase{24, kTiffLzw, kFormatTiffLzw, 24, 0},
                      TiffCase{24, kTiffJpeg, kFormatTiffJpeg, 24, 40}, TiffCase{0, kTiffJpeg, kFormatTiffJpeg, 8, 12},
                      // A colour page saved with a fax compression becomes a 1-bit page.
                      TiffCase{24, kTiffG4, kFormatTiffG4, 1, 0}));

TEST(Tiff, FormatCodeChoosesTheCompression) {
  testsupport::TempDir dir;
  SaveOptions o = as(kFormatTiffG4);
  o.tiffCompression = kTiffNone;  // the code wins over the option
  writeFile(dir.file("g4.tif"), pattern(20, 20, 1), o);
  EXPECT_EQ(readFilePage(dir.file("g4.tif"), 1).format, kFormatTiffG4);
}

TEST(Tiff, MultiPageAppendKeepsEveryPage) {
  testsupport::TempDir dir;
  const QString path = dir.file("multi.tif");
  SaveOptions o = as(kFormatTiff);
  o.multiPage = true;
  std::vector<Bitmap> pages = {pattern(10, 10, 1), pattern(12, 8, 8), pattern(7, 5, 24)};
  o.tiffCompression = kTiffG4;
  writeFile(path, pages[0], o);
  o.tiffCompression = kTiffLzw;
  writeFile(path, pages[1], o);
  writeFile(path, pages[2], o);
  EXPECT_EQ(filePageCount(path), 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(samePixels(pages[static_cast<std::size_t>(i)], readFilePage(path, i + 1).bitmap)) << i;
  EXPECT_EQ(readFilePage(path, 1).format, kFormatTiffG4);
  EXPECT_EQ(readFilePage(path, 2).format, kFormatTiffLzw);
  try {
    readFilePage(path, 4);
    FAIL();
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrBadPage);
  }
}

TEST(Tiff, ByteOrderOption) {
  testsupport::TempDir dir;
  for (int order : {0, 1}) {
    SaveOptions o = as(kFormatTiff);
    o.tiffByteOrder = order;
    const QString p = dir.file(QStringLiteral("o%1.tif").arg(order));
    writeFile(p, pattern(9, 9, 8), o);
    EXPECT_EQ(readAll(p).left(2), order ? QByteArray("MM") : QByteArray("II"));
    EXPECT_TRUE(samePixels(pattern(9, 9, 8), readFilePage(p, 1).bitmap));
  }
}

TEST(Tiff, AnnotationLayerTravelsWithItsPage) {
  testsupport::TempDir dir;
  const QString path = dir.file("ann.tif");
  SaveOptions o = as(kFormatTiff);
  o.multiPage = true;
  Bitmap a = pattern(8, 8, 1), b = pattern(8, 8, 1);
  a.annotation = {1, 2, 3, 0, 255};
  writeFile(path, a, o);
  writeFile(path, b, o);
  EXPECT_EQ(readFilePage(path, 1).bitmap.annotation, a.annotation);
  EXPECT_TRUE(readFilePage(path, 2).bitmap.annotation.empty());
}

TEST(Codec, SaveOverwritesOnlyWhenComplete) {
  testsupport::TempDir dir;
  const QString p = dir.file("keep.bmp");
  writeFile(p, pattern(5, 5, 8), as(kFormatBmp));
  const QByteArray before = readAll(p);
  EXPECT_THROW(writeFile(p, pattern(5, 5, 8), as(kFormatWmf)), rt::RuntimeError);
  EXPECT_THROW(writeFile(p, Bitmap(), as(kFormatBmp)), rt::RuntimeError);
  EXPECT_EQ(readAll(p), before);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(Codec, UnsupportedFormatsAreNamed) {
  testsupport::TempDir dir;
  try {
    writeFile(dir.file("x.wmf"), pattern(5, 5, 8), as(kFormatWmf));
    FAIL();
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrUnsupported);
    EXPECT_TRUE(e.Description().contains(QStringLiteral("WMF")));
  }
  QFile f(dir.file("x.pdf"));
  f.open(QIODevice::WriteOnly);
  f.write("%PDF-1.4\n");
  f.close();
  try {
    readFilePage(dir.file("x.pdf"), 1);
    FAIL();
  } catch (const rt::RuntimeError& e) {
    EXPECT_TRUE(e.Description().contains(QStringLiteral("PDF")));
  }
  try {
    readFilePage(dir.file("missing.tif"), 1);
    FAIL();
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 53);
  }
}

TEST(Codec, FileInfoReportsThePage) {
  testsupport::TempDir dir;
  Bitmap b = pattern(21, 11, 4);
  b.resolutionX = 150;
  b.resolutionY = 75;
  b.resolutionUnit = kUnitCentimeter;
  writeFile(dir.file("i.tif"), b, as(kFormatTiff));
  const FileInfo i = fileInfo(dir.file("i.tif"), 1);
  EXPECT_EQ(i.width, 21);
  EXPECT_EQ(i.height, 11);
  EXPECT_EQ(i.bitsPerPixel, 4);
  EXPECT_EQ(i.format, kFormatTiff);
  EXPECT_EQ(i.unit, kUnitCentimeter);
  EXPECT_EQ(i.resolutionX, 150);
  EXPECT_EQ(i.resolutionY, 75);
  EXPECT_EQ(i.pages, 1);
  EXPECT_EQ(i.fileSize, QFileInfo(dir.file("i.tif")).size());
}
