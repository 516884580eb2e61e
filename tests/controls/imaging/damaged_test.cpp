// Damaged inputs: every decoder gives a clear error and never reads or writes out of bounds (the
// sanitizer build runs these too).
#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <gtest/gtest.h>

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
      std::span<const uint8_t> part(full.data(), n);
      try {
        (void)decodeMemory(part, 1);
        ADD_FAILURE() << "bpp " << bpp << " cut at " << n;
      } catch (const rt::RuntimeError&) {
      }
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
