// EPS files with a TIFF preview our writer made: the preview is the picture; a file without one,
// or with sections outside the file, gives an error.
#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <gtest/gtest.h>
#include <string>

using namespace img;
using imgtest::pattern;
using imgtest::samePixels;
using imgtest::savedBytes;

namespace {

const std::string kPostScript = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 31 17\nshowpage\n";

void put32(std::vector<uint8_t>& v, std::size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(x >> (8 * i));
}

// A binary EPS: header, PostScript, then the preview when there is one (offset and length 0 if not).
std::vector<uint8_t> epsFile(const std::vector<uint8_t>& tiff) {
  std::vector<uint8_t> v = {0xC5, 0xD0, 0xD3, 0xC6};
  v.resize(30, 0);
  put32(v, 4, 30);
  put32(v, 8, static_cast<uint32_t>(kPostScript.size()));
  v.insert(v.end(), kPostScript.begin(), kPostScript.end());
  if (!tiff.empty()) {
    put32(v, 20, static_cast<uint32_t>(v.size()));
    put32(v, 24, static_cast<uint32_t>(tiff.size()));
    v.insert(v.end(), tiff.begin(), tiff.end());
  }
  v[28] = v[29] = 0xFF;  // no checksum
  return v;
}

QString errorOf(std::span<const uint8_t> data, int* number = nullptr) {
  try {
    (void)decodeMemory(data, 1);
  } catch (const rt::RuntimeError& e) {
    if (number) *number = e.Number();
    return e.Description();
  }
  return {};
}

// A preview whose TIFF directory makes the TIFF library ask for many gigabytes in one piece (found
// by fuzzing): the read must fail with a clear error instead of exhausting memory.
TEST(Eps, APreviewThatAsksForHugeBuffersIsRefused) {
  static const uint8_t kFile[] = {
    0xC5, 0xD0, 0xD3, 0xC6, 0x1E, 0x00, 0x00, 0x00, 0x2F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x4D, 0x00, 0x00, 0x00, 0xDE, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x25, 0x21,
    0x50, 0x53, 0x2D, 0x41, 0x64, 0x6F, 0x62, 0x65, 0x2D, 0x33, 0x2E, 0x30, 0x20, 0x45, 0x50, 0x53,
    0x46, 0x2D, 0x33, 0x2E, 0x30, 0x0A, 0x25, 0x25, 0x42, 0x6F, 0x75, 0x6E, 0x64, 0x69, 0x6E, 0x67,
    0x42, 0x6F, 0x78, 0x3A, 0x20, 0x30, 0x20, 0x30, 0x20, 0x39, 0x20, 0x37, 0x0A, 0x49, 0x49, 0x2A,
    0x00, 0x48, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x03, 0x04,
    0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
    0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12,
    0x13, 0x14, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x12, 0x13, 0x14, 0x15, 0x16,
    0x17, 0x18, 0x19, 0x1A, 0x00, 0x0C, 0x00, 0xFE, 0x00, 0x04, 0x00, 0x01, 0x60, 0x00, 0x00, 0x02,
    0x00, 0x00, 0x00, 0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x01,
    0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x02, 0x01, 0x03, 0x00, 0x01,
    0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x03, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x21,
    0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x01, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x11,
    0x01, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x12, 0x01, 0x03, 0x00, 0x01,
    0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x15, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
    0x5B, 0x00, 0x00, 0x16, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x8E, 0x03, 0x00, 0x00, 0x17,
    0x01, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0x1C, 0x01, 0x03, 0x00, 0x01,
    0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
  };
  try {
    (void)img::decodeEps(std::span<const uint8_t>(kFile, sizeof kFile));
    ADD_FAILURE() << "no error";
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Number(), img::kErrDamaged) << e.Description().toStdString();
  }
}

}  // namespace

TEST(Eps, ThePreviewIsThePicture) {
  struct Case {
    int bpp;
    int16_t tiffFormat;
  };
  for (Case c : {Case{1, kFormatTiffG4}, Case{4, kFormatTiffPackBits}, Case{8, kFormatTiffLzw}, Case{24, kFormatTiff}}) {
    Bitmap b = pattern(31, 17, c.bpp);
    b.resolutionX = b.resolutionY = 72;
    b.resolutionUnit = kUnitInch;
    const Decoded d = decodeMemory(epsFile(savedBytes(b, c.tiffFormat)), 1);
    EXPECT_EQ(d.format, kFormatEps) << c.bpp;
    EXPECT_EQ(d.bitmap.bitsPerPixel(), c.bpp);
    EXPECT_TRUE(samePixels(d.bitmap, b)) << c.bpp;
    EXPECT_EQ(d.bitmap.resolutionX, 72) << c.bpp;
  }
}

TEST(Eps, FileReadsWithOnePage) {
  const auto bytes = epsFile(savedBytes(pattern(31, 17, 8), kFormatTiff));
  const FileInfo i = imgtest::fileInfoOf(bytes, QStringLiteral("p.eps"));
  EXPECT_EQ(i.format, kFormatEps);
  EXPECT_EQ(i.width, 31);
  EXPECT_EQ(i.pages, 1);
  EXPECT_THROW(imgtest::fileInfoOf(bytes, QStringLiteral("p.eps"), 2), rt::RuntimeError);
}

TEST(Eps, WithoutPreviewIsNotSupported) {
  const std::vector<uint8_t> plain(kPostScript.begin(), kPostScript.end());
  for (const auto& v : {plain, epsFile({})}) {
    int number = 0;
    EXPECT_EQ(errorOf(v, &number), QStringLiteral("Reading EPS files without a TIFF preview is not supported"));
    EXPECT_EQ(number, kErrUnsupported);
  }
}

TEST(Eps, SectionsOutsideTheFileAreRefused) {
  const auto good = epsFile(savedBytes(pattern(31, 17, 8), kFormatTiff));
  const uint32_t size = static_cast<uint32_t>(good.size());
  struct Case {
    std::size_t at;
    uint32_t value;
    const char* what;
  };
  for (Case c : {Case{20, size, "preview starts at the end"}, Case{24, size, "preview longer than the file"},
                 Case{20, 0xFFFFFFF0u, "offset and length overflow 32 bits"}, Case{24, 0xFFFFFFFFu, "huge length"},
                 Case{20, 4, "preview inside the header"}, Case{8, size, "PostScript longer than the file"},
                 Case{16, 8, "metafile without an offset"},
                 Case{20, 30, "preview is the PostScript"}}) {
    auto v = good;
    put32(v, c.at, c.value);
    int number = 0;
    EXPECT_FALSE(errorOf(v, &number).isEmpty()) << c.what;
    EXPECT_EQ(number, kErrDamaged) << c.what;
  }
  for (std::size_t n = 4; n < good.size(); n += (n < 40 ? 1 : 23))
    EXPECT_FALSE(errorOf(std::span(good).first(n)).isEmpty()) << "cut at " << n;
}
