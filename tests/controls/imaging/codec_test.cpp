#include "controls/imaging/codec.h"
#include "controls/imaging/pixel_ops.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"
#include "tests/support/temp_dir.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <functional>
#include <map>
#include <thread>

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

// Each thread reads a document through its own handle while the chain of pages is walked once for
// all: a file replaced behind the readers' backs is taken anew by every thread, old or new.
TEST(Tiff, AFileReplacedBehindTheReadersIsReadAnewOnEveryThread) {
  testsupport::TempDir dir;
  const QString path = dir.file("doc.tif"), other = dir.file("other.tif");
  SaveOptions o = as(kFormatTiffLzw);
  o.multiPage = true;
  const std::vector<Bitmap> before = {pattern(10, 10, 8), pattern(12, 8, 24), pattern(7, 5, 8)};
  const std::vector<Bitmap> after = {pattern(9, 9, 24), pattern(8, 8, 8), pattern(6, 6, 24), pattern(5, 5, 8),
                                     pattern(11, 4, 24)};
  for (const Bitmap& b : before) writeFile(path, b, o);
  for (const Bitmap& b : after) writeFile(other, b, o);
  auto onThread = [](const std::function<void()>& f) { std::thread(f).join(); };
  // Each page read on its own thread, the last page, then the count.
  auto readsAs = [&](const std::vector<Bitmap>& pages) {
    for (std::size_t i = 0; i < pages.size(); ++i)
      onThread([&] { EXPECT_TRUE(samePixels(pages[i], readFilePage(path, static_cast<int32_t>(i + 1)).bitmap)) << i; });
    onThread([&] { EXPECT_EQ(filePageCount(path), static_cast<int32_t>(pages.size())); });
    EXPECT_EQ(filePageCount(path), static_cast<int32_t>(pages.size()));
    EXPECT_TRUE(samePixels(pages.back(), readFilePage(path, static_cast<int32_t>(pages.size())).bitmap));
  };
  readsAs(before);
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(QFile::rename(other, path));
  readsAs(after);
}

