// The Edit menu and the page view's mouse modes driven with real mouse and key events: rectangle
// selections cut, erased and undone, pictures pasted as floating areas that are dragged, kept on
// the page, written in or dropped, the hand panning the page, and pages deleted from a document
// with their annotations following them.
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtTest/QTest>

#include "controls/imaging/codec.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/mouse.h"
#include "tests/support/pictures.h"
#include "workspace/annotation_commands.h"
#include "workspace/edit_commands.h"
#include "workspace/view_commands.h"

using namespace mainwindowtest;

namespace {

void mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
  testsupport::sendMouse(w, type, p, button, buttons);
}
void press(QWidget* w, QPoint p) { mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
void moveHeld(QWidget* w, QPoint p) { mouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
void hover(QWidget* w, QPoint p) { mouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
void release(QWidget* w, QPoint p) { mouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
void click(QWidget* w, QPoint p) {
  press(w, p);
  release(w, p);
}
void key(QWidget* w, int k) {
  QPointer<QWidget> target = w;
  QKeyEvent down(QEvent::KeyPress, k, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &down);
  if (!target) return;  // the key took its own widget away
  QKeyEvent up(QEvent::KeyRelease, k, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &up);
}

using testsupport::bgr;
uint32_t pixel(img::ImagingControl* ix, int x, int y) { return bgr(ix->bitmap().pixel(x, y)); }
// A pixel of a page of the document.
uint32_t pagePixel(int page, int x, int y) { return bgr(pages().picture(page).pixel(x, y)); }

// Another program's picture on the clipboard, as PNG bytes only.
void putPng(const QImage& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  auto* data = new QMimeData;
  data->setData(QStringLiteral("image/png"), bytes);
  QGuiApplication::clipboard()->setMimeData(data);
}

QImage solid(int w, int h, QColor c) {
  QImage i(w, h, QImage::Format_RGB32);
  i.fill(c);
  return i;
}

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

class EditTest : public MainWindowTest {
 protected:
  frmImgClntForm* open(const std::vector<Page>& pages) {
    frmImgClntForm* w = window();
    w->fnOpenImgFile(file(QStringLiteral("doc.tif"), pages, 4));
    ws::mnuZoomTo<100>(*w);
    doc().docModified = doc().pageModified = false;
    return w;
  }
  static void clearFlags() { doc().docModified = doc().pageModified = false; }
};

// Undo changes the page shown but not the document's flag: the page goes back into the document
// all the same, so that a page switch or a save keeps what the user sees.
TEST_F(EditTest, AnEditUndoneAfterASaveIsWhatTheNextSaveWrites) {
  frmImgClntForm* w = open({{100, 80, kRed}, {100, 80, kRed}});
  w->selectMode(ws::MouseMode::Rect);
  drag(w->ixMain, {10, 10}, {30, 20});
  ws::mnuEditCut_Click(*w);
  ASSERT_TRUE(w->mnuFileSave_Click());
  ASSERT_EQ(bgr(img::readFilePage(doc().path, 1).bitmap.pixel(15, 15)), kWhite);
  ws::mnuEditUndo_Click(*w);
  EXPECT_FALSE(doc().docModified);
  w->ixTmb_Click(1);
  w->ixTmb_Click(0);
  EXPECT_EQ(pixel(w->ixMain, 15, 15), kRed);
  doc().docModified = true;
  ASSERT_TRUE(w->mnuFileSave_Click());
  EXPECT_EQ(bgr(img::readFilePage(doc().path, 1).bitmap.pixel(15, 15)), kRed);
}

TEST_F(EditTest, RectangleSelectionIsCutToTheClipboardErasedAndUndone) {
  frmImgClntForm* w = open({{100, 80, kRed}});
  QWidget* view = w->ixMain;
  w->selectMode(ws::MouseMode::Rect);
  drag(view, {10, 10}, {30, 20});
  ASSERT_EQ(w->ixMain->SelectionWidth(), 20);
  ASSERT_EQ(w->ixMain->SelectionHeight(), 10);

  ws::mnuEdit_Click(*w);
  EXPECT_TRUE(enabled(w->Menu("mnuEditCut")));
  ws::mnuEditCut_Click(*w);
  EXPECT_EQ(pixel(w->ixMain, 15, 15), kWhite);
  EXPECT_EQ(pixel(w->ixMain, 35, 15), kRed);
  EXPECT_EQ(w->ixMain->SelectionWidth(), 0);
  EXPECT_TRUE(doc().docModified && doc().pageModified);
  const QImage cut = QGuiApplication::clipboard()->image();
  EXPECT_EQ(cut.size(), QSize(20, 10));
  EXPECT_EQ(QColor(cut.pixel(5, 5)), QColor(Qt::red));

  ws::mnuEdit_Click(*w);
  ASSERT_TRUE(enabled(w->Menu("mnuEditUndo")));
  ws::mnuEditUndo_Click(*w);
  EXPECT_EQ(pixel(w->ixMain, 15, 15), kRed);

  // Copy clears the selection and marks nothing.
  clearFlags();
  drag(view, {10, 10}, {30, 20});
  ws::mnuEditCopy_Click(*w);
  EXPECT_EQ(w->ixMain->SelectionWidth(), 0);
  EXPECT_FALSE(doc().docModified || doc().pageModified);
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(20, 10));

  // A rubber band without width leaves no selection.
  drag(view, {40, 10}, {40, 30});
  EXPECT_EQ(w->ixMain->SelectionWidth(), 0);
}

TEST_F(EditTest, PastedPictureFloatsIsKeptOnThePageWhileDraggedAndIsWrittenInByAClickOutside) {
  frmImgClntForm* w = open({{100, 80, kRed}});
  QWidget* view = w->ixMain;
  w->selectMode(ws::MouseMode::Rect);
  putPng(solid(20, 10, Qt::blue));
  ws::mnuEdit_Click(*w);
  ASSERT_TRUE(enabled(w->Menu("mnuEditPaste")));
  ws::mnuEditPaste_Click(*w);
  ASSERT_TRUE(w->ixMain->AreaActive());
  EXPECT_EQ(w->ixMain->AreaLeft(), 0);
  EXPECT_EQ(w->ixMain->AreaTop(), 0);
  // The page under the area is as it was; the clipboard still holds the pasted picture.
  EXPECT_EQ(pixel(w->ixMain, 5, 5), kRed);
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(20, 10));
  EXPECT_FALSE(doc().docModified || doc().pageModified);

  hover(view, {5, 5});
  EXPECT_EQ(w->ixMain->MousePointer(), 43);
  hover(view, {50, 50});
  EXPECT_EQ(w->ixMain->MousePointer(), 2);
  hover(view, {5, 5});
  press(view, {5, 5});
  moveHeld(view, {300, 300});  // past the right and bottom edges: the area stops at them
  EXPECT_EQ(w->ixMain->AreaLeft(), 80);
  EXPECT_EQ(w->ixMain->AreaTop(), 70);
  moveHeld(view, {65, 45});
  release(view, {65, 45});
  EXPECT_EQ(w->ixMain->AreaLeft(), 60);
  EXPECT_EQ(w->ixMain->AreaTop(), 40);
  EXPECT_FALSE(doc().docModified);

  hover(view, {2, 78});
  click(view, {2, 78});  // outside the area: written into the page
  EXPECT_FALSE(w->ixMain->AreaActive());
  EXPECT_EQ(pixel(w->ixMain, 65, 45), kBlue);
  EXPECT_EQ(pixel(w->ixMain, 5, 5), kRed);
  EXPECT_TRUE(doc().docModified && doc().pageModified);
}

TEST_F(EditTest, EscapeOrDeleteDropsTheFloatingAreaAndOpeningAMenuWritesItIn) {
  frmImgClntForm* w = open({{100, 80, kRed}});
  QWidget* view = w->ixMain;
  putPng(solid(20, 10, Qt::blue));
  for (int k : {Qt::Key_Escape, Qt::Key_Delete}) {
    ws::mnuEditPaste_Click(*w);
    ASSERT_TRUE(w->ixMain->AreaActive());
    key(view, k);
    EXPECT_FALSE(w->ixMain->AreaActive()) << k;
    EXPECT_EQ(pixel(w->ixMain, 5, 5), kRed) << k;
    EXPECT_FALSE(doc().docModified || doc().pageModified) << k;
    // Nothing floats any more: a later commit writes nothing.
    w->commitPendingEdit();
    EXPECT_EQ(pixel(w->ixMain, 5, 5), kRed) << k;
    EXPECT_FALSE(doc().docModified || doc().pageModified) << k;
  }
  // Escape with nothing floating does nothing.
  key(view, Qt::Key_Escape);
  EXPECT_EQ(pixel(w->ixMain, 5, 5), kRed);

  ws::mnuEditPaste_Click(*w);
  Q_EMIT w->mnuView->aboutToShow();
  EXPECT_FALSE(w->ixMain->AreaActive());
  EXPECT_EQ(pixel(w->ixMain, 5, 5), kBlue);
  EXPECT_TRUE(doc().docModified && doc().pageModified);
}

// A save that opens no menu (its shortcut) writes a floating paste in too: what the page view
// shows is what is written.
TEST_F(EditTest, SavingWritesAFloatingPasteIntoThePage) {
  frmImgClntForm* w = open({{100, 80, kRed}, {100, 80, kRed}});
  putPng(solid(20, 10, Qt::blue));
  ws::mnuEditPaste_Click(*w);
  ASSERT_TRUE(w->ixMain->AreaActive());
  ASSERT_TRUE(w->mnuFileSave_Click());
  EXPECT_FALSE(w->ixMain->AreaActive());
  EXPECT_EQ(bgr(img::readFilePage(doc().path, 1).bitmap.pixel(5, 5)), kBlue);
  EXPECT_FALSE(doc().docModified || doc().pageModified);
}

// The menu's Del shortcut must not take the key from the page view: with the window active, a
// Delete typed on the view drops the floating area instead of running the menu command.
TEST_F(EditTest, DeleteTypedOnTheActivePageViewReachesTheView) {
  frmImgClntForm* w = open({{100, 80, kRed}});
  w->show();
  w->activateWindow();
  w->ixMain->setFocus();
  QCoreApplication::processEvents();
  putPng(solid(20, 10, Qt::blue));
  ws::mnuEditPaste_Click(*w);
  ASSERT_TRUE(w->ixMain->AreaActive());
  QTest::keyClick(w->ixMain, Qt::Key_Delete);
  EXPECT_FALSE(w->ixMain->AreaActive());
  EXPECT_EQ(pixel(w->ixMain, 5, 5), kRed);
  EXPECT_FALSE(doc().docModified);
}

TEST_F(EditTest, DeleteAsksForTheSelectionAndErasesOnlyOnYes) {
  frmImgClntForm* w = open({{100, 80, kRed}, {100, 80, kRed}});
  QWidget* view = w->ixMain;
  w->selectMode(ws::MouseMode::Rect);
  drag(view, {10, 10}, {30, 20});
  dialogs.answerMsgBox(rt::vbNo);
  key(view, Qt::Key_Delete);
  EXPECT_EQ(pixel(w->ixMain, 15, 15), kRed);
  EXPECT_FALSE(doc().docModified);
  dialogs.answerMsgBox(rt::vbYes);
  ws::mnuEditDelete_Click(*w);
  EXPECT_EQ(pixel(w->ixMain, 15, 15), kWhite);
  EXPECT_EQ(w->ixMain->SelectionWidth(), 0);
  EXPECT_TRUE(doc().docModified && doc().pageModified);
  ASSERT_GE(dialogs.calls().size(), 2u);
  EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("Are you sure you want to delete the selection?"));
  // The rectangle selection wins over the pages: both pages are still there.
  EXPECT_EQ(pageCount(), 2);
}

TEST_F(EditTest, TheHandPansThePage) {
  frmImgClntForm* w = open({{2000, 1500, kRed}});
  w->selectMode(ws::MouseMode::Hand);
  QWidget* view = w->ixMain;
  w->ixMain->setScrollPosX(100);
  w->ixMain->setScrollPosY(100);
  press(view, {50, 50});
  EXPECT_EQ(w->ixMain->MousePointer(), 99);
  moveHeld(view, {30, 20});
  EXPECT_EQ(w->ixMain->ScrollPosX(), 120);
  EXPECT_EQ(w->ixMain->ScrollPosY(), 130);
  moveHeld(view, {40, 20});
  EXPECT_EQ(w->ixMain->ScrollPosX(), 110);
  release(view, {40, 20});
  EXPECT_EQ(w->ixMain->MousePointer(), 99);
}

TEST_F(EditTest, MenuStateFollowsTheTargetsAndTheClipboard) {
  frmImgClntForm* w = open({{100, 80, kRed}, {100, 80, kRed}});
  QGuiApplication::clipboard()->clear();
  ws::mnuEdit_Click(*w);
  EXPECT_FALSE(enabled(w->Menu("mnuEditUndo")));
  EXPECT_FALSE(enabled(w->Menu("mnuEditCopy")) || enabled(w->Menu("mnuEditCut")));
  EXPECT_FALSE(enabled(w->Menu("mnuEditPaste")));
  EXPECT_TRUE(enabled(w->Menu("mnuEditDelete")));  // the pages of a TIFF
  putPng(solid(4, 4, Qt::blue));
  ws::mnuEdit_Click(*w);
  EXPECT_TRUE(enabled(w->Menu("mnuEditPaste")));
  auto* text = new QMimeData;
  text->setText(QStringLiteral("words"));
  QGuiApplication::clipboard()->setMimeData(text);
  ws::mnuEdit_Click(*w);
  EXPECT_FALSE(enabled(w->Menu("mnuEditPaste")));

  // A single-page format has no pages to delete.
  frmImgClntForm* single = w;
  bool closed = false;
  single->fnCloseFile(true, closed);
  single->fnOpenImgFile(file(QStringLiteral("one.png"), {{100, 80, kRed}}, 10));
  ws::mnuEdit_Click(*single);
  EXPECT_FALSE(enabled(single->Menu("mnuEditDelete")));
  ws::mnuEditDelete_Click(*single);  // asks nothing, does nothing
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(EditTest, SelectedAnnotationsWinOverTheRectangleAndPasteBackAsAnnotations) {
  frmImgClntForm* w = open({{200, 150, kRed}});
  ASSERT_TRUE(w->nxMain->EngineAvailable());
  w->selectMode(ws::MouseMode::Arrow);
  w->nxMain->setCurrentTool(4098);
  drag(w->ixMain, {10, 10}, {40, 40});
  w->nxMain->setCurrentTool(4096);
  w->ixMain->setSelection(100, 100, 20, 20);
  ws::mnuAnnSelectAll_Click(*w);
  clearFlags();
  ws::mnuEditCopy_Click(*w);
  EXPECT_EQ(w->ixMain->SelectionWidth(), 20);  // the rectangle was not the target
  EXPECT_FALSE(doc().docModified);
  ws::mnuEdit_Click(*w);
  EXPECT_TRUE(enabled(w->Menu("mnuEditPaste")));
  ws::mnuEditPaste_Click(*w);
  EXPECT_EQ(w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()), 2);
  EXPECT_TRUE(doc().docModified && doc().pageModified);
  EXPECT_FALSE(w->ixMain->AreaActive());
  clearFlags();
  ws::mnuAnnSelectAll_Click(*w);
  ws::mnuEditCut_Click(*w);
  EXPECT_EQ(w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()), 0);
  EXPECT_EQ(pixel(w->ixMain, 110, 110), kRed);  // the rectangle selection is untouched
  EXPECT_TRUE(doc().docModified && doc().pageModified);
}

