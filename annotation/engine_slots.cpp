// The slots that forward to layers, the layer list, callbacks and the operations whose behaviour
// comes with later work.
#include "annotation/engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

#include "annotation/engine_guard.h"
#include "annotation/layer.h"
#include "annotation/rect_util.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"

namespace {
// A layer deleted from inside a callback that the layer itself raised is still running underneath:
// it is unlinked at once (its handle is gone) and destroyed when the outermost slot returns.
void destroyWhenIdle(std::unique_ptr<AnnLayer> layer) {
  if (!layer || ann_detail::SlotDepth::Current() <= 1) return;  // nothing of it runs: it goes now
  AnnLayer* raw = layer.release();
  ann_detail::deferUntilSlotsReturn([raw] { delete raw; });
}
}  // namespace
#include "platform/windows/window.h"

using namespace ann_detail;

namespace {

// The ids the attribute menu knows, in the order the property enumeration hands them out.
constexpr int32_t kPropertyEnum[] = {1,  5,  26, 27, 38, 39,   2,    19,   25,   37,   33,   4,    3,   15,
                                     28, 16, 11, 22, 23, 1536, 1537, 1538, 1539, 1000, 1001, 1002, 1007};
constexpr int32_t kPropertyEnumCount = int32_t(std::size(kPropertyEnum));

}  // namespace

// ---------------------------------------------------------------------------------------------
// Slots 0 to 33: host interface and group forwarders

void AnnEngine::AttachImaging(AnnHostImaging* host) {
  guardedVoid([&] {
    if (host) host->AddRef();
    if (host_) host_->Release();
    host_ = host;
    fontCache_->SetHost(host);
    view_.MarkStale();
  });
}