// Continuous-tone pages are written with horizontal differencing under LZW and Deflate, so a
// smooth picture packs small; palette and bilevel pages are written as they are. Pixels survive.
TEST(Tiff, LzwAndDeflatePagesUseThePredictorThatSuitsThem) {
  testsupport::TempDir dir;
  const struct {
    const char* what;
    Bitmap picture;
    uint16_t predictor;
  } cases[] = {
      {"colour", imgtest::smoothPattern(300, 200), PREDICTOR_HORIZONTAL},
      {"grey", imgtest::grayPattern(300, 200), PREDICTOR_HORIZONTAL},
      {"palette", pattern(300, 200, 8), PREDICTOR_NONE},
      {"bilevel", pattern(300, 200, 1), PREDICTOR_NONE},
  };
  for (const auto& c : cases) {
    for (int32_t compression : {kTiffLzw, kTiffDeflate}) {
      SCOPED_TRACE(std::string(c.what) + (compression == kTiffLzw ? " LZW" : " Deflate"));
      SaveOptions o = as(kFormatTiff);
      o.tiffCompression = compression;
      const QString path = dir.file(QStringLiteral("p.tif"));
      writeFile(path, c.picture, o);
      TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "r");
      ASSERT_NE(t, nullptr);
      uint16_t predictor = 0;
      TIFFGetFieldDefaulted(t, TIFFTAG_PREDICTOR, &predictor);
      TIFFClose(t);
      EXPECT_EQ(predictor, c.predictor);
      EXPECT_TRUE(samePixels(c.picture, readFilePage(path, 1).bitmap));
      if (c.picture.bitsPerPixel() == 24) {  // a smooth colour page packs to a fraction of its size
        EXPECT_LT(QFileInfo(path).size(), 300 * 200 * 3 / 8);
      }
    }
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
  // Read for every page at once with the first picture only, as opening a document does.
  const OpenedFile opened = openDocumentFile(path);
  EXPECT_EQ(opened.pages, 2);
  ASSERT_EQ(opened.layers.size(), 2u);
  EXPECT_EQ(opened.layers[0], a.annotation);
  EXPECT_TRUE(opened.layers[1].empty());
  // Other formats carry none: one empty entry per page.
  const QString bmp = dir.file("plain.bmp");
  writeFile(bmp, b, as(kFormatBmp));
  EXPECT_EQ(openDocumentFile(bmp).layers, std::vector<std::vector<uint8_t>>(1));
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

// ---- the other codecs --------------------------------------------------------------------------

struct RoundCase {
  const char* name;
  int16_t format;
  int bpp;
  int expectBpp;
  int tolerance;
  void (*tweak)(SaveOptions&);
};

class RoundTrip : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundTrip, FileWrittenReadsBack) {
  const RoundCase c = GetParam();
  testsupport::TempDir dir;
  const Bitmap b = c.tolerance ? imgtest::smoothPattern(37, 21) : c.bpp == 0 ? imgtest::grayPattern(37, 21) : pattern(37, 21, c.bpp);
  SaveOptions o = as(c.format);
  if (c.tweak) c.tweak(o);
  const QString p = dir.file(QStringLiteral("rt.") + QString::fromLatin1(c.name));
  writeFile(p, b, o);
  Decoded d = readFilePage(p, 1);
  EXPECT_EQ(d.bitmap.bitsPerPixel(), c.expectBpp);
  EXPECT_TRUE(samePixels(b, d.bitmap, c.tolerance));
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, RoundTrip,
    ::testing::Values(
        RoundCase{"pcx1", kFormatPcx, 1, 1, 0, nullptr}, RoundCase{"pcx4", kFormatPcx, 4, 4, 0, nullptr},
        RoundCase{"pcx8", kFormatPcx, 8, 8, 0, nullptr}, RoundCase{"pcx24", kFormatPcx, 24, 24, 0, nullptr},
        RoundCase{"tga8", kFormatTga, 8, 8, 0, nullptr}, RoundCase{"tga24", kFormatTga, 24, 24, 0, nullptr},
        RoundCase{"tgagray", kFormatTga, 0, 8, 0, nullptr}, RoundCase{"tga1", kFormatTga, 1, 8, 0, nullptr},
        RoundCase{"pbm", kFormatPbm, 1, 1, 0, nullptr},
        RoundCase{"pbma", kFormatPbm, 1, 1, 0, [](SaveOptions& o) { o.pbmType = 1; }},
        RoundCase{"pgm", kFormatPgm, 0, 8, 0, nullptr},
        RoundCase{"pgma", kFormatPgm, 0, 8, 0, [](SaveOptions& o) { o.pgmType = 1; }},
        RoundCase{"ppm", kFormatPpm, 24, 24, 0, nullptr},
        RoundCase{"ppma", kFormatPpm, 24, 24, 0, [](SaveOptions& o) { o.ppmType = 1; }},
        RoundCase{"png1", kFormatPng, 1, 1, 0, nullptr}, RoundCase{"png4", kFormatPng, 4, 4, 0, nullptr},
        RoundCase{"png8", kFormatPng, 8, 8, 0, nullptr}, RoundCase{"pnggray", kFormatPng, 0, 8, 0, nullptr},
        RoundCase{"png24", kFormatPng, 24, 24, 0, nullptr},
        RoundCase{"pngi", kFormatPng, 24, 24, 0, [](SaveOptions& o) { o.pngInterlace = true; }},
        RoundCase{"pngi1", kFormatPng, 1, 1, 0, [](SaveOptions& o) { o.pngInterlace = true; }},
        RoundCase{"jpg", kFormatJpeg, 24, 24, 24, nullptr},
        RoundCase{"jpgbest", kFormatJpeg, 24, 24, 6, [](SaveOptions& o) { o.jpegLuminance = o.jpegChrominance = 255; o.jpegSubSampling = 0; }},
        RoundCase{"jpgprog", kFormatJpeg, 24, 24, 24, [](SaveOptions& o) { o.jpegProgressive = true; }}));

