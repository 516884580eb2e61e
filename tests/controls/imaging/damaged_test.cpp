// Damaged inputs: every decoder gives a clear error and never reads or writes out of bounds (the
// sanitizer build runs these too).
#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <gtest/gtest.h>
#include <string>

using namespace img;
using imgtest::pattern;

namespace {
std::vector<uint8_t> bmpOf(int bpp) { return encodeBmp(pattern(33, 17, bpp)); }

void expectDamaged(std::span<const uint8_t> data, const char* what) {
  try {
    (void)decodeMemory(data, 1);
    ADD_FAILURE() << what << ": no error";
  } catch (const rt::RuntimeError& e) {
    EXPECT_FALSE(e.Description().isEmpty()) << what;
  }
}

void put32(std::vector<uint8_t>& v, std::size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(x >> (8 * i));
}
}  // namespace

TEST(DamagedBmp, EveryTruncationFailsCleanly) {
  for (int bpp : {1, 4, 8, 24}) {
    const auto full = bmpOf(bpp);
    for (std::size_t n = 0; n < full.size(); n += (n < 80 ? 1 : 37)) {
      const std::string what = "bpp " + std::to_string(bpp) + " cut at " + std::to_string(n);
      expectDamaged(std::span<const uint8_t>(full.data(), n), what.c_str());
    }
  }
}

TEST(DamagedBmp, HeaderFields) {
  auto base = bmpOf(8);
  struct Case {
    std::size_t at;
    uint32_t value;
    const char* what;
  };
  for (Case c : {Case{18, 0x7FFFFFFF, "huge width"}, Case{22, 0x7FFFFFFF, "huge height"}, Case{18, 0, "zero width"},
                 Case{22, 0x80000000, "minimum height"}, Case{28, 7, "bad depth"}, Case{30, 9, "bad compression"},
                 Case{46, 100000, "palette count"}, Case{10, 0xFFFFFF00, "pixel offset"}, Case{14, 9, "header size"},
                 Case{18, 60000, "width past the data"}}) {
    auto v = base;
    if (c.at == 28) v[28] = static_cast<uint8_t>(c.value);
    else put32(v, c.at, c.value);
    expectDamaged(v, c.what);
  }
}

TEST(DamagedBmp, RleRunsPastTheEndStayInside) {
  // RLE8 with runs and deltas far beyond the picture: decoded without writing outside.
  std::vector<uint8_t> v = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const uint32_t off = 14 + 40 + 8;
  put32(v, 10, off);
  std::vector<uint8_t> h(40, 0);
  put32(h, 0, 40);
  put32(h, 4, 5);
  put32(h, 8, 3);
  h[12] = 1;
  h[14] = 8;
  put32(h, 16, 1);
  put32(h, 32, 2);
  v.insert(v.end(), h.begin(), h.end());
  for (uint8_t x : {0, 0, 0, 0, 255, 255, 255, 0}) v.push_back(x);
  for (uint8_t x : {255, 1, 0, 2, 250, 250, 255, 1, 0, 255, 7}) v.push_back(x);  // absolute run cut short
  Bitmap b = decodeBmp(v);
  EXPECT_EQ(b.width(), 5);
  EXPECT_EQ(b.index(0, 2), 1u);
}

TEST(DamagedTiff, TruncatedAndGarbage) {
  std::vector<uint8_t> t = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0};
  expectDamaged(t, "tiff with cut directory");
  std::vector<uint8_t> g = {'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xFF};
  expectDamaged(g, "tiff with bad offset");
}

TEST(Damaged, UnknownBytes) {
  std::vector<uint8_t> junk(64, 0x5A);
  expectDamaged(junk, "junk");
  expectDamaged({}, "empty");
}

// ---- every decoder ----------------------------------------------------------------------------

namespace {
struct Sample {
  const char* name;
  std::vector<uint8_t> bytes;
};

std::vector<Sample> samples() {
  SaveOptions jpg;
  jpg.jpegProgressive = true;
  return {
      {"bmp8", encodeBmp(pattern(19, 7, 8))},
      {"pcx1", encodePcx(pattern(19, 7, 1))},
      {"pcx4", encodePcx(pattern(19, 7, 4))},
      {"pcx8", encodePcx(pattern(19, 7, 8))},
      {"pcx24", encodePcx(pattern(19, 7, 24))},
      {"dcx", encodeDcx({encodePcx(pattern(9, 5, 8)), encodePcx(pattern(6, 4, 24))})},
      {"tga8", encodeTga(pattern(19, 7, 8), false)},
      {"tga24rle", encodeTga(pattern(19, 7, 24), true)},
      {"tga8rle", encodeTga(pattern(19, 7, 8), true)},
      {"pbm", encodePnm(pattern(19, 7, 1), kFormatPbm, false)},
      {"pgma", encodePnm(imgtest::grayPattern(19, 7), kFormatPgm, true)},
      {"ppm", encodePnm(pattern(19, 7, 24), kFormatPpm, false)},
      {"png8", encodePng(pattern(19, 7, 8), false)},
      {"png24i", encodePng(pattern(19, 7, 24), true)},
      {"jpg", encodeJpeg(imgtest::smoothPattern(19, 7), jpg)},
  };
}

// Decodes every page; only the control's error may come out.
void decodeAll(std::span<const uint8_t> data) {
  try {
    const int32_t pages = pageCountMemory(data);
    for (int32_t p = 1; p <= std::min(pages, 4); ++p) (void)decodeMemory(data, p);
  } catch (const rt::RuntimeError&) {
  }
}
}  // namespace

