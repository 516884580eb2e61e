// The main window itself: the thumbnail strip and panes, the page view's mouse and keys, start-up,
// the first activation, shut-down and the annotation notifications.
#include "runtime/twips.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/annotation_commands.h"
#include "workspace/first_activation.h"
#include "workspace/command_table.h"
#include "workspace/view_commands.h"

namespace {

using namespace mainwindowtest;
using namespace modVars;
using testsupport::RecordedCall;

TEST_F(MainWindowTest, StripScrollsToTheCurrentPageAndToolbarKeysMatchExactly) {
  std::vector<Page> pages(9, Page{16, 20, 0x808080});
  const QString path = file(QStringLiteral("nine.tif"), pages, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_EQ(pageCount(), 9);
  // Nine pages in one column do not fit: the scroll bar shows and the grid is taller.
  EXPECT_TRUE(w->vsTmb->isVisible());
  EXPECT_GT(w->strip().gridHeight(), tw::Height(w->picMain));
  EXPECT_EQ(w->vsTmb->value(), 0);

  w->ixTmb_Click(8);
  const int v = w->vsTmb->value();
  EXPECT_GT(v, 0);
  EXPECT_NEAR(w->strip().gridTop(), -200.0 * v, 15);
  // The last thumbnail, with its 280-twip margin, lies inside the viewport.
  const double bottom = thumbPlace(w, 8).bottom() + 280;
  EXPECT_LE(bottom - 200.0 * v, w->picMain->height() * rt::Screen::TwipsPerPixelY() + 200);
  w->ixTmb_Click(0);
  EXPECT_EQ(w->vsTmb->value(), 0);

  // Toolbar keys compare exactly.
  ws::toolbarButtonClick(*w, "tbrImage", QStringLiteral("Next"));
  EXPECT_EQ(doc().currentPage, 0);
  ws::toolbarButtonClick(*w, "tbrImage", QStringLiteral("next"));
  EXPECT_EQ(doc().currentPage, 1);
  ws::toolbarButtonClick(*w, "tbrMode", QStringLiteral("selrect"));
  EXPECT_TRUE(w->Button(w->tbrMode, "selrect")->isChecked());
  EXPECT_FALSE(w->Button(w->tbrMode, "selhand")->isChecked());
  ws::toolbarButtonClick(*w, "tbrFile", QStringLiteral("Close"));
  EXPECT_EQ(doc().path, path);
  // A save keeps the pressed mode; nothing was changed, so closing asks nothing.
  ASSERT_TRUE(w->mnuFileSave_Click());
  EXPECT_TRUE(w->Button(w->tbrMode, "selrect")->isChecked());
  ws::toolbarButtonClick(*w, "tbrFile", QStringLiteral("close"));
  EXPECT_TRUE(doc().path.isEmpty());
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(MainWindowTest, AnnotationMenuOffersSelectAllAndBurnInOnlyWithAnnotations) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{8, 8, 0xFFFFFF}}, 5));
  w->Menu("mnuAnnSelectAll")->setEnabled(true);
  ws::mnuAnn_Click(*w);
  EXPECT_FALSE(w->Menu("mnuAnnSelectAll")->isEnabled());
  EXPECT_FALSE(w->Menu("mnuAnnBurnIn")->isEnabled());
  // Burn In answered No leaves the page as it was.
  dialogs.answerMsgBox(rt::vbNo);
  const QImage before = w->ixMain->Picture();
  ws::mnuAnnBurnIn_Click(*w);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("This operation is permanent!\rDo you want to continue?"));
  EXPECT_EQ(w->ixMain->Picture(), before);
  EXPECT_FALSE(doc().docModified);
}