TEST(Tga, RunLengthRoundTrip) {
  const Bitmap b = pattern(40, 9, 24);
  Bitmap flat = b;
  for (int x = 0; x < 30; ++x) flat.setIndex(x, 3, qRgb(1, 2, 3));  // long runs too
  for (const Bitmap& src : {b, flat}) EXPECT_TRUE(samePixels(src, decodeTga(encodeTga(src, true))));
}

// A 1-bit page is written black-is-zero, and its header's first two colours say so: readers that
// take them showed the paper of a converted fax page as dark blue (the EGA table's second colour).
TEST(Pcx, OneBitPagesNameBlackAndWhiteInTheHeader) {
  testsupport::TempDir dir;
  const QString p = dir.file("fax.pcx");
  for (const Bitmap& page : {pattern(16, 4, 1), pattern(16, 4, 4)}) {
    writeFile(p, page, as(kFormatPcx));
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray header = f.read(128);
    if (page.bitsPerPixel() == 1)
      EXPECT_EQ(header.mid(16, 6), QByteArray("\x00\x00\x00\xff\xff\xff", 6));
    else
      EXPECT_NE(header.mid(16, 6), QByteArray("\x00\x00\x00\xff\xff\xff", 6));  // its own palette
    EXPECT_TRUE(samePixels(page, readFilePage(p, 1).bitmap));
  }
}

TEST(Dcx, PagesAreAddedAndCounted) {
  testsupport::TempDir dir;
  const QString p = dir.file("doc.dcx");
  SaveOptions o = as(kFormatDcx);
  o.multiPage = true;
  const std::vector<Bitmap> pages = {pattern(9, 9, 1), pattern(12, 7, 8), pattern(5, 6, 24)};
  for (const Bitmap& b : pages) writeFile(p, b, o);
  EXPECT_EQ(filePageCount(p), 3);
  for (int i = 0; i < 3; ++i) {
    Decoded d = readFilePage(p, i + 1);
    EXPECT_EQ(d.format, kFormatDcx);
    EXPECT_TRUE(samePixels(pages[static_cast<std::size_t>(i)], d.bitmap)) << i;
  }
  EXPECT_THROW(readFilePage(p, 4), rt::RuntimeError);
  const FileInfo info = fileInfo(p, 2);
  EXPECT_EQ(info.pages, 3);
  EXPECT_EQ(info.width, 12);
  EXPECT_EQ(info.bitsPerPixel, 8);
  EXPECT_EQ(info.format, kFormatDcx);
}

TEST(Jpeg, OptionsShowInTheFile) {
  const Bitmap b = imgtest::smoothPattern(64, 64);
  SaveOptions o = as(kFormatJpeg);
  int16_t fmt = 0;
  o.jpegProgressive = true;
  decodeJpeg(encodeJpeg(b, o), &fmt);
  EXPECT_EQ(fmt, kFormatJpegProgressive);
  o = as(kFormatJpeg);
  o.jpegGrayscale = true;
  EXPECT_EQ(decodeJpeg(encodeJpeg(b, o), &fmt).bitsPerPixel(), 8);
  EXPECT_EQ(fmt, kFormatJpeg);
  // Lower quality, smaller file; chrominance quality counts on its own.
  o = as(kFormatJpeg);
  o.jpegLuminance = 250;
  o.jpegChrominance = 250;
  const std::size_t high = encodeJpeg(b, o).size();
  o.jpegChrominance = 10;
  const std::size_t lowChroma = encodeJpeg(b, o).size();
  o.jpegLuminance = 10;
  const std::size_t low = encodeJpeg(b, o).size();
  EXPECT_LT(lowChroma, high);
  EXPECT_LT(low, lowChroma);
  // No subsampling keeps fine colour better than 2x2.
  o = as(kFormatJpeg);
  o.jpegLuminance = o.jpegChrominance = 255;
  Bitmap stripes(16, 16, 24);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) stripes.setIndex(x, y, (x & 1) ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
  o.jpegSubSampling = 0;
  EXPECT_TRUE(samePixels(stripes, decodeJpeg(encodeJpeg(stripes, o)), 40));
  o.jpegSubSampling = 2;
  EXPECT_FALSE(samePixels(stripes, decodeJpeg(encodeJpeg(stripes, o)), 40));
}

