// The attribute menu of an element, the user menus of the palette buttons, the menu strings the
// host may change, and the hidden helper window that receives the menus' commands.
#include <QCursor>
#include <QString>
#include <algorithm>
#include <array>
#include <cstring>

#include "annotation/elements/element.h"
#include "annotation/engine.h"
#include "annotation/engine_guard.h"
#include "annotation/layer.h"
#include "annotation/popup_menu.h"
#include "platform/text/ansi.h"
#include "platform/windows/common_dialogs.h"
#include "platform/windows/window.h"

using namespace ann_detail;

namespace {

// The menu strings the engine starts with, in load order: 41 property entries, 8 commands.
struct MenuString {
  int32_t id;
  const char* text;
};
constexpr MenuString kMenuStrings[] = {
    {1, "Pen color..."},        {5, "Pen width"},          {26, "Pen style"},          {27, "Pen fill style"},
    {38, "Hatch style"},        {39, "Hatch color..."},    {2, "Text color..."},       {19, "Locked"},
    {25, "Moveable"},           {37, "Text locked"},       {33, "Sizeable"},           {4, "Fill color..."},
    {3, "Back color..."},       {15, "Transparent color..."}, {16, "BackStyle"},       {11, "Font..."},
    {22, "BevelLightColor..."}, {23, "BevelShadowColor..."}, {3001, "Transparent"},    {3002, "Opaque"},
    {3003, "Translucent"},      {5000, "________"},        {5001, "_ _ _ _ _ _"},      {5002, "..............."},
    {5003, "_._._._._."},       {5004, "_.._.._.._.."},    {5513, "Opaque"},           {5509, "Translucent"},
    {5507, "Invert"},           {28, "Text orientation"},  {5999, "None"},             {6001, "Vertical"},
    {6000, "Horizontal"},       {6002, "Diagonal down, left to right"}, {6003, "Diagonal up, left to right"},
    {6004, "Cross hatch"},      {6005, "Diagonal cross"},  {41, "Text justification"}, {7000, "Left justify"},
    {7001, "Right justify"},    {7002, "Center justify"},  {1536, "Nudge up"},         {1537, "Nudge down"},
    {1538, "Bring to front"},   {1539, "Send to back"},    {1000, "Cu&t"},             {1001, "&Copy"},
    {1002, "&Paste"},           {1007, "&Delete"}};

constexpr int32_t kCommandEntries[] = {1536, 1537, 1538, 1539, 1000, 1001, 1002, 1007};
constexpr int32_t kUserBase = 20000;

bool isPropertyEntry(int32_t id) {
  switch (id) {
    case 1: case 2: case 3: case 4: case 5: case 11: case 15: case 16: case 19: case 22: case 23: case 25:
    case 26: case 27: case 28: case 33: case 37: case 38: case 39: case 41:
      return true;
    default:
      return false;
  }
}

bool isColourEntry(int32_t id) {
  return id == 1 || id == 2 || id == 3 || id == 4 || id == 15 || id == 22 || id == 23 || id == 39;
}

plat::LRESULT helperProc(plat::HWND, plat::UINT message, plat::WPARAM wParam, plat::LPARAM, void* context) {
  if (message != plat::WM_COMMAND) return 0;
  static_cast<AnnEngine*>(context)->OnMenuCommand(int32_t(uint32_t(wParam)));
  return 0;
}

}  // namespace

void AnnEngine::SetUpMenus() {
  attributeMenu_ = std::make_unique<AnnPopupMenu>();
  toolMenu_ = std::make_unique<AnnPopupMenu>();
  for (const MenuString& m : kMenuStrings) {
    // Each text is held to 31 characters, as the string buffer it came from was.
    std::u16string text = plat::fromAnsi(m.text).left(31).toStdU16String();
    menuStrings_[m.id] = annCopyString(text.c_str());
  }
  if (helperWindow_) plat::SetWindowProc(helperWindow_, &helperProc, this);
  services_.attributeMenu = attributeMenu_.get();
}