TEST(Damaged, TruncationsOfEveryFormatFailCleanly) {
  for (const Sample& s : samples()) {
    ASSERT_NO_THROW(decodeAll(s.bytes)) << s.name;
    // Every strict prefix is refused, except where the tail is optional: the PCX 256-colour
    // palette is looked for, not required, and the end marker of a JPEG may be missing.
    const std::string name = s.name;
    const std::size_t optionalTail = name == "pcx8" || name == "dcx" ? 769 : name == "jpg" ? 2 : 0;
    for (std::size_t n = 0; n + 1 < s.bytes.size(); n += (n < 64 ? 1 : 17)) {
      std::span<const uint8_t> part(s.bytes.data(), n);
      if (n + optionalTail >= s.bytes.size()) {
        decodeAll(part);
        continue;
      }
      try {
        (void)decodeMemory(part, pageCountMemory(part));
        ADD_FAILURE() << name << " cut at " << n << " decoded";
      } catch (const rt::RuntimeError&) {
      }
    }
  }
}

TEST(Damaged, FlippedBytesNeverCrash) {
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (const Sample& s : samples()) {
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> v = s.bytes;
      const int flips = 1 + static_cast<int>(next() % 4);
      for (int i = 0; i < flips; ++i) {
        // Bias towards the header, where sizes and counts live.
        const std::size_t at = (next() % 3 == 0) ? next() % v.size() : next() % std::min<std::size_t>(v.size(), 40);
        v[at] = static_cast<uint8_t>(next() >> 13);
      }
      decodeAll(v);
    }
  }
}

TEST(Damaged, HugeSizesAreRefusedBeforeAllocation) {
  const std::vector<std::vector<uint8_t>> cases = {
      // PCX claiming 65535 x 65535 at 24 bits with a few bytes of data.
      [] {
        std::vector<uint8_t> v(140, 0);
        v[0] = 0x0A; v[1] = 5; v[2] = 1; v[3] = 8;
        v[8] = 0xFF; v[9] = 0xFF; v[10] = 0xFF; v[11] = 0xFF;
        v[65] = 3; v[66] = 0; v[67] = 1;
        return v;
      }(),
      // PPM with a size far beyond its data.
      [] { std::string s = "P6\n60000 60000\n255\n\x01\x02"; return std::vector<uint8_t>(s.begin(), s.end()); }(),
      // Plain PGM with a size beyond its text.
      [] { std::string s = "P2 100 100 255 1 2 3"; return std::vector<uint8_t>(s.begin(), s.end()); }(),
      // TGA RLE 65535 x 65535 with one packet.
      [] {
        std::vector<uint8_t> v(18, 0);
        v[2] = 10; v[12] = 0xFF; v[13] = 0xFF; v[14] = 0xFF; v[15] = 0xFF; v[16] = 24;
        v.push_back(0xFF); v.push_back(1); v.push_back(2); v.push_back(3);
        return v;
      }(),
      // DCX whose page offset points past the end.
      [] { return std::vector<uint8_t>{0xB1, 0x68, 0xDE, 0x3A, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}; }(),
      // PNM values beyond the maximum.
      [] { std::string s = "P2 1 1 99999999999"; return std::vector<uint8_t>(s.begin(), s.end()); }(),
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    try {
      (void)decodeMemory(cases[i], 1, i == 3 ? QStringLiteral("x.tga") : QString());
      ADD_FAILURE() << "case " << i << " decoded";
    } catch (const rt::RuntimeError& e) {
      EXPECT_TRUE(e.Number() == kErrDamaged || e.Number() == kErrUnsupported || e.Number() == kErrBadPage) << i;
    }
  }
}

TEST(Damaged, BadPalettesAreHandled) {
  // TGA colour map with an index range beyond 256 entries and PCX 8-bit without its palette.
  std::vector<uint8_t> tga(18, 0);
  tga[1] = 1; tga[2] = 1; tga[3] = 0xF0; tga[5] = 0x20; tga[7] = 24; tga[12] = 2; tga[14] = 1; tga[16] = 8;
  for (int i = 0; i < 0x20 * 3; ++i) tga.push_back(static_cast<uint8_t>(i));
  tga.push_back(5);
  tga.push_back(250);
  Bitmap b = decodeTga(tga);
  EXPECT_EQ(b.pixel(0, 0), qRgb(0, 0, 0));  // unmapped index shows black
  std::vector<uint8_t> pcx = encodePcx(pattern(9, 3, 8));
  pcx.resize(pcx.size() - 769);
  EXPECT_TRUE(decodePcx(pcx).isGray());
}
