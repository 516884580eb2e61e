// The attribute menu, the palette and its buttons' user menus, driven through the loaded library
// with synthetic clicks on the menus and buttons the engine shows.
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <string>
#include <vector>

#include "engine_host.h"
#include "platform/windows/clipboard.h"
#include "platform/windows/common_dialogs.h"

namespace {

QString plain(QString text) { return text.remove(QLatin1Char('&')); }

// Picks the item at path (captions without '&') from the next popup menu shown; an empty path
// closes the menu without a choice. Records the captions the top level offered.
struct MenuPick {
  QStringList path;
  QStringList offered;
  bool shown = false;

  void Arm() {
    QTimer::singleShot(0, [this] {
      auto* top = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!top) return;
      shown = true;
      for (QAction* a : top->actions()) offered << (a->isSeparator() ? QStringLiteral("-") : plain(a->text()));
      QMenu* at = top;
      for (int i = 0; i < path.size() && at; ++i) {
        QAction* found = nullptr;
        for (QAction* a : at->actions())
          if (plain(a->text()) == path[i]) found = a;
        if (!found) break;
        if (i + 1 < path.size()) at = found->menu();
        else found->trigger();
      }
      top->close();
    });
  }
};

std::vector<std::vector<int32_t>> gEvents;
int32_t onEvent(intptr_t, int32_t code, int32_t param) {
  gEvents.push_back({code, param});
  return 0;
}
std::vector<std::vector<int32_t>> gToolCommands;
int32_t onToolCommand(intptr_t, int32_t tool, int32_t item, int32_t user1, int32_t user2) {
  gToolCommands.push_back({tool, item, user1, user2});
  return 0;
}
std::vector<int32_t> gUserCommands;
int32_t onUserCommand(intptr_t, int32_t command, AnnLayerHandle, int32_t id) {
  gUserCommands.push_back(command);
  gUserCommands.push_back(id);
  return 0;
}

plat::LPARAM at(int32_t x, int32_t y) { return plat::LPARAM((uint32_t(uint16_t(y)) << 16) | uint16_t(x)); }

}  // namespace

class EngineMenusTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine->SetDefaultViewSize(800, 600);
    // Nothing on the clipboard from earlier tests: "Paste" depends on it.
    if (plat::OpenClipboard(nullptr)) {
      plat::EmptyClipboard();
      plat::CloseClipboard();
    }
    layer = engine->CreateLayer(1);
    id = MakeElementFromDesc(engine, layer, TOOL_RECTANGLE, {100, 100, 300, 200});
    gEvents.clear();
    gToolCommands.clear();
    gUserCommands.clear();
    engine->SetHostCallback(HOSTCB_EVENT, annCallback(&onEvent));
  }
  void TearDown() override {
    plat::SetCommonDialogChoosers(nullptr, nullptr);
    EngineTest::TearDown();
  }
  // A right click on the element, which opens its attribute menu; pick answers it.
  QStringList RightClick(const QStringList& path) {
    MenuPick pick{path, {}, false};
    pick.Arm();
    engine->HandleMessage(window, plat::WM_RBUTTONDOWN, 0, at(200, 150));
    engine->HandleMessage(window, plat::WM_RBUTTONUP, 0, at(200, 150));
    QCoreApplication::processEvents();
    return pick.shown ? pick.offered : QStringList{QStringLiteral("(no menu)")};
  }
  int32_t Value(int32_t property) {
    AnnValue v = 0;
    EXPECT_EQ(engine->GetElementProperty(layer, id, property, &v), ANN_OK);
    return int32_t(v);
  }
  AnnLayerHandle layer = 0;
  int32_t id = 0;
};