std::string AnnEngine::MenuText(int32_t id) const {
  auto it = menuStrings_.find(id);
  if (it == menuStrings_.end() || !it->second) return {};
  return plat::SysToAnsi(it->second.get());
}

// ---------------------------------------------------------------------------------------------
// Menu strings (slots 133 to 135)

int32_t AnnEngine::SetMenuString(int32_t stringId, plat::BSTR text, int32_t create) {
  return guardedCode([&]() -> int32_t {
    auto it = menuStrings_.find(stringId);
    if (it == menuStrings_.end() && !lowByte(create)) return ERR_BAD_STRING_ID;
    AnnOwnedString copy = annCopyString(text);
    if (!copy) return ERR_NO_MEMORY;
    menuStrings_[stringId] = std::move(copy);
    return ANN_OK;
  });
}

int32_t AnnEngine::GetMenuString(int32_t stringId, plat::BSTR* text) {
  return guardedCode([&]() -> int32_t {
    auto it = menuStrings_.find(stringId);
    if (it == menuStrings_.end()) return ERR_BAD_STRING_ID;
    if (text) *text = plat::SysAllocFromU16(plat::SysToU16(it->second.get()));
    return ANN_OK;
  });
}

int32_t AnnEngine::AddUserMenuString(int32_t stringId, plat::BSTR text) {
  if (stringId < kUserBase) return ERR_BAD_STRING_ID;
  return SetMenuString(stringId, text, 1);
}

// ---------------------------------------------------------------------------------------------
// The attribute menu

void AnnEngine::ShowAttributeMenu(AnnLayerHandle layer, AnnElement* element) {
  AnnPopupMenu& menu = *attributeMenu_;
  menu.layer = layer;
  menu.element = element ? element->Id() : 0;
  menu.enabled = contextMenuEnabled_;
  if (!menu.Create()) return;
  if (element) BuildAttributeMenu(menu, element->Kind(), element);
  openMenuKind_ = 2;
  QPoint at = QCursor::pos();
  menu.Show(helperWindow_, at.x(), at.y());
  menu.Destroy();
}