int32_t AnnEngine::CreateGroup(AnnLayerHandle layer, int32_t* groupId, plat::BSTR name, int32_t userValue) {
  ANN_FORWARD(CreateGroup(name, userValue, groupId));
}
int32_t AnnEngine::DeleteGroup(AnnLayerHandle layer, int32_t groupId) { ANN_FORWARD(DeleteGroup(groupId)); }
int32_t AnnEngine::AddElementToGroup(AnnLayerHandle layer, int32_t groupId, int32_t id) {
  ANN_FORWARD(AddElementToGroup(groupId, id));
}
int32_t AnnEngine::AddSelectionToGroup(AnnLayerHandle layer, int32_t groupId) {
  ANN_FORWARD(AddSelectionToGroup(groupId));
}
int32_t AnnEngine::RemoveElementFromGroup(AnnLayerHandle layer, int32_t groupId, int32_t id) {
  ANN_FORWARD(RemoveElementFromGroup(groupId, id));
}
int32_t AnnEngine::ClearGroup(AnnLayerHandle layer, int32_t groupId) { ANN_FORWARD(ClearGroup(groupId)); }
int32_t AnnEngine::GetGroupMemberCount(AnnLayerHandle layer, int32_t groupId, int32_t* count) {
  ANN_FORWARD(GetGroupMemberCount(groupId, count));
}
int32_t AnnEngine::GetFirstGroupMember(AnnLayerHandle layer, int32_t groupId, int32_t* id) {
  ANN_FORWARD(GetFirstGroupMember(groupId, id));
}
int32_t AnnEngine::GetNextGroupMember(AnnLayerHandle layer, int32_t groupId, int32_t* id) {
  ANN_FORWARD(GetNextGroupMember(groupId, id));
}
int32_t AnnEngine::GetGroupName(AnnLayerHandle layer, int32_t groupId, plat::BSTR* name) {
  ANN_FORWARD(GetGroupName(groupId, name));
}
int32_t AnnEngine::GetGroupUserValue(AnnLayerHandle layer, int32_t groupId, int32_t* value) {
  ANN_FORWARD(GetGroupUserValue(groupId, value));
}
int32_t AnnEngine::SetGroupName(AnnLayerHandle layer, int32_t groupId, plat::BSTR name) {
  ANN_FORWARD(SetGroupName(groupId, name));
}
int32_t AnnEngine::SetGroupUserValue(AnnLayerHandle layer, int32_t groupId, int32_t value) {
  ANN_FORWARD(SetGroupUserValue(groupId, value));
}
int32_t AnnEngine::AddElementsOfTypeToGroup(AnnLayerHandle layer, int32_t groupId, int32_t type) {
  ANN_FORWARD(AddElementsOfTypeToGroup(groupId, type));
}
int32_t AnnEngine::RemoveElementsOfTypeFromGroup(AnnLayerHandle layer, int32_t groupId, int32_t type) {
  ANN_FORWARD(RemoveElementsOfTypeFromGroup(groupId, type));
}
int32_t AnnEngine::GetFirstGroup(AnnLayerHandle layer, int32_t* groupId) { ANN_FORWARD(GetFirstGroup(groupId)); }
int32_t AnnEngine::GetNextGroup(AnnLayerHandle layer, int32_t* groupId) { ANN_FORWARD(GetNextGroup(groupId)); }
int32_t AnnEngine::SetGroupText2(AnnLayerHandle layer, int32_t groupId, plat::BSTR text) {
  ANN_FORWARD(SetGroupText2(groupId, text));
}
int32_t AnnEngine::GetGroupText2(AnnLayerHandle layer, int32_t groupId, plat::BSTR* text) {
  ANN_FORWARD(GetGroupText2(groupId, text));
}
int32_t AnnEngine::SetGroupActive(AnnLayerHandle layer, int32_t groupId, int32_t active) {
  ANN_FORWARD(SetGroupActive(groupId, uint8_t(active & 0xFF)));
}
int32_t AnnEngine::GetGroupActive(AnnLayerHandle layer, int32_t groupId, bool* active) {
  ANN_FORWARD(GetGroupActive(groupId, active));
}
int32_t AnnEngine::GetGroupSelected(AnnLayerHandle layer, int32_t groupId, bool* selected) {
  ANN_FORWARD(GetGroupSelected(groupId, selected));
}
int32_t AnnEngine::SetGroupSelected(AnnLayerHandle layer, int32_t groupId, int32_t selected) {
  ANN_FORWARD(SetGroupSelected(groupId, uint8_t(selected & 0xFF)));
}
int32_t AnnEngine::GetElementGroup(AnnLayerHandle layer, int32_t id, int32_t* groupId) {
  ANN_FORWARD(GetElementGroup(id, groupId));
}
int32_t AnnEngine::FindGroupByName(AnnLayerHandle layer, plat::BSTR name, int32_t* groupId) {
  ANN_FORWARD(FindGroupByName(name, groupId));
}
int32_t AnnEngine::SetGroupMemberProperty(AnnLayerHandle layer, int32_t groupId, int32_t property, AnnValue value) {
  ANN_FORWARD(SetGroupMemberProperty(groupId, property, value));
}
int32_t AnnEngine::GetGroupCount(AnnLayerHandle layer, int32_t* count) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (count) *count = l->GetGroupCount();
    return ANN_OK;
  });
}
int32_t AnnEngine::SetGroupRect(AnnLayerHandle layer, int32_t groupId, int32_t x, int32_t y, int32_t width,
                                int32_t height) {
  ANN_FORWARD(SetGroupRect(groupId, x, y, width, height));
}
int32_t AnnEngine::MirrorGroupLeftRight(AnnLayerHandle layer, int32_t groupId) { ANN_FORWARD(MirrorGroup(groupId, 4)); }
int32_t AnnEngine::MirrorGroupTopBottom(AnnLayerHandle layer, int32_t groupId) { ANN_FORWARD(MirrorGroup(groupId, 2)); }
int32_t AnnEngine::GetGroupRect(AnnLayerHandle layer, int32_t groupId, plat::RECT* rect) {
  ANN_FORWARD(RecalcGroupRect(groupId, rect));
}

void AnnEngine::SetGroupKeysEnabled(int32_t enabled) { groupKeysEnabled_ = lowByte(enabled); }

