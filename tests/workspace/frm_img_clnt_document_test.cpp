// The main window's documents: opening, paging and zoom, the save prompt, and saves of single and
// multi-page documents.
#include "runtime/twips.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/command_table.h"
#include "workspace/file_commands.h"
#include "workspace/view_commands.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {

using namespace mainwindowtest;
using namespace modVars;
using testsupport::RecordedCall;

// ---- Opening, paging, zoom, closing ---------------------------------------------------------------

TEST_F(MainWindowTest, SinglePageFileOpensInPageOnlyAndClosesWithoutAPrompt) {
  const QString path = file(QStringLiteral("one.bmp"), {{24, 16, 0x00FF00}}, 5);
  frmImgClntForm* w = window();
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex"));
  EXPECT_FALSE(enabled(w->Button(w->tbrFile, "save")));
  EXPECT_FALSE(w->mnuEdit->menuAction()->isEnabled());

  w->fnOpenImgFile(path);
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + path);
  EXPECT_EQ(doc().format, 5);
  EXPECT_EQ(pageCount(), 1);
  EXPECT_TRUE(selected(0));
  EXPECT_EQ(pageWidth(0), 24);
  EXPECT_EQ(caption(0), QStringLiteral("Page 1"));
  EXPECT_TRUE(w->Menu("mnuViewPageOnly")->isChecked());
  EXPECT_FALSE(w->fraTmb->isVisible());
  EXPECT_EQ(w->StatusPanel("ZOOM"), QStringLiteral("100%"));
  // Document-open commands; a single-page format takes no appended pages.
  EXPECT_TRUE(enabled(w->Menu("mnuFileClose")));
  EXPECT_TRUE(enabled(w->Button(w->tbrFile, "save")));
  EXPECT_TRUE(w->mnuEdit->menuAction()->isEnabled());
  EXPECT_FALSE(enabled(w->Menu("mnuEditAppend")));
  EXPECT_TRUE(w->Button(w->tbrMode, "selhand")->isChecked());
  EXPECT_FALSE(enabled(w->Button(w->tbrScan, "scannew")));
  EXPECT_FALSE(w->mnuScanner->menuAction()->isEnabled());

  // Unmodified: no question.
  w->mnuFileClose_Click();
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex"));
  EXPECT_TRUE(doc().path.isEmpty());
  EXPECT_FALSE(w->ixMain->hasImage());
  EXPECT_FALSE(enabled(w->Button(w->tbrFile, "save")));
  EXPECT_FALSE(w->Button(w->tbrMode, "selhand")->isChecked());
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(MainWindowTest, MultiPageTiffShowsThumbnailsAndSwitchesPagesAndZoom) {
  const QString path = file(QStringLiteral("three.tif"), kThreePages, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_EQ(pageCount(), 3);
  EXPECT_TRUE(fnIsMultiPageFormat(doc().format));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(caption(i), QStringLiteral("Page %1").arg(i + 1));
    EXPECT_EQ(selected(i), i == 0);
    // One column of large thumbnails, each row 280 twips below the last, captions under them.
    const QRectF place = thumbPlace(w, i);
    EXPECT_NEAR(place.top(), 280 + i * (thumbPlace(w, 0).height() + 280), 15);
    EXPECT_NEAR(place.left(), 280, 15);
    EXPECT_NEAR(w->strip().captionRect(i).y() * rt::Screen::TwipsPerPixelY(),
                rt::Screen::ToTwipsY(w->strip().slotRect(i).bottom() + 1) + 10, 15);
  }
  EXPECT_NEAR(thumbPlace(w, 0).width(), 1460, 15);
  EXPECT_TRUE(w->Menu("mnuViewPageThumbs")->isChecked());
  EXPECT_TRUE(enabled(w->Menu("mnuEditAppend")));
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + path);
  EXPECT_EQ(pageShown(w), 30);
  EXPECT_FALSE(enabled(w->Button(w->tbrImage, "previous")));
  EXPECT_TRUE(enabled(w->Button(w->tbrImage, "next")));

  ws::mnuViewNext_Click(*w);
  EXPECT_EQ(doc().currentPage, 1);
  EXPECT_EQ(pageShown(w), 40);
  EXPECT_FALSE(selected(0));
  EXPECT_TRUE(selected(1));
  EXPECT_TRUE(enabled(w->Menu("mnuViewPrev")));
  w->ixTmb_Click(2);
  EXPECT_EQ(pageShown(w), 50);
  EXPECT_FALSE(enabled(w->Menu("mnuViewNext")));
  ws::mnuViewNext_Click(*w);  // on the last page: stays
  EXPECT_EQ(doc().currentPage, 2);
  ws::mnuViewPrev_Click(*w);
  EXPECT_EQ(pageShown(w), 40);
  // Showing pages never marks the document modified.
  EXPECT_FALSE(doc().docModified);

  // Shift-click adds a page to the selection without changing the current one.
  QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
  QCoreApplication::sendEvent(w->ixMain, &shiftDown);
  w->ixTmb_Click(0);
  EXPECT_EQ(doc().currentPage, 1);
  EXPECT_TRUE(selected(0));
  EXPECT_TRUE(selected(1));
  // Shift let go in another window (a dialog Ctrl+Shift+S opened) is up again here: the next click
  // shows its page.
  QWidget dialog;
  QKeyEvent shiftUp(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
  QCoreApplication::sendEvent(&dialog, &shiftUp);
  w->ixTmb_Click(2);
  EXPECT_EQ(doc().currentPage, 2);
  // So is Shift held while the window was left.
  QCoreApplication::sendEvent(w->ixMain, &shiftDown);
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(w, &deactivate);
  w->ixTmb_Click(1);
  EXPECT_EQ(doc().currentPage, 1);

  struct ZoomCase {
    float before;
    ws::CommandHandler command;
    float after;
    const char* panel;
  };
  const ZoomCase zooms[] = {{4.0f, &ws::mnuZoomIn_Click, 4.0f, "400%"},
                            {3.9f, &ws::mnuZoomIn_Click, 4.0f, "400%"},
                            {1.0f, &ws::mnuZoomIn_Click, 1.1f, "110%"},
                            {0.2f, &ws::mnuZoomOut_Click, 0.2f, "20%"},
                            {0.21f, &ws::mnuZoomOut_Click, 0.2f, "20%"}};
  for (const ZoomCase& z : zooms) {
    w->ixMain->SetZoom(z.before);
    z.command(*w);
    EXPECT_NEAR(w->ixMain->ZoomFactor(), z.after, 1e-5) << z.before;
    EXPECT_EQ(w->StatusPanel("ZOOM"), QString::fromLatin1(z.panel)) << z.before;
  }
  ws::zoomFixed(*w, 0.5f);
  EXPECT_FLOAT_EQ(w->ixMain->ZoomFactor(), 0.5f);
  EXPECT_EQ(w->StatusPanel("ZOOM"), QStringLiteral("50%"));
  ws::zoomFit(*w, 2);
  EXPECT_EQ(w->ixMain->ViewOffsetX(), 0);
  EXPECT_TRUE(w->StatusPanel("ZOOM").endsWith(QLatin1Char('%')));

  ws::mnuViewThumbsOnly_Click(*w);
  EXPECT_FALSE(w->fraEdt->isVisible());
  EXPECT_TRUE(w->fraTmb->isVisible());
  ws::mnuViewPageThumbs_Click(*w);
  EXPECT_TRUE(w->fraEdt->isVisible());

  w->mnuFileClose_Click();
  EXPECT_EQ(pageCount(), 0);
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex"));
  EXPECT_TRUE(dialogs.calls().empty());
  // Nothing of the closed document stays in sight: no zoom, no empty thumbnail.
  EXPECT_EQ(w->StatusPanel("ZOOM"), QString());
  EXPECT_EQ(w->strip().count(), 0);
  // The next document shows its thumbnails again, a one-page file as well.
  w->fnOpenImgFile(path);
  EXPECT_EQ(w->strip().count(), 3);
  w->mnuFileClose_Click();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{20, 10, 0xFF00FF}}, 5));
  EXPECT_EQ(w->strip().count(), 1);
  EXPECT_TRUE(w->StatusPanel("ZOOM").endsWith(QLatin1Char('%')));
}

