#include "platform/text/ansi.h"
#include "platform/text/native_path.h"

#include <QFile>
#include <QStringDecoder>

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

// A file name's bytes survive the way through the program whatever they are; valid UTF-8 reads as
// Qt reads it, and only the stray bytes show as replacement characters.
TEST(NativePath, EveryNameComesBackByteForByte) {
  const struct {
    QByteArray bytes;
    QString shown;
  } cases[] = {
      {"/scans/page.tif", QStringLiteral("/scans/page.tif")},
      {"/caf\xC3\xA9.tif", QStringLiteral("/caf\u00e9.tif")},
      {"/bad\xFFname.tif", QStringLiteral("/bad\uFFFDname.tif")},
      {"/cut\xC3", QStringLiteral("/cut\uFFFD")},
      {"/surrogate\xED\xB2\x80", QStringLiteral("/surrogate\uFFFD\uFFFD\uFFFD")},
      {"/overlong\xC0\xAF", QStringLiteral("/overlong\uFFFD\uFFFD")},
      {"/beyond\xF4\x90\x80\x80", QStringLiteral("/beyond\uFFFD\uFFFD\uFFFD\uFFFD")},
      // A character whose second UTF-16 half lies where stray bytes are kept.
      {"/skull\xF0\x9F\x92\x80", QString::fromUtf8("/skull\xF0\x9F\x92\x80")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.toHex().toStdString());
    const QString name = plat::pathFromNative(c.bytes);
    EXPECT_EQ(plat::nativePath(name), c.bytes);
    EXPECT_EQ(plat::displayPath(name), c.shown);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(c.bytes);
    if (!utf8.hasError()) {
      EXPECT_EQ(name, QFile::decodeName(c.bytes));
    }
  }
}
