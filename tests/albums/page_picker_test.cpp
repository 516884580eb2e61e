// The page picker: the pages of a second file picked in any order and appended to or inserted into
// the open document, which is saved and opened again with its pages and annotations in place.
#include "albums/frm_mag_window.h"
#include "albums/frm_sel_image.h"
#include "albums/register_windows.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/mouse.h"
#include "tests/support/pictures.h"
#include "workspace/edit_commands.h"
#include "workspace/view_commands.h"

#include <QPushButton>
#include <QScrollBar>

using namespace mainwindowtest;

namespace {

constexpr uint32_t A = 0x202020, B = 0x404040, C = 0x606060;
const std::vector<Page> kDoc = {
    {40, 30, 0x0000FF}, {40, 30, 0x00FF00}, {40, 30, 0xFF0000}, {40, 30, 0x00FFFF}, {40, 30, 0xFF00FF}};

using testsupport::bgr;
uint32_t colour(img::ImagingControl* ix) { return bgr(ix->bitmap().pixel(20, 20)); }
uint32_t colour(int page) { return bgr(pages().picture(page).pixel(20, 20)); }

class PagePickerTest : public MainWindowTest {
 protected:
  void TearDown() override {
    if (frmSelImage.IsLoaded()) frmSelImage.Unload();
    MainWindowTest::TearDown();
  }
  frmSelImageForm* picker(const QString& source) {
    gstrAppendFile = source;
    frmSelImageForm* p = frmSelImage.get();
    EXPECT_TRUE(p->fraSelImage->waitUntilLoaded());
    return p;
  }
  void drawRectangles(frmImgClntForm* w, int page, int count) {
    w->ixTmb_Click(static_cast<int16_t>(page));
    w->selectMode(ws::MouseMode::Arrow);
    w->nxMain->setCurrentTool(4098);
    for (int i = 0; i < count; ++i) drag(w->ixMain, {2 + 6 * i, 2}, {5 + 6 * i, 8});
    w->nxMain->setCurrentTool(4096);
  }
  int annotations(frmImgClntForm* w, int page) {
    w->ixTmb_Click(static_cast<int16_t>(page));
    return w->nxMain->CurrentLayer() ? w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()) : 0;
  }
};

