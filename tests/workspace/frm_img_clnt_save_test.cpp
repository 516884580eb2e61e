// Saving a document of several pages: every page is written with the annotations the user sees,
// and a save that cannot keep them, or cannot keep every page, says so and changes nothing.
#include "annotation/ann_codes.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/file_commands.h"

namespace {

using namespace mainwindowtest;

// The rectangle drawn on the page view, not yet stored anywhere but in the annotation control.
void drawRectangle(frmImgClntForm* w) {
  w->show();
  ASSERT_TRUE(w->nxMain->EngineAvailable()) << w->nxMain->EngineError().toStdString();
  w->selectMode(ws::MouseMode::Arrow);
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

// A layer the engine cannot read is kept as read: editing the page's picture and saving writes it
// back untouched.
TEST_F(MainWindowTest, ALayerTheEngineCannotReadSurvivesAnEditOfItsPage) {
  const QString path = dir.file(QStringLiteral("kept.tif"));
  img::Bitmap page(120, 90, 24);
  const std::vector<uint8_t> unread = {'n', 'o', 't', ' ', 'a', ' ', 'l', 'a', 'y', 'e', 'r'};
  page.annotation = unread;
  img::writeFile(path, page, img::SaveOptions{});
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  w->ixMain->Mirror();
  ws::document().markModified();
  ASSERT_TRUE(w->mnuFileSave_Click());
  EXPECT_EQ(img::openDocumentFile(path).layers.at(0), unread);
}

// PCX and DCX pages cannot keep annotations: the shown page's live annotations are burned into its
// picture before the pages are written, and the other page is written untouched.
TEST_F(MainWindowTest, DcxSaveBurnsTheShownPagesAnnotationsIn) {
  const std::vector<Page> white = {{120, 90, 0xFFFFFF}, {120, 90, 0xFFFFFF}};
  const QString path = file(QStringLiteral("two.dcx"), white, 24);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  drawRectangle(w);
  ASSERT_TRUE(doc().docModified);
  ASSERT_TRUE(w->mnuFileSave_Click());
  auto nonWhite = [&](int page) {
    img::ImagingControl ix;
    ix.setPageNumber(page);
    ix.setSourceFile(path);
    const QImage picture = ix.bitmap().toQImage();
    int n = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) n += (picture.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return n;
  };
  EXPECT_EQ(readImage(path).size(), 2u);
  EXPECT_GT(nonWhite(1), 0);
  EXPECT_EQ(nonWhite(2), 0);
  EXPECT_FALSE(doc().docModified);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"registry", "two.dcx"}));
}

// Pages scanned or added to an untitled image and then given a one-page format would leave only
// the last page in the file: the save is refused and nothing is written.
TEST_F(MainWindowTest, SeveralPagesAreNeverSavedIntoAOnePageFormat) {
  frmImgClntForm* w = window();
  w->fnNewImgFile(50, 40, 24, 0xFFFFFF);
  appendPage(60, 30, 0x0000FF);
  const QString target = dir.file(QStringLiteral("scan.bmp"));
  ws::registerWindow(QStringLiteral("frmImgSvSettings"), [&](const QStringList&) {
    doc().format = 5;
    doc().path = target;
  });
  dialogs.answerMsgBox(rt::vbOK);
  EXPECT_FALSE(w->mnuFileSave_Click());
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_TRUE(dialogs.calls()[0].text.startsWith(QStringLiteral("This document has 2 pages")));
  EXPECT_EQ(dialogs.calls()[0].title, QStringLiteral("Error"));
  EXPECT_FALSE(QFile::exists(target));
  EXPECT_TRUE(doc().docModified);
  EXPECT_EQ(pageCount(), 2);
}

// Save As under the extension of another format writes that format: the pages a one-page format
// cannot hold are dropped only after the user agreed, and a name the program cannot write is
// refused with nothing written.
TEST_F(MainWindowTest, SaveAsWritesTheFormatOfTheNamesExtension) {
  const QString path = file(QStringLiteral("four.tif"), {{60, 40, 0xFF0000}, {50, 40, 0x00FF00}, {40, 40, 0x0000FF}, {30, 40, 0}}, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  auto magic = [](const QString& f) { return fileBytes(f).left(2); };

  const QString refused = dir.file(QStringLiteral("copy.xyz"));
  dialogs.answerFile(rt::DialogKind::Save, refused);
  dialogs.answerMsgBox(rt::vbOK);
  EXPECT_FALSE(ws::mnuFileSaveAs_Click(*w));
  EXPECT_TRUE(dialogs.calls().back().text.contains(QStringLiteral("\".xyz\"")));
  EXPECT_FALSE(QFile::exists(refused));

  const QString bmp = dir.file(QStringLiteral("copy.bmp"));
  dialogs.answerFile(rt::DialogKind::Save, bmp);
  dialogs.answerMsgBox(rt::vbNo);
  EXPECT_FALSE(ws::mnuFileSaveAs_Click(*w));
  EXPECT_TRUE(dialogs.calls().back().text.startsWith(QStringLiteral("The format you have chosen does not support multi-page images.")));
  EXPECT_FALSE(QFile::exists(bmp));
  EXPECT_EQ(pageCount(), 4);
  EXPECT_EQ(doc().path, path);

  dialogs.answerFile(rt::DialogKind::Save, bmp);
  dialogs.answerMsgBox(rt::vbYes);
  ASSERT_TRUE(ws::mnuFileSaveAs_Click(*w));
  EXPECT_EQ(magic(bmp), QByteArray("BM"));
  EXPECT_EQ(readImage(bmp).size(), 1u);
  EXPECT_EQ(readImage(bmp)[0].width, 60);
  EXPECT_EQ(doc().format, 5);
  EXPECT_EQ(doc().path, bmp);
  EXPECT_EQ(readImage(path).size(), 4u);  // the original is untouched

  // A name without an extension takes that of the format written.
  const QString bare = dir.file(QStringLiteral("again"));
  dialogs.answerFile(rt::DialogKind::Save, bare);
  ASSERT_TRUE(ws::mnuFileSaveAs_Click(*w));
  EXPECT_EQ(doc().path, bare + QStringLiteral(".bmp"));
  EXPECT_EQ(magic(bare + QStringLiteral(".bmp")), QByteArray("BM"));
}

}  // namespace
