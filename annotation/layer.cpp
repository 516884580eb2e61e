#include "annotation/layer.h"

#include <cstring>

#include "platform/ole/ole.h"

namespace {

// Operations whose behaviour lives with the elements and groups answer this until they exist.
constexpr int32_t kPending = ERR_NOT_IMPLEMENTED;

int stringCellIndex(int32_t tool) {
  switch (tool) {
    case TOOL_TEXT: return 0;
    case TOOL_STAMP: return 1;
    case TOOL_BUTTON: return 2;
    default: return -1;
  }
}

}  // namespace

AnnLayer::AnnLayer(const AnnEngineServices& services) : services_(services) {
  toolEnabled_.fill(1);
  properties_ = {{21, 1}, {512, 0}, {513, 0}, {772, 0}, {1800, 0}, {36751, 1}, {36752, 0}, {36753, 0}, {36766, 0}};
}

AnnLayer::~AnnLayer() {
  plat::SysFreeString(name_);
  plat::SysFreeString(text2_);
  plat::SysFreeString(password_);
  for (auto& s : defaultText_) plat::SysFreeString(s);
}

void AnnLayer::Invalidate(const plat::RECT* logical) {
  if (services_.invalidate) services_.invalidate(services_.engine, logical);
}

int32_t AnnLayer::RaiseEvent(int32_t code, int32_t param) {
  return services_.raiseEvent ? services_.raiseEvent(services_.engine, code, param) : 0;
}

void AnnLayer::CopyToolDefaults(int32_t tool, const AnnPropertyMap& engineMap) {
  if (!annIsTool(tool)) return;
  auto& map = toolDefaults_[annToolIndex(tool)];
  for (const auto& [key, value] : engineMap) {
    AnnValue v = value;
    int cell = stringCellIndex(tool);
    if (key == PROP_TEXT && cell >= 0 && v == 0) v = reinterpret_cast<AnnValue>(&defaultText_[cell]);
    map.emplace(key, v);
  }
}

int32_t AnnLayer::SetCurrentTool(int32_t tool) {
  if (tool != TOOL_NONE && !annIsTool(tool)) return ERR_BAD_TOOL;
  if (!(tool == TOOL_POINTER && currentTool_ == TOOL_POINTER)) {
    currentTool_ = tool;
    RaiseEvent(EVT_TOOL_CHANGED, tool);
  }
  if (services_.paletteToolPress)
    services_.paletteToolPress(services_.engine, reinterpret_cast<AnnLayerHandle>(this), tool);
  return ANN_OK;
}

int32_t AnnLayer::GetToolDefault(int32_t tool, int32_t property, AnnValue* value) {
  if (!annIsTool(tool)) return ERR_BAD_TOOL;
  auto& map = toolDefaults_[annToolIndex(tool)];
  auto it = map.find(property);
  if (it == map.end()) return ERR_NO_PROPERTY;
  if (!value) return ANN_OK;
  if (property == PROP_TEXT || property == PROP_USER_STRING2) {
    auto* cell = reinterpret_cast<plat::BSTR*>(it->second);
    *value = reinterpret_cast<AnnValue>(plat::SysAllocFromU16(plat::SysToU16(cell ? *cell : nullptr)));
  } else if (property == PROP_FONT) {
    auto* src = reinterpret_cast<const plat::LOGFONTA*>(it->second);
    auto* dst = reinterpret_cast<plat::LOGFONTA*>(*value);
    if (src && dst) std::memcpy(dst, src, sizeof(plat::LOGFONTA));
  } else {
    *value = it->second;
  }
  return ANN_OK;
}

int32_t AnnLayer::SetToolDefault(int32_t tool, int32_t property, AnnValue value) {
  if (!annIsTool(tool)) return ERR_BAD_TOOL;
  auto& map = toolDefaults_[annToolIndex(tool)];
  auto it = map.find(property);
  if (it == map.end()) return ERR_NO_PROPERTY;
  if (property == PROP_TEXT || property == PROP_USER_STRING2) {
    auto* cell = reinterpret_cast<plat::BSTR*>(it->second);
    if (!cell) return kPending;  // a layer-owned cell for this key comes with the element work
    if (!plat::SysReAllocString(cell, reinterpret_cast<const char16_t*>(value))) return ERR_NO_MEMORY;
  } else if (property == PROP_FONT) {
    auto* dst = reinterpret_cast<plat::LOGFONTA*>(it->second);
    auto* src = reinterpret_cast<const plat::LOGFONTA*>(value);
    if (dst && src) std::memcpy(dst, src, sizeof(plat::LOGFONTA));
  } else if (property == PROP_IMAGE) {
    return kPending;
  } else {
    it->second = value;
  }
  return ANN_OK;
}

int32_t AnnLayer::GetToolEnabled(int32_t tool, bool* enabled) {
  if (!annIsTool(tool)) return ERR_BAD_TOOL;
  if (enabled) *enabled = toolEnabled_[annToolIndex(tool)] != 0;
  return ANN_OK;
}