TEST_F(MainWindowTest, UntitledDocumentWithSeveralPagesNeverOverwritesAPage) {
  frmImgClntForm* w = window();
  w->fnNewImgFile(50, 40, 24, 0xFFFFFF);
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex - New File"));
  EXPECT_FALSE(enabled(w->Menu("mnuFileClose")));
  EXPECT_TRUE(enabled(w->Button(w->tbrFile, "close")));
  EXPECT_EQ(pageCount(), 1);
  // A second page, as a scan or an append after New brings it.
  appendPage(60, 30, 0x0000FF);
  w->ixTmb_Click(0);
  w->ixTmb_Click(1);
  EXPECT_EQ(doc().currentPage, 1);
  EXPECT_EQ(pageShown(w), 60);
  EXPECT_EQ(pageWidth(0), 50);
  ws::mnuViewPrev_Click(*w);
  EXPECT_EQ(pageShown(w), 50);
  EXPECT_EQ(pageWidth(1), 60);
  EXPECT_TRUE(enabled(w->Menu("mnuViewNext")));
}

// File > Open shows its dialog first, in the open document's folder: Cancel there, or in the save
// question once a file is chosen, leaves the document as it was; No opens the file chosen.
TEST_F(MainWindowTest, OpenKeepsTheDocumentUntilAFileIsChosenAndTheOldOneCloses) {
  QDir(dir.path()).mkpath(QStringLiteral("docs"));
  const QString path = file(QStringLiteral("docs/three.tif"), kThreePages, 4);
  const QString other = file(QStringLiteral("one.bmp"), {{20, 10, 0xFF00FF}}, 5);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  doc().docModified = true;

  dialogs.cancelDialog(rt::DialogKind::Open);
  ws::mnuFileOpen_Click(*w);
  EXPECT_EQ(dialogs.calls().back().request.initDir, dir.file(QStringLiteral("docs")));
  EXPECT_EQ(doc().path, path);
  EXPECT_EQ(pageCount(), 3);
  EXPECT_TRUE(doc().docModified);

  dialogs.answerFile(rt::DialogKind::Open, other).answerMsgBox(rt::vbCancel);
  ws::mnuFileOpen_Click(*w);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Image has been modified! Save changes?"));
  EXPECT_EQ(doc().path, path);
  EXPECT_EQ(pageCount(), 3);

  dialogs.answerFile(rt::DialogKind::Open, other).answerMsgBox(rt::vbNo);
  ws::mnuFileOpen_Click(*w);
  EXPECT_EQ(doc().path, other);
  EXPECT_EQ(pageCount(), 1);
  EXPECT_EQ(readImage(path).size(), 3u);

  // Without a document the dialog starts where the last file was opened from, else at home.
  w->mnuFileClose_Click();
  EXPECT_EQ(ws::openDialogFolder(QString()), QFileInfo(other).absolutePath());
  ws::lastOpenFolder().clear();
  EXPECT_EQ(ws::openDialogFolder(QString()), QDir::homePath());
}

