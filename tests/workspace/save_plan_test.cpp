// The save plan: in place or under a new name, the format written, page by page or one picture,
// what happens to the annotations, and the extension question of PCX and DCX.
#include "workspace/save_plan.h"

#include <gtest/gtest.h>

namespace {

using ws::AnnotationHandling;

TEST(SavePlan, InPlaceOnlyWithAPathOutsideTheArchiveOrWhileSending) {
  struct Case {
    const char* path;
    const char* achId;
    bool commit;
    ws::SaveTarget want;
  } cases[] = {
      {"/d/a.tif", "", false, ws::SaveTarget::InPlace},  {"", "", false, ws::SaveTarget::SaveAs},
      {"/d/a.tif", "A1", false, ws::SaveTarget::SaveAs}, {"/d/a.tif", "A1", true, ws::SaveTarget::InPlace},
      {"", "", true, ws::SaveTarget::InPlace},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ws::fnSaveTarget(c.path, c.achId, c.commit), c.want) << c.path << " " << c.achId << " " << c.commit;
}

TEST(SavePlan, UntitledImagesChooseAFormatAndReadOnlyFormatsConfirmTiff) {
  EXPECT_EQ(ws::fnSaveFirst(0), ws::SaveFirst::ChooseFormat);
  for (ImageFormatCode c : {7, 12, 20, 34, 35}) EXPECT_EQ(ws::fnSaveFirst(c), ws::SaveFirst::ConfirmTiff) << c;
  for (ImageFormatCode c : {1, 2, 4, 5, 8, 10, 16, 24, 26}) EXPECT_EQ(ws::fnSaveFirst(c), ws::SaveFirst::Nothing) << c;
  EXPECT_EQ(ws::fnConfirmTiffText(),
            "Image Lumivex does not support write functionality for \rEPS, ICO, PDF, RLE and WMF image formats."
            "Saving will convert the format to TIFF.\rDo you want to continue?");
}

// Every format code with the page counts that matter.
TEST(SavePlan, EveryFormatIsWrittenByTheRuleForItsPages) {
  struct Case {
    ImageFormatCode format;
    int pages;
    bool strip;
    ImageFormatCode write;
    bool pageByPage;
    AnnotationHandling annotations;
  } cases[] = {
      {5, 1, false, 5, false, AnnotationHandling::BurnIn},    // BMP
      {8, 1, false, 8, false, AnnotationHandling::BurnIn},    // JPEG
      {11, 1, false, 8, false, AnnotationHandling::BurnIn},   // progressive JPEG as JPEG
      {10, 1, false, 10, false, AnnotationHandling::BurnIn},  // PNG
      {1, 1, false, 1, false, AnnotationHandling::BurnIn},    // TGA
      {21, 1, false, 21, false, AnnotationHandling::BurnIn},  // PPM
      {4, 1, true, 4, true, AnnotationHandling::KeepLayer},   // TIFF keeps layers
      {16, 3, true, 4, true, AnnotationHandling::KeepLayer},  // LZW TIFF as TIFF
      {26, 2, true, 4, true, AnnotationHandling::KeepLayer},
      {7, 1, true, 4, true, AnnotationHandling::KeepLayer},   // WMF saved as TIFF
      {2, 1, true, 2, true, AnnotationHandling::BurnIn},      // one-page PCX
      {2, 2, true, 24, true, AnnotationHandling::BurnIn},     // PCX of two pages as DCX
      {24, 1, true, 2, true, AnnotationHandling::BurnIn},     // one-page DCX as PCX
      {24, 3, true, 24, true, AnnotationHandling::BurnIn},
      {0, 1, false, 0, false, AnnotationHandling::BurnIn},    // cannot be saved
  };
  for (const Case& c : cases) {
    const ws::SavePlan p = ws::fnPlanSave(c.format, c.pages, c.strip, QStringLiteral("/d/doc.x"));
    EXPECT_EQ(p.writeFormat, c.write) << c.format << "/" << c.pages;
    EXPECT_EQ(p.pageByPage, c.pageByPage) << c.format << "/" << c.pages;
    EXPECT_EQ(p.annotations, c.annotations) << c.format << "/" << c.pages;
    EXPECT_TRUE(p.extensionQuestion.isEmpty());
  }
  EXPECT_EQ(ws::fnPlanSave(16, 2, true, "x").tiffCompression, TIFF_LZW);
  for (const Case& c : cases) EXPECT_TRUE(ws::fnPlanSave(c.format, c.pages, c.strip, "x").refusal.isEmpty()) << c.format;
}

// An untitled document of several pages (scanned, or pages added after New) given a format that
// holds one page would keep only its last page: the save is refused instead.
TEST(SavePlan, SeveralPagesInAOnePageFormatAreRefused) {
  const ws::SavePlan p = ws::fnPlanSave(5, 3, true, QStringLiteral("/d/scan.bmp"));
  EXPECT_EQ(p.refusal, QStringLiteral("This document has 3 pages, but files of the format \"BMP, DIB - OS/2 or Windows Bitmap\" "
                                      "hold one page only. Nothing was saved: save it in a multi-page format such as TIFF or DCX."));
  EXPECT_TRUE(ws::fnPlanSave(5, 1, false, QStringLiteral("/d/one.bmp")).refusal.isEmpty());
  EXPECT_TRUE(ws::fnPlanSave(2, 3, true, QStringLiteral("/d/scan.pcx")).refusal.isEmpty());
  EXPECT_EQ(ws::fnPlanSave(26, 2, true, "x").tiffCompression, TIFF_CCITT_G3_2D);
}

TEST(SavePlan, PcxAndDcxOfferTheExtensionThatFitsThePageCount) {
  struct Case {
    ImageFormatCode format;
    int pages;
    const char* path;
    const char* question;
    const char* onYes;
  } cases[] = {
      {2, 2, "/d/doc.pcx ",
       "The current PCX file extension is for single-page images.\rDo you want to change the file extension to DCX?", "/d/doc.DCX"},
      {24, 1, "/d/one.Dcx",
       "The current DCX file extension is for multi-page images.\rDo you want to change the file extension to PCX?", "/d/one.PCX"},
      {24, 2, "/d/doc.dcx", "", ""},
      {2, 1, "/d/doc.pcx", "", ""},
      {2, 2, "/d/doc.tif", "", ""},
  };
  for (const Case& c : cases) {
    const ws::SavePlan p = ws::fnPlanSave(c.format, c.pages, true, QString::fromLatin1(c.path));
    EXPECT_EQ(p.extensionQuestion, QString::fromLatin1(c.question)) << c.path;
    EXPECT_EQ(p.pathOnYes, QString::fromLatin1(c.onYes)) << c.path;
  }
}

// Save As takes the format from the name's extension: a TIFF saved as copy.bmp was written as a
// TIFF named copy.bmp.
TEST(SavePlan, SaveAsTakesTheFormatFromTheExtension) {
  struct Case {
    ImageFormatCode format;
    int pages;
    const char* chosen;
    const char* path;  // "" when refused
    ImageFormatCode after;
  } cases[] = {
      {4, 4, "/d/copy.bmp", "/d/copy.bmp", 5},
      {15, 4, "/d/copy.BMP", "/d/copy.BMP", 5},
      {15, 4, "/d/copy.tif", "/d/copy.tif", 15},   // another TIFF keeps its compression
      {16, 1, "/d/copy.tiff", "/d/copy.tiff", 16},
      {5, 1, "/d/copy.tif", "/d/copy.tif", 4},
      {5, 1, "/d/copy.jpeg", "/d/copy.jpeg", 8},
      {11, 1, "/d/copy.jpg", "/d/copy.jpg", 11},   // a progressive JPEG stays one
      {5, 1, "/d/copy.png", "/d/copy.png", 10},
      {5, 1, "/d/copy.dib", "/d/copy.dib", 5},
      {4, 3, "/d/copy.dcx", "/d/copy.dcx", 24},
      {24, 3, "/d/copy.pcx", "/d/copy.pcx", 24},   // the PCX/DCX question follows in the plan
      {4, 2, "/d/copy.pgm", "/d/copy.pgm", 22},
      {15, 2, "/d/copy", "/d/copy.tif", 15},        // no extension: the format's own
      {5, 1, "/d/my.files/copy", "/d/my.files/copy.bmp", 5},
      {34, 1, "/d/copy", "/d/copy.tif", 34},        // a PDF is written as TIFF
      {4, 2, "/d/copy.pdf", "", 4},                 // read, never written
      {4, 2, "/d/copy.xyz", "", 4},
  };
  for (const Case& c : cases) {
    const ws::SaveAsChoice got = ws::fnSaveAsChoice(QString::fromLatin1(c.chosen), c.format, c.pages);
    if (*c.path == 0) {
      EXPECT_TRUE(got.refusal.contains(QStringLiteral("was not saved"))) << c.chosen;
      continue;
    }
    EXPECT_TRUE(got.refusal.isEmpty()) << c.chosen << " " << got.refusal.toStdString();
    EXPECT_EQ(got.path, QString::fromLatin1(c.path)) << c.chosen;
    EXPECT_EQ(got.format, c.after) << c.chosen;
  }
}

}  // namespace
