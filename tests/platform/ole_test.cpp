// Automation strings, byte-array variants and streams on memory blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/ole/ole.h"

TEST(BstrTest, LengthPrefixTerminatorAndNullAsEmpty) {
  size_t live = plat::SysLiveStrings();
  plat::BSTR s = plat::SysAllocString(u"h\u00e9llo");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(plat::SysStringLen(s), 5u);
  EXPECT_EQ(plat::SysStringByteLen(s), 10u);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<const char*>(s) - 4, 4);
  EXPECT_EQ(prefix, 10u);
  EXPECT_EQ(s[5], u'\0');
  // Embedded zeros are part of a counted string.
  const char16_t withZero[] = {u'a', 0, u'b'};
  plat::BSTR z = plat::SysAllocStringLen(withZero, 3);
  EXPECT_EQ(plat::SysStringLen(z), 3u);
  EXPECT_FALSE(plat::SysStringEqual(z, s));
  EXPECT_EQ(plat::SysAllocString(nullptr), nullptr);
  EXPECT_EQ(plat::SysStringLen(nullptr), 0u);
  plat::BSTR empty = plat::SysAllocString(u"");
  EXPECT_TRUE(plat::SysStringEqual(nullptr, empty));
  ASSERT_TRUE(plat::SysReAllocString(&empty, u"x"));
  EXPECT_EQ(plat::SysToU16(empty), u"x");
  ASSERT_TRUE(plat::SysReAllocString(&empty, nullptr));
  EXPECT_EQ(empty, nullptr);
  for (plat::BSTR b : {s, z}) plat::SysFreeString(b);
  plat::SysFreeString(nullptr);
  EXPECT_EQ(plat::SysLiveStrings(), live);
}

TEST(VariantTest, ByteArraysRoundTripAndBadOnesAreRecognised) {
  const uint8_t bytes[] = {1, 2, 3, 0, 255};
  plat::VARIANT v;
  ASSERT_TRUE(plat::VariantFromBytes(&v, bytes, sizeof bytes));
  EXPECT_EQ(v.vt, plat::VT_ARRAY | plat::VT_UI1);
  int32_t lo = -1, hi = -1;
  ASSERT_EQ(plat::SafeArrayGetLBound(v.parray, 1, &lo), plat::S_OK);
  ASSERT_EQ(plat::SafeArrayGetUBound(v.parray, 1, &hi), plat::S_OK);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 4);
  uint32_t n = 0;
  const uint8_t* data = plat::VariantBytes(&v, &n);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(data, data + n), std::vector<uint8_t>(std::begin(bytes), std::end(bytes)));
  // A locked array is not destroyed under its reader.
  void* p = nullptr;
  plat::SafeArrayAccessData(v.parray, &p);
  EXPECT_NE(plat::SafeArrayDestroy(v.parray), plat::S_OK);
  plat::SafeArrayUnaccessData(v.parray);
  plat::VariantClear(&v);
  EXPECT_EQ(v.vt, plat::VT_EMPTY);

  plat::VARIANT empty;
  ASSERT_TRUE(plat::VariantFromBytes(&empty, nullptr, 0));
  EXPECT_EQ(plat::VariantBytes(&empty, &n), nullptr);  // an empty array carries nothing
  plat::VariantClear(&empty);
  plat::VARIANT number;
  number.vt = plat::VT_I4;
  number.lVal = 5;
  EXPECT_EQ(plat::VariantBytes(&number, &n), nullptr);
  EXPECT_EQ(plat::VariantBytes(nullptr, &n), nullptr);
  EXPECT_EQ(plat::SafeArrayCreateVector(plat::VT_I4, 0, 4), nullptr);
}