TEST_F(PagePickerTest, PickedPagesAreInsertedAndAppendedInFileOrderAndSurviveASave) {
  const QString docPath = file(QStringLiteral("doc.tif"), kDoc, 4);
  const QString source = file(QStringLiteral("source.tif"), {{40, 30, A}, {40, 30, B}, {40, 30, C}}, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(docPath);
  ASSERT_TRUE(w->nxMain->EngineAvailable());
  drawRectangles(w, 1, 1);
  drawRectangles(w, 4, 2);
  w->ixTmb_Click(1);
  doc().docModified = doc().pageModified = false;

  frmSelImageForm* p = picker(source);
  ASSERT_EQ(p->fraSelImage->cellCount(), 3);
  EXPECT_EQ(p->Caption(), QStringLiteral("   Select Image(s)"));
  EXPECT_EQ(p->fraSelImage->lblTmb(0)->text(), QStringLiteral("Page 1"));
  EXPECT_EQ(p->fraSelImage->lblTmb(2)->text(), QStringLiteral("Page  3"));
  EXPECT_FALSE(p->cmdAppend->isEnabled());
  p->ixTmb_Click(2);
  p->ixTmb_Click(0);
  p->ixTmb_Click(1);
  p->ixTmb_Click(1);  // picked and dropped again
  EXPECT_TRUE(p->cmdInsert->isEnabled());
  p->cmdInsert_Click();
  EXPECT_FALSE(frmSelImage.IsLoaded());
  ASSERT_EQ(pageCount(), 7);
  EXPECT_EQ(doc().currentPage, 2);
  EXPECT_TRUE(selected(2));
  EXPECT_TRUE(doc().docModified && doc().pageModified);
  const uint32_t afterInsert[] = {0x0000FF, 0x00FF00, A, C, 0xFF0000, 0x00FFFF, 0xFF00FF};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(colour(i), afterInsert[i]) << i;
    EXPECT_EQ(caption(i), QStringLiteral("Page %1").arg(i + 1)) << i;
  }
  EXPECT_EQ(colour(w->ixMain), A);

  p = picker(source);
  p->ixTmb_Click(1);
  p->cmdAppend_Click();
  ASSERT_EQ(pageCount(), 8);
  EXPECT_EQ(doc().currentPage, 7);
  EXPECT_EQ(colour(7), B);

  ASSERT_TRUE(w->mnuFileSave_Click());
  bool closed = false;
  w->fnCloseFile(false, closed);
  ASSERT_TRUE(closed);
  w->fnOpenImgFile(docPath);
  const std::vector<Page> pages = readImage(docPath);
  ASSERT_EQ(pages.size(), 8u);
  const uint32_t saved[] = {0x0000FF, 0x00FF00, A, C, 0xFF0000, 0x00FFFF, 0xFF00FF, B};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(pages[static_cast<std::size_t>(i)].colour, saved[i]) << i;
  const int expected[] = {0, 1, 0, 0, 0, 0, 2, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(annotations(w, i), expected[i]) << i;
}

TEST_F(PagePickerTest, SelectAllDeselectAllAndCancelLeaveTheDocumentAlone) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("doc.tif"), kDoc, 4));
  doc().docModified = false;
  frmSelImageForm* p = picker(file(QStringLiteral("one.png"), {{40, 30, A}}, 10));
  ASSERT_EQ(p->fraSelImage->cellCount(), 1);
  EXPECT_EQ(p->fraSelImage->lblTmb(0)->text(), QStringLiteral("Page 1"));
  p->cmdSelectAll_Click();
  EXPECT_TRUE(p->cmdAppend->isEnabled() && p->cmdInsert->isEnabled());
  p->cmdDeselectAll_Click();
  EXPECT_FALSE(p->cmdAppend->isEnabled() || p->cmdInsert->isEnabled());
  p->cmdSelectAll_Click();
  p->cmdCancel_Click();
  EXPECT_EQ(pageCount(), 5);
  EXPECT_FALSE(doc().docModified);
  EXPECT_EQ(doc().currentPage, 0);
}

TEST_F(PagePickerTest, AnUnreadableFileIsReportedWithAnEmptyGrid) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("doc.tif"), kDoc, 4));
  const QString bad = dir.file(QStringLiteral("bad.tif"));
  QFile f(bad);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("not a picture");
  f.close();
  dialogs.answerMsgBox(rt::vbOK);
  frmSelImageForm* p = picker(bad);
  EXPECT_EQ(p->fraSelImage->cellCount(), 0);
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].title, QStringLiteral("Error"));
  EXPECT_FALSE(p->cmdAppend->isEnabled());
}

// Edit > Append and Edit > Insert ask for the source file and hand it to the picker; a cancel
// shows no picker.
TEST_F(PagePickerTest, AppendAndInsertAskForTheSourceFileFirst) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("doc.tif"), kDoc, 4));
  QStringList seen;
  ws::registerWindow(QStringLiteral("frmSelImage"), [&](const QStringList&) { seen << gstrAppendFile; });
  dialogs.answerFile(rt::DialogKind::Open, QStringLiteral("/data/a.tif"));
  ws::mnuEditAppend_Click(*w);
  dialogs.answerFile(rt::DialogKind::Open, QStringLiteral("/data/b.tif"));
  ws::mnuEditInsert_Click(*w);
  dialogs.cancelDialog(rt::DialogKind::Open);
  ws::mnuEditInsert_Click(*w);
  EXPECT_EQ(seen, (QStringList{QStringLiteral("/data/a.tif"), QStringLiteral("/data/b.tif")}));
  EXPECT_TRUE(gstrAppendFile.isEmpty());
  ASSERT_EQ(dialogs.calls().size(), 3u);
  EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("Select Source File"));
  // The registered picker is the real one.
  ws::clearWindowOpeners();
  registerAlbumWindows();
  EXPECT_TRUE(ws::isWindowRegistered(QStringLiteral("frmSelImage")));
}

}  // namespace