void AnnEngine::BuildAttributeMenu(AnnPopupMenu& menu, int32_t type, AnnElement* element) {
  menuRecords_.clear();
  if (!annIsTool(type) || !element) return;
  auto value = [&](int32_t id) { return element->Value(id); };
  auto sub = [&](const std::string& caption, std::initializer_list<std::pair<int32_t, bool>> items,
                 int32_t captionOf = -1) {
    // Each item appears only with a text; the sub-menu only with at least one item.
    plat::HMENU popup = plat::CreatePopupMenu();
    int added = 0;
    for (auto [id, checked] : items) {
      std::string text = MenuText(captionOf >= 0 && id == 11999 ? captionOf : id);
      if (text.empty()) continue;
      plat::AppendMenuA(popup, checked ? plat::MF_CHECKED : plat::MF_STRING, uintptr_t(id), text.c_str());
      ++added;
    }
    if (added) menu.Append(plat::MF_POPUP, reinterpret_cast<uintptr_t>(popup), caption);
    else plat::DestroyMenu(popup);
  };
  for (const auto& entry : toolMaps_[annToolIndex(type)]) {
    const int32_t id = entry.first;
    if (!isPropertyEntry(id)) continue;
    std::string caption = MenuText(id);
    if (caption.empty()) continue;
    const int32_t v = value(id);
    switch (id) {
      case PROP_PEN_WIDTH: {
        plat::HMENU popup = plat::CreatePopupMenu();
        for (int32_t w = 0; w <= 9; ++w)
          plat::AppendMenuA(popup, w == v ? plat::MF_CHECKED : plat::MF_STRING, uintptr_t(2005 + w),
                            std::to_string(w).c_str());
        menu.Append(plat::MF_POPUP, reinterpret_cast<uintptr_t>(popup), caption);
        break;
      }
      case PROP_BACK_STYLE: sub(caption, {{3002, v == 2}, {3001, v == 1}, {3003, v == 3}}); break;
      case PROP_LOCKED:
      case PROP_MOVEABLE:
      case PROP_SIZEABLE:
      case PROP_TEXT_LOCKED:
        menu.Append(v != 0 ? plat::MF_CHECKED : plat::MF_STRING, uintptr_t(id), caption);
        break;
      case PROP_PEN_STYLE:
        sub(caption, {{5000, v == 0}, {5001, v == 1}, {5002, v == 2}, {5003, v == 3}, {5004, v == 4}});
        break;
      case PROP_PEN_FILL_STYLE: sub(caption, {{5513, v == 13}, {5509, v == 9}, {5507, v == 7}}); break;
      case PROP_TEXT_ORIENTATION: {
        plat::HMENU popup = plat::CreatePopupMenu();
        for (int32_t angle : {0, 90, 180, 270})
          plat::AppendMenuA(popup, angle == v / 10 ? plat::MF_CHECKED : plat::MF_STRING, uintptr_t(angle),
                            std::to_string(angle).c_str());
        menu.Append(plat::MF_POPUP, reinterpret_cast<uintptr_t>(popup), caption);
        break;
      }
      case PROP_HATCH_STYLE:
        sub(caption,
            {{11999, v == HATCH_NONE}, {6000, v == 0}, {6001, v == 1}, {6002, v == 2}, {6003, v == 3},
             {6004, v == 4}, {6005, v == 5}},
            HATCH_NONE);
        break;
      case PROP_TEXT_JUSTIFICATION: sub(caption, {{7000, v == 0}, {7001, v == 1}, {7002, v == 2}}); break;
      default:
        menu.Append(plat::MF_STRING, uintptr_t(id), caption);
        menuRecords_.push_back({id, element->Id()});
        break;
    }
  }

  // Commands; the z-order steps only where the element can still move that way.
  AnnLayer* l = FindLayer(menu.layer);
  int32_t position = 0;
  if (l) l->GetZOrder(element->Id(), &position);
  const bool top = l && position == l->GetElementCount();
  const bool bottom = l && position == 1;
  bool separated = false;
  for (int32_t id : kCommandEntries) {
    std::string text = MenuText(id);
    if (text.empty()) continue;
    if (id == 1002 && !IsLayerOnClipboard()) continue;
    if ((id == 1536 || id == 1538) && top) continue;
    if ((id == 1537 || id == 1539) && bottom) continue;
    if (!separated) menu.Append(plat::MF_SEPARATOR, 0, {});
    separated = true;
    menu.Append(plat::MF_STRING, uintptr_t(id), text);
  }
  separated = false;
  for (const auto& [id, s] : menuStrings_) {
    if (id < kUserBase) continue;
    std::string text = MenuText(id);
    if (text.empty()) continue;
    if (!separated) menu.Append(plat::MF_SEPARATOR, 0, {});
    separated = true;
    menu.Append(plat::MF_STRING, uintptr_t(id), text);
    menuRecords_.push_back({id, element->Id()});
  }
}

bool AnnEngine::HasMenuRecord(int32_t id) const {
  return std::any_of(menuRecords_.begin(), menuRecords_.end(), [&](const auto& r) { return r.first == id; });
}