namespace {
// An icon entry: the packed DIB with its height doubled, then the mask rows bottom-up.
std::vector<uint8_t> iconEntry(const Bitmap& b, int transparentColumn) {
  std::vector<uint8_t> dib = toPackedDib(b);
  const uint32_t h2 = static_cast<uint32_t>(b.height() * 2);
  for (int i = 0; i < 4; ++i) dib[8 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(h2 >> (8 * i));
  for (int y = 0; y < b.height(); ++y) {
    uint8_t row[4] = {0, 0, 0, 0};
    if (transparentColumn >= 0) row[transparentColumn / 8] = static_cast<uint8_t>(0x80 >> (transparentColumn % 8));
    dib.insert(dib.end(), row, row + 4);
  }
  return dib;
}
std::vector<uint8_t> iconFile(const std::vector<std::pair<Bitmap, std::vector<uint8_t>>>& entries) {
  std::vector<uint8_t> f = {0, 0, 1, 0, static_cast<uint8_t>(entries.size()), 0};
  uint32_t at = static_cast<uint32_t>(6 + 16 * entries.size());
  for (const auto& [b, data] : entries) {
    const uint8_t e[16] = {static_cast<uint8_t>(b.width()), static_cast<uint8_t>(b.height()), 0, 0, 1, 0,
                           static_cast<uint8_t>(b.bitsPerPixel()), 0,
                           static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8), 0, 0,
                           static_cast<uint8_t>(at), static_cast<uint8_t>(at >> 8), 0, 0};
    f.insert(f.end(), e, e + 16);
    at += static_cast<uint32_t>(data.size());
  }
  for (const auto& e : entries) f.insert(f.end(), e.second.begin(), e.second.end());
  return f;
}
}  // namespace

