// Line breaking and the edit buffer of the text kinds, called directly.
#include <gtest/gtest.h>

#include "annotation/elements/text_buffer.h"
#include "annotation/elements/text_layout.h"

namespace {

// Every character 10 wide, so widths read as character counts.
int32_t tenWide(char16_t) { return 10; }

std::vector<std::pair<int32_t, int32_t>> runs(const std::u16string& text, int32_t maxWidth, bool typing = false) {
  std::vector<std::pair<int32_t, int32_t>> out;
  for (const AnnTextLine& l : annBreakLines(text, tenWide, {maxWidth, typing})) out.push_back({l.first, l.count});
  return out;
}

using Runs = std::vector<std::pair<int32_t, int32_t>>;

TEST(TextLayoutTest, BreaksLines) {
  struct Case {
    const char* what;
    std::u16string text;
    int32_t maxWidth;
    Runs want;
  } cases[] = {
      {"no limit", u"one two", -1, {{0, 7}}},
      {"after the blank when the next word does not fit", u"abc defg", 50, {{0, 4}, {4, 4}}},
      {"after a hyphen", u"ab-cdef", 40, {{0, 3}, {3, 4}}},
      {"before the character that does not fit without a break", u"abcdefgh", 30, {{0, 3}, {3, 3}, {6, 2}}},
      {"CR LF ends one line, not two", u"ab\r\ncd", -1, {{0, 2}, {4, 2}}},
      {"lone CR and lone LF each end a line", u"a\rb\nc", -1, {{0, 1}, {2, 1}, {4, 1}}},
      {"a trailing break leaves an empty last line", u"ab\r\n", -1, {{0, 2}, {4, 0}}},
      {"empty text has no lines", u"", 100, {}},
      {"a width that holds no character ends the layout", u"abc", 5, {}},
      {"no width at all", u"a b c", 0, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(runs(c.text, c.maxWidth), c.want) << c.what;
}

TEST(TextLayoutTest, TypingBreaksOnlyAtCarriageReturns) {
  EXPECT_EQ(runs(u"abc\r\nde", -1, true), (Runs{{0, 3}, {5, 2}}));
  EXPECT_EQ(runs(u"ab\ncd", -1, true), (Runs{{0, 5}}));  // the stray line feed stays, undrawn
}

TEST(TextBufferTest, EditsAtTheCaret) {
  AnnTextBuffer b;
  EXPECT_EQ(b.Capacity(), AnnTextBuffer::kStep);
  for (char16_t c : std::u16string(u"abcd")) b.Type(c);
  EXPECT_TRUE(b.SetCaret(1));
  b.Type(u'X');
  EXPECT_EQ(b.Text(), u"aXbcd");
  b.ToggleInsert();
  b.Type(u'Y');  // overwrites b
  EXPECT_EQ(b.Text(), u"aXYcd");
  EXPECT_EQ(b.Caret(), 3);
  b.DeleteBeforeCaret();
  b.DeleteAtCaret();
  EXPECT_EQ(b.Text(), u"aXd");
  EXPECT_FALSE(b.SetCaret(4));
  b.Delete(2, 5);  // runs past the end: nothing
  b.Insert(9, u"zz");
  EXPECT_EQ(b.Text(), u"aXd");
  b.Append(std::u16string(AnnTextBuffer::kStep, u'q'));
  EXPECT_EQ(b.Capacity(), 2 * AnnTextBuffer::kStep);
  EXPECT_EQ(b.Caret(), b.Length());
}

}  // namespace