// On a scrolled page the pasted picture floats at the visible top-left; dragged with the pointer
// outside the view, the view scrolls one step per move.
TEST_F(EditTest, PasteLandsAtTheVisibleTopLeftAndADragOutsideScrolls) {
  frmImgClntForm* w = open({{3000, 2500, kRed}});
  QWidget* view = w->ixMain;
  w->ixMain->setScrollPosX(300);
  w->ixMain->setScrollPosY(200);
  ASSERT_EQ(w->ixMain->ScrollPosX(), 300);
  putPng(solid(20, 10, Qt::blue));
  ws::mnuEditPaste_Click(*w);
  EXPECT_EQ(w->ixMain->AreaLeft(), 300);
  EXPECT_EQ(w->ixMain->AreaTop(), 200);
  EXPECT_EQ(pixel(w->ixMain, 305, 205), kRed);
  hover(view, {5, 5});
  press(view, {5, 5});
  const int step = w->ixMain->ScrollStepX();
  moveHeld(view, {view->width() + 10, 20});
  EXPECT_EQ(w->ixMain->ScrollPosX(), 300 + step);
  moveHeld(view, {view->width() + 10, 20});
  EXPECT_EQ(w->ixMain->ScrollPosX(), 300 + 2 * step);
  release(view, {40, 20});
  hover(view, {view->width() - 5, view->height() - 5});
  click(view, {view->width() - 5, view->height() - 5});
  EXPECT_EQ(pixel(w->ixMain, 300 + 2 * step + 35, 200 + 15), kBlue);
}