// ---- The save prompt ------------------------------------------------------------------------------

TEST_F(MainWindowTest, SavePromptYesSavesNoDiscardsCancelKeeps) {
  struct Case {
    int answer;
    bool closes;
    uint32_t fileColour;
  };
  const Case cases[] = {{rt::vbYes, true, 0xFF0000}, {rt::vbNo, true, 0x00FF00}, {rt::vbCancel, false, 0x00FF00}};
  frmImgClntForm* w = window();
  for (const Case& c : cases) {
    const QString path = file(QStringLiteral("prompt.bmp"), {{20, 10, 0x00FF00}}, 5);
    w->fnOpenImgFile(path);
    w->ixMain->CreateBlankImage(20, 10, 24, 0xFF0000);
    doc().docModified = doc().pageModified = true;
    dialogs.answerMsgBox(c.answer);
    bool ok = !c.closes;
    w->fnCloseFile(false, ok);
    const RecordedCall& q = dialogs.calls().back();
    EXPECT_EQ(q.text, QStringLiteral("Image has been modified! Save changes?"));
    EXPECT_EQ(q.buttons(), rt::vbYesNoCancel);
    EXPECT_EQ(q.icon(), rt::vbQuestion);
    EXPECT_EQ(q.title, QStringLiteral("Confirmation"));
    EXPECT_EQ(ok, c.closes) << c.answer;
    EXPECT_EQ(w->Caption(), c.closes ? QStringLiteral("   Image Lumivex") : "   Image Lumivex - " + path) << c.answer;
    EXPECT_EQ(doc().docModified, !c.closes) << c.answer;
    EXPECT_EQ(readImage(path).at(0).colour, c.fileColour) << c.answer;
    if (!c.closes) {
      doc().docModified = false;
      w->fnCloseFile(false, ok);
    }
  }
  // With no-prompt nothing is asked even when modified.
  w->fnOpenImgFile(dir.file(QStringLiteral("prompt.bmp")));
  doc().docModified = true;
  bool ok = false;
  w->fnCloseFile(true, ok);
  EXPECT_TRUE(ok);
}