void AnnEngine::SetHostWindow(plat::HWND window) {
  hostWindow_ = window;
  services_.hostWindow = window;
  // Layers made earlier follow, so that none keeps a window the host may already have destroyed.
  for (auto& l : layers_) l->MutableServices().hostWindow = window;
}

// ---------------------------------------------------------------------------------------------
// Slots 42 to 50: the layer list, saving flag, files

AnnLayerHandle AnnEngine::CreateLayer(int32_t makeCurrent) {
  return guarded<AnnLayerHandle>(0, [&]() -> AnnLayerHandle {
    auto layer = std::make_unique<AnnLayer>(services_);
    for (int32_t t = TOOL_FIRST; t <= TOOL_LAST; ++t) layer->CopyToolDefaults(t, toolMaps_[annToolIndex(t)]);
    AnnLayer* l = layer.get();
    layers_.push_front(std::move(layer));
    if (lowByte(makeCurrent)) {
      if (current_) current_->SetIsCurrent(0);
      current_ = l;
      l->SetIsCurrent(1);
      l->SetProperty(LPROP_CURRENT, 1);
      ShowPaletteWindow(l->PaletteVisible());
      if (auto f = reinterpret_cast<AnnCurrentLayerCallback>(hostCallbacks_[HOSTCB_CURRENT_LAYER]))
        f(hostCookie_, HandleOf(l));
    }
    return HandleOf(l);
  });
}

bool AnnEngine::DeleteLayer(AnnLayerHandle layer) {
  return guarded<bool>(false, [&] {
    for (auto it = layers_.begin(); it != layers_.end(); ++it) {
      if (HandleOf(it->get()) != layer) continue;
      if (it->get() == current_) {
        current_ = nullptr;
        ShowPaletteWindow(false);
        InvalidateHost(nullptr);
      }
      // An enumeration under way continues with the layer after the deleted one.
      if (enumNext_ == it->get()) enumNext_ = std::next(it) == layers_.end() ? nullptr : std::next(it)->get();
      if (enumLayer_ == it->get()) enumLayer_ = nullptr;
      std::unique_ptr<AnnLayer> doomed = std::move(*it);
      layers_.erase(it);
      destroyWhenIdle(std::move(doomed));
      return true;
    }
    return false;
  });
}

bool AnnEngine::SetCurrentLayer(AnnLayerHandle layer) {
  return guarded<bool>(false, [&] {
    if (!layer) {
      if (current_) current_->SetIsCurrent(0);
      current_ = nullptr;
      ShowPaletteWindow(false);
      return true;
    }
    AnnLayer* l = FindLayer(layer);
    if (!l) return false;
    if (l != current_) {
      if (current_) current_->SetIsCurrent(0);
      current_ = l;
      l->SetIsCurrent(1);
      if (!locked_) ShowPaletteWindow(l->PaletteVisible());
    }
    return true;
  });
}

AnnLayerHandle AnnEngine::GetCurrentLayer() { return HandleOf(current_); }

void AnnEngine::SetSaveEnabled(int32_t enabled) {
  saveEnabled_ = lowByte(enabled);
  properties_[EPROP_SAVE_ENABLED] = saveEnabled_ ? 1 : 0;
}
bool AnnEngine::GetSaveEnabled() { return saveEnabled_; }


// ---------------------------------------------------------------------------------------------
// Slots 68 to 102

int32_t AnnEngine::DeleteAllLayers() {
  return guardedCode([&]() -> int32_t {
    plat::SetFocus(nullptr);
    bool hadCurrent = current_ != nullptr;
    current_ = nullptr;
    enumLayer_ = enumNext_ = nullptr;
    // Unlinked before destroyed: a host reacting to the deletion events finds no half-dead layer.
    auto doomed = std::move(layers_);
    layers_.clear();
    for (auto& l : doomed) destroyWhenIdle(std::move(l));
    ShowPaletteWindow(false);
    if (hadCurrent)
      if (auto f = reinterpret_cast<AnnCurrentLayerCallback>(hostCallbacks_[HOSTCB_CURRENT_LAYER])) f(hostCookie_, 0);
    InvalidateHost(nullptr);
    return ANN_OK;
  });
}