TEST_F(MainWindowTest, PanesFollowTheWindowSizeButNeverShrinkToNothing) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("three.tif"), kThreePages, 4));
  const double tpp = rt::Screen::TwipsPerPixelY();
  const double top = w->fraTmb->y() * tpp;
  w->setHeight(9000);
  EXPECT_NEAR(w->fraTmb->height() * tpp, 9000 - top - 1180, 15);
  EXPECT_NEAR(w->fraEdt->height() * tpp, 9000 - top - 1180, 15);
  EXPECT_NEAR(tw::Height(w->ixMain), w->fraEdt->height() * tpp - 180, 15);
  const int paneHeight = w->fraEdt->height();
  w->setHeight(top + 1000);  // nothing would be left: the panes keep their size
  EXPECT_EQ(w->fraEdt->height(), paneHeight);
  w->setWidth(12000);
  EXPECT_NEAR(w->fraEdt->width() * rt::Screen::TwipsPerPixelX(), 12000 - w->fraEdt->x() * rt::Screen::TwipsPerPixelX() - 130, 15);
}

TEST_F(MainWindowTest, DroppedDividerResizesThePanesWithinTheirLimits) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("three.tif"), kThreePages, 4));
  const double tpp = rt::Screen::TwipsPerPixelX();
  auto left = [&] { return w->imgDivider->x() * tpp; };
  w->picChild_DragDrop(w->imgDivider, 4000, 0);
  EXPECT_NEAR(left(), 4000, 15);
  EXPECT_NEAR(w->fraTmb->width() * tpp, 4000 - w->fraTmb->x() * tpp, 15);
  EXPECT_NEAR(w->fraEdt->x() * tpp, 4000 + w->imgDivider->width() * tpp, 15);
  EXPECT_NEAR(w->fraEdt->width() * tpp, w->Width() - w->fraEdt->x() * tpp - 130, 15);
  w->picChild_DragDrop(w->imgDivider, 1000, 0);  // too far left: stops at 2100
  EXPECT_NEAR(left(), 2100, 15);
  const double pageLeft = w->fraEdt->x() * tpp;
  w->ixMain_DragDrop(w->imgDivider, 1500, 0);
  EXPECT_NEAR(left(), pageLeft + 1500, 15);
  w->ixMain_DragDrop(w->imgDivider, static_cast<float>(w->fraEdt->width() * tpp - 500), 0);  // too far right
  EXPECT_NEAR(left(), w->Width() - 2100 - w->imgDivider->width() * tpp, 15);
  const double before = left();
  w->ixMain_DragDrop(w->fraTmb, 100, 0);  // only the divider moves the panes
  EXPECT_EQ(left(), before);
}

TEST_F(MainWindowTest, PageViewMouseSelectsInRectangleModeAndPansInHandMode) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("big.bmp"), {{400, 300, 0xFFFFFF}}, 5));
  img::ImagingControl* ix = w->ixMain;
  const float tx = static_cast<float>(rt::Screen::TwipsPerPixelX()), ty = static_cast<float>(rt::Screen::TwipsPerPixelY());
  ws::toolbarButtonClick(*w, "tbrMode", QStringLiteral("selrect"));
  struct Drag {
    int x0, y0, x1, y1;
    bool selects;
  };
  for (const Drag& d : {Drag{10, 10, 60, 40, true}, Drag{20, 20, 20, 50, false}}) {
    Q_EMIT ix->MouseDown(1, 0, d.x0 * tx, d.y0 * ty);
    Q_EMIT ix->MouseMove(1, 0, d.x1 * tx, d.y1 * ty);
    Q_EMIT ix->MouseUp(1, 0, d.x1 * tx, d.y1 * ty);
    EXPECT_EQ(ix->SelectionVisible(), d.selects) << d.x1;
    if (d.selects) {
      EXPECT_EQ(ix->SelectionWidth(), d.x1 - d.x0);
      EXPECT_EQ(ix->SelectionHeight(), d.y1 - d.y0);
    }
  }
  w->fnClearSelection();
  EXPECT_FALSE(ix->SelectionVisible());

  // The hand drags the page: the view scrolls against the pointer.
  ws::toolbarButtonClick(*w, "tbrMode", QStringLiteral("selhand"));
  ws::zoomFixed(*w, 4.0f);
  ix->setScrollPosX(200);
  ix->setScrollPosY(200);
  Q_EMIT ix->MouseDown(1, 0, 100 * tx, 100 * ty);
  Q_EMIT ix->MouseMove(1, 0, 70 * tx, 90 * ty);
  EXPECT_EQ(ix->ScrollPosX(), 230);
  EXPECT_EQ(ix->ScrollPosY(), 210);
  Q_EMIT ix->MouseUp(1, 0, 70 * tx, 90 * ty);
  EXPECT_EQ(ix->MousePointer(), 99);
  EXPECT_FALSE(doc().docModified);
}

