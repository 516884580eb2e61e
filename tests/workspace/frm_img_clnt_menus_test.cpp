// The main window's menus and toolbars are built from the command table: every row appears in its
// place with its caption and shortcut, and a toolbar button runs what its menu item runs.
#include "tests/support/main_window_fixture.h"
#include "workspace/command_table.h"
#include "workspace/settings/frm_img_prop.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace {

using namespace mainwindowtest;

TEST_F(MainWindowTest, MenusAndToolbarsFollowTheCommandTable) {
  frmImgClntForm* w = window();
  // Each menu lists its rows in order; separators stand where the rows put them.
  std::map<QString, QStringList> want;
  for (const ws::MenuRow& r : ws::menuRows()) {
    if (!*r.parent) continue;
    want[QString::fromLatin1(r.parent)] << QString::fromLatin1(r.name);
  }
  for (const auto& [menu, names] : want) {
    QAction* m = w->Menu(menu);
    ASSERT_TRUE(m && m->menu()) << menu.toStdString();
    QStringList got;
    for (QAction* a : m->menu()->actions()) {
      if (a->isSeparator()) got << QStringLiteral("-");
      else got << (a->menu() ? a->menu()->objectName() : a->objectName());
    }
    EXPECT_EQ(got, names) << menu.toStdString();
  }
  for (const ws::MenuRow& r : ws::menuRows()) {
    if (QLatin1String(r.name) == QLatin1String("-") || (r.flags & ws::kMenu)) continue;
    QAction* a = w->Menu(QString::fromLatin1(r.name));
    ASSERT_TRUE(a) << r.name;
    EXPECT_EQ(a->text(), QString::fromLatin1(r.caption)) << r.name;
    EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(r.shortcut))) << r.name;
  }
  // The menu bar holds the top-level menus in order; the thumbnails' popup is not among them.
  QStringList bar;
  for (QAction* a : w->menuBar->actions()) bar << a->menu()->objectName();
  EXPECT_EQ(bar, (QStringList{"mnuFile", "mnuScanner", "mnuEdit", "mnuView", "mnuZoom", "mnuAnn", "mnuTools", "mnuArchive",
                              "mnuHelp"}));
  for (const ws::ButtonRow& b : ws::buttonRows()) {
    QAction* a = w->Button(w->Toolbar(QString::fromLatin1(b.bar)), QString::fromLatin1(b.key));
    ASSERT_TRUE(a) << b.key;
    EXPECT_EQ(a->toolTip(), QString::fromLatin1(b.tip)) << b.key;
  }
}

// The image bar's "next" and "previous" buttons run Next Page and Previous Page of the View menu;
// checkable items and mode buttons keep their marks as their commands set them.
TEST_F(MainWindowTest, ToolbarButtonsRunTheirMenuItemsCommand) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("three.tif"), kThreePages, 4));
  w->Button(w->tbrImage, "next")->trigger();
  EXPECT_EQ(doc().currentPage, 1);
  w->Menu("mnuViewNext")->trigger();
  EXPECT_EQ(doc().currentPage, 2);
  w->Button(w->tbrImage, "previous")->trigger();
  EXPECT_EQ(doc().currentPage, 1);
  // A mode button presses itself alone; Page Only checks its item alone.
  w->Button(w->tbrMode, "selrect")->trigger();
  EXPECT_TRUE(w->Button(w->tbrMode, "selrect")->isChecked());
  EXPECT_FALSE(w->Button(w->tbrMode, "selhand")->isChecked());
  w->Menu("mnuViewPageOnly")->trigger();
  EXPECT_TRUE(w->Menu("mnuViewPageOnly")->isChecked());
  EXPECT_FALSE(w->Menu("mnuViewPageThumbs")->isChecked());
  w->Menu("mnuViewPageOnly")->trigger();
  EXPECT_TRUE(w->Menu("mnuViewPageOnly")->isChecked());
  // The TWAIN Interface item flips its check mark with each choice.
  QAction* ui = w->Menu("mnuScanUI");
  ui->setEnabled(true);
  ui->trigger();
  EXPECT_TRUE(ui->isChecked());
  ui->trigger();
  EXPECT_FALSE(ui->isChecked());
}

// The thumbnails' right-click menu works on the page clicked: Copy puts that page on the clipboard,
// Properties shows its facts, Delete deletes it as Edit > Delete does.
TEST_F(MainWindowTest, TheThumbnailsMenuWorksOnThePageClicked) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("three.tif"), kThreePages, 4));
  clickThumb(w, 1, Qt::RightButton);
  w->mnuPopTmb->close();
  ASSERT_EQ(doc().popupPage, 1);
  EXPECT_EQ(doc().currentPage, 1);

  w->Menu("mnuPopTmbCopy")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(40, 25));

  QString shownWidth;
  QTimer::singleShot(0, [&] {
    shownWidth = frmImgProp->lblImgWidth->text();
    frmImgProp->cmdOK->click();
  });
  w->Menu("mnuPopTmbProperties")->trigger();
  EXPECT_EQ(shownWidth, QStringLiteral("40 pixels"));
  EXPECT_FALSE(frmImgProp.IsLoaded());

  dialogs.answerMsgBox(rt::vbYes);
  w->Menu("mnuPopTmbDelete")->trigger();
  ASSERT_EQ(pageCount(), 2);
  EXPECT_EQ(pageWidth(0), 30);
  EXPECT_EQ(pageWidth(1), 50);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Are you sure you want to delete the selected image(s)?"));
}

}  // namespace