int32_t AnnLayer::SetToolEnabled(int32_t tool, uint8_t enabled) {
  if (!annIsTool(tool)) return ERR_BAD_TOOL;
  uint8_t& flag = toolEnabled_[annToolIndex(tool)];
  bool changed = (flag != 0) != (enabled != 0);
  flag = enabled ? 1 : 0;
  if (changed && isCurrentLayer_ && services_.paletteToolEnable)
    services_.paletteToolEnable(services_.engine, tool, flag);
  return ANN_OK;
}

void AnnLayer::SetIsCurrent(uint8_t current) {
  if (current) {
    if (services_.paletteToolEnable)
      for (int i = 0; i < TOOL_COUNT; ++i)
        services_.paletteToolEnable(services_.engine, TOOL_FIRST + i, toolEnabled_[i]);
    isCurrentLayer_ = true;
    SetCurrentTool(currentTool_);
  }
  isCurrentLayer_ = current != 0;
}

void AnnLayer::ResetRunState(int32_t locked) {
  if (locked == 0) return;
  ClearSelection();
}

int32_t AnnLayer::SetProperty(int32_t key, AnnValue value) {
  auto* text = reinterpret_cast<const char16_t*>(value);
  if (key == LPROP_NAME) {
    if (!plat::SysReAllocString(&name_, text)) return ERR_NO_MEMORY;
    if (plat::SysToU16(name_) == u"Copper Lantra") fixedTime_ = true;
    return ANN_OK;
  }
  if (key == LPROP_TEXT2) return plat::SysReAllocString(&text2_, text) ? ANN_OK : ERR_NO_MEMORY;
  auto it = properties_.find(key);
  if (it == properties_.end()) return ERR_NO_PROPERTY;
  it->second = value;
  if (key == LPROP_VISIBLE) {
    visible_ = value != 0;
    if (paintEnabled_) Invalidate(nullptr);
  } else if (key == LPROP_CURRENT) {
    current_ = value != 0;
  }
  return ANN_OK;
}

int32_t AnnLayer::GetProperty(int32_t key, AnnValue* value) {
  if (key == LPROP_NAME || key == LPROP_TEXT2) {
    if (value) *value = reinterpret_cast<AnnValue>(plat::SysAllocFromU16(plat::SysToU16(key == LPROP_NAME ? name_ : text2_)));
    return ANN_OK;
  }
  auto it = properties_.find(key);
  if (it == properties_.end()) return ERR_NO_PROPERTY;
  if (value) *value = it->second;
  return ANN_OK;
}

int32_t AnnLayer::SetPassword(plat::BSTR password) {
  return plat::SysReAllocString(&password_, password) ? ANN_OK : ERR_NO_MEMORY;
}

int32_t AnnLayer::GetPassword(plat::BSTR* password) {
  if (password) *password = plat::SysAllocFromU16(plat::SysToU16(password_));
  return ANN_OK;
}

uint8_t AnnLayer::SetPaintEnabled(const uint8_t* newFlag) {
  uint8_t old = paintEnabled_;
  if (newFlag) {
    paintEnabled_ = *newFlag ? 1 : 0;
    Invalidate(nullptr);
  }
  return old;
}

int32_t AnnLayer::Draw(plat::HDC, const plat::RECT*, const plat::RECT*, intptr_t, intptr_t, intptr_t, int32_t) {
  return ANN_NOT_HANDLED;
}

int32_t AnnLayer::OnMessage(plat::HWND, uint32_t, plat::WPARAM, int32_t, int32_t, const plat::RECT*, const plat::RECT*) {
  return ANN_NOT_HANDLED;
}
int32_t AnnLayer::OnKeyMessage(plat::HWND, uint32_t, plat::WPARAM, plat::LPARAM) { return ANN_NOT_HANDLED; }
bool AnnLayer::OnRunModeMessage(plat::HWND, uint32_t, plat::WPARAM, int32_t, int32_t) { return false; }
int32_t AnnLayer::OfferMessage(plat::HWND, uint32_t, plat::WPARAM, plat::LPARAM) { return ANN_NOT_HANDLED; }
bool AnnLayer::IsCursorInView() { return false; }