TEST_F(MainWindowTest, YesToThePromptKeepsTheDocumentWhenTheSaveFails) {
  QDir(dir.path()).mkpath(QStringLiteral("gone"));
  const QString path = file(QStringLiteral("gone/page.bmp"), {{20, 10, 0x00FF00}}, 5);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_TRUE(QDir(dir.file(QStringLiteral("gone"))).removeRecursively());
  doc().docModified = true;
  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbOK);
  bool ok = true;
  w->fnCloseFile(false, ok);
  EXPECT_FALSE(ok);
  ASSERT_EQ(dialogs.calls().size(), 2u);
  EXPECT_EQ(dialogs.calls()[1].icon(), rt::vbExclamation);
  EXPECT_EQ(dialogs.calls()[1].title, QStringLiteral("Error"));
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + path);
  EXPECT_TRUE(doc().docModified);
  EXPECT_TRUE(w->ixMain->hasImage());
}

TEST_F(MainWindowTest, ArchivedDocumentIsTitledByItsKeysSavedUnderANewNameAndUnlockedOnClose) {
  QStringList commands;
  ws::registerWindow(QStringLiteral("frmTCPIP"), [&](const QStringList& args) { commands << args.value(0); });
  frmImgClntForm* w = window();
  doc().achId = QStringLiteral("A17");
  doc().parm1 = QStringLiteral("INV-2");
  doc().parm2 = QStringLiteral("2026");
  doc().login.update = true;
  w->fnOpenImgFile(file(QStringLiteral("KVT_WORKING.ACH"), {{8, 8, 0}}, 5));
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex - Archived Document [A17, INV-2, 2026]"));
  // Save of an archived document always asks for a new name.
  dialogs.cancelDialog(rt::DialogKind::Save);
  EXPECT_FALSE(w->mnuFileSave_Click());
  EXPECT_EQ(dialogs.calls().back().request.title, QStringLiteral("Save Current File As"));
  // Closing releases the lock; a failed unlock is reported and the document closes all the same.
  dialogs.answerMsgBox(rt::vbOK);
  bool ok = false;
  w->fnCloseFile(false, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(commands, QStringList{"UNLOCK"});
  EXPECT_EQ(dialogs.calls().back().text,
            QStringLiteral("Error encountered trying to unlock this AchID.\rPlease inform the administrator."));
  EXPECT_TRUE(doc().achId.isEmpty());
  doc().login.update = false;
}

// ---- Saving multi-page documents ------------------------------------------------------------------

TEST_F(MainWindowTest, MultiPageDocumentSavesInPlaceAndUnderAnotherName) {
  const QString path = file(QStringLiteral("doc.tif"), kThreePages, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  // Edit page 2, then move on: the edit goes back into its thumbnail.
  w->ixTmb_Click(1);
  w->ixMain->CreateBlankImage(40, 25, 24, 0x00FFFF);
  doc().docModified = doc().pageModified = true;
  w->ixTmb_Click(2);
  EXPECT_FALSE(doc().pageModified);

  ASSERT_TRUE(w->mnuFileSave_Click());
  std::vector<Page> expected = kThreePages;
  expected[1].colour = 0x00FFFF;
  EXPECT_TRUE(samePages(readImage(path), expected));
  EXPECT_FALSE(doc().docModified);
  // Nothing but the document is left in its folder.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"doc.tif", "registry"}));

  // Save As: the question, then the new name becomes the document's.
  const QString other = dir.file(QStringLiteral("copy.tif"));
  dialogs.answerFile(rt::DialogKind::Save, other);
  const QString openFilter = w->cdgMain.Filter;
  ASSERT_TRUE(ws::mnuFileSaveAs_Click(*w));
  const RecordedCall& d = dialogs.calls().back();
  EXPECT_EQ(d.request.title, QStringLiteral("Save Current File As"));
  EXPECT_EQ(d.request.filter, QStringLiteral("All Files (*.*)|*.*"));
  EXPECT_EQ(d.request.initDir, dir.path());
  EXPECT_EQ(w->cdgMain.Filter, openFilter);
  EXPECT_TRUE(samePages(readImage(other), expected));
  EXPECT_EQ(doc().path, other);
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + other);

  // Save As onto an existing file answered No writes nothing and keeps the name.
  dialogs.answerFile(rt::DialogKind::Save, path).answerMsgBox(rt::vbNo);
  EXPECT_FALSE(ws::mnuFileSaveAs_Click(*w));
  EXPECT_EQ(dialogs.calls().back().text,
            QStringLiteral("A file already exists with the selected path and name!\rOverwrite?"));
  EXPECT_EQ(doc().path, other);

  // A cancelled dialog ends silently.
  dialogs.cancelDialog(rt::DialogKind::Save);
  EXPECT_FALSE(ws::mnuFileSaveAs_Click(*w));
}

TEST_F(MainWindowTest, PcxAndDcxSavesOfferTheExtensionThatFitsThePageCount) {
  struct Case {
    const char* name;
    int16_t format;
    int pages;      // after one page is appended for the two-page cases
    int answer;
    const char* question;
    const char* savedAs;
  };
  const Case cases[] = {
      {"doc.pcx", 2, 2, rt::vbYes,
       "The current PCX file extension is for single-page images.\rDo you want to change the file extension to DCX?",
       "doc.DCX"},
      {"keep.pcx", 2, 2, rt::vbNo, "The current PCX file extension is for single-page images.\rDo you want to change the file extension to DCX?",
       "keep.pcx"},
      {"one.dcx", 24, 1, rt::vbYes,
       "The current DCX file extension is for multi-page images.\rDo you want to change the file extension to PCX?", "one.PCX"},
  };
  frmImgClntForm* w = window();
  for (const Case& c : cases) {
    const QString path = file(QString::fromLatin1(c.name), {{12, 10, 0x0000FF}}, c.format);
    const QByteArray original = fileBytes(path);
    w->fnOpenImgFile(path);
    if (c.pages == 2) appendPage(14, 10, 0x00FF00);
    dialogs.answerMsgBox(c.answer);
    ASSERT_TRUE(w->mnuFileSave_Click()) << c.name;
    EXPECT_EQ(dialogs.calls().back().text, QString::fromLatin1(c.question)) << c.name;
    const QString saved = dir.file(QString::fromLatin1(c.savedAs));
    EXPECT_EQ(doc().path, saved) << c.name;
    EXPECT_EQ(readImage(saved).size(), static_cast<std::size_t>(c.pages)) << c.name;
    if (saved != path) {
      EXPECT_EQ(fileBytes(path), original) << c.name;
    }
    // The annotations are in the pixels now; no page keeps a layer.
    ASSERT_EQ(pageCount(), c.pages);
    for (int i = 0; i < c.pages; ++i) EXPECT_TRUE(pages().layer(i).isEmpty());
    w->mnuFileClose_Click();
  }
}

TEST_F(MainWindowTest, AnnotationsAPageCarriesSurviveASaveOfTheDocument) {
  // A two-page TIFF whose second page carries an annotation layer.
  const QString path = dir.file(QStringLiteral("notes.tif"));
  const std::vector<uint8_t> layer = {0x92, 0x8F, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  for (int i = 0; i < 2; ++i) {
    img::ImagingControl ix;
    ix.CreateBlankImage(20, 20, 24, 0xFFFFFF);
    if (i == 1) ix.setAnnotationData(layer);
    ix.setSaveFileType(4);
    ix.setSaveMultiPage(true);
    ix.setSaveFileName(path);
    ix.SaveFile();
  }
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_EQ(pageCount(), 2);
  EXPECT_TRUE(pages().layer(0).isEmpty());
  EXPECT_EQ(pages().layer(1), QByteArray(reinterpret_cast<const char*>(layer.data()), layer.size()));
  w->ixTmb_Click(1);
  w->ixTmb_Click(0);
  doc().docModified = true;
  ASSERT_TRUE(w->mnuFileSave_Click());
  img::ImagingControl back;
  back.setPageNumber(2);
  back.setSourceFile(path);
  EXPECT_EQ(back.AnnotationData(), layer);
}

TEST_F(MainWindowTest, FailedMultiPageSaveLeavesTheTargetUntouchedAndSaysSo) {
  const QString path = file(QStringLiteral("doc.tif"), kThreePages, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  // The file changes under the open document: its later pages can no longer be read.
  QFile::remove(path);
  writeImage(path, {{10, 10, 0x123456}}, 4);
  const QByteArray before = fileBytes(path);
  doc().docModified = true;
  dialogs.answerMsgBox(rt::vbOK);
  EXPECT_FALSE(w->mnuFileSave_Click());
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].icon(), rt::vbExclamation);
  EXPECT_EQ(fileBytes(path), before);
  EXPECT_TRUE(doc().docModified);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"doc.tif", "registry"}));
  EXPECT_EQ(w->nxMain->AttachControlName(), QStringLiteral("ixMain"));
  // Clicking a page that can no longer be read reports it; the window carries on.
  dialogs.answerMsgBox(rt::vbOK);
  w->show();
  clickThumb(w, 2);
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
  EXPECT_TRUE(frmImgClnt.IsLoaded());
}