bool AnnEngine::ShowPaletteForLayer(AnnLayerHandle layer, const uint8_t* show) {
  AnnLayer* l = FindLayer(layer);
  if (!show || !l) return true;
  if (l == current_) ShowPaletteWindow(*show != 0);
  l->SetPaletteVisible(*show != 0);
  return true;
}

int32_t AnnEngine::SetToolTip(int32_t tool, plat::BSTR text) {
  return guardedCode([&]() -> int32_t {
    if (!annIsTool(tool)) return ERR_BAD_TOOL;
    SetStringProperty(&tooltips_[annToolIndex(tool)], reinterpret_cast<AnnValue>(text));
    return ANN_OK;
  });
}

int32_t AnnEngine::GetToolTip(int32_t tool, plat::BSTR* text) {
  return guardedCode([&]() -> int32_t {
    if (!annIsTool(tool)) return ERR_BAD_TOOL;
    if (text) *text = plat::SysAllocFromU16(plat::SysToU16(tooltips_[annToolIndex(tool)]));
    return ANN_OK;
  });
}

int32_t AnnEngine::ReverseElementOrder(AnnLayerHandle layer) { ANN_FORWARD(ReverseElementOrder()); }
int32_t AnnEngine::SetLayerProperty(AnnLayerHandle layer, int32_t key, AnnValue value) {
  ANN_FORWARD(SetProperty(key, value));
}
int32_t AnnEngine::GetLayerProperty(AnnLayerHandle layer, int32_t key, AnnValue* value) {
  ANN_FORWARD(GetProperty(key, value));
}

bool AnnEngine::IsLayer(AnnLayerHandle handle) { return FindLayer(handle) != nullptr; }

int32_t AnnEngine::HasToolDefault(int32_t tool, int32_t property, bool* present) {
  if (!annIsTool(tool)) return ERR_BAD_TOOL;
  if (present) *present = toolMaps_[annToolIndex(tool)].count(property) != 0;
  return ANN_OK;
}

void AnnEngine::DeleteSelectedElements() {
  guardedVoid([&] {
    if (current_) current_->DeleteSelectedElements();
  });
}

int32_t AnnEngine::SelectAllElements(AnnLayerHandle layer, int32_t select) {
  ANN_FORWARD(SelectAll(uint8_t(select & 0xFF)));
}

int32_t AnnEngine::DeleteAllElements(AnnLayerHandle layer) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    int32_t r = l->DeleteAllElements();
    InvalidateHost(nullptr);
    return r;
  });
}

int32_t AnnEngine::SetCursorOption(int32_t type, int32_t on) {
  if (type < 0 || type > 2) return ERR_BAD_OPTION;
  cursorOptions_[type] = lowByte(on);
  return ANN_OK;
}

int32_t AnnEngine::GetCursorOption(int32_t type, bool* on) {
  if (type < 0 || type > 2) return ERR_BAD_OPTION;
  if (on) *on = cursorOptions_[type];
  return ANN_OK;
}

int32_t AnnEngine::BringSelectionToFront(AnnLayerHandle layer) { ANN_FORWARD(BringSelectionToFront()); }
int32_t AnnEngine::SendSelectionToBack(AnnLayerHandle layer) { ANN_FORWARD(SendSelectionToBack()); }
int32_t AnnEngine::BringElementToFront(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(BringElementToFront(id)); }
int32_t AnnEngine::SendElementToBack(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(SendElementToBack(id)); }

bool AnnEngine::HasSelection(AnnLayerHandle layer) {
  return guarded<bool>(false, [&] {
    AnnLayer* l = FindLayer(layer);
    return l && l->HasSelection();
  });
}

int32_t AnnEngine::GetToolEnabled(AnnLayerHandle layer, int32_t tool, bool* enabled) {
  ANN_FORWARD(GetToolEnabled(tool, enabled));
}
int32_t AnnEngine::SetToolEnabled(AnnLayerHandle layer, int32_t tool, int32_t enabled) {
  ANN_FORWARD(SetToolEnabled(tool, uint8_t(enabled & 0xFF)));
}

