// The format table: one row per code, the open dialog's filter built from it, and the names the
// control's messages use.
#include "controls/imaging/codec.h"
#include "controls/imaging/format_table.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <QDir>
#include <gtest/gtest.h>
#include <string_view>

namespace {

TEST(FormatTable, EveryCodeHasItsRowAndUnknownCodesTheUnknownRow) {
  const auto& rows = img::formatTable();
  ASSERT_EQ(rows.size(), 36u);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].code, static_cast<int16_t>(i));
  for (int code : {-1, 36, 999, 3, 29}) {
    EXPECT_STREQ(img::formatInfo(code).description, "Unknown Format") << code;
    EXPECT_FALSE(img::formatInfo(code).multiPage) << code;
    EXPECT_EQ(img::formatInfo(code).saveAs, 0) << code;
  }
  // A format that can only be read is saved as TIFF; a TIFF kind is multi-page and saved as TIFF.
  for (const img::FormatInfo& f : rows) {
    if (f.readOnly) {
      EXPECT_EQ(f.saveAs, img::kFormatTiff) << f.code;
    }
    if (img::isTiffFormat(f.code)) {
      EXPECT_TRUE(f.multiPage) << f.code;
      EXPECT_EQ(f.saveAs, img::kFormatTiff) << f.code;
      EXPECT_EQ(img::tiffFormatFor(f.tiffCompression), f.code) << f.code;
    }
  }
}

// The files offered wherever the program offers files are those of the formats it reads, by every
// extension such a file goes by and in any case; formats it cannot read (GIF, WMF, WPG, PIC) are
// left out.
TEST(FormatTable, TheOfferedFilesAreThoseOfTheFormatsItReads) {
  const QString filter = img::openDialogFilter();
  ASSERT_TRUE(filter.startsWith(QStringLiteral("Image Files|")));
  ASSERT_TRUE(filter.endsWith(QStringLiteral("|All Files (*.*)|*.*")));
  const QStringList openPatterns = filter.section(QLatin1Char('|'), 1, 1).split(QLatin1Char(';'));
  EXPECT_EQ(openPatterns, img::browsePatterns().split(QLatin1Char(';')));
  struct Case {
    const char* name;
    bool offered;
  } cases[] = {{"scan.tiff", true}, {"SCAN.TIF", true}, {"photo.jpeg", true}, {"photo.JPG", true}, {"old.jif", true},
               {"x.Jfif", true},    {"x.pnm", true},    {"fax.cal", true},    {"page.pdf", true},   {"x.dib", true},
               {"x.gif", false},    {"x.wmf", false},   {"x.wpg", false},     {"x.pic", false},     {"x.ljp", false},
               {"x.txt", false},    {"tif", false}};
  for (const Case& c : cases) EXPECT_EQ(QDir::match(openPatterns, QLatin1String(c.name)), c.offered) << c.name;
  // That match ignores case; a desktop dialog that compares case finds both spellings listed.
  for (const QString& ext : img::patternExtensions()) {
    EXPECT_TRUE(openPatterns.contains(QStringLiteral("*.") + ext.toLower())) << ext.toStdString();
    EXPECT_TRUE(openPatterns.contains(QStringLiteral("*.") + ext)) << ext.toStdString();
  }
  // The image search goes by the same list.
  EXPECT_TRUE(img::patternExtensions().contains(QStringLiteral("TIFF")));
  EXPECT_FALSE(img::patternExtensions().contains(QStringLiteral("WMF")));
}

// Each extension a format the program writes is offered by gives a file it reads back: the name
// alone makes TGA files known, so each of its extensions is tried, as every other's.
TEST(FormatTable, EveryOfferedExtensionOfAWrittenFormatReadsBack) {
  testsupport::TempDir dir;
  const img::Bitmap picture = imgtest::pattern(12, 8, 24);
  for (const img::FormatInfo& f : img::formatTable()) {
    if (!f.readable || f.readOnly || f.saveAs != f.code) continue;
    for (const QString& ext : img::formatExtensions(f.code)) {
      SCOPED_TRACE(ext.toStdString());
      const QString path = dir.file(QStringLiteral("picture.") + ext.toUpper());
      img::SaveOptions o;
      o.format = f.code;
      try {
        img::writeFile(path, picture, o);
      } catch (const rt::RuntimeError& e) {
        ASSERT_EQ(e.Number(), img::kErrUnsupported) << "only a format it does not write is passed over";
        break;
      }
      const img::Decoded d = img::readFilePage(path, 1);
      EXPECT_EQ(d.bitmap.width(), 12);
      EXPECT_EQ(img::formatInfo(d.format).name, std::string_view(f.name));
    }
  }
}

TEST(FormatTable, MessagesNameTheFormatByItsRow) {
  struct Case {
    int16_t code;
    const char* name;
  } cases[] = {{img::kFormatTiffLzw, "TIFF"}, {img::kFormatExif, "JPEG"}, {img::kFormatEpicProgressive, "EPIC"},
               {img::kFormatModca, "MOD:CA"}, {img::kFormatNone, "unknown"}, {40, "unknown"}};
  for (const Case& c : cases) EXPECT_EQ(img::formatName(c.code), QString::fromLatin1(c.name)) << c.code;
}

}  // namespace
