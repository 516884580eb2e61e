// The main window's menus and toolbars are built from the command table: every row appears in its
// place with its caption and shortcut, and a toolbar button runs what its menu item runs.
#include "tests/support/desktop_programs.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/command_table.h"
#include "workspace/settings/frm_img_prop.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>
#include <set>

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

// Every item of a menu, sub-menus included, has one underlined letter (a mnemonic) that no other
// item of the same menu has, so Alt and two letters reach any of them; the menu bar's titles too.
TEST(CommandTable, EveryMenuItemHasALetterOfItsOwnInItsMenu) {
  std::map<QString, std::map<QChar, QString>> letters;  // menu -> letter -> item
  for (const ws::MenuRow& r : ws::menuRows()) {
    const QString name = QString::fromLatin1(r.name);
    if (name == QLatin1String("-") || (r.flags & ws::kPopup)) continue;
    SCOPED_TRACE(r.name);
    const QString caption = QString::fromLatin1(r.caption);
    const qsizetype at = caption.indexOf(QLatin1Char('&'));
    ASSERT_GE(at, 0) << "no underlined letter";
    ASSERT_LT(at + 1, caption.size());
    const QChar letter = caption[at + 1].toLower();
    EXPECT_TRUE(letter.isLetterOrNumber());
    EXPECT_EQ(caption.indexOf(QLatin1Char('&'), at + 1), -1) << "one letter only";
    auto& menu = letters[QString::fromLatin1(r.parent)];
    EXPECT_FALSE(menu.count(letter)) << "shares '" << QString(letter).toStdString() << "' with "
                                     << menu[letter].toStdString();
    menu.emplace(letter, name);
  }
}

// The menu keys: those the menus have always had (Ctrl+O zooms out, Ctrl+P zooms to the page), and
// the desktop's common ones where those left them free. No key runs two items.
TEST(CommandTable, MenuKeysAreTheMenusOwnAndTheCommonOnesWhereFree) {
  const std::map<QString, QString> keys = {
      {"Ctrl+N", "mnuFileNew"},        {"Ctrl+S", "mnuFileSave"},        {"Ctrl+Shift+S", "mnuFileSaveAs"},
      {"Ctrl+Q", "mnuFileExit"},       {"Ctrl+Z", "mnuEditUndo"},        {"Ctrl+C", "mnuEditCopy"},
      {"Ctrl+X", "mnuEditCut"},        {"Ctrl+V", "mnuEditPaste"},       {"Del", "mnuEditDelete"},
      {"Ctrl+I", "mnuZoomIn"},         {"Ctrl+O", "mnuZoomOut"},         {"Ctrl+P", "mnuZoomPage"},
      {"Ctrl+W", "mnuZoomWidth"},      {"Ctrl+H", "mnuZoomHeight"},      {"Ctrl+A", "mnuAnnSelectAll"},
      {"Ctrl+F", "mnuToolsFlip"},      {"Ctrl+M", "mnuToolsMirror"},     {"Ctrl+L", "mnuToolsLeft"},
      {"Ctrl+R", "mnuToolsRight"},     {"F1", "mnuHelpContents"},
  };
  std::map<QString, QString> got;
  for (const ws::MenuRow& r : ws::menuRows()) {
    if (!*r.shortcut) continue;
    const QString key = QKeySequence(QString::fromLatin1(r.shortcut)).toString();
    EXPECT_FALSE(got.count(key)) << r.shortcut << " runs " << got[key].toStdString() << " too";
    got[key] = QString::fromLatin1(r.name);
  }
  std::map<QString, QString> want;
  for (const auto& [key, item] : keys) want[QKeySequence(key).toString()] = item;
  EXPECT_EQ(got, want);
}

// The keys added for the desktop's habits, typed on the window as the window system delivers them,
// run their items' commands; Ctrl+O still zooms out rather than opening a file.
TEST_F(MainWindowTest, TheCommonKeysRunTheirCommands) {
  // No browser and no xdg-open: Help > Contents can only say where its guide is.
  const testsupport::OnlyTheseDesktopPrograms programs(dir.file(QStringLiteral("bin")));
  QStringList opened;
  ws::registerWindow(QStringLiteral("frmImgNew"), [&](const QStringList&) { opened << QStringLiteral("frmImgNew"); });
  frmImgClntForm* w = window();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  const QString bmp = file(QStringLiteral("keys.bmp"), {{400, 300, 0x0000FF}}, 5);
  auto type = [w](Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(w->windowHandle(), key, modifiers);
    QCoreApplication::processEvents();
  };
  struct Case {
    const char* keys;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::function<void()> before;
    std::function<void()> check;
  } cases[] = {
      {"Ctrl+O zooms out", Qt::Key_O, Qt::ControlModifier, [] {},
       [w] { EXPECT_FLOAT_EQ(w->ixMain->ZoomFactor(), 0.9f); }},
      {"Ctrl+S saves", Qt::Key_S, Qt::ControlModifier, [] { doc().docModified = true; },
       [&] {
         EXPECT_FALSE(doc().docModified);
         EXPECT_TRUE(samePages(readImage(bmp), {{400, 300, 0x0000FF}}));
       }},
      {"Ctrl+Shift+S asks for a name", Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier,
       [&] { dialogs.cancelDialog(rt::DialogKind::Save); },
       [&] {
         ASSERT_FALSE(dialogs.calls().empty());
         EXPECT_EQ(dialogs.calls().back().kind, RecordedCall::Dialog);
         EXPECT_EQ(dialogs.calls().back().dialogKind, rt::DialogKind::Save);
       }},
      {"F1 shows the guide", Qt::Key_F1, Qt::NoModifier, [&] { dialogs.answerMsgBox(rt::vbOK); },
       [&] {
         ASSERT_FALSE(dialogs.calls().empty());
         EXPECT_TRUE(dialogs.calls().back().text.startsWith(QStringLiteral("No browser could show the guide")));
       }},
      {"Ctrl+N asks for a new image", Qt::Key_N, Qt::ControlModifier, [] {},
       [&] { EXPECT_EQ(opened, QStringList{QStringLiteral("frmImgNew")}); }},
      {"Ctrl+Q ends the program", Qt::Key_Q, Qt::ControlModifier, [] {}, [] { EXPECT_FALSE(frmImgClnt.IsLoaded()); }},
  };
  w->fnOpenImgFile(bmp);
  w->ixMain->SetZoom(1.0f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    c.before();
    type(c.key, c.modifiers);
    c.check();
  }
}

}  // namespace