TEST_F(EngineMenusTest, AttributeMenuOffersTheKindsEntries) {
  QStringList offered = RightClick({});
  EXPECT_EQ(offered, (QStringList{"Pen color...", "Fill color...", "Pen width", "BackStyle", "Locked", "Moveable",
                                  "Sizeable", "Hatch style", "Hatch color...", "-", "Cut", "Copy", "Delete"}));
  // With a second element below it, the element can step back but not forward.
  MakeElementFromDesc(engine, layer, TOOL_ELLIPSE, {500, 400, 600, 500});
  engine->SendElementToBack(layer, id + 1);
  offered = RightClick({});
  EXPECT_TRUE(offered.contains("Nudge down"));
  EXPECT_TRUE(offered.contains("Send to back"));
  EXPECT_FALSE(offered.contains("Nudge up"));
  EXPECT_FALSE(offered.contains("Bring to front"));
  EXPECT_FALSE(offered.contains("Paste"));
  engine->CopyLayerToClipboard(layer, 1);
  EXPECT_TRUE(RightClick({}).contains("Paste"));
}

TEST_F(EngineMenusTest, EverySubMenuItemSetsItsProperty) {
  struct Case {
    QStringList path;
    int32_t property, value;
  } cases[] = {
      {{"Pen width", "3"}, PROP_PEN_WIDTH, 3},
      {{"Pen width", "0"}, PROP_PEN_WIDTH, 0},
      {{"BackStyle", "Transparent"}, PROP_BACK_STYLE, 1},
      {{"BackStyle", "Translucent"}, PROP_BACK_STYLE, 3},
      {{"BackStyle", "Opaque"}, PROP_BACK_STYLE, 2},
      {{"Hatch style", "Cross hatch"}, PROP_HATCH_STYLE, 4},
      {{"Hatch style", "None"}, PROP_HATCH_STYLE, HATCH_NONE},
      {{"Hatch style", "Horizontal"}, PROP_HATCH_STYLE, 0},
      {{"Locked"}, PROP_LOCKED, 1},
      {{"Locked"}, PROP_LOCKED, 0},
      {{"Sizeable"}, PROP_SIZEABLE, 0},
  };
  for (const Case& c : cases) {
    RightClick(c.path);
    EXPECT_EQ(Value(c.property), c.value) << c.path.join(" > ").toStdString();
  }
}

TEST_F(EngineMenusTest, ColourItemsAskTheColourDialog) {
  int asked = 0;
  plat::SetCommonDialogChoosers(
      [&](plat::CHOOSECOLORA* c) {
        ++asked;
        EXPECT_EQ(c->rgbResult, 0xFF0000u) << "the dialog starts at the current colour";
        c->rgbResult = 0x123456;
        return true;
      },
      nullptr);
  engine->SetElementProperty(layer, id, PROP_PEN_COLOR, 0xFF0000);
  RightClick({"Pen color..."});
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Value(PROP_PEN_COLOR), 0x123456);
  plat::SetCommonDialogChoosers([](plat::CHOOSECOLORA*) { return false; }, nullptr);
  engine->SetElementProperty(layer, id, PROP_FILL_COLOR, 0x00FF00);
  RightClick({"Fill color..."});
  EXPECT_EQ(Value(PROP_FILL_COLOR), 0x00FF00) << "a cancelled dialog changes nothing";
}