int32_t AnnLayer::GetElementCount() const { return 0; }
bool AnnLayer::HasSelection() const { return false; }
AnnElement* AnnLayer::FindElement(int32_t) const { return nullptr; }
bool AnnLayer::IsElementLive(int32_t) const { return false; }
int32_t AnnLayer::GetElementIdByIndex(int32_t, int32_t*) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::GetFirstElement() { return 0; }
int32_t AnnLayer::GetNextElement() { return 0; }
int32_t AnnLayer::GetFirstSelectedElement() { return 0; }
int32_t AnnLayer::GetNextSelectedElement() { return 0; }
int32_t AnnLayer::GetElementProperty(int32_t, int32_t, AnnValue*) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::SetElementProperty(int32_t, int32_t, AnnValue) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::GetElementPoint(int32_t, int32_t, plat::POINT*) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::SetElementPoint(int32_t, int32_t, plat::POINT) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::GetElementDesc(int32_t, AnnObjectDesc*) { return kPending; }
int32_t AnnLayer::MoveElementTo(int32_t, int32_t, int32_t) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::DeleteElement(int32_t) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::DeleteSelectedElements() { return ANN_OK; }
int32_t AnnLayer::DeleteAllElements() { return SetCurrentTool(TOOL_POINTER); }
int32_t AnnLayer::SelectAll(uint8_t) { return ANN_OK; }
int32_t AnnLayer::ClearSelection() { return ANN_OK; }
int32_t AnnLayer::BringElementToFront(int32_t) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::SendElementToBack(int32_t) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::BringElementForward(int32_t) { return ANN_OK; }
int32_t AnnLayer::SendElementBackward(int32_t) { return ANN_OK; }
int32_t AnnLayer::BringSelectionToFront() { return ERR_NO_SELECTION; }
int32_t AnnLayer::SendSelectionToBack() { return ERR_NO_SELECTION; }
int32_t AnnLayer::ReverseElementOrder() { return ANN_OK; }

void AnnLayer::MirrorAllLeftRight(int32_t, int32_t) {}
void AnnLayer::MirrorAllTopBottom(int32_t, int32_t) {}
void AnnLayer::RotateAll(int32_t, int32_t, float) {}
void AnnLayer::ResetAllTextState(intptr_t, intptr_t) {}
void AnnLayer::InvalidateTextLayout() {}
void AnnLayer::RebaseCoordinates(int32_t, int32_t) {}
void AnnLayer::EndTextEditing() {}

int32_t AnnLayer::CreateGroup(plat::BSTR, int32_t, int32_t* groupId) {
  if (groupId) *groupId = 0;
  return kPending;
}
int32_t AnnLayer::DeleteGroup(int32_t) { return kPending; }
int32_t AnnLayer::AddElementToGroup(int32_t, int32_t) { return kPending; }
int32_t AnnLayer::AddSelectionToGroup(int32_t) { return kPending; }
int32_t AnnLayer::RemoveElementFromGroup(int32_t, int32_t) { return kPending; }
int32_t AnnLayer::ClearGroup(int32_t) { return kPending; }
int32_t AnnLayer::GetGroupMemberCount(int32_t, int32_t*) { return kPending; }
int32_t AnnLayer::GetFirstGroupMember(int32_t, int32_t*) { return kPending; }
int32_t AnnLayer::GetNextGroupMember(int32_t, int32_t*) { return kPending; }
int32_t AnnLayer::GetGroupName(int32_t, plat::BSTR*) { return kPending; }
int32_t AnnLayer::GetGroupUserValue(int32_t, int32_t*) { return kPending; }
int32_t AnnLayer::SetGroupName(int32_t, plat::BSTR) { return kPending; }
int32_t AnnLayer::SetGroupUserValue(int32_t, int32_t) { return kPending; }
int32_t AnnLayer::AddElementsOfTypeToGroup(int32_t, int32_t) { return kPending; }
int32_t AnnLayer::RemoveElementsOfTypeFromGroup(int32_t, int32_t) { return kPending; }
int32_t AnnLayer::GetFirstGroup(int32_t* groupId) {
  if (groupId) *groupId = 0;
  return ANN_OK;
}
int32_t AnnLayer::GetNextGroup(int32_t* groupId) {
  if (groupId) *groupId = 0;
  return ANN_OK;
}
int32_t AnnLayer::SetGroupText2(int32_t, plat::BSTR) { return kPending; }
int32_t AnnLayer::GetGroupText2(int32_t, plat::BSTR*) { return kPending; }
int32_t AnnLayer::SetGroupActive(int32_t, uint8_t) { return kPending; }
int32_t AnnLayer::GetGroupActive(int32_t, bool*) { return kPending; }
int32_t AnnLayer::GetGroupSelected(int32_t, bool*) { return kPending; }
int32_t AnnLayer::SetGroupSelected(int32_t, uint8_t) { return kPending; }
int32_t AnnLayer::GetElementGroup(int32_t, int32_t*) { return ERR_BAD_ELEMENT; }
int32_t AnnLayer::FindGroupByName(plat::BSTR, int32_t* groupId) {
  if (groupId) *groupId = 0;
  return ANN_OK;
}
int32_t AnnLayer::SetGroupMemberProperty(int32_t, int32_t, AnnValue) { return kPending; }
int32_t AnnLayer::GetGroupCount() const { return 0; }
int32_t AnnLayer::SetGroupRect(int32_t, int32_t, int32_t, int32_t, int32_t) { return kPending; }
int32_t AnnLayer::MirrorGroup(int32_t, int32_t) { return kPending; }
int32_t AnnLayer::RecalcGroupRect(int32_t, plat::RECT*) { return kPending; }