TEST(Ico, LargestPictureWithMaskOverWhite) {
  const Bitmap small = blankBitmap(2, 2, 24, qRgb(0, 255, 0));
  const Bitmap big = blankBitmap(4, 2, 8, qRgb(0, 0, 0));
  const auto file = iconFile({{small, iconEntry(small, -1)}, {big, iconEntry(big, 3)}});
  Decoded d = decodeMemory(file, 1);
  EXPECT_EQ(d.format, kFormatIco);
  ASSERT_EQ(d.bitmap.width(), 4);
  EXPECT_EQ(d.bitmap.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(d.bitmap.pixel(3, 1), qRgb(255, 255, 255));
  // A PNG entry is read as PNG.
  const auto png = encodePng(blankBitmap(3, 3, 24, qRgb(9, 8, 7)), false);
  const Bitmap three = blankBitmap(3, 3, 24, qRgb(9, 8, 7));
  EXPECT_EQ(decodeIco(iconFile({{three, png}})).pixel(1, 1), qRgb(9, 8, 7));
}

TEST(Jpeg, ExifFilesAreReportedAsSuch) {
  SaveOptions o = as(kFormatJpeg);
  std::vector<uint8_t> j = encodeJpeg(imgtest::smoothPattern(16, 16), o);
  // An APP1 segment with the EXIF signature right after the start marker.
  const std::vector<uint8_t> app1 = {0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  j.insert(j.begin() + 2, app1.begin(), app1.end());
  int16_t fmt = 0;
  EXPECT_EQ(decodeJpeg(j, &fmt).width(), 16);
  EXPECT_EQ(fmt, kFormatExif);
  o.jpegProgressive = true;
  std::vector<uint8_t> p = encodeJpeg(imgtest::smoothPattern(16, 16), o);
  p.insert(p.begin() + 2, app1.begin(), app1.end());
  decodeJpeg(p, &fmt);
  EXPECT_EQ(fmt, kFormatExifProgressive);
}

TEST(Png, TransparencyShowsWhite) {
  QImage rgba(4, 2, QImage::Format_ARGB32);
  rgba.fill(qRgba(255, 0, 0, 255));
  rgba.setPixel(3, 1, qRgba(0, 0, 0, 0));
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  ASSERT_TRUE(rgba.save(&buf, "PNG"));
  const Bitmap b = decodePng({reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())});
  EXPECT_EQ(b.bitsPerPixel(), 24);
  EXPECT_EQ(b.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(b.pixel(3, 1), qRgb(255, 255, 255));
}

TEST(Pnm, SixteenBitSamplesAreScaled) {
  std::string raw = "P5 2 1 65535\n";
  raw += std::string("\xFF\xFF\x80\x00", 4);
  const Bitmap g = decodePnm({reinterpret_cast<const uint8_t*>(raw.data()), raw.size()});
  EXPECT_EQ(g.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(qRed(g.pixel(1, 0)), 128);
  const std::string plain = "P3\n# comment\n2 1\n15\n15 0 0  0 15 0\n";
  int16_t fmt = 0;
  const Bitmap c = decodePnm({reinterpret_cast<const uint8_t*>(plain.data()), plain.size()}, &fmt);
  EXPECT_EQ(fmt, kFormatPpm);
  EXPECT_EQ(c.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(c.pixel(1, 0), qRgb(0, 255, 0));
}

namespace {

// A large bilevel page is shown from a reduction made while it is decoded: the display picture is
// small, its size is the page's, and each part shows the ink of the page there.
TEST(Tiff, ABilevelPageIsShownFromAReducedDecode) {
  testsupport::TempDir dir;
  const QString path = dir.file(QStringLiteral("page.tif"));
  Bitmap page(3001, 2000, 1);
  page.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
  for (int y = 0; y < 1000; ++y)
    for (int x = 0; x < 1500; ++x) page.setIndex(x, y, 1);  // the top-left quarter is black
  for (int32_t compression : {kTiffG4, kTiffNone}) {
    SaveOptions o = as(kFormatTiff);
    o.tiffCompression = compression;
    writeFile(path, page, o);
    int32_t w = 0, h = 0;
    const Decoded d = readFilePageForDisplay(path, 1, 100, w, h);
    EXPECT_EQ(w, 3001);
    EXPECT_EQ(h, 2000);
    EXPECT_GE(std::max(d.bitmap.width(), d.bitmap.height()), 100);
    EXPECT_LE(d.bitmap.width(), 400);
    EXPECT_EQ(qGray(d.bitmap.pixel(2, 2)), 0);
    EXPECT_EQ(qGray(d.bitmap.pixel(d.bitmap.width() - 1, d.bitmap.height() - 1)), 255);
    EXPECT_EQ(qGray(d.bitmap.pixel(d.bitmap.width() - 2, 2)), 255);
    EXPECT_EQ(d.format, compression == kTiffG4 ? kFormatTiffG4 : kFormatTiff);
  }
  // A page small enough to show whole comes whole.
  writeFile(path, pattern(120, 90, 1), as(kFormatTiff));
  int32_t w = 0, h = 0;
  EXPECT_TRUE(samePixels(pattern(120, 90, 1), readFilePageForDisplay(path, 1, 100, w, h).bitmap));
  // So do pages that are not bilevel, each the page asked for, in any order of reading.
  const QString doc = dir.file(QStringLiteral("doc.tif"));
  const std::vector<Bitmap> pages = {pattern(900, 700, 24), page, pattern(800, 900, 8)};
  SaveOptions o = as(kFormatTiffLzw);
  o.multiPage = true;
  for (const Bitmap& p : pages) writeFile(doc, p, o);
  for (int32_t n : {3, 1, 2, 1, 3}) {
    const Decoded d = readFilePageForDisplay(doc, n, 100, w, h);
    const Bitmap& want = pages[static_cast<std::size_t>(n - 1)];
    EXPECT_EQ(w, want.width()) << n;
    EXPECT_EQ(d.format, kFormatTiffLzw) << n;
    if (want.bitsPerPixel() != 1) {
      EXPECT_TRUE(samePixels(want, d.bitmap)) << n;
    }
  }
}

}  // namespace

namespace {

// Bilevel pages written straight through libtiff, black on white, with the strips asked for.
void writeBilevelPages(const QString& path, const std::vector<Bitmap>& pages, uint16_t compression,
                       uint32_t rowsPerStrip) {
  TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "w");
  ASSERT_NE(t, nullptr);
  for (const Bitmap& b : pages) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(b.width()));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(b.height()));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, std::min<uint32_t>(rowsPerStrip, static_cast<uint32_t>(b.height())));
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    for (int32_t y = 0; y < b.height(); ++y) {
      std::vector<uint8_t> row(b.row(y), b.row(y) + (b.width() + 7) / 8);
      ASSERT_GE(TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0), 0);
    }
    TIFFWriteDirectory(t);
  }
  TIFFClose(t);
}

