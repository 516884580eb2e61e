#pragma once
// The engine's two popup menus (an element's attribute menu and a palette button's user menu),
// the items a host defines for the palette buttons, and strings the engine owns.
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "platform/ole/ole.h"
#include "platform/windows/menu.h"

struct AnnStringDeleter {
  void operator()(char16_t* s) const { plat::SysFreeString(s); }
};
using AnnOwnedString = std::unique_ptr<char16_t, AnnStringDeleter>;
inline AnnOwnedString annCopyString(const char16_t* s) { return AnnOwnedString(plat::SysAllocString(s ? s : u"")); }

class AnnPopupMenu {
 public:
  AnnPopupMenu() = default;
  ~AnnPopupMenu() { Destroy(); }
  AnnPopupMenu(const AnnPopupMenu&) = delete;
  AnnPopupMenu& operator=(const AnnPopupMenu&) = delete;

  // Drops any menu still held and starts an empty one.
  bool Create() {
    Destroy();
    menu_ = plat::CreatePopupMenu();
    return menu_ != nullptr;
  }
  bool Append(uint32_t flags, uintptr_t id, const std::string& text) {
    return menu_ && plat::AppendMenuA(menu_, flags, id, text.c_str());
  }
  // Tracks the menu at the cursor with the owner window, only when it is enabled.
  void Show(plat::HWND owner, int32_t x, int32_t y) {
    if (menu_ && enabled) plat::TrackPopupMenu(menu_, plat::TPM_LEFTALIGN | plat::TPM_RIGHTBUTTON, x, y, owner);
  }
  void Destroy() {
    if (menu_) plat::DestroyMenu(menu_);
    menu_ = nullptr;
  }

  uint8_t enabled = 1;
  intptr_t layer = 0;    // target of the attribute menu being shown
  int32_t element = 0;   // its element id

 private:
  plat::HMENU menu_ = nullptr;
};

// One item of a palette button's user menu; top-level items may hold sub-items.
struct AnnToolMenuItem {
  int32_t id = 0;
  int32_t tool = 0;
  AnnOwnedString text;
  uint8_t enabled = 1, visible = 1, checked = 0;
  int32_t user1 = 0, user2 = 0;
  std::list<AnnToolMenuItem> subItems;
};
