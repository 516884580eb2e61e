#pragma once
// Small pictures made by the tests, and a comparison that reports the first differing pixel.
#include "controls/imaging/bitmap.h"
#include "controls/imaging/codec.h"
#include "tests/support/temp_dir.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace imgtest {

// A picture whose pixels all differ in a way each depth can hold.
inline img::Bitmap pattern(int w, int h, int bpp) {
  img::Bitmap b(w, h, bpp);
  if (bpp == 1) b.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
  if (bpp == 4) {
    b.palette().clear();
    for (int i = 0; i < 16; ++i) b.palette().push_back(qRgb(i * 16, 255 - i * 16, (i * 37) & 0xFF));
  }
  if (bpp == 8) {
    b.palette().clear();
    for (int i = 0; i < 256; ++i) b.palette().push_back(qRgb(i, (i * 7) & 0xFF, 255 - i));
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (bpp == 24) b.setIndex(x, y, qRgb((x * 40) & 0xFF, (y * 30) & 0xFF, (x * y * 5 + 17) & 0xFF));
      else b.setIndex(x, y, static_cast<uint32_t>((x * 3 + y * 5 + x * y) % (1 << bpp)));
    }
  return b;
}

// Smooth colours, for the lossy codecs.
inline img::Bitmap smoothPattern(int w, int h) {
  img::Bitmap b(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setIndex(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
  return b;
}

inline img::Bitmap grayPattern(int w, int h) {
  img::Bitmap b(w, h, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setIndex(x, y, static_cast<uint32_t>((x * 3 + y * 5) & 0xFF));
  return b;
}

// Same size and the same colour at every pixel (tolerance per channel for lossy codecs).
inline ::testing::AssertionResult samePixels(const img::Bitmap& a, const img::Bitmap& b, int tolerance = 0) {
  if (a.width() != b.width() || a.height() != b.height())
    return ::testing::AssertionFailure() << "size " << a.width() << "x" << a.height() << " vs " << b.width() << "x" << b.height();
  long worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      const long dd = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
      if (dd > tolerance)
        return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") " << std::hex << p << " vs " << q;
      worst = std::max(worst, dd);
    }
  return ::testing::AssertionSuccess() << "worst " << worst;
}

// The bytes of a file our writer makes of the picture in the format.
inline std::vector<uint8_t> savedBytes(const img::Bitmap& b, int16_t format) {
  testsupport::TempDir dir;
  img::SaveOptions o;
  o.format = format;
  const QString path = dir.file(QStringLiteral("saved"));
  img::writeFile(path, b, o);
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray a = f.readAll();
  return {a.begin(), a.end()};
}

// What fileInfo says of the bytes written to a file of the name (its extension may matter).
inline img::FileInfo fileInfoOf(std::span<const uint8_t> bytes, const QString& name, int32_t page = 1) {
  testsupport::TempDir dir;
  const QString path = dir.file(name);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
  f.close();
  return img::fileInfo(path, page);
}

// The group 4 data of a bilevel picture, from a TIFF our writer made in one strip (empty if the
// writer used more than one).
inline std::vector<uint8_t> g4Strip(const img::Bitmap& b) {
  testsupport::TempDir dir;
  const QString path = dir.file(QStringLiteral("g4.tif"));
  img::SaveOptions o;
  o.format = img::kFormatTiffG4;
  img::writeFile(path, b, o);
  TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "r");
  if (!t) return {};
  std::vector<uint8_t> out;
  if (TIFFNumberOfStrips(t) == 1) {
    out.resize(static_cast<std::size_t>(TIFFRawStripSize(t, 0)));
    if (TIFFReadRawStrip(t, 0, out.data(), static_cast<tmsize_t>(out.size())) != static_cast<tmsize_t>(out.size()))
      out.clear();
  }
  TIFFClose(t);
  return out;
}

// The same shape, palette and bytes, row padding and bits beyond the width included.
inline ::testing::AssertionResult sameBytes(const img::Bitmap& a, const img::Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.bitsPerPixel() != b.bitsPerPixel())
    return ::testing::AssertionFailure() << "shape differs";
  if (a.palette() != b.palette()) return ::testing::AssertionFailure() << "palette differs";
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.row(y), b.row(y), static_cast<std::size_t>(a.stride())) != 0)
      return ::testing::AssertionFailure() << "row " << y << " differs";
  return ::testing::AssertionSuccess();
}

}  // namespace imgtest