// Text-like ink: short runs of black scattered over white, different on every page.
Bitmap inkPage(int32_t w, int32_t h, uint32_t seed) {
  Bitmap b(w, h, 1);
  b.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
  uint32_t r = seed * 2654435761u + 1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      r = r * 1103515245u + 12345u;
      if ((r >> 16) % 11 < 3) b.setIndex(x, y, 1);
    }
  return b;
}

// Each display pixel is the share of white in the block of the page it covers.
Bitmap boxReduced(const Bitmap& page, int32_t factor) {
  const int32_t ow = (page.width() + factor - 1) / factor, oh = (page.height() + factor - 1) / factor;
  Bitmap out(ow, oh, 24);
  for (int32_t oy = 0; oy < oh; ++oy)
    for (int32_t ox = 0; ox < ow; ++ox) {
      uint64_t total = 0, white = 0;
      for (int32_t y = oy * factor; y < std::min(page.height(), (oy + 1) * factor); ++y)
        for (int32_t x = ox * factor; x < std::min(page.width(), (ox + 1) * factor); ++x) {
          ++total;
          white += qGray(page.pixel(x, y)) == 255 ? 1 : 0;
        }
      const int v = static_cast<int>((255 * white + total / 2) / total);
      uint8_t* o = out.row(oy) + ox * 3;
      o[0] = o[1] = o[2] = static_cast<uint8_t>(v);
    }
  return out;
}

}  // namespace

// A page held in one strip reduces to the same display picture as one cut into many strips, for
// every page of the file in any order of reading, and that picture is the box average of the page:
// strips decoded whole or a row at a time, blocks of one byte or several, a last block cut short
// at a width that ends mid-byte, and blocks taller than the rows counted at one go.
TEST(Tiff, BilevelPagesReduceAlikeWhateverTheirStrips) {
  testsupport::TempDir dir;
  std::vector<Bitmap> pages = {inkPage(1203, 1601, 1), inkPage(1600, 1205, 2), inkPage(1203, 1601, 3)};
  // Solid ink as well: the most a block can hold.
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 300; ++x) pages[2].setIndex(x, y, 1);
  struct Layout {
    const char* what;
    uint16_t compression;
    uint32_t rowsPerStrip;
  };
  const Layout layouts[] = {{"G4 one strip", COMPRESSION_CCITTFAX4, 1u << 30},
                            {"G4 many strips", COMPRESSION_CCITTFAX4, 64},
                            {"G3 one strip", COMPRESSION_CCITTFAX3, 1u << 30},
                            {"G3 many strips", COMPRESSION_CCITTFAX3, 100},
                            {"plain one strip", COMPRESSION_NONE, 1u << 30},
                            {"plain many strips", COMPRESSION_NONE, 7}};
  struct Size {
    int maxSide;
    int32_t factor;  // the reduction that size calls for on these pages
  };
  const Size sizes[] = {{150, 8}, {100, 16}, {60, 24}, {40, 40}};
  std::map<std::pair<int32_t, int32_t>, Bitmap> expected;  // by page and factor
  for (const Size& z : sizes)
    for (int32_t page = 1; page <= 3; ++page)
      expected[{page, z.factor}] = boxReduced(pages[static_cast<std::size_t>(page - 1)], z.factor);
  struct Restore {
    ~Restore() { setWholeStripLimit(std::size_t(4) << 20); }
  } restore;
  for (const std::size_t wholeStripLimit : {std::size_t(4) << 20, std::size_t(0)}) {
    setWholeStripLimit(wholeStripLimit);
    for (const Layout& l : layouts) {
      SCOPED_TRACE(testing::Message() << l.what << (wholeStripLimit ? ", whole strips" : ", row by row"));
      const QString path = dir.file(QStringLiteral("%1.tif").arg(QString::fromLatin1(l.what)).replace(' ', '_'));
      if (!QFileInfo::exists(path)) writeBilevelPages(path, pages, l.compression, l.rowsPerStrip);
      for (const Size& z : sizes)
        for (int32_t page : {2, 1, 1, 3}) {
          int32_t w = 0, h = 0;
          const Decoded d = readFilePageForDisplay(path, page, z.maxSide, w, h);
          const Bitmap& full = pages[static_cast<std::size_t>(page - 1)];
          EXPECT_EQ(w, full.width());
          EXPECT_EQ(h, full.height());
          EXPECT_TRUE(samePixels(expected[{page, z.factor}], d.bitmap)) << "page " << page << ", side " << z.maxSide;
        }
    }
  }
}

