#include "platform/memory/global_memory.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace plat;

TEST(GlobalMemory, AllocateLockResizeFree) {
  const std::size_t before = GlobalLiveBlocks();
  HGLOBAL h = GlobalAlloc(GHND, 16);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 16u);
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
  std::memcpy(p, "0123456789abcdef", 16);
  GlobalUnlock(h);
  ASSERT_EQ(GlobalReAlloc(h, 32, GMEM_ZEROINIT), h);
  p = static_cast<unsigned char*>(GlobalLock(h));
  EXPECT_EQ(std::memcmp(p, "0123456789abcdef", 16), 0);
  EXPECT_EQ(p[31], 0);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalLiveBlocks(), before + 1);
  EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalLiveBlocks(), before);
}

TEST(GlobalMemory, ForeignOrFreedHandlesAreRefused) {
  HGLOBAL h = GlobalFromBytes("abc", 3);
  GlobalFree(h);
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_EQ(GlobalFree(h), h);  // a second free fails instead of corrupting the heap
  EXPECT_FALSE(GlobalIsValid(h));
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, kMaxGlobalBlock + 1), nullptr);
}

}  // namespace
