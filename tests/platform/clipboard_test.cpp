// Registered clipboard formats carry blocks through the system clipboard.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/windows/clipboard.h"
#include "platform/windows/window.h"

TEST(ClipboardTest, BlocksGoInAndComeBackAsCopies) {
  uint32_t layer = plat::RegisterClipboardFormatA("Test_Layer");
  uint32_t object = plat::RegisterClipboardFormatA("Test_Object");
  size_t blocks = plat::GlobalLiveBlocks();
  ASSERT_TRUE(plat::OpenClipboard(nullptr));
  EXPECT_FALSE(plat::OpenClipboard(nullptr));  // already open
  ASSERT_TRUE(plat::EmptyClipboard());
  ASSERT_TRUE(plat::SetClipboardData(layer, plat::GlobalFromBytes("L\0yer", 5)));
  EXPECT_FALSE(plat::SetClipboardData(0xBEEF, plat::GlobalFromBytes("x", 1)));  // unknown format
  ASSERT_TRUE(plat::CloseClipboard());
  EXPECT_EQ(plat::GlobalLiveBlocks(), blocks);  // the clipboard took both blocks

  EXPECT_TRUE(plat::IsClipboardFormatAvailable(layer));
  EXPECT_FALSE(plat::IsClipboardFormatAvailable(object));
  plat::HGLOBAL copy = plat::GetClipboardDataCopy(layer);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(plat::GlobalSize(copy), 5u);
  EXPECT_EQ(std::memcmp(plat::GlobalLock(copy), "L\0yer", 5), 0);
  plat::GlobalUnlock(copy);
  plat::GlobalFree(copy);
  EXPECT_EQ(plat::GetClipboardDataCopy(object), nullptr);
  EXPECT_FALSE(plat::SetClipboardData(layer, plat::GlobalFromBytes("x", 1)));  // closed

  ASSERT_TRUE(plat::OpenClipboard(nullptr));
  plat::EmptyClipboard();
  plat::CloseClipboard();
  EXPECT_FALSE(plat::IsClipboardFormatAvailable(layer));
}