TEST_F(EngineMenusTest, MenuStringsDecideTheEntries) {
  plat::BSTR none = plat::SysAllocString(u"");
  EXPECT_EQ(engine->SetMenuString(1, none, 0), ANN_OK);
  EXPECT_FALSE(RightClick({}).contains("Pen color..."));
  plat::BSTR back = plat::SysAllocString(u"Pen colour...");
  engine->SetMenuString(1, back, 0);
  EXPECT_TRUE(RightClick({}).contains("Pen colour..."));
  EXPECT_EQ(engine->SetMenuString(4242, back, 0), ERR_BAD_STRING_ID);
  plat::BSTR got = nullptr;
  EXPECT_EQ(engine->GetMenuString(1002, &got), ANN_OK);
  EXPECT_EQ(Take(got), u"&Paste");
  EXPECT_EQ(engine->GetMenuString(4242, &got), ERR_BAD_STRING_ID);

  plat::BSTR mine = plat::SysAllocString(u"Send for review");
  EXPECT_EQ(engine->AddUserMenuString(19999, mine), ERR_BAD_STRING_ID);
  EXPECT_EQ(engine->AddUserMenuString(20000, mine), ANN_OK);
  engine->SetHostCallback(HOSTCB_USER_MENU_COMMAND, annCallback(&onUserCommand));
  QStringList offered = RightClick({"Send for review"});
  ASSERT_GE(offered.size(), 2);
  EXPECT_EQ(offered.back(), "Send for review");
  EXPECT_EQ(offered[offered.size() - 2], "-");
  EXPECT_EQ(gUserCommands, (std::vector<int32_t>{20000, id}));
  for (plat::BSTR s : {none, back, mine}) plat::SysFreeString(s);
}

TEST_F(EngineMenusTest, CommandEntriesCopyAndDelete) {
  RightClick({"Copy"});
  EXPECT_TRUE(engine->IsLayerOnClipboard());
  RightClick({"Paste"});
  int32_t count = 0;
  engine->GetElementCount(layer, &count);
  EXPECT_EQ(count, 2);
  RightClick({"Delete"});
  engine->GetElementCount(layer, &count);
  EXPECT_EQ(count, 1);
}

TEST_F(EngineMenusTest, WithoutTheContextMenuAClickIsReported) {
  engine->SetEngineProperty(EPROP_CONTEXT_MENU_ENABLED, 0);
  EXPECT_EQ(RightClick({}), QStringList{"(no menu)"});
  bool clicked = false;
  for (auto& e : gEvents) clicked = clicked || (e[0] == EVT_ELEMENT_CLICKED && e[1] == id);
  EXPECT_TRUE(clicked);
}

