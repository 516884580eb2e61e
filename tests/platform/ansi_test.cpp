#include "platform/text/ansi.h"

#include <gtest/gtest.h>

namespace {

TEST(Ansi, CodePageRoundTripAndUnrepresentable) {
  const QString text = QString::fromUtf8("Zürich € „quoted“ Œuvre");
  const std::string bytes = plat::toAnsi(text);
  EXPECT_EQ(bytes, std::string("Z\xFCrich \x80 \x84quoted\x93 \x8Cuvre"));
  EXPECT_EQ(plat::fromAnsi(bytes), text);
  // Greek, CJK and an emoji are not in the code page: one '?' each.
  EXPECT_EQ(plat::toAnsi(QString::fromUtf8("αβ漢😀")), "????");
  // Unassigned bytes map to the control characters of the same value and back.
  EXPECT_EQ(plat::toAnsi(plat::fromAnsi("\x81\x8D")), "\x81\x8D");
}

}  // namespace