int32_t AnnEngine::GetLayerPaletteVisible(AnnLayerHandle layer, bool* visible) {
  AnnLayer* l = FindLayer(layer);
  if (!l) return ERR_BAD_LAYER;
  if (visible) *visible = l->PaletteVisible();
  return ANN_OK;
}

int32_t AnnEngine::SetLayerPaletteVisible(AnnLayerHandle layer, int32_t visible) {
  bool show = lowByte(visible);
  if (locked_ && show) return ERR_LOCKED;
  AnnLayer* l = FindLayer(layer);
  if (!l) return ERR_BAD_LAYER;
  l->SetPaletteVisible(show);
  if (l == current_) ShowPaletteWindow(show);
  return ANN_OK;
}

plat::HWND AnnEngine::GetPaletteWindow() { return paletteWindow_; }



int32_t AnnEngine::GetFirstElement(AnnLayerHandle layer, int32_t* id) { ANN_FORWARD_ID(GetFirstElement()); }
int32_t AnnEngine::GetNextElement(AnnLayerHandle layer, int32_t* id) { ANN_FORWARD_ID(GetNextElement()); }
int32_t AnnEngine::GetFirstSelectedElement(AnnLayerHandle layer, int32_t* id) {
  ANN_FORWARD_ID(GetFirstSelectedElement());
}
int32_t AnnEngine::GetNextSelectedElement(AnnLayerHandle layer, int32_t* id) {
  ANN_FORWARD_ID(GetNextSelectedElement());
}

AnnLayerHandle AnnEngine::GetFirstLayer() {
  enumLayer_ = layers_.empty() ? nullptr : layers_.front().get();
  enumNext_ = layers_.size() > 1 ? std::next(layers_.begin())->get() : nullptr;
  return HandleOf(enumLayer_);
}

AnnLayerHandle AnnEngine::GetNextLayer() {
  // enumNext_ is kept valid across deletions (DeleteLayer moves it on).
  enumLayer_ = enumNext_;
  enumNext_ = nullptr;
  if (enumLayer_) {
    for (auto it = layers_.begin(); it != layers_.end(); ++it)
      if (it->get() == enumLayer_) {
        enumNext_ = std::next(it) == layers_.end() ? nullptr : std::next(it)->get();
        break;
      }
  }
  return HandleOf(enumLayer_);
}

int32_t AnnEngine::GetLayerCount() { return int32_t(layers_.size()); }

int32_t AnnEngine::BringElementForward(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(BringElementForward(id)); }
int32_t AnnEngine::SendElementBackward(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(SendElementBackward(id)); }

// ---------------------------------------------------------------------------------------------
// Slots 103 to 117: object descriptors, element deletion, default view size

int32_t AnnEngine::DeleteElement(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(DeleteElement(id)); }
int32_t AnnEngine::GetElementIdByIndex(AnnLayerHandle layer, int32_t index, int32_t* id) {
  ANN_FORWARD(GetElementIdByIndex(index, id));
}

void AnnEngine::SetDefaultViewSize(int32_t width, int32_t height) {
  defaultViewWidth_ = std::min(width, kAnnViewSizeLimit);
  defaultViewHeight_ = std::min(height, kAnnViewSizeLimit);
  view_.MarkStale();
}

void AnnEngine::GetDefaultViewSize(int32_t* width, int32_t* height) {
  if (width) *width = defaultViewWidth_;
  if (height) *height = defaultViewHeight_;
}

int32_t AnnEngine::GetElementRect(AnnLayerHandle layer, int32_t id, plat::RECT* rect) {
  return guardedCode([&]() -> int32_t {
    plat::RECT logical{};
    AnnValue v = reinterpret_cast<AnnValue>(&logical);
    if (int32_t r = GetElementProperty(layer, id, PROP_RECT, &v)) return r;
    if (!SyncViewGeometry(false, nullptr)) return ERR_HOST_VIEW;
    if (rect) *rect = view_.RectLogicalToDevice(logical);
    return ANN_OK;
  });
}

