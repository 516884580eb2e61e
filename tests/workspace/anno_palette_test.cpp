// The annotation palette and its attribute menus, and the Annotation menu's commands, driven
// through the main window with the dialogs answered by the scripted service.
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QToolButton>

#include "tests/support/main_window_fixture.h"
#include "tests/support/mouse.h"
#include "workspace/edit_commands.h"
#include "workspace/frm_anno_palette.h"
#include "workspace/palette_menus.h"
#include "workspace/annotation_commands.h"
#include "workspace/view_commands.h"

using namespace mainwindowtest;

namespace {

TEST(PaletteRules, ARightClickHitsTheCellStrictlyInsideItsLines) {
  struct Case {
    int32_t x, y;
    const char* key;
  } cases[] = {
      {100, 100, "arrow"},     {32994, 34524, "arrow"},     {32995, 100, ""},          {33000, 100, "text"},
      {100, 34525, ""},        {100, 34526, "rectangle"},   {40000, 69051, "polyline"}, {100, 138101, "stamp"},
      {40000, 138101, "button"}, {100, 207149, "image"},   {40000, 190000, ""},       {100, 207150, ""},
      {0, 100, ""},            {100, 0, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ws::fnPaletteHit(c.x, c.y), QLatin1String(c.key)) << c.x << "," << c.y;
}

TEST(PaletteRules, ListItemsAndStoredValuesMapBothWays) {
  using L = ws::ListKind;
  struct Case {
    L list;
    int index;
    int32_t value;
  } values[] = {{L::BackStyle, 0, 2}, {L::BackStyle, 2, 3}, {L::HatchStyle, 0, 5999}, {L::HatchStyle, 4, 3},
                {L::TextOrientation, 2, 1800}, {L::PenFillStyle, 2, 7}, {L::Justification, 9, 2}, {L::PenWidth, 7, 7}};
  for (const Case& c : values) EXPECT_EQ(ws::fnListValue(c.list, c.index), c.value) << c.index;
  struct Check {
    L list;
    int32_t value;
    int checked;
  } checks[] = {{L::BackStyle, 0, 2},        {L::PenFillStyle, 13, 0}, {L::PenWidth, 12, -1},       {L::PenWidth, 3, 3},
                {L::TextOrientation, 2700, 3}, {L::HatchStyle, 3, 4},  {L::HatchStyle, 5999, 0}};
  for (const Check& c : checks) EXPECT_EQ(ws::fnListCheckedIndex(c.list, c.value), c.checked) << c.value;
  EXPECT_EQ(ws::fnListCaptions(L::TextOrientation, true).back(), QStringLiteral("2700"));
  EXPECT_EQ(ws::fnListCaptions(L::TextOrientation).back(), QStringLiteral("270"));
  EXPECT_EQ(ws::fnDefaultTextAnswer(QStringLiteral("  Paid  ")), QStringLiteral("Paid "));
  EXPECT_EQ(ws::fnDefaultTextAnswer(QStringLiteral("   ")), QString());
}

void rightClick(QWidget* w) {
  testsupport::clickAt(w, QPoint(w->width() / 2, w->height() / 2), Qt::RightButton);
}

int32_t attribute(frmImgClntForm* w, int32_t tool, int32_t id) {
  int32_t v = 0;
  w->nxMain->GetToolAttribute(tool, id, v);
  return v;
}

class PaletteTest : public MainWindowTest {
 protected:
  frmImgClntForm* openDocument() {
    frmImgClntForm* w = window();
    w->fnOpenImgFile(file(QStringLiteral("doc.tif"), {{200, 150, 0xFFFFFF}, {200, 150, 0xFFFFFF}}, 4));
    EXPECT_TRUE(w->nxMain->EngineAvailable());
    return w;
  }
  void TearDown() override {
    if (frmAnnoPalette.IsLoaded()) frmAnnoPalette.Unload();
    MainWindowTest::TearDown();
  }
};

TEST_F(PaletteTest, ButtonsChooseToolsAndARightClickOpensOnlyThePressedToolsMenu) {
  frmImgClntForm* w = openDocument();
  w->selectMode(ws::MouseMode::Hand);
  ws::mnuAnnPalette_Click(*w);
  ASSERT_TRUE(frmAnnoPalette.IsLoaded());
  frmAnnoPaletteForm* p = frmAnnoPalette.get();
  EXPECT_TRUE(w->Menu("mnuAnnPalette")->isChecked());
  EXPECT_TRUE(p->Button("arrow")->isChecked());
  EXPECT_EQ(w->nxMain->CurrentTool(), 4096);
  for (const QString& key : ws::fnPaletteKeys()) {
    p->Button(key)->click();
    EXPECT_EQ(w->nxMain->CurrentTool(), ws::fnPaletteTool(key)) << key.toStdString();
    EXPECT_TRUE(p->Button(key)->isChecked());
  }
  p->Button("rectangle")->click();
  rightClick(p->Button("ellipse"));  // not pressed: no menu, no tool change
  EXPECT_FALSE(p->PopupMenu("mnuE")->isVisible());
  EXPECT_EQ(w->nxMain->CurrentTool(), 4098);
  rightClick(p->Button("rectangle"));
  EXPECT_TRUE(p->PopupMenu("mnuR")->isVisible());
  p->PopupMenu("mnuR")->hide();
  p->Button("arrow")->click();
  rightClick(p->Button("arrow"));
  for (QMenu* m : p->findChildren<QMenu*>()) EXPECT_FALSE(m->isVisible()) << m->objectName().toStdString();

  // A page change presses the pointer that the refresh sets.
  p->Button("line")->click();
  w->ixTmb_Click(1);
  EXPECT_TRUE(p->Button("arrow")->isChecked());

  // The rectangle mode closes the palette and leaves no tool.
  w->selectMode(ws::MouseMode::Rect);
  EXPECT_FALSE(frmAnnoPalette.IsLoaded());
  EXPECT_FALSE(w->Menu("mnuAnnPalette")->isChecked());
  EXPECT_EQ(w->nxMain->CurrentTool(), 0);
  // Show Palette twice: closed again, the hand pressed, no tool.
  ws::mnuAnnPalette_Click(*w);
  ws::mnuAnnPalette_Click(*w);
  EXPECT_FALSE(frmAnnoPalette.IsLoaded());
  EXPECT_TRUE(w->Button(w->tbrMode, "selhand")->isChecked());
  EXPECT_EQ(w->nxMain->CurrentTool(), 0);
}

TEST_F(PaletteTest, EveryKindOfMenuItemChangesTheToolsAttribute) {
  frmImgClntForm* w = openDocument();
  ws::mnuAnnPalette_Click(*w);
  frmAnnoPaletteForm* p = frmAnnoPalette.get();

  // Lists: the chosen item is stored by its value and alone checked at the next opening.
  p->MenuItem("mnuRHS(4)")->trigger();
  EXPECT_EQ(attribute(w, 4098, 38), 3);
  w->nxMain->SetToolAttribute(4105, 38, 0);
  p->fnSyncToolMenu("rectangle");
  for (int i = 0; i < 7; ++i) EXPECT_EQ(p->MenuItem(QStringLiteral("mnuRHS(%1)").arg(i))->isChecked(), i == 4) << i;
  EXPECT_FALSE(p->MenuItem("mnuIHS(1)")->isChecked());  // the image menu is not synced by the rectangle's
  p->MenuItem("mnuTTO(2)")->trigger();
  EXPECT_EQ(attribute(w, 4097, 28), 1800);
  w->nxMain->SetToolAttribute(4097, 28, 2700);
  p->fnSyncToolMenu("text");
  EXPECT_TRUE(p->MenuItem("mnuTTO(3)")->isChecked());
  p->MenuItem("mnuLPW(6)")->trigger();
  EXPECT_EQ(attribute(w, 4102, 5), 6);
  p->MenuItem("mnuFHPFS(1)")->trigger();
  EXPECT_EQ(attribute(w, 4103, 27), 9);

  // Colours: the dialog starts from the current colour; a cancel changes nothing and says nothing.
  w->nxMain->SetToolAttribute(4098, 1, 0x0000FF);
  uint32_t offered = 0;
  dialogs.answerDialog(rt::DialogKind::Color, [&](rt::DialogRequest& r) {
    offered = r.color;
    r.color = 0x123456;
    return true;
  });
  p->MenuItem("mnuRPenColor")->trigger();
  EXPECT_EQ(offered, 0x0000FFu);
  EXPECT_EQ(attribute(w, 4098, 1), 0x123456);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Select Pen Color"));
  dialogs.cancelDialog(rt::DialogKind::Color);
  p->MenuItem("mnuBBvlShadowColor")->trigger();
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Select Bevel Shadow Color"));
  EXPECT_EQ(dialogs.calls().back().kind, testsupport::RecordedCall::Dialog);

  // Fonts.
  dialogs.answerDialog(rt::DialogKind::Font, [](rt::DialogRequest& r) {
    r.fontBold = true;
    r.fontSize = 20;
    r.fontUnderline = true;
    return true;
  });
  p->MenuItem("mnuSFont")->trigger();
  EXPECT_TRUE(w->nxMain->StampFont().bold());
  EXPECT_TRUE(w->nxMain->StampFont().underline());
  EXPECT_EQ(w->nxMain->StampFont().pointSizeF(), 20.0);

  // Default texts: trimmed with one blank after; a blank answer changes nothing.
  dialogs.answerInput(QStringLiteral("  Paid  "));
  p->MenuItem("mnuSText")->trigger();
  EXPECT_EQ(w->nxMain->StampDefaultText(), QStringLiteral("Paid "));
  dialogs.answerInput(QStringLiteral("   "));
  p->MenuItem("mnuBText")->trigger();
  const QString button = w->nxMain->ButtonDefaultText();
  dialogs.answerInput(QStringLiteral("Go"));
  p->MenuItem("mnuBText")->trigger();
  EXPECT_EQ(w->nxMain->ButtonDefaultText(), QStringLiteral("Go "));
  EXPECT_NE(button, QStringLiteral("   "));

  // The picture: a readable file is taken; an unreadable one is reported.
  const std::size_t before = dialogs.calls().size();
  dialogs.answerFile(rt::DialogKind::Open, file(QStringLiteral("pic.png"), {{8, 8, 0x00FF00}}, 10));
  p->MenuItem("mnuIImage")->trigger();
  ASSERT_EQ(dialogs.calls().size(), before + 1);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Select Image"));
  dialogs.answerFile(rt::DialogKind::Open, dir.file(QStringLiteral("missing.png")));
  dialogs.answerMsgBox(rt::vbOK);
  p->MenuItem("mnuIImage")->trigger();
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
}

TEST_F(PaletteTest, SitsInsideThePageViewModelessAndGoesWithTheDocument) {
  frmImgClntForm* w = openDocument();
  w->show();
  ws::mnuAnnPalette_Click(*w);
  frmAnnoPaletteForm* p = frmAnnoPalette.get();
  EXPECT_FALSE(p->IsModalShowing());
  EXPECT_EQ(p->parentWidget(), w);
  const QPoint corner = w->ixMain->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(p->pos(), corner + QPoint(qRound(150 / rt::Screen::TwipsPerPixelX()), qRound(150 / rt::Screen::TwipsPerPixelY())));
  p->Button("ellipse")->click();
  bool closed = false;
  w->fnCloseFile(true, closed);
  ASSERT_TRUE(closed);
  EXPECT_FALSE(frmAnnoPalette.IsLoaded());
  EXPECT_FALSE(w->Menu("mnuAnnPalette")->isChecked());
  EXPECT_EQ(w->nxMain->CurrentTool(), 4096);
}

void drawRectangles(frmImgClntForm* w, int count) {
  w->selectMode(ws::MouseMode::Arrow);
  w->nxMain->setCurrentTool(4098);
  for (int i = 0; i < count; ++i) drag(w->ixMain, {10 + 30 * i, 10}, {30 + 30 * i, 40});
  w->nxMain->setCurrentTool(4096);
}

int objects(frmImgClntForm* w) { return w->nxMain->CurrentLayer() ? w->nxMain->LayerObjectCount(w->nxMain->CurrentLayer()) : 0; }

TEST_F(PaletteTest, SelectAllAndDeleteAskFirst) {
  frmImgClntForm* w = openDocument();
  ws::mnuAnn_Click(*w);
  EXPECT_FALSE(w->Menu("mnuAnnSelectAll")->isEnabled());
  drawRectangles(w, 2);
  ws::mnuAnn_Click(*w);
  EXPECT_TRUE(w->Menu("mnuAnnSelectAll")->isEnabled() && w->Menu("mnuAnnBurnIn")->isEnabled());
  ws::mnuAnnSelectAll_Click(*w);
  ASSERT_TRUE(w->nxMain->HasSelection());
  doc().docModified = doc().pageModified = false;
  dialogs.answerMsgBox(rt::vbNo);
  ws::mnuEditDelete_Click(*w);
  EXPECT_EQ(objects(w), 2);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Are you sure you want to delete the selected annotation(s)?"));
  dialogs.answerMsgBox(rt::vbYes);
  ws::mnuEditDelete_Click(*w);
  EXPECT_EQ(objects(w), 0);
  EXPECT_TRUE(doc().docModified && doc().pageModified);
  EXPECT_EQ(pageCount(), 2);  // the annotations won over the pages
}

TEST_F(PaletteTest, BurnInMarksThePageAndTheSavedFileHasNoLayer) {
  frmImgClntForm* w = openDocument();
  const QString path = doc().path;
  drawRectangles(w, 1);
  doc().docModified = doc().pageModified = false;
  dialogs.answerMsgBox(rt::vbNo);
  ws::mnuAnnBurnIn_Click(*w);
  EXPECT_EQ(objects(w), 1);
  EXPECT_FALSE(doc().docModified);
  dialogs.answerMsgBox(rt::vbYes);
  ws::mnuAnnBurnIn_Click(*w);
  EXPECT_EQ(objects(w), 0);
  EXPECT_TRUE(doc().docModified && doc().pageModified);
  const QRgb edge = w->ixMain->bitmap().pixel(10, 25);
  EXPECT_NE(edge, qRgb(255, 255, 255));
  // A page switch keeps the burned-in page.
  w->ixTmb_Click(1);
  w->ixTmb_Click(0);
  EXPECT_EQ(w->ixMain->bitmap().pixel(10, 25), edge);
  ASSERT_TRUE(w->mnuFileSave_Click());
  bool closed = false;
  w->fnCloseFile(false, closed);
  ASSERT_TRUE(closed);
  w->fnOpenImgFile(path);
  EXPECT_EQ(objects(w), 0);
  EXPECT_EQ(w->ixMain->bitmap().pixel(10, 25), edge);
}

}  // namespace

namespace {

// Pictures for the documentation, taken under a real X server when LUMIVEX_SCREENSHOTS names a
// folder: the palette with the rectangle's attribute menu open, and a pasted picture floating over
// the page.
class PageViewScreenshots : public PaletteTest {
 protected:
  void SetUp() override {
    if (!qEnvironmentVariableIsSet("LUMIVEX_SCREENSHOTS")) GTEST_SKIP() << "LUMIVEX_SCREENSHOTS is not set";
    PaletteTest::SetUp();
  }
  static void settle() {
    for (int i = 0; i < 20; ++i) {
      QCoreApplication::processEvents();
      QThread::msleep(25);
    }
  }
  static void saveScreen(const QRect& area, const char* name) {
    settle();
    const QString path = QDir(qEnvironmentVariable("LUMIVEX_SCREENSHOTS")).filePath(QString::fromLatin1(name));
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
  }
  frmImgClntForm* openPicture() {
    QImage picture(900, 700, QImage::Format_RGB32);
    QPainter p(&picture);
    QLinearGradient g(0, 0, 900, 700);
    g.setColorAt(0, QColor(0xf4, 0xf1, 0xe8));
    g.setColorAt(1, QColor(0xc9, 0xd6, 0xe3));
    p.fillRect(picture.rect(), g);
    p.setPen(QColor(0x33, 0x33, 0x55));
    QFont f = p.font();
    f.setPixelSize(28);
    p.setFont(f);
    p.drawText(QRect(60, 60, 780, 60), Qt::AlignLeft, QStringLiteral("Invoice 2026-1187"));
    f.setPixelSize(16);
    p.setFont(f);
    for (int i = 0; i < 14; ++i) p.drawText(60, 170 + 30 * i, QStringLiteral("Item %1 ............................................ %2.00").arg(i + 1).arg(17 * (i + 3)));
    p.end();
    const QString path = dir.file(QStringLiteral("invoice.png"));
    picture.save(path);
    frmImgClntForm* w = window();
    w->setGeometry(40, 40, 1100, 800);
    w->fnOpenImgFile(path);
    ws::mnuZoomTo<100>(*w);
    return w;
  }
};

TEST_F(PageViewScreenshots, PaletteWithAnAttributeMenuAndAFloatingArea) {
  frmImgClntForm* w = openPicture();
  ws::mnuAnnPalette_Click(*w);
  frmAnnoPaletteForm* p = frmAnnoPalette.get();
  p->Button("rectangle")->click();
  settle();
  p->fnSyncToolMenu("rectangle");
  QMenu* menu = p->PopupMenu("mnuR");
  menu->popup(p->mapToGlobal(QPoint(p->width() + 4, p->Button("rectangle")->y())));
  settle();
  QMenu* hatch = p->PopupMenu("mnuRHatchStyle");
  menu->setActiveAction(hatch->menuAction());
  hatch->popup(menu->mapToGlobal(QPoint(menu->width(), menu->actionGeometry(hatch->menuAction()).top())));
  settle();
  const QRect around = w->ixMain->geometry().translated(w->ixMain->mapToGlobal(QPoint(0, 0)) - w->ixMain->pos());
  saveScreen(QRect(around.topLeft(), QSize(620, 420)), "annotation-palette.png");
  hatch->hide();
  menu->hide();
  ws::mnuAnnPalette_Click(*w);

  QImage stamp(220, 90, QImage::Format_RGB32);
  stamp.fill(QColor(0xb0, 0x20, 0x20));
  QPainter sp(&stamp);
  sp.setPen(Qt::white);
  QFont f = sp.font();
  f.setPixelSize(30);
  f.setBold(true);
  sp.setFont(f);
  sp.drawText(stamp.rect(), Qt::AlignCenter, QStringLiteral("PAID"));
  sp.end();
  QGuiApplication::clipboard()->setImage(stamp);
  w->selectMode(ws::MouseMode::Rect);
  ws::mnuEditPaste_Click(*w);
  QWidget* view = w->ixMain;
  auto send = [view](QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons bs) {
    testsupport::sendMouse(view, type, at, b, bs);
  };
  send(QEvent::MouseMove, {20, 20}, Qt::NoButton, Qt::NoButton);
  send(QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, {330, 120}, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, {330, 120}, Qt::LeftButton, Qt::NoButton);
  saveScreen(w->frameGeometry(), "floating-area.png");
}

}  // namespace
