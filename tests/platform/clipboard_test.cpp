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

// Text goes beside the blocks, as a block goes beside text, unless the clipboard was emptied.
TEST(ClipboardTest, TextAndBlocksKeepEachOtherUnlessEmptied) {
  const uint32_t layer = plat::RegisterClipboardFormatA("Test_Layer");
  const std::u16string text = u"caf\u00e9 \u6f22\u5b57";
  ASSERT_TRUE(plat::OpenClipboard(nullptr));
  ASSERT_TRUE(plat::EmptyClipboard());
  ASSERT_TRUE(plat::SetClipboardData(layer, plat::GlobalFromBytes("L", 1)));
  ASSERT_TRUE(plat::CloseClipboard());
  ASSERT_TRUE(plat::OpenClipboard(nullptr));
  ASSERT_TRUE(plat::SetClipboardUnicodeText(text));
  ASSERT_TRUE(plat::CloseClipboard());
  EXPECT_TRUE(plat::IsClipboardFormatAvailable(layer));
  std::u16string back;
  ASSERT_TRUE(plat::GetClipboardUnicodeText(&back));
  EXPECT_EQ(back, text);

  ASSERT_TRUE(plat::OpenClipboard(nullptr));
  ASSERT_TRUE(plat::SetClipboardData(layer, plat::GlobalFromBytes("M", 1)));
  ASSERT_TRUE(plat::CloseClipboard());
  ASSERT_TRUE(plat::GetClipboardUnicodeText(&back));
  EXPECT_EQ(back, text);

  ASSERT_TRUE(plat::OpenClipboard(nullptr));
  ASSERT_TRUE(plat::EmptyClipboard());
  ASSERT_TRUE(plat::SetClipboardUnicodeText(u"only"));
  ASSERT_TRUE(plat::CloseClipboard());
  EXPECT_FALSE(plat::IsClipboardFormatAvailable(layer));
  EXPECT_FALSE(plat::SetClipboardUnicodeText(u"closed"));
}