// ---------------------------------------------------------------------------------------------
// Slots 118 to 124: callbacks

void AnnEngine::SetImageSourceCallback(AnnImageSourceCallback fn) { imageSource_ = fn; }
void AnnEngine::SetImageResultCallback(AnnImageResultCallback fn) { imageResult_ = fn; }

void AnnEngine::SetHostCallback(int32_t type, AnnCallbackFn fn) {
  if (type < HOSTCB_EVENT || type > HOSTCB_GROUP_DELETED || type == 2) return;
  hostCallbacks_[type] = fn;
}

void AnnEngine::SetAuxCallback1(intptr_t auxCookie, AnnCallbackFn fn) {
  auxCookie_ = auxCookie;
  aux1_ = fn;
}
void AnnEngine::SetAuxCallback2(intptr_t auxCookie, AnnCallbackFn fn) {
  auxCookie_ = auxCookie;
  aux2_ = fn;
}
void AnnEngine::SetDrawImageCallback(AnnDrawImageCallback fn) { drawImage_ = fn; }
void AnnEngine::SetTransformImageCallback(AnnTransformImageCallback fn) { transformImage_ = fn; }

// ---------------------------------------------------------------------------------------------
// Slots 125 to 157

int32_t AnnEngine::ResetPropertyEnum() {
  propertyEnumIndex_ = 1;
  return kPropertyEnum[0];
}

int32_t AnnEngine::NextPropertyId() {
  if (propertyEnumIndex_ < 0 || propertyEnumIndex_ >= kPropertyEnumCount) {
    propertyEnumIndex_ = 0;
    return 0;
  }
  return kPropertyEnum[propertyEnumIndex_++];
}

int32_t AnnEngine::SetLayerPassword(AnnLayerHandle layer, plat::BSTR password) { ANN_FORWARD(SetPassword(password)); }
int32_t AnnEngine::GetLayerPassword(AnnLayerHandle layer, plat::BSTR* password) {
  ANN_FORWARD(GetPassword(password));
}

void AnnEngine::SetToolMenusEnabled(int32_t enabled) {
  toolMenusEnabled_ = lowByte(enabled);
  properties_[EPROP_TOOL_MENUS_ENABLED] = toolMenusEnabled_ ? 1 : 0;
}

void AnnEngine::MirrorAllLeftRight(int32_t pageWidth, int32_t pageHeight) {
  guardedVoid([&] {
    for (auto& l : layers_) l->MirrorAllLeftRight(pageWidth, pageHeight);
  });
}

void AnnEngine::MirrorAllTopBottom(int32_t pageWidth, int32_t pageHeight) {
  guardedVoid([&] {
    for (auto& l : layers_) l->MirrorAllTopBottom(pageWidth, pageHeight);
  });
}

void AnnEngine::RotateAll(int32_t pageWidth, int32_t pageHeight, float degrees) {
  guardedVoid([&] {
    for (auto& l : layers_) l->RotateAll(pageWidth, pageHeight, degrees);
    if (degrees == 90.0f || degrees == 270.0f || degrees == -90.0f || degrees == -270.0f) {
      std::swap(defaultViewWidth_, defaultViewHeight_);
      view_.MarkStale();
      for (auto& l : layers_) l->PageTurned();
    }
  });
}

void AnnEngine::RebaseAllCoordinates(const plat::POINT* offset, intptr_t, intptr_t) {
  guardedVoid([&] {
    if (!offset) return;
    for (auto& l : layers_) l->RebaseCoordinates(offset->x, offset->y);
  });
}

void AnnEngine::ResetAllTextState(intptr_t value1, intptr_t value2) {
  guardedVoid([&] {
    for (auto& l : layers_) l->ResetAllTextState(value1, value2);
  });
}

int32_t AnnEngine::SetCaret(int32_t kind) {
  return guardedCode([&]() -> int32_t {
    if (kind == 7) {
      plat::CreateCaret(hostWindow_, 2, 8);
    } else {
      if (current_) current_->EndTextEditing();
      plat::DestroyCaret();
    }
    return ANN_OK;
  });
}

