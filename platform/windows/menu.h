#pragma once
// Popup menus built item by item and tracked at a screen point. The choice reaches the owner
// window as WM_COMMAND with the item's id before TrackPopupMenu returns.
#include <cstdint>

#include "platform/windows/window_types.h"

namespace plat {

struct MenuHandle;
using HMENU = MenuHandle*;

constexpr UINT WM_COMMAND = 273;

constexpr uint32_t MF_STRING = 0x0000;
constexpr uint32_t MF_GRAYED = 0x0001;
constexpr uint32_t MF_DISABLED = 0x0002;
constexpr uint32_t MF_CHECKED = 0x0008;
constexpr uint32_t MF_POPUP = 0x0010;
constexpr uint32_t MF_SEPARATOR = 0x0800;

constexpr uint32_t TPM_LEFTALIGN = 0x0000;
constexpr uint32_t TPM_RIGHTBUTTON = 0x0002;

HMENU CreatePopupMenu();
// With MF_POPUP, idOrSubMenu is an HMENU that becomes part of this menu (destroyed with it).
bool AppendMenuA(HMENU menu, uint32_t flags, uintptr_t idOrSubMenu, const char* text);
bool DestroyMenu(HMENU menu);
// Shows the menu at the point (screen pixels) and sends the choice, if any, to the owner; returns
// the chosen id (0 also when nothing was chosen).
int32_t TrackPopupMenu(HMENU menu, uint32_t flags, int32_t x, int32_t y, HWND owner);

}  // namespace plat