int32_t AnnEngine::AttributeCommand(int32_t command, AnnLayerHandle layer, int32_t element) {
  AnnLayer* l = FindLayer(layer);
  if (!l) return ERR_BAD_LAYER;
  auto set = [&](int32_t property, AnnValue value, bool invalidate = true) {
    int32_t r = SetElementProperty(layer, element, property, value);
    if (invalidate)
      if (AnnElement* e = l->FindElement(element)) {
        plat::RECT bounds;
        e->GetBoundsWithHandles(&bounds);
        InvalidateHost(&bounds);
      }
    return r;
  };
  if (command >= kUserBase) {
    auto f = reinterpret_cast<AnnUserMenuCallback>(hostCallbacks_[HOSTCB_USER_MENU_COMMAND]);
    return f ? f(hostCookie_, command, layer, element) : ANN_OK;
  }
  AnnElement* e = l->FindElement(element);
  switch (command) {
    case 0: case 90: case 180: case 270: return set(PROP_TEXT_ORIENTATION, command * 10);
    case PROP_LOCKED: case PROP_MOVEABLE: case PROP_SIZEABLE: case PROP_TEXT_LOCKED:
      if (!e) return ERR_BAD_ELEMENT;
      return set(command, e->Value(command) == 0 ? 1 : 0, false);
    case PROP_FONT: {
      if (!HasMenuRecord(command) || !e) return ANN_OK;
      plat::LOGFONTA font{};
      AnnValue out = reinterpret_cast<AnnValue>(&font);
      e->GetPropertyEx(PROP_FONT, &out);
      plat::CHOOSEFONTA request;
      request.lpLogFont = &font;
      request.Flags = plat::CF_SCREENFONTS | plat::CF_INITTOLOGFONTSTRUCT;
      if (!plat::ChooseFontA(&request)) return ANN_OK;
      return set(PROP_FONT, reinterpret_cast<AnnValue>(&font));
    }
    case 1000:
      if (int32_t r = CopyLayerToClipboard(layer, 1)) return r;
      DeleteSelectedElements();
      return ANN_OK;
    case 1001: return CopyLayerToClipboard(layer, 1);
    case 1002: {
      int32_t r = PasteObjects(layer);
      if (current_) current_->SetCurrentTool(TOOL_POINTER);
      return r;
    }
    case 1003: {
      AnnLayerHandle pasted = 0;
      int32_t r = PasteLayer(&pasted);
      if (pasted) SetCurrentLayer(pasted);
      return r;
    }
    case 1004:
      if (int32_t r = CopyLayerToClipboard(layer, 0)) return r;
      DeleteLayer(layer);
      return ANN_OK;
    case 1005: return CopyLayerToClipboard(layer, 0);
    case 1006: DeleteLayer(layer); return ANN_OK;
    case 1007: return DeleteElement(layer, element);
    case 1536: return BringElementForward(layer, element);
    case 1537: return SendElementBackward(layer, element);
    case 1538: return BringElementToFront(layer, element);
    case 1539: return SendElementToBack(layer, element);
    default: break;
  }
  if (isColourEntry(command)) {
    if (!HasMenuRecord(command) || !e) return ANN_OK;
    plat::CHOOSECOLORA request;
    std::array<plat::COLORREF, 16> custom{};
    for (int i = 0; i < 16; ++i) custom[size_t(i)] = plat::GetSysColor(i);
    request.rgbResult = plat::COLORREF(e->Value(command));
    request.lpCustColors = custom.data();
    request.Flags = plat::CC_RGBINIT;
    if (!plat::ChooseColorA(&request)) return ANN_OK;
    return set(command, AnnValue(int32_t(request.rgbResult)));
  }
  if (command >= 2005 && command <= 2014) return set(PROP_PEN_WIDTH, command - 2005);
  if (command >= 3001 && command <= 3003) return set(PROP_BACK_STYLE, command - 3000);
  if (command >= 5000 && command <= 5004) return set(PROP_PEN_STYLE, command - 5000);
  if (command == 5507 || command == 5509 || command == 5513) return set(PROP_PEN_FILL_STYLE, command - 5500);
  if ((command >= 6000 && command <= 6005) || command == 11999) return set(PROP_HATCH_STYLE, command - 6000);
  if (command >= 7000 && command <= 7002) return set(PROP_TEXT_JUSTIFICATION, command - 7000);
  return ANN_OK;
}

void AnnEngine::OnMenuCommand(int32_t command) {
  guardedVoid([&] {
    if (openMenuKind_ == 2) {
      AttributeCommand(command, attributeMenu_->layer, attributeMenu_->element);
      return;
    }
    if (openMenuKind_ != 1) return;
    auto f = reinterpret_cast<AnnToolMenuCallback>(hostCallbacks_[HOSTCB_TOOL_MENU_COMMAND]);
    if (!f) return;
    for (const AnnToolMenuItem& item : toolMenuItems_) {
      if (item.tool != openMenuTool_) continue;
      if (item.id == command && item.subItems.empty()) {
        f(hostCookie_, item.tool, command, item.user1, item.user2);
        return;
      }
      if (item.id == command) continue;
      for (const AnnToolMenuItem& s : item.subItems)
        if (s.id == command) {
          f(hostCookie_, item.tool, command, s.user1, s.user2);
          return;
        }
    }
  });
}

