// CALS raster pages: group 4 data our TIFF writer made, behind a header written here, read back
// pixel for pixel; damaged headers and data give errors.
#include "controls/imaging/codec.h"
#include "controls/imaging/pixel_ops.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <gtest/gtest.h>
#include <string>

using namespace img;
using imgtest::pattern;
using imgtest::g4Strip;
using imgtest::samePixels;

namespace {

// The picture as black and white, the only colours a CALS page has.
Bitmap page() { return pattern(203, 61, 1); }

// A CALS file: the records, each padded to 128 bytes, the header padded to 2048, then the data.
std::vector<uint8_t> calsFile(const std::vector<std::string>& records, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out(2048, ' ');
  for (std::size_t i = 0; i < records.size() && i < 16; ++i)
    std::copy(records[i].begin(), records[i].end(), out.begin() + static_cast<std::ptrdiff_t>(i * 128));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::vector<std::string> recordsWith(const std::string& orient, const std::string& count = "rpelcnt: 000203,000061") {
  return {"srcdocid: NONE", "dstdocid: NONE", "txtfilid: NONE", "figid: NONE", "srcgph: NONE", "docls: NONE",
          "rtype: 1",       orient,           count,            "rdensty: 0300", "notes: NONE"};
}

int errorOf(std::span<const uint8_t> data, const QString& path = QString()) {
  try {
    (void)decodeMemory(data, 1, path);
  } catch (const rt::RuntimeError& e) {
    EXPECT_FALSE(e.Description().isEmpty());
    return e.Number();
  }
  return 0;
}

}  // namespace

TEST(Cals, ReadsThePageAndItsResolution) {
  const Bitmap b = page();
  const auto g4 = g4Strip(b);
  ASSERT_FALSE(g4.empty());
  const auto file = calsFile(recordsWith("rorient: 000,270"), g4);
  const Decoded d = decodeMemory(file, 1);
  EXPECT_EQ(d.format, kFormatCals);
  EXPECT_EQ(d.bitmap.bitsPerPixel(), 1);
  EXPECT_TRUE(samePixels(d.bitmap, b));
  EXPECT_EQ(d.bitmap.resolutionX, 300);
  EXPECT_EQ(d.bitmap.resolutionY, 300);
  EXPECT_EQ(d.bitmap.resolutionUnit, kUnitInch);
}

TEST(Cals, OrientationTurnsThePage) {
  const Bitmap b = page();
  const auto g4 = g4Strip(b);
  ASSERT_FALSE(g4.empty());
  // The stored lines run along the pixel path; the page shown is the stored one turned back.
  struct Case {
    const char* orient;
    int turnsClockwise;
  };
  for (Case c : {Case{"rorient: 000,270", 0}, Case{"rorient: 090,000", 3}, Case{"rorient: 180,090", 2},
                 Case{"rorient: 270,180", 1}}) {
    const Decoded d = decodeMemory(calsFile(recordsWith(c.orient), g4), 1);
    EXPECT_TRUE(samePixels(d.bitmap, c.turnsClockwise ? rotate90(b, c.turnsClockwise) : b)) << c.orient;
  }
}

TEST(Cals, IsFoundByHeaderOrName) {
  const auto g4 = g4Strip(page());
  auto noDocId = recordsWith("rorient: 000,270");
  noDocId.erase(noDocId.begin());
  struct Case {
    std::vector<std::string> records;
    const char* name;
  };
  for (const Case& c : {Case{recordsWith("rorient: 000,270"), "a.bin"}, Case{{"rtype: 1", "rpelcnt: 203,61"}, "b"},
                        Case{noDocId, "c.cal"}, Case{noDocId, "d.CT1"}}) {
    const FileInfo i = imgtest::fileInfoOf(calsFile(c.records, g4), QString::fromLatin1(c.name));
    EXPECT_EQ(i.format, kFormatCals) << c.name;
    EXPECT_EQ(i.width, 203) << c.name;
    EXPECT_EQ(i.pages, 1) << c.name;
  }
  EXPECT_EQ(sniffFormat(calsFile(noDocId, g4)), kFormatNone);
}

TEST(Cals, DamagedHeadersAreRefused) {
  const auto g4 = g4Strip(page());
  struct Case {
    std::vector<std::string> records;
    int error;
    const char* what;
  };
  const std::vector<Case> cases = {
      {recordsWith("rorient: 000,270", "notes: no size"), kErrDamaged, "no rpelcnt"},
      {recordsWith("rorient: 000,270", "rpelcnt: 0,61"), kErrDamaged, "zero width"},
      {recordsWith("rorient: 000,270", "rpelcnt: 203"), kErrDamaged, "one number"},
      {recordsWith("rorient: 000,270", "rpelcnt: 999999999,999999999"), kErrDamaged, "absurd size"},
      {recordsWith("rorient: 000,270", "rpelcnt: 99999999999999999999,5"), kErrDamaged, "overflowing number"},
      {recordsWith("rorient: 000,270", "rpelcnt: -203,61"), kErrDamaged, "negative"},
      {recordsWith("rorient: 000,270", "rpelcnt: 131072,131072"), kErrDamaged, "above the memory cap"},
      {recordsWith("rorient: 045,315"), kErrUnsupported, "slanted"},
      {recordsWith("rorient: 000,090"), kErrUnsupported, "mirrored"},
      {{"srcdocid: x", "rtype: 2", "rpelcnt: 203,61"}, kErrUnsupported, "tiled type"},
      {{"srcdocid: x", "rtype: one", "rpelcnt: 203,61"}, kErrDamaged, "type not a number"},
  };
  for (const Case& c : cases) EXPECT_EQ(errorOf(calsFile(c.records, g4)), c.error) << c.what;
  const auto good = calsFile(recordsWith("rorient: 000,270"), g4);
  EXPECT_EQ(errorOf(std::span(good).first(1000)), kErrDamaged) << "header cut";
  EXPECT_EQ(errorOf(std::span(good).first(2048)), kErrDamaged) << "no data";
  EXPECT_EQ(errorOf(std::span(good).first(1000), QStringLiteral("x.cal")), kErrDamaged) << "header cut, by name";
  try {
    (void)decodeMemory(good, 2);
    ADD_FAILURE() << "page 2";
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrBadPage);
  }
}

TEST(Cals, DamagedDataStaysInside) {
  // Cut or scrambled group 4 data gives an error or a page of the header's size, never more.
  const auto good = calsFile(recordsWith("rorient: 000,270"), g4Strip(page()));
  std::vector<std::vector<uint8_t>> inputs;
  for (std::size_t n = 2049; n < good.size(); n += 7) inputs.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
  for (int seed = 1; seed <= 20; ++seed) {
    auto v = good;
    for (std::size_t i = 2048; i < v.size(); ++i) v[i] = static_cast<uint8_t>(v[i] ^ ((i * 131 + seed * 7) % 251 == 0 ? 0xFF : 0));
    inputs.push_back(v);
  }
  for (const auto& v : inputs) {
    try {
      const Decoded d = decodeMemory(v, 1);
      EXPECT_EQ(d.bitmap.width(), 203);
      EXPECT_EQ(d.bitmap.height(), 61);
    } catch (const rt::RuntimeError& e) {
      EXPECT_EQ(e.Number(), kErrDamaged);
    }
  }
}