// ---- Start-up, first activation, shut-down ---------------------------------------------------------

TEST_F(MainWindowTest, FirstActivationFollowsTheCommandLineAndTheAssociationValue) {
  struct Case {
    const char* commandLine;
    std::optional<QString> fileAssoc;
    bool offersAssociations;
    const char* album;
  };
  const Case cases[] = {
      {"", QStringLiteral("1"), false, nullptr},
      {"", std::nullopt, true, nullptr},
      {"", QStringLiteral("0"), true, nullptr},
      {"   ", QStringLiteral("yes"), true, nullptr},
      {" /albums/holiday.kvt  ", std::nullopt, false, "/albums/holiday.kvt"},
      {"/albums/WORK.KVT", QStringLiteral("0"), false, "/albums/WORK.KVT"},
  };
  int offers = 0;
  QString album;
  ws::registerWindow(QStringLiteral("frmExtAssoc"), [&](const QStringList&) { ++offers; });
  ws::registerWindow(QStringLiteral("frmAlbum"), [&](const QStringList& a) { album = a.value(0); });
  window();
  for (const Case& c : cases) {
    setFileAssoc(c.fileAssoc);
    offers = 0;
    album.clear();
    ws::setCommandLine(QString::fromLatin1(c.commandLine));
    gblnActivated = false;
    ws::firstActivation();
    ws::firstActivation();  // later activations do nothing
    EXPECT_EQ(offers, c.offersAssociations ? 1 : 0) << c.commandLine;
    EXPECT_EQ(album, QString::fromLatin1(c.album ? c.album : "")) << c.commandLine;
    if (c.offersAssociations) {
      EXPECT_EQ(readValue(plat::reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", "FileAssoc"), QStringLiteral("1"));
    }
  }
}

TEST_F(MainWindowTest, UnreadableCommandLineFileGetsTheErrorMessage) {
  QFile bad(dir.file(QStringLiteral("bad.bmp")));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("BM this is not a picture");
  bad.close();
  frmImgClntForm* w = window();
  for (const QString& path : {dir.file(QStringLiteral("missing.tif")), dir.file(QStringLiteral("bad.bmp"))}) {
    ws::setCommandLine(path);
    dialogs.answerMsgBox(rt::vbOK);
    gblnActivated = false;
    ws::firstActivation();
    const RecordedCall& m = dialogs.calls().back();
    EXPECT_EQ(m.icon(), rt::vbExclamation) << path.toStdString();
    EXPECT_EQ(m.title, QStringLiteral("Error"));
    EXPECT_FALSE(m.text.isEmpty());
    EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex"));
    EXPECT_TRUE(doc().path.isEmpty());
    EXPECT_FALSE(enabled(w->Button(w->tbrFile, "save")));
  }
}

TEST_F(MainWindowTest, StartUpRecordsTheScannerAndRegistersTheDocumentType) {
  setScanners(true);
  frmImgClntForm* w = window();
  EXPECT_TRUE(doc().scannerPresent);
  EXPECT_TRUE(enabled(w->Button(w->tbrScan, "scannew")));
  EXPECT_TRUE(enabled(w->Menu("mnuScanNew")));
  EXPECT_FALSE(enabled(w->Button(w->tbrScan, "scanappend")));
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{8, 8, 0}}, 5));
  EXPECT_TRUE(enabled(w->Button(w->tbrScan, "scanoverwrite")));
  EXPECT_FALSE(enabled(w->Button(w->tbrScan, "scanappend")));
  w->mnuFileClose_Click();
  w->fnOpenImgFile(file(QStringLiteral("two.tif"), {{8, 8, 0}, {9, 9, 0}}, 4));
  EXPECT_TRUE(enabled(w->Button(w->tbrScan, "scanappend")));
  EXPECT_TRUE(enabled(w->Menu("mnuScanInsert")));

  using plat::reg::HKEY_CLASSES_ROOT;
  const QString program = rt::App::Path() + QStringLiteral("/kvtLumivex");
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1", nullptr), QStringLiteral("Image Lumivex"));
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\shell\\open\\command", nullptr), program + " %1");
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\shell\\edit\\command", nullptr), program + " %1");
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\DefaultIcon", nullptr), program + ",0");
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\CurVer", nullptr),
            QStringLiteral("ImageLumivex.Application.1"));
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, ".kvt", nullptr), QStringLiteral("ImageLumivex.Application.1"));
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, ".kvt", "Perceived Type"), QStringLiteral("text"));
}

