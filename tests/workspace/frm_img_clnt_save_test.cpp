// Saving a document of several pages: every page is written with the annotations the user sees,
// and a save that cannot keep them, or cannot keep every page, says so and changes nothing.
#include "annotation/ann_codes.h"
#include "tests/support/main_window_fixture.h"

namespace {

using namespace mainwindowtest;

// The rectangle drawn on the page view, not yet stored anywhere but in the annotation control.
void drawRectangle(frmImgClntForm* w) {
  w->show();
  ASSERT_TRUE(w->nxMain->EngineAvailable()) << w->nxMain->EngineError().toStdString();
  w->fnSelectArrowMode();
  ASSERT_EQ(w->nxMain->setCurrentTool(TOOL_RECTANGLE), 0);
  drag(w->ixMain, QPoint(10, 10), QPoint(60, 50));
  ASSERT_EQ(w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()), 1);
}

// A TIFF page drawn on and saved without leaving the page carries its layer in the file.
TEST_F(MainWindowTest, TiffSaveStoresTheShownPagesLiveAnnotationsFirst) {
  const QString path = file(QStringLiteral("two.tif"), {{120, 90, 0xFFFFFF}, {120, 90, 0xFFFFFF}}, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  w->ixTmb_Click(1);
  drawRectangle(w);
  ASSERT_TRUE(w->mnuFileSave_Click());
  img::ImagingControl back;
  back.setPageNumber(2);
  back.setSourceFile(path);
  EXPECT_FALSE(back.AnnotationData().empty());
  // The page view still shows the rectangle after the save.
  EXPECT_EQ(w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()), 1);
}

// PCX and DCX pages cannot keep annotations: they are burned into the pictures. Where that cannot
// be done the save fails with a message and keeps the file, the page view's annotations, the
// store and the modified flag; it never reports success with the annotations gone.
TEST_F(MainWindowTest, DcxSaveBurnsTheShownPagesAnnotationsInOrFailsKeepingEverything) {
  const std::vector<Page> white = {{120, 90, 0xFFFFFF}, {120, 90, 0xFFFFFF}};
  const QString path = file(QStringLiteral("two.dcx"), white, 24);
  const QByteArray before = fileBytes(path);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  drawRectangle(w);
  ASSERT_TRUE(gblnDocModified);
  dialogs.answerMsgBox(rt::vbOK);
  const bool saved = w->mnuFileSave_Click();
  if (saved) {
    // Burned in: page 1's pixels carry the rectangle, page 2 is untouched.
    dialogs.verify();
    const std::vector<Page> pages = readImage(path);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_FALSE(samePages(pages, white));
    return;
  }
  ASSERT_EQ(dialogs.calls().size(), 1u);
  const RecordedCall& msg = dialogs.calls()[0];
  EXPECT_EQ(msg.icon(), rt::vbExclamation);
  EXPECT_EQ(msg.title, QStringLiteral("Error"));
  EXPECT_TRUE(msg.text.startsWith(QStringLiteral("The annotations of page 1 could not be burned into the image")))
      << msg.text.toStdString();
  EXPECT_TRUE(msg.text.endsWith(QStringLiteral("Nothing was saved."))) << msg.text.toStdString();
  EXPECT_EQ(fileBytes(path), before);
  EXPECT_TRUE(gblnDocModified);
  EXPECT_EQ(w->nxMain->AttachControlName(), QStringLiteral("ixMain"));
  EXPECT_EQ(w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()), 1);
  EXPECT_EQ(glngAnnoHandle, w->nxMain->CurrentLayer());
  ASSERT_GE(gvarPageAnno.size(), 1u);
  EXPECT_FALSE(gvarPageAnno[0].IsEmpty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"registry", "two.dcx"}));
}

// Pages scanned or added to an untitled image and then given a one-page format would leave only
// the last page in the file: the save is refused and nothing is written.
TEST_F(MainWindowTest, SeveralPagesAreNeverSavedIntoAOnePageFormat) {
  frmImgClntForm* w = window();
  w->fnNewImgFile(50, 40, 24, 0xFFFFFF);
  img::ImagingControl page;
  page.CreateBlankImage(60, 30, 24, 0x0000FF);
  ASSERT_TRUE(w->ixTmb.Load(1));
  w->ixTmb(1)->setImageHandle(page.ImageHandleCopy());
  w->lblTmb.Load(1);
  gblnDocModified = true;
  const QString target = dir.file(QStringLiteral("scan.bmp"));
  ws::registerWindow(QStringLiteral("frmImgSvSettings"), [&](const QStringList&) {
    gintCurrFormat = 5;
    gstrCurrFile = target;
  });
  dialogs.answerMsgBox(rt::vbOK);
  EXPECT_FALSE(w->mnuFileSave_Click());
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_TRUE(dialogs.calls()[0].text.startsWith(QStringLiteral("This document has 2 pages")));
  EXPECT_EQ(dialogs.calls()[0].title, QStringLiteral("Error"));
  EXPECT_FALSE(QFile::exists(target));
  EXPECT_TRUE(gblnDocModified);
  EXPECT_EQ(w->ixTmb.Count(), 2);
}

}  // namespace
