// The format table: one row per code, the open dialog's filter built from it, and the names the
// control's messages use.
#include "controls/imaging/codec.h"
#include "controls/imaging/format_table.h"

#include <gtest/gtest.h>

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

TEST(FormatTable, OpenDialogFilterListsTheImageFilesInTheirOrder) {
  EXPECT_EQ(img::openDialogFilter(),
            QStringLiteral("Image Files|*.BMP;*.DIB;*.DCX;*.ICO;*.JIF;*.JPG;*.PCX;*.PBM;*.PGM;*.PIC;*.PPM;*.PNG;*.RLE;*.TGA;"
                           "*.TIF;*.WMF;*.WPG|All Files (*.*)|*.*"));
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