// Under a real X server, with another program (xclip) on the other side of the clipboard: a
// picture copied here is read there as a PNG, and a PNG put there pastes here as a floating area.
TEST_F(EditTest, PicturesCrossTheSystemClipboardBothWays) {
  const QString xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
  if (QGuiApplication::platformName() != QLatin1String("xcb") || xclip.isEmpty())
    GTEST_SKIP() << "needs an X server (QT_QPA_PLATFORM=xcb) and xclip";
  frmImgClntForm* w = open({{100, 80, kRed}});
  w->selectMode(ws::MouseMode::Rect);
  drag(w->ixMain, {10, 10}, {30, 20});
  ws::mnuEditCopy_Click(*w);
  QProcess out;
  out.start(xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-o")});
  // The program answers the other program's request from its event loop.
  QElapsedTimer t;
  t.start();
  while (out.state() != QProcess::NotRunning && t.elapsed() < 10000) {
    QCoreApplication::processEvents();
    out.waitForFinished(20);
  }
  const QImage theirs = QImage::fromData(out.readAllStandardOutput(), "PNG");
  ASSERT_EQ(theirs.size(), QSize(20, 10));
  EXPECT_EQ(QColor(theirs.pixel(3, 3)), QColor(Qt::red));

  const QString png = dir.file(QStringLiteral("theirs.png"));
  ASSERT_TRUE(solid(30, 12, Qt::blue).save(png));
  QProcess in;
  in.start(xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-i"), png});
  ASSERT_TRUE(in.waitForFinished(10000));  // xclip stays behind, serving the clipboard
  t.restart();
  while (t.elapsed() < 5000 && !QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/png"))) {
    QCoreApplication::processEvents();
    QThread::msleep(20);
  }
  ws::mnuEdit_Click(*w);
  ASSERT_TRUE(enabled(w->Menu("mnuEditPaste")));
  ws::mnuEditPaste_Click(*w);
  ASSERT_TRUE(w->ixMain->AreaActive());
  hover(w->ixMain, {90, 70});
  click(w->ixMain, {90, 70});
  EXPECT_EQ(pixel(w->ixMain, 25, 8), kBlue);
  EXPECT_EQ(pixel(w->ixMain, 35, 8), kRed);
}

const std::vector<Page> kFivePages = {
    {40, 30, 0x0000FF}, {40, 30, 0x00FF00}, {40, 30, 0xFF0000}, {40, 30, 0x00FFFF}, {40, 30, 0xFF00FF}};

// Draws `count` rectangles on the shown page.
void drawRectangles(frmImgClntForm* w, int count) {
  w->selectMode(ws::MouseMode::Arrow);
  w->nxMain->setCurrentTool(4098);
  for (int i = 0; i < count; ++i) drag(w->ixMain, {2 + 6 * i, 2}, {5 + 6 * i, 8});
  w->nxMain->setCurrentTool(4096);
}

int annotationsOnPage(frmImgClntForm* w, int index) {
  w->ixTmb_Click(static_cast<int16_t>(index));
  return w->nxMain->CurrentLayer() ? w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()) : 0;
}

TEST_F(EditTest, DeletingPagesCompactsThumbnailsCaptionsAndTheStore) {
  frmImgClntForm* w = open(kFivePages);
  ASSERT_TRUE(w->nxMain->EngineAvailable());
  w->ixTmb_Click(2);
  drawRectangles(w, 1);
  w->ixTmb_Click(4);
  drawRectangles(w, 2);
  w->ixTmb_Click(3);
  ws::document().state().pages.select(1, true);  // pages 2 and 4 selected, page 4 current
  clearFlags();
  dialogs.answerMsgBox(rt::vbNo);
  ws::mnuEditDelete_Click(*w);
  EXPECT_EQ(pageCount(), 5);
  EXPECT_FALSE(doc().docModified);

  dialogs.answerMsgBox(rt::vbYes);
  key(w->picChild, Qt::Key_Delete);
  ASSERT_EQ(pageCount(), 3);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Are you sure you want to delete the selected image(s)?"));
  EXPECT_EQ(doc().currentPage, 1);
  EXPECT_TRUE(selected(1));
  EXPECT_FALSE(selected(0));
  EXPECT_TRUE(doc().docModified && doc().pageModified);
  const uint32_t expected[] = {0x0000FF, 0xFF0000, 0xFF00FF};
  const char* captions[] = {"Page 1", "Page 3", "Page 5"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pagePixel(i, 1, 1), expected[i]) << i;
    EXPECT_EQ(caption(i), QLatin1String(captions[i])) << i;
  }
  EXPECT_EQ(pixel(w->ixMain, 1, 1), 0xFF0000u);
  EXPECT_EQ(annotationsOnPage(w, 0), 0);
  EXPECT_EQ(annotationsOnPage(w, 1), 1);
  EXPECT_EQ(annotationsOnPage(w, 2), 2);

  // The last page, current, goes by the thumbnails' right-click menu: the page before it becomes
  // current.
  EXPECT_EQ(doc().currentPage, 2);
  dialogs.answerMsgBox(rt::vbYes);
  w->Menu("mnuPopTmbDelete")->trigger();
  ASSERT_EQ(pageCount(), 2);
  EXPECT_EQ(doc().currentPage, 1);
  EXPECT_EQ(caption(1), QStringLiteral("Page 3"));
  EXPECT_EQ(annotationsOnPage(w, 1), 1);

  // Every page selected: refused with a message, nothing changes and nothing is asked.
  ws::document().state().pages.select(0, true);
  const std::size_t asked = dialogs.calls().size();
  dialogs.answerMsgBox(rt::vbOK);
  ws::mnuEditDelete_Click(*w);
  EXPECT_EQ(pageCount(), 2);
  ASSERT_EQ(dialogs.calls().size(), asked + 1);
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
  EXPECT_EQ(dialogs.calls().back().icon(), rt::vbExclamation);
}

// An edit of the shown page is kept when other pages are deleted around it.
TEST_F(EditTest, DeletingOtherPagesKeepsAnEditOfTheShownPage) {
  frmImgClntForm* w = open(kFivePages);
  w->ixTmb_Click(2);
  w->selectMode(ws::MouseMode::Rect);
  drag(w->ixMain, {0, 0}, {10, 10});
  dialogs.answerMsgBox(rt::vbYes);
  ws::mnuEditDelete_Click(*w);  // erases the selection
  ASSERT_EQ(pixel(w->ixMain, 5, 5), kWhite);
  ws::document().state().pages.select(2, false);
  ws::document().state().pages.select(0, true);
  dialogs.answerMsgBox(rt::vbYes);
  ws::mnuEditDelete_Click(*w);
  ASSERT_EQ(pageCount(), 4);
  EXPECT_EQ(doc().currentPage, 1);
  EXPECT_EQ(pixel(w->ixMain, 5, 5), kWhite);
  EXPECT_EQ(pagePixel(1, 5, 5), kWhite);
}

}  // namespace
