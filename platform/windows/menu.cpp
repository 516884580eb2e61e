#include "platform/windows/menu.h"

#include <QAction>
#include <QMenu>
#include <memory>
#include <unordered_set>

#include "platform/text/ansi.h"
#include "platform/windows/window.h"

namespace plat {

struct MenuHandle {
  std::unique_ptr<QMenu> menu;
  bool owned = true;  // false once it became a sub-menu of another menu
};

namespace {

std::unordered_set<MenuHandle*>& liveMenus() {
  static std::unordered_set<MenuHandle*> s;
  return s;
}

bool live(HMENU m) { return m && liveMenus().count(m) && m->menu; }

// The item chosen while a menu is tracked (an id may be 0); menus are modal on the one thread.
struct Choice {
  bool made = false;
  int32_t id = 0;
} gChoice;

}  // namespace

HMENU CreatePopupMenu() {
  auto* m = new MenuHandle;
  m->menu = std::make_unique<QMenu>();
  liveMenus().insert(m);
  return m;
}

bool AppendMenuA(HMENU menu, uint32_t flags, uintptr_t idOrSubMenu, const char* text) {
  if (!live(menu)) return false;
  if (flags & MF_SEPARATOR) {
    menu->menu->addSeparator();
    return true;
  }
  QString caption = fromAnsi(text ? text : "");
  QAction* action = nullptr;
  if (flags & MF_POPUP) {
    auto sub = reinterpret_cast<HMENU>(idOrSubMenu);
    if (!live(sub) || !sub->owned) return false;
    QMenu* child = sub->menu.release();
    child->setTitle(caption);
    child->setParent(menu->menu.get(), child->windowFlags());
    action = menu->menu->addMenu(child);
    sub->owned = false;
    liveMenus().erase(sub);
    delete sub;
  } else {
    action = menu->menu->addAction(caption);
    const int32_t id = int32_t(idOrSubMenu);
    action->setData(id);
    QObject::connect(action, &QAction::triggered, [id] { gChoice = {true, id}; });
  }
  action->setCheckable((flags & MF_CHECKED) != 0);
  action->setChecked((flags & MF_CHECKED) != 0);
  action->setEnabled((flags & (MF_DISABLED | MF_GRAYED)) == 0);
  return true;
}

bool DestroyMenu(HMENU menu) {
  if (!menu || !liveMenus().count(menu)) return false;
  liveMenus().erase(menu);
  delete menu;
  return true;
}

int32_t TrackPopupMenu(HMENU menu, uint32_t, int32_t x, int32_t y, HWND owner) {
  if (!live(menu)) return 0;
  gChoice = {};
  menu->menu->exec(QPoint(x, y));
  const Choice choice = gChoice;
  gChoice = {};
  if (choice.made && owner) SendMessage(owner, WM_COMMAND, WPARAM(uint32_t(choice.id)), 0);
  return choice.made ? choice.id : 0;
}

}  // namespace plat