// The scanner check ends a while after the window shows: it leaves the page buttons as the page
// shown has them, off for a one-page file.
TEST_F(MainWindowTest, TheScannerCheckLeavesThePageButtonsAsThePageHasThem) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{40, 30, 0x0000FF}}, 5));
  for (const bool present : {false, true}) {
    ws::document().setScannerPresent(present);
    for (const char* key : {"previous", "next"}) EXPECT_FALSE(enabled(w->Button(w->tbrImage, QLatin1String(key)))) << key << present;
  }
}

}  // namespace

TEST_F(MainWindowTest, ARectangleDrawnOnAPageIsStoredSavedWithTheTiffAndComesBack) {
  const QString path = file(QStringLiteral("drawn.tif"), {{200, 150, 0xFFFFFF}, {200, 150, 0xFFFFFF}}, 4);
  frmImgClntForm* w = window();
  w->show();
  w->fnOpenImgFile(path);
  ASSERT_TRUE(w->nxMain->EngineAvailable()) << w->nxMain->EngineError().toStdString();
  w->selectMode(ws::MouseMode::Arrow);
  ASSERT_EQ(w->nxMain->setCurrentTool(4098), 0);  // rectangle
  doc().docModified = false;
  drag(w->ixMain, QPoint(20, 20), QPoint(80, 60));
  const intptr_t layer = w->nxMain->CurrentLayer();
  ASSERT_NE(layer, 0);
  EXPECT_EQ(w->nxMain->LayerObjectCount(layer), 1);
  // The engine's "added" event marks the document modified.
  EXPECT_TRUE(doc().docModified);

  // Going to page 2 stores page 1's layer; coming back shows it again.
  w->ixTmb_Click(1);
  ASSERT_FALSE(pages().layer(0).isEmpty());
  EXPECT_EQ(w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()), 0);
  w->ixTmb_Click(0);
  EXPECT_EQ(w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()), 1);

  // A TIFF keeps annotations as annotations: the saved page carries the layer, and reopening
  // the file shows the rectangle on page 1 and nothing on page 2.
  ASSERT_TRUE(w->mnuFileSave_Click());
  bool closed = false;
  w->fnCloseFile(false, closed);
  ASSERT_TRUE(closed);
  w->fnOpenImgFile(path);
  ASSERT_EQ(pageCount(), 2);
  EXPECT_FALSE(pages().layer(0).isEmpty());
  EXPECT_TRUE(pages().layer(1).isEmpty());
  EXPECT_EQ(w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()), 1);
  // The pixels of the page were not touched: the rectangle lives in the layer, not in the image.
  EXPECT_TRUE(samePages(readImage(path), {{200, 150, 0xFFFFFF}, {200, 150, 0xFFFFFF}}));
}