TEST(StreamTest, WritesGrowTheBlockAndReadsStopAtTheEnd) {
  size_t blocks = plat::GlobalLiveBlocks();
  plat::IStream* s = nullptr;
  ASSERT_EQ(plat::CreateStreamOnHGlobal(nullptr, true, &s), plat::S_OK);
  std::vector<uint8_t> data(1000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
  uint32_t done = 0;
  for (size_t off = 0; off < data.size(); off += 100) ASSERT_EQ(s->Write(data.data() + off, 100, &done), plat::S_OK);
  uint64_t pos = 0;
  ASSERT_EQ(s->Seek(0, plat::STREAM_SEEK_CUR, &pos), plat::S_OK);
  EXPECT_EQ(pos, 1000u);
  plat::HGLOBAL block = nullptr;
  ASSERT_EQ(plat::GetHGlobalFromStream(s, &block), plat::S_OK);
  EXPECT_EQ(plat::GlobalSize(block), 1000u);

  ASSERT_EQ(s->Seek(-10, plat::STREAM_SEEK_END, &pos), plat::S_OK);
  uint8_t tail[64];
  EXPECT_EQ(s->Read(tail, 64, &done), plat::S_FALSE);  // short read
  EXPECT_EQ(done, 10u);
  EXPECT_EQ(std::memcmp(tail, data.data() + 990, 10), 0);
  EXPECT_EQ(s->Read(tail, 1, &done), plat::S_FALSE);
  EXPECT_EQ(done, 0u);
  EXPECT_NE(s->Seek(-1, plat::STREAM_SEEK_SET, &pos), plat::S_OK);
  EXPECT_NE(s->Seek(0, 7, &pos), plat::S_OK);
  // Writing past the end after a seek leaves zeros in the gap.
  ASSERT_EQ(s->Seek(1010, plat::STREAM_SEEK_SET, &pos), plat::S_OK);
  ASSERT_EQ(s->Write("z", 1, &done), plat::S_OK);
  ASSERT_EQ(s->Seek(1000, plat::STREAM_SEEK_SET, &pos), plat::S_OK);
  uint8_t gap[11];
  s->Read(gap, 11, &done);
  EXPECT_EQ(done, 11u);
  EXPECT_EQ(gap[0], 0);
  EXPECT_EQ(gap[10], 'z');
  s->Release();
  EXPECT_EQ(plat::GlobalLiveBlocks(), blocks);
}

TEST(StreamTest, StreamsOverAGivenBlockReadItAndMayKeepIt) {
  plat::HGLOBAL block = plat::GlobalFromBytes("abcdef", 6);
  plat::IStream* s = nullptr;
  ASSERT_EQ(plat::CreateStreamOnHGlobal(block, false, &s), plat::S_OK);
  char buf[6];
  uint32_t done = 0;
  ASSERT_EQ(s->Read(buf, 6, &done), plat::S_OK);
  EXPECT_EQ(std::memcmp(buf, "abcdef", 6), 0);
  s->Release();
  EXPECT_TRUE(plat::GlobalIsValid(block));  // not the stream's to free
  plat::GlobalFree(block);
  EXPECT_NE(plat::CreateStreamOnHGlobal(block, false, &s), plat::S_OK);  // a dead block is refused
  EXPECT_EQ(s, nullptr);
}

TEST(TaskMemoryTest, BlocksAreCountedUntilFreed) {
  size_t live = plat::CoTaskMemLiveBlocks();
  void* p = plat::CoTaskMemAlloc(16);
  p = plat::CoTaskMemRealloc(p, 4096);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(plat::CoTaskMemLiveBlocks(), live + 1);
  plat::CoTaskMemFree(p);
  plat::CoTaskMemFree(nullptr);
  EXPECT_EQ(plat::CoTaskMemLiveBlocks(), live);
}

TEST(VariantTimeTest, FileTimesBecomeDaysSince1899) {
  struct Case {
    uint64_t fileTime;
    double date;
  } cases[] = {
      {uint64_t(109205) * 864000000000ull, 0.0},                            // 1899-12-30
      {(uint64_t(109205) + 2) * 864000000000ull + 432000000000ull, 2.5},    // 1900-01-01 noon
      {(22968ull + 11644473600ull) * 10000000ull, 25569.0 + 22968.0 / 86400},  // a time_t value
      {(uint64_t(109205) - 1) * 864000000000ull + 216000000000ull, -1.25},  // 1899-12-29 06:00
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(plat::FileTimeToVariantTime(c.fileTime), c.date, 1e-9) << c.fileTime;
    EXPECT_EQ(plat::VariantTimeToFileTime(c.date), c.fileTime) << c.date;
  }
}