namespace {

// A page of a long document is read through a handle of its own, whose header names that page as
// the first: the header's offset is placed in the file's byte order and width. Pages of every
// byte order, classic and big TIFF, read back as written, whole and reduced, on this thread and
// on another (whose handle knows the pages only by their offsets).
// Pages 2 to 4 read by their offsets, in full and reduced for display (the reduced read of a
// bilevel page takes its own road), on this thread and on another.
TEST(Codec, APageIsReadByItsOffsetInEveryByteOrderAndTiffWidth) {
  testsupport::TempDir dir;
  for (const uint16_t bits : {uint16_t(8), uint16_t(1)}) {
    for (const char* mode : {"w", "wb", "w8", "w8b"}) {
      SCOPED_TRACE(std::string(mode) + " " + std::to_string(bits) + " bits");
      const QString path = dir.file(QStringLiteral("pages-%1-%2.tif").arg(QLatin1String(mode)).arg(bits));
      TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), mode);
      ASSERT_NE(t, nullptr);
      // Page k is 10 + 10 k pixels wide (bilevel: 8 times that), of grey 40 k (bilevel: white).
      auto widthOf = [&](int32_t page) { return (10 + 10 * page) * (bits == 1 ? 8 : 1); };
      for (int32_t page = 1; page <= 4; ++page) {
        const uint32_t width = static_cast<uint32_t>(widthOf(page)), height = 12;
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_COMPRESSION, bits == 1 ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, height);
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        const std::vector<uint8_t> row(bits == 1 ? width / 8 : width, bits == 1 ? uint8_t(0xFF) : static_cast<uint8_t>(40 * page));
        for (uint32_t y = 0; y < height; ++y) ASSERT_GE(TIFFWriteScanline(t, const_cast<uint8_t*>(row.data()), y, 0), 0);
        TIFFWriteDirectory(t);
      }
      TIFFClose(t);
      const OpenedFile opened = openDocumentFile(path);
      EXPECT_EQ(opened.pages, 4);
      EXPECT_EQ(opened.first.bitmap.width(), widthOf(1));
      auto check = [&] {
        for (int32_t page = 2; page <= 4; ++page) {
          const int grey = bits == 1 ? 255 : 40 * page;
          const Bitmap b = readFilePage(path, page).bitmap;
          EXPECT_EQ(b.width(), widthOf(page)) << page;
          EXPECT_EQ(qGray(b.pixel(3, 3)), grey) << page;
          int32_t fullW = 0, fullH = 0;
          const int limit = 16;
          const Bitmap shown = readFilePageForDisplay(path, page, limit, fullW, fullH).bitmap;
          if (bits == 1) {
            EXPECT_LT(shown.width(), widthOf(page)) << page << ": a bilevel page is reduced as it is read";
          } else {
            EXPECT_EQ(shown.width(), widthOf(page)) << page;
          }
          EXPECT_EQ(qGray(shown.pixel(0, 0)), grey) << page;
          EXPECT_EQ(fullW, widthOf(page)) << page;
          EXPECT_EQ(fullH, 12) << page;
        }
      };
      check();
      std::thread other(check);
      other.join();
    }
  }
}

}  // namespace
