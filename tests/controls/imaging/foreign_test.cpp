// Files written by an independent tool read correctly, and ours read back by it. Skipped where
// GraphicsMagick is not installed.
#include "controls/imaging/codec.h"
#include "tests/controls/imaging/fixtures.h"
#include "tests/support/temp_dir.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace img;
using imgtest::pattern;
using imgtest::samePixels;

namespace {
QString gm() { return QStandardPaths::findExecutable(QStringLiteral("gm")); }

bool run(const QStringList& args, QByteArray* out = nullptr) {
  QProcess p;
  p.start(gm(), args);
  if (!p.waitForFinished(30000)) return false;
  if (out) *out = p.readAllStandardOutput();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The tool's view of a file as plain PPM, decoded by our PNM reader... which may not exist yet, so
// compare through a BMP the tool writes.
Bitmap viaTool(const QString& file, const testsupport::TempDir& dir) {
  const QString out = dir.file(QStringLiteral("tool.bmp"));
  EXPECT_TRUE(run({QStringLiteral("convert"), file, QStringLiteral("-type"), QStringLiteral("TrueColor"), QStringLiteral("BMP3:") + out}));
  return readFilePage(out, 1).bitmap;
}
}  // namespace

class Foreign : public ::testing::Test {
 protected:
  void SetUp() override {
    if (gm().isEmpty()) GTEST_SKIP() << "GraphicsMagick (gm) is not installed";
  }
  testsupport::TempDir dir;
};

struct ForeignCase {
  const char* ext;
  int16_t format;
  int bpp;
  int32_t tiffCompression;
  int tolerance;
};

class ForeignWrite : public Foreign, public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(ForeignWrite, ToolReadsOurFile) {
  const ForeignCase c = GetParam();
  const Bitmap b = pattern(23, 13, c.bpp);
  SaveOptions o;
  o.format = c.format;
  o.tiffCompression = c.tiffCompression;
  const QString f = dir.file(QStringLiteral("ours.") + QString::fromLatin1(c.ext));
  writeFile(f, b, o);
  EXPECT_TRUE(samePixels(b, viaTool(f, dir), c.tolerance));
}

INSTANTIATE_TEST_SUITE_P(Formats, ForeignWrite,
                         ::testing::Values(ForeignCase{"bmp", kFormatBmp, 8, 0, 0}, ForeignCase{"bmp", kFormatBmp, 1, 0, 0},
                                           ForeignCase{"tif", kFormatTiff, 1, kTiffG4, 0},
                                           ForeignCase{"tif", kFormatTiff, 8, kTiffLzw, 0},
                                           ForeignCase{"tif", kFormatTiff, 24, kTiffPackBits, 0},
                                           ForeignCase{"tif", kFormatTiff, 1, kTiffG3_2D, 0},
                                           ForeignCase{"png", kFormatPng, 4, 0, 0}, ForeignCase{"png", kFormatPng, 24, 0, 0},
                                           ForeignCase{"pcx", kFormatPcx, 1, 0, 0}, ForeignCase{"pcx", kFormatPcx, 4, 0, 0},
                                           ForeignCase{"pcx", kFormatPcx, 8, 0, 0}, ForeignCase{"pcx", kFormatPcx, 24, 0, 0},
                                           ForeignCase{"tga", kFormatTga, 8, 0, 0}, ForeignCase{"tga", kFormatTga, 24, 0, 0},
                                           ForeignCase{"ppm", kFormatPpm, 24, 0, 0}, ForeignCase{"pbm", kFormatPbm, 1, 0, 0}));

class ForeignRead : public Foreign, public ::testing::WithParamInterface<const char*> {};

TEST_P(ForeignRead, WeReadTheToolsFile) {
  // The tool makes a picture from a colour ramp and writes it in the format; its own reading of
  // that file is the reference (within one level: the tool keeps 16-bit samples).
  const QString spec = QString::fromLatin1(GetParam());
  const QString f = dir.file(QStringLiteral("tool.") + spec.section(QLatin1Char(':'), 0, 0).toLower());
  ASSERT_TRUE(run({QStringLiteral("convert"), QStringLiteral("-size"), QStringLiteral("31x17"),
                   QStringLiteral("gradient:red-blue"), spec.section(QLatin1Char(':'), 1) + f}));
  const Bitmap ours = readFilePage(f, 1).bitmap;
  EXPECT_TRUE(samePixels(viaTool(f, dir), ours, spec.startsWith(QStringLiteral("jpg")) ? 3 : spec.startsWith(QStringLiteral("pbm")) ? 255 : 1));
}

INSTANTIATE_TEST_SUITE_P(Formats, ForeignRead,
                         ::testing::Values("bmp:BMP3:", "tif:TIFF:", "png:PNG:", "jpg:JPEG:", "pcx:PCX:", "tga:TGA:",
                                           "ppm:PPM:", "pgm:PGM:", "pbm:PBM:"));

TEST_F(Foreign, CmykJpegReadsLikeTheToolShowsIt) {
  const QString f = dir.file(QStringLiteral("cmyk.jpg"));
  ASSERT_TRUE(run({QStringLiteral("convert"), QStringLiteral("-size"), QStringLiteral("24x16"), QStringLiteral("gradient:yellow-navy"),
                   QStringLiteral("-colorspace"), QStringLiteral("CMYK"), QStringLiteral("-quality"), QStringLiteral("100"), f}));
  const Decoded d = readFilePage(f, 1);
  EXPECT_EQ(d.format, kFormatJpegCmyk);
  EXPECT_TRUE(samePixels(viaTool(f, dir), d.bitmap, 8));
}