// ---------------------------------------------------------------------------------------------
// Palette button menus (slots 140 to 150)

AnnToolMenuItem* AnnEngine::FindToolMenuItem(int32_t tool, int32_t item) {
  for (AnnToolMenuItem& i : toolMenuItems_)
    if (i.tool == tool && i.id == item) return &i;
  return nullptr;
}

int32_t AnnEngine::AddToolMenuItem(int32_t tool, int32_t item, plat::BSTR text, int32_t user1, int32_t user2) {
  return guardedCode([&]() -> int32_t {
    if (!annIsTool(tool)) return ERR_BAD_TOOL;
    if (FindToolMenuItem(tool, item)) return ERR_MENU_ITEM_EXISTS;
    AnnToolMenuItem i;
    i.id = item;
    i.tool = tool;
    i.text = annCopyString(text);
    i.user1 = user1;
    i.user2 = user2;
    toolMenuItems_.push_back(std::move(i));
    return ANN_OK;
  });
}

int32_t AnnEngine::SetToolMenuItemEnabled(int32_t tool, int32_t item, int32_t enabled) {
  AnnToolMenuItem* i = FindToolMenuItem(tool, item);
  if (!i) return ERR_NO_MENU_ITEM;
  i->enabled = lowByte(enabled);
  return ANN_OK;
}

int32_t AnnEngine::SetToolMenuItemVisible(int32_t tool, int32_t item, int32_t visible) {
  AnnToolMenuItem* i = FindToolMenuItem(tool, item);
  if (!i) return ERR_NO_MENU_ITEM;
  i->visible = lowByte(visible);
  return ANN_OK;
}

int32_t AnnEngine::DeleteToolMenuItem(int32_t tool, int32_t item) {
  auto it = std::find_if(toolMenuItems_.begin(), toolMenuItems_.end(),
                         [&](const AnnToolMenuItem& i) { return i.tool == tool && i.id == item; });
  if (it == toolMenuItems_.end()) return ERR_NO_MENU_ITEM;
  toolMenuItems_.erase(it);
  return ANN_OK;
}

int32_t AnnEngine::AddToolSubMenuItem(int32_t tool, int32_t item, int32_t subItem, plat::BSTR text, int32_t user1,
                                      int32_t user2) {
  return guardedCode([&]() -> int32_t {
    AnnToolMenuItem* parent = FindToolMenuItem(tool, item);
    if (!parent) return ERR_NO_MENU_ITEM;
    for (const AnnToolMenuItem& s : parent->subItems)
      if (s.id == subItem) return ERR_MENU_ITEM_EXISTS;
    AnnToolMenuItem s;
    s.id = subItem;
    s.tool = parent->tool;
    s.text = annCopyString(text);
    s.user1 = user1;
    s.user2 = user2;
    parent->subItems.push_back(std::move(s));
    return ANN_OK;
  });
}

int32_t AnnEngine::SetSubItemFlag(int32_t tool, int32_t item, int32_t subItem, int32_t value, int32_t exclusive,
                                  uint8_t AnnToolMenuItem::*flag) {
  AnnToolMenuItem* parent = FindToolMenuItem(tool, item);
  if (!parent || parent->subItems.empty()) return ERR_NO_MENU_ITEM;
  const uint8_t on = lowByte(value) ? 1 : 0;
  bool found = false;
  for (AnnToolMenuItem& s : parent->subItems) {
    if (s.id == subItem) {
      s.*flag = on;
      found = true;
    } else if (lowByte(exclusive)) {
      s.*flag = on ? 0 : 1;
    }
  }
  return found ? ANN_OK : ERR_NO_MENU_ITEM;
}

