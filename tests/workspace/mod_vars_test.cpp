#include "workspace/mod_vars.h"

#include "tests/support/document.h"

#include <gtest/gtest.h>

namespace {

using namespace modVars;
using testsupport::doc;

struct FormatRow {
  ImageFormatCode code;
  const char* description;
  bool multiPage;
  int16_t tiffIndex;
  ImageFormatCode saveAs;  // with one page
};

// Every code of the imaging control's numbering, and a few outside it.
const FormatRow kFormats[] = {
    {0, "Unknown Format", false, 8, 0},
    {1, "TGA - Truevision Targa", false, 8, 1},
    {2, "PCX - Zsoft", true, 8, 2},
    {3, "Unknown Format", false, 8, 0},
    {4, "TIF - Uncompressed", true, 0, 4},
    {5, "BMP, DIB - OS/2 or Windows Bitmap", false, 8, 5},
    {6, "WPG - WordPerfect Bitmap", false, 8, 6},
    {7, "WMF - Windows Metafile", false, 8, 4},
    {8, "JPG , JIF Compliant JPEG", false, 8, 8},
    {9, "PIC - Orvanta PIC", false, 8, 25},
    {10, "PNG - Portable Network Graphics", false, 8, 10},
    {11, "JPG - Progressive JPEG", false, 8, 8},
    {12, "RLE - Run Length Encoded", false, 8, 4},
    {13, "TIF - CCITT Run Length Encoded", true, 1, 4},
    {14, "TIF - CCITT Group 3 Fax (1D)", true, 2, 4},
    {15, "TIF - CCITT Group 4 Fax", true, 3, 4},
    {16, "TIF - LZW Compressed", true, 4, 4},
    {17, "TIF - Pack Bits Compressed", true, 5, 4},
    {18, "TIF - JPEG Compressed", true, 6, 4},
    {19, "TIF - Deflate Compressed", true, 7, 4},
    {20, "ICO - Windows Icon", false, 8, 4},
    {21, "PPM - Portable Pixmap", false, 8, 21},
    {22, "PGM - Portable Graymap", false, 8, 22},
    {23, "PBM - Portable Bitmap", false, 8, 23},
    {24, "DCX - Zsoft Multiple Page", true, 8, 2},
    {25, "EPIC - Orvanta Enhanced PIC", false, 8, 25},
    {26, "TIF - CCITT Group 3 Fax (2D)", true, 8, 4},
    {27, "EXIF - JPEG EXIF", false, 8, 8},
    {28, "EXIF - JPEG EXIF Progressive", false, 8, 8},
    {29, "Unknown Format", false, 8, 0},
    {30, "PEPIC - EPIC Progressive", false, 8, 25},
    {31, "JPEG CMYK", false, 8, 8},
    {32, "MOD:CA", false, 8, 32},
    {33, "CALS", false, 8, 33},
    {34, "PDF - PDF File With Embedded TIFF", false, 8, 4},
    {35, "EPS - Encapsulated Image", false, 8, 4},
    {36, "Unknown Format", false, 8, 0},
    {-1, "Unknown Format", false, 8, 0},
    {-32768, "Unknown Format", false, 8, 0},
    {32767, "Unknown Format", false, 8, 0},
};

TEST(FormatTable, EveryCode) {
  for (const FormatRow& r : kFormats) {
    SCOPED_TRACE(r.code);
    EXPECT_EQ(fnGetFormatDesc(r.code), QString(r.description));
    EXPECT_EQ(fnIsMultiPageFormat(r.code), r.multiPage);
    EXPECT_EQ(fnGetTiffCompression(r.code), r.tiffIndex);
    EXPECT_EQ(fnGetSaveFormat(r.code, 1), r.saveAs);
  }
}

TEST(FormatTable, PageCountDecidesBetweenPcxAndDcx) {
  struct Case { ImageFormatCode code; int pages; ImageFormatCode saveAs; } cases[] = {
      {2, 1, 2}, {2, 2, 24}, {2, 300, 24}, {2, 0, 0}, {2, -1, 0},
      {24, 1, 2}, {24, 2, 24}, {24, 0, 0},
      // Long documents: the count is whole (as a 16-bit value 65537 pages read as one page, and
      // 32768 as none, so all but one page were lost or nothing could be saved).
      {2, 65537, 24}, {24, 32768, 24}, {24, 100000, 24},
      // Other formats ignore the count.
      {4, 0, 4}, {8, 5, 8}, {3, 2, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(fnGetSaveFormat(c.code, c.pages), c.saveAs) << c.code << " " << c.pages;
}

// The two resets of the main window's load step, called directly: the shared names and the
// document go back to their start, the names kept for the life of the process stay.
TEST(SharedState, LoadStepResetsOnlyWhatItShould) {
  doc().path = "/x.tif";
  doc().format = 4;
  doc().docModified = doc().pageModified = true;
  doc().achId = "A1";
  doc().login.update = true;
  doc().layer = 1234;
  gstrScanMode = "APPEND";
  doc().currentPage = 3;
  // These keep their values for the life of the process.
  gstrImgOperation = "BLUR";
  doc().origAchId = "ORIG";
  gstrParm1Caption = "Invoice";
  gintSlideCount = 4;
  fnResetAtLoad();
  ws::document().resetAtLoad();
  EXPECT_TRUE(doc().path.isEmpty());
  EXPECT_EQ(doc().format, 0);
  EXPECT_FALSE(doc().docModified || doc().pageModified || doc().login.update);
  EXPECT_TRUE(doc().achId.isEmpty());
  EXPECT_EQ(doc().layer, 0);
  EXPECT_TRUE(gstrScanMode.isEmpty());
  EXPECT_EQ(doc().currentPage, 0);
  EXPECT_EQ(gstrImgOperation, "BLUR");
  EXPECT_EQ(doc().origAchId, "ORIG");
  EXPECT_EQ(gstrParm1Caption, "Invoice");
  EXPECT_EQ(gintSlideCount, 4);
}

}  // namespace