TEST_F(EngineMenusTest, ToolMenuItemsAndTheirFlags) {
  plat::BSTR t = plat::SysAllocString(u"Item");
  EXPECT_EQ(engine->AddToolMenuItem(5000, 1, t, 0, 0), ERR_BAD_TOOL);
  EXPECT_EQ(engine->AddToolMenuItem(TOOL_RECTANGLE, 1, t, 7, 8), ANN_OK);
  EXPECT_EQ(engine->AddToolMenuItem(TOOL_RECTANGLE, 1, t, 0, 0), ERR_MENU_ITEM_EXISTS);
  EXPECT_EQ(engine->AddToolMenuItem(TOOL_ELLIPSE, 1, t, 0, 0), ANN_OK) << "ids are per tool";
  EXPECT_EQ(engine->AddToolSubMenuItem(TOOL_RECTANGLE, 9, 1, t, 0, 0), ERR_NO_MENU_ITEM);
  for (int32_t sub : {11, 12, 13}) EXPECT_EQ(engine->AddToolSubMenuItem(TOOL_RECTANGLE, 1, sub, t, sub, 0), ANN_OK);
  EXPECT_EQ(engine->AddToolSubMenuItem(TOOL_RECTANGLE, 1, 12, t, 0, 0), ERR_MENU_ITEM_EXISTS);

  auto checked = [&](int32_t sub) {
    int32_t flags = 0;
    EXPECT_EQ(engine->GetToolMenuItemFlags(TOOL_RECTANGLE, 1, sub, &flags), ANN_OK);
    return (flags & 0x100) != 0;
  };
  for (int32_t sub : {11, 12, 13}) engine->SetToolSubMenuItemChecked(TOOL_RECTANGLE, 1, sub, 1, 1);
  EXPECT_EQ(engine->SetToolSubMenuItemChecked(TOOL_RECTANGLE, 1, 12, 1, 1), ANN_OK);
  EXPECT_EQ((std::vector<bool>{checked(11), checked(12), checked(13)}), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(engine->SetToolSubMenuItemChecked(TOOL_RECTANGLE, 1, 99, 1, 1), ERR_NO_MENU_ITEM);
  EXPECT_EQ((std::vector<bool>{checked(11), checked(12), checked(13)}), (std::vector<bool>{false, false, false}));

  EXPECT_EQ(engine->SetToolMenuItemFlags(TOOL_RECTANGLE, 1, 13, 0x111), ANN_OK);
  int32_t flags = 0;
  engine->GetToolMenuItemFlags(TOOL_RECTANGLE, 1, 13, &flags);
  EXPECT_EQ(flags, 0x111);
  EXPECT_EQ(engine->SetToolMenuItemFlags(TOOL_RECTANGLE, 1, 14, 0), ERR_NO_MENU_ITEM);
  EXPECT_EQ(engine->DeleteToolSubMenuItem(TOOL_RECTANGLE, 1, 13), ANN_OK);
  EXPECT_EQ(engine->DeleteToolSubMenuItem(TOOL_RECTANGLE, 1, 13), ERR_NO_MENU_ITEM);
  EXPECT_EQ(engine->SetToolMenuItemEnabled(TOOL_RECTANGLE, 2, 0), ERR_NO_MENU_ITEM);
  EXPECT_EQ(engine->DeleteToolMenuItem(TOOL_ELLIPSE, 1), ANN_OK);
  EXPECT_EQ(engine->DeleteToolMenuItem(TOOL_ELLIPSE, 1), ERR_NO_MENU_ITEM);
  plat::SysFreeString(t);
}

TEST_F(EngineMenusTest, PaletteButtonsSetToolsAndOpenTheirMenus) {
  EXPECT_TRUE(engine->ShowPalette(1));
  EXPECT_FALSE(engine->ShowPalette(1)) << "one palette at a time";
  plat::HWND palette = engine->GetPaletteWindow();
  ASSERT_NE(palette, nullptr);
  QWidget* w = plat::WidgetOf(palette);
  ASSERT_NE(w, nullptr);
  auto button = [&](int32_t tool) { return w->findChild<QToolButton*>(QStringLiteral("tool%1").arg(tool)); };

  // Two buttons a row in six rows, the image tool alone at the bottom.
  EXPECT_EQ(button(TOOL_POINTER)->geometry().top(), button(TOOL_TEXT)->geometry().top());
  EXPECT_LT(button(TOOL_POINTER)->geometry().left(), button(TOOL_TEXT)->geometry().left());
  EXPECT_GT(button(TOOL_IMAGE)->geometry().top(), button(TOOL_BUTTON)->geometry().top());

  button(TOOL_ELLIPSE)->click();
  int32_t tool = 0;
  engine->GetCurrentTool(layer, &tool);
  EXPECT_EQ(tool, TOOL_ELLIPSE);
  EXPECT_TRUE(button(TOOL_ELLIPSE)->isChecked());
  EXPECT_FALSE(button(TOOL_POINTER)->isChecked());
  engine->SetToolEnabled(layer, TOOL_STAMP, 0);
  EXPECT_FALSE(button(TOOL_STAMP)->isEnabled());

  // Right click without tool menus: the host hears of it.
  gEvents.clear();
  Q_EMIT button(TOOL_LINE)->customContextMenuRequested(QPoint(2, 2));
  ASSERT_FALSE(gEvents.empty());
  EXPECT_EQ(gEvents.back(), (std::vector<int32_t>{EVT_TOOL_BUTTON_RCLICK, TOOL_LINE}));

  // With tool menus: the button's items, and the chosen one reaches the host.
  engine->SetToolMenusEnabled(1);
  engine->SetHostCallback(HOSTCB_TOOL_MENU_COMMAND, annCallback(&onToolCommand));
  plat::BSTR a = plat::SysAllocString(u"Thin"), b = plat::SysAllocString(u"Widths"), c = plat::SysAllocString(u"Wide");
  engine->AddToolMenuItem(TOOL_LINE, 1, a, 10, 11);
  engine->AddToolMenuItem(TOOL_LINE, 2, b, 0, 0);
  engine->AddToolSubMenuItem(TOOL_LINE, 2, 21, c, 30, 31);
  MenuPick pick{{"Widths", "Wide"}, {}, false};
  pick.Arm();
  gEvents.clear();
  Q_EMIT button(TOOL_LINE)->customContextMenuRequested(QPoint(2, 2));
  QCoreApplication::processEvents();
  EXPECT_EQ(pick.offered, (QStringList{"Thin", "Widths"}));
  EXPECT_EQ(gToolCommands, (std::vector<std::vector<int32_t>>{{TOOL_LINE, 21, 30, 31}}));
  EXPECT_TRUE(gEvents.empty());

  // All items hidden: no menu and no event.
  engine->SetToolMenuItemVisible(TOOL_LINE, 1, 0);
  engine->SetToolMenuItemVisible(TOOL_LINE, 2, 0);
  MenuPick none{{}, {}, false};
  none.Arm();
  Q_EMIT button(TOOL_LINE)->customContextMenuRequested(QPoint(2, 2));
  QCoreApplication::processEvents();
  EXPECT_FALSE(none.shown);
  EXPECT_TRUE(gEvents.empty());

  // Tooltips are asked for when shown; closing only hides the palette.
  plat::BSTR tip = plat::SysAllocString(u"Draw a line");
  EXPECT_EQ(engine->SetToolTip(TOOL_LINE, tip), ANN_OK);
  EXPECT_EQ(engine->SetToolTip(4200, tip), ERR_BAD_TOOL);
  EXPECT_EQ(engine->SetLayerPaletteVisible(layer, 1), ANN_OK);
  EXPECT_TRUE(w->isVisible());
  w->close();
  EXPECT_FALSE(w->isVisible());
  bool visible = true;
  engine->GetLayerPaletteVisible(layer, &visible);
  EXPECT_FALSE(visible);
  EXPECT_EQ(engine->GetPaletteWindow(), palette) << "closing keeps the window";
  engine->SetEngineProperty(EPROP_LOCKED, 1);
  EXPECT_EQ(engine->SetLayerPaletteVisible(layer, 1), ERR_LOCKED);
  EXPECT_EQ(engine->SetLayerPaletteVisible(layer, 0), ANN_OK);
  engine->SetEngineProperty(EPROP_LOCKED, 0);
  EXPECT_TRUE(engine->ShowPalette(0));
  EXPECT_EQ(engine->GetPaletteWindow(), nullptr);
  EXPECT_FALSE(engine->ShowPalette(0));
  for (plat::BSTR s : {a, b, c, tip}) plat::SysFreeString(s);
}

TEST_F(EngineMenusTest, FontItemAsksTheFontDialogWithTheElementsFont) {
  engine->DeleteElement(layer, id);
  id = MakeElementFromDesc(engine, layer, TOOL_TEXT, {100, 100, 300, 200});
  std::string asked;
  plat::SetCommonDialogChoosers(nullptr, [&](plat::CHOOSEFONTA* f) {
    asked = f->lpLogFont->lfFaceName;
    f->lpLogFont->lfHeight = -40;
    f->lpLogFont->lfWeight = 700;
    return true;
  });
  QStringList offered = RightClick({"Font..."});
  EXPECT_TRUE(offered.contains("Text color...")) << offered.join(", ").toStdString();
  EXPECT_EQ(asked, "Times New Roman") << "the descriptor's font: a copy of the text tool's";
  plat::LOGFONTA font{};
  AnnValue out = reinterpret_cast<AnnValue>(&font);
  ASSERT_EQ(engine->GetElementProperty(layer, id, PROP_FONT, &out), ANN_OK);
  EXPECT_EQ(font.lfHeight, -40);
  EXPECT_EQ(font.lfWeight, 700);
}