namespace {

using MagnifierTest = PagePickerTest;

void mouseOn(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
  testsupport::sendMouse(w, type, p, button, buttons);
}

// A press in the magnify mode opens the magnifier, each move takes it along centred on the
// pointer, showing the picture around it five times larger; the release closes it.
TEST_F(MagnifierTest, FollowsThePointerWhileTheButtonIsHeld) {
  registerAlbumWindows();
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("doc.tif"), {{400, 300, 0x00FF00}}, 4));
  ws::mnuZoomTo<100>(*w);
  w->selectMode(ws::MouseMode::Magnify);
  EXPECT_EQ(w->ixMain->MousePointer(), 30);
  EXPECT_EQ(w->ixMain->cursor().shape(), Qt::BitmapCursor);  // the program's own magnifier
  QWidget* view = w->ixMain;
  mouseOn(view, QEvent::MouseButtonPress, {100, 80}, Qt::LeftButton, Qt::LeftButton);
  ASSERT_TRUE(frmMagWindow.IsLoaded());
  frmMagWindowForm* m = frmMagWindow.get();
  EXPECT_TRUE(m->isVisible());
  EXPECT_FALSE(m->IsModalShowing());
  EXPECT_TRUE(m->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FLOAT_EQ(m->edtMag->ZoomFactor(), 5.0f);
  EXPECT_EQ(m->edtMag->geometry(), QRect(QPoint(0, 0), m->size()));

  mouseOn(view, QEvent::MouseMove, {120, 90}, Qt::NoButton, Qt::LeftButton);
  const QPoint pointer = view->mapToGlobal(QPoint(120, 90));
  EXPECT_LE(std::abs(m->geometry().center().x() - pointer.x()), 1);
  EXPECT_LE(std::abs(m->geometry().center().y() - pointer.y()), 1);
  // The image pixel under the pointer sits in the middle of the magnified view.
  EXPECT_NEAR(m->edtMag->ViewOffsetX(), 120 - m->width() / 2.0 / 5.0, 1.0);
  EXPECT_NEAR(m->edtMag->ViewOffsetY(), 90 - m->height() / 2.0 / 5.0, 1.0);
  // Only the picture, though it is five times larger than the window: no scroll bar inside.
  // (The control makes its scroll bars only when it shows one.)
  for (QScrollBar* bar : m->edtMag->findChildren<QScrollBar*>()) EXPECT_FALSE(bar->isVisible());

  mouseOn(view, QEvent::MouseButtonRelease, {120, 90}, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(frmMagWindow.IsLoaded());
}

TEST_F(MagnifierTest, NewCropMovesWithoutChangingTheViewAndAReleaseOverItClosesIt) {
  frmMagWindowForm* m = frmMagWindow.get();
  m->edtMag->CreateBlankImage(400, 300, 24, 0xFFFFFF);
  m->edtMag->SetZoom(5.0f);
  m->Show();
  m->NewCrop(1500, 1500, 10, 12);
  const QPoint first = m->pos();
  m->NewCrop(3000, 4500, 10, 12);
  EXPECT_EQ(m->pos() - first, QPoint(qRound(1500 / rt::Screen::TwipsPerPixelX()), qRound(3000 / rt::Screen::TwipsPerPixelY())));
  EXPECT_EQ(m->edtMag->ViewOffsetX(), 10);
  EXPECT_EQ(m->edtMag->ViewOffsetY(), 12);
  mouseOn(m->edtMag, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(frmMagWindow.IsLoaded());
  // Shown again: a fresh window, its view filling it.
  m = frmMagWindow.get();
  EXPECT_EQ(m->edtMag->geometry(), QRect(QPoint(0, 0), m->size()));
  frmMagWindow.Unload();
}

}  // namespace