TEST_F(MainWindowTest, ClosingTheWindowLogsOutOnlyWhenTheCloseGoesAhead) {
  struct Case {
    int answer;            // to the save prompt
    bool logoutSucceeds;
    bool closes;
    bool loggedOut;
    bool failureMessage;
  };
  const Case cases[] = {{rt::vbCancel, true, false, false, false},
                        {rt::vbNo, true, true, true, false},
                        {rt::vbNo, false, true, true, true}};
  for (const Case& c : cases) {
    QStringList commands;
    ws::registerWindow(QStringLiteral("frmTCPIP"), [&](const QStringList& args) {
      const QString command = args.value(0);
      commands << command;
      if (c.logoutSucceeds) ws::documentState().network = ws::NetworkResult::Succeeded;
    });
    frmImgClntForm* w = window();
    w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{8, 8, 0}}, 5));
    ws::document().setLogin({QStringLiteral("JOE"), false, false});
    doc().docModified = true;
    dialogs.answerMsgBox(c.answer);
    if (c.failureMessage) dialogs.answerMsgBox(rt::vbOK);
    EXPECT_EQ(unloadNow(), c.closes);
    EXPECT_EQ(commands, c.loggedOut ? QStringList{"LOGOUT"} : QStringList{});
    if (c.failureMessage) {
      EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Logout was unsuccessful!, Please inform your administrator"));
    }
    if (!c.closes) {
      EXPECT_TRUE(frmImgClnt.IsLoaded());
      EXPECT_TRUE(w->ixMain->hasImage());
      doc().docModified = false;
      ws::document().setLogin({});
      unloadNow();
    }
  }
}

// ---- Annotation notifications -----------------------------------------------------------------------

TEST_F(MainWindowTest, AddedChangedAndDeletedAnnotationsMarkTheDocumentModified) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{8, 8, 0}}, 5));
  for (int code : {1001, 1002, 1003, 1004, 1005, 1015}) {
    doc().docModified = doc().pageModified = false;
    Q_EMIT w->nxMain->AnnotationEvent(code, 7);
    const bool marks = code <= 1003;
    EXPECT_EQ(doc().docModified, marks) << code;
    EXPECT_EQ(doc().pageModified, marks) << code;
  }
  doc().docModified = false;
  // A tool change leaves the document as it was.
  w->selectMode(ws::MouseMode::Arrow);
  EXPECT_EQ(w->nxMain->CurrentTool(), 4096);
  w->selectMode(ws::MouseMode::Rect);
  EXPECT_EQ(w->nxMain->CurrentTool(), 0);
  EXPECT_FALSE(doc().docModified);
  // The layer the control reports current is the one the window works on.
  const intptr_t layer = w->nxMain->NewLayer();
  EXPECT_EQ(doc().layer, layer);
  // Show Palette twice ends in the hand mode with no annotation tool.
  ws::mnuAnnPalette_Click(*w);
  EXPECT_TRUE(w->Menu("mnuAnnPalette")->isChecked());
  EXPECT_TRUE(w->Button(w->tbrMode, "selarrow")->isChecked());
  ws::mnuAnnPalette_Click(*w);
  EXPECT_FALSE(w->Menu("mnuAnnPalette")->isChecked());
  EXPECT_TRUE(w->Button(w->tbrMode, "selhand")->isChecked());
  EXPECT_EQ(w->nxMain->CurrentTool(), 0);
}

}  // namespace