int32_t AnnEngine::SetToolSubMenuItemEnabled(int32_t tool, int32_t item, int32_t subItem, int32_t enabled,
                                             int32_t exclusive) {
  return SetSubItemFlag(tool, item, subItem, enabled, exclusive, &AnnToolMenuItem::enabled);
}
int32_t AnnEngine::SetToolSubMenuItemVisible(int32_t tool, int32_t item, int32_t subItem, int32_t visible,
                                             int32_t exclusive) {
  return SetSubItemFlag(tool, item, subItem, visible, exclusive, &AnnToolMenuItem::visible);
}
int32_t AnnEngine::SetToolSubMenuItemChecked(int32_t tool, int32_t item, int32_t subItem, int32_t checked,
                                             int32_t exclusive) {
  return SetSubItemFlag(tool, item, subItem, checked, exclusive, &AnnToolMenuItem::checked);
}

AnnToolMenuItem* AnnEngine::FindToolSubMenuItem(int32_t tool, int32_t item, int32_t subItem) {
  AnnToolMenuItem* parent = FindToolMenuItem(tool, item);
  if (!parent) return nullptr;
  for (AnnToolMenuItem& s : parent->subItems)
    if (s.id == subItem) return &s;
  return nullptr;
}

int32_t AnnEngine::DeleteToolSubMenuItem(int32_t tool, int32_t item, int32_t subItem) {
  AnnToolMenuItem* parent = FindToolMenuItem(tool, item);
  if (!parent) return ERR_NO_MENU_ITEM;
  auto it = std::find_if(parent->subItems.begin(), parent->subItems.end(),
                         [&](const AnnToolMenuItem& s) { return s.id == subItem; });
  if (it == parent->subItems.end()) return ERR_NO_MENU_ITEM;
  parent->subItems.erase(it);
  return ANN_OK;
}

int32_t AnnEngine::SetToolMenuItemFlags(int32_t tool, int32_t item, int32_t subItem, int32_t flags) {
  AnnToolMenuItem* s = FindToolSubMenuItem(tool, item, subItem);
  if (!s) return ERR_NO_MENU_ITEM;
  s->enabled = (flags & 0x1) ? 1 : 0;
  s->visible = (flags & 0x10) ? 1 : 0;
  s->checked = (flags & 0x100) ? 1 : 0;
  return ANN_OK;
}

int32_t AnnEngine::GetToolMenuItemFlags(int32_t tool, int32_t item, int32_t subItem, int32_t* flags) {
  AnnToolMenuItem* s = FindToolSubMenuItem(tool, item, subItem);
  if (!s) return ERR_NO_MENU_ITEM;
  if (flags) *flags = (s->enabled ? 0x1 : 0) | (s->visible ? 0x10 : 0) | (s->checked ? 0x100 : 0);
  return ANN_OK;
}

void AnnEngine::ShowToolMenu(int32_t tool) {
  auto flagsOf = [](const AnnToolMenuItem& i) {
    return (i.checked ? plat::MF_CHECKED : 0u) | (i.enabled ? 0u : plat::MF_DISABLED);
  };
  auto textOf = [](const AnnToolMenuItem& i) {
    return plat::SysToAnsi(i.text.get());
  };
  AnnPopupMenu& menu = *toolMenu_;
  bool made = false;
  for (const AnnToolMenuItem& item : toolMenuItems_) {
    if (item.tool != tool || !item.visible) continue;
    if (!made && !(made = menu.Create())) return;
    if (item.subItems.empty()) {
      menu.Append(flagsOf(item), uintptr_t(item.id), textOf(item));
      continue;
    }
    plat::HMENU popup = plat::CreatePopupMenu();
    for (const AnnToolMenuItem& s : item.subItems)
      if (s.visible) plat::AppendMenuA(popup, flagsOf(s), uintptr_t(s.id), textOf(s).c_str());
    menu.Append(plat::MF_POPUP, reinterpret_cast<uintptr_t>(popup), textOf(item));
  }
  if (!made) return;
  openMenuKind_ = 1;
  openMenuTool_ = tool;
  QPoint at = QCursor::pos();
  menu.Show(helperWindow_, at.x(), at.y());
  menu.Destroy();
}
