#include "annotation/layer.h"
#include "annotation/rect_util.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "annotation/elements/element_factory.h"
#include "annotation/group.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/memory/global_memory.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

namespace {

int stringCellIndex(int32_t tool) {
  switch (tool) {
    case TOOL_TEXT: return 0;
    case TOOL_STAMP: return 1;
    case TOOL_BUTTON: return 2;
    default: return -1;
  }
}


}  // namespace

int32_t annPlaceElement(AnnLayer* layer, AnnElement* element) { return layer->PlaceElement(element, true, true); }

AnnLayer::AnnLayer(const AnnEngineServices& services) : services_(services) {
  toolEnabled_.fill(1);
  properties_ = {{21, 1}, {512, 0}, {513, 0}, {772, 0}, {1800, 0}, {36751, 1}, {36752, 0}, {36753, 0}, {36766, 0}};
}

AnnLayer::~AnnLayer() {
  beingDestroyed_ = true;
  unplaced_.reset();
  current_ = nullptr;
  resizeGroup_ = nullptr;
  groups_.clear();
  // Everything is unlinked before the first element is destroyed: a host that reacts to the
  // deletion events finds an empty layer, never a half-destroyed one.
  auto doomed = std::move(elements_);
  elements_.clear();
  placedSet_.clear();
  selection_.clear();
  idUse_.clear();
  for (auto& e : doomed) DestroyElement(std::move(e));
  plat::SysFreeString(name_);
  plat::SysFreeString(text2_);
  plat::SysFreeString(password_);
  for (auto& s : defaultText_) plat::SysFreeString(s);
  for (auto& cells : ownCells_)
    for (auto& s : cells) plat::SysFreeString(s);
  plat::GlobalFree(imageDefault_);
}

// ---------------------------------------------------------------------------------------------
// Repaint and events

int32_t AnnLayer::Margin() const { return services_.view ? services_.view->HandleMargin() : 0; }

plat::RECT AnnLayer::Grown(const plat::RECT& r, int times) const {
  return annInflateRect(r, Margin() * times);
}

void AnnLayer::Invalidate(const plat::RECT* logical) {
  if (services_.invalidate) services_.invalidate(services_.engine, logical);
}

void AnnLayer::InvalidateGrown(const plat::RECT& logical, int times) {
  plat::RECT r = Grown(logical, times);
  Invalidate(&r);
}

int32_t AnnLayer::RaiseEvent(int32_t code, int32_t param) {
  return services_.raiseEvent ? services_.raiseEvent(services_.engine, code, param) : 0;
}

void AnnLayer::AddDirty(const plat::RECT& r) {
  dirty_ = dirtyEmpty_ ? r : annUnionRect(dirty_, r);
  dirtyEmpty_ = false;
}

void AnnLayer::FlushDirtyRect(bool updateNow) {
  if (dirtyEmpty_) return;
  plat::RECT r = Grown(dirty_, 1);
  dirtyEmpty_ = true;
  Invalidate(&r);
  if (updateNow && services_.hostWindow && plat::IsWindow(services_.hostWindow)) plat::UpdateWindow(services_.hostWindow);
}

// ---------------------------------------------------------------------------------------------
// Tools and defaults

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

std::unique_ptr<AnnElement> AnnLayer::MakeElement(int32_t tool) {
  auto e = annMakeElement(tool, toolDefaults_[annToolIndex(tool)]);
  if (!e) return nullptr;
  e->Wire(this, &services_);
  e->SetCreationTime(fixedTime_ ? FIXED_TIME_STAMP : int64_t(std::time(nullptr)));
  return e;
}

void AnnLayer::DropCurrentElement() {
  if (unplaced_) {
    // An element still being drawn is owned here; no event: the host never saw it.
    unplaced_->CancelTracking(nullptr);
    if (unplaced_ && !unplaced_->Placed()) unplaced_.reset();
  }
  current_ = nullptr;
}

int32_t AnnLayer::SetCurrentTool(int32_t tool) {
  if (tool != TOOL_NONE && !annIsTool(tool)) return ERR_BAD_TOOL;
  if (!(tool == TOOL_POINTER && currentTool_ == TOOL_POINTER)) {
    if (tool == TOOL_NONE || tool == TOOL_POINTER) {
      DropCurrentElement();
      currentTool_ = tool;
    } else {
      // A kind this build does not make leaves the tool without an element: nothing is drawn
      // with it, and a stream holding such an element is refused by the reader.
      DropCurrentElement();
      unplaced_ = MakeElement(tool);
      current_ = unplaced_.get();
      currentTool_ = tool;
      if (current_) current_->MarkDirty();
    }
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
    if (!cell) {
      // No cell to write through: the layer makes one of its own for this tool and key.
      cell = &ownCells_[annToolIndex(tool)][property == PROP_TEXT ? 0 : 1];
      it->second = reinterpret_cast<AnnValue>(cell);
    }
    if (!plat::SysReAllocString(cell, reinterpret_cast<const char16_t*>(value))) return ERR_NO_MEMORY;
  } else if (property == PROP_FONT) {
    annTakeFont(reinterpret_cast<plat::LOGFONTA*>(it->second), reinterpret_cast<const void*>(value));
  } else if (property == PROP_IMAGE) {
    auto src = reinterpret_cast<plat::HGLOBAL>(value);
    plat::HGLOBAL copy = nullptr;
    if (src) {
      std::size_t size = plat::PackedDibSizeInBlock(src);
      if (size == 0 || size > plat::GlobalSize(src)) return ERR_BAD_VALUE;
      copy = plat::GlobalAlloc(plat::GHND, size);
      if (!copy) return ERR_NO_MEMORY;
      std::memcpy(plat::GlobalLock(copy), plat::GlobalLock(src), size);
      plat::GlobalUnlock(src);
      plat::GlobalUnlock(copy);
    }
    plat::GlobalFree(imageDefault_);
    imageDefault_ = copy;
    it->second = reinterpret_cast<AnnValue>(copy);
  } else {
    it->second = value;
  }
  if (unplaced_ && unplaced_->Kind() == tool) {
    bool changed = false;
    unplaced_->SetProperty(property, value, &changed);
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
  for (auto& e : elements_) e->SetPressedButton(0);
  pressed_ = nullptr;
  ClearSelection();
}

// ---------------------------------------------------------------------------------------------
// Layer properties

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
    currentFlag_ = value != 0;
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

// ---------------------------------------------------------------------------------------------
// Drawing

int32_t AnnLayer::Draw(plat::HDC dc, const plat::RECT* destination, const plat::RECT* source, intptr_t value1,
                       intptr_t value2, intptr_t value3, int32_t printing) {
  if (!visible_ || !paintEnabled_) return ANN_NOT_HANDLED;
  auto d = reinterpret_cast<intptr_t>(destination), s = reinterpret_cast<intptr_t>(source);
  for (auto& e : elements_)
    if (e->Visible()) e->Draw(dc, d, s, value1, value2, value3, printing);
  if (unplaced_) unplaced_->Draw(dc, d, s, value1, value2, value3, printing);
  for (auto& g : groups_) {
    if (g->selected && !g->members.empty()) {
      if (g->rectStale) RecalcGroup(g.get(), nullptr);
      if (services_.view) services_.view->DrawHandles(g->rect, dc);
    }
  }
  return ANN_NOT_HANDLED;
}

// ---------------------------------------------------------------------------------------------
// Elements

int32_t AnnLayer::GetElementCount() const { return int32_t(elements_.size()); }
bool AnnLayer::HasSelection() const { return !selection_.empty(); }

AnnElement* AnnLayer::FindElement(int32_t id) const {
  if (idUse_.find(id) == idUse_.end()) return nullptr;
  for (const auto& e : elements_)
    if (e->Id() == id) return e.get();
  return nullptr;
}

bool AnnLayer::IsElementLive(int32_t id) const {
  AnnElement* e = FindElement(id);
  return e && e->Live();
}

int32_t AnnLayer::IndexOf(const AnnElement* e) const {
  for (size_t i = 0; i < elements_.size(); ++i)
    if (elements_[i].get() == e) return int32_t(i);
  return -1;
}

int32_t AnnLayer::ElementValue(AnnElement* e, int32_t id) const { return e->Value(id); }

int32_t AnnLayer::GetElementIdByIndex(int32_t index, int32_t* id) {
  if (index < 1 || size_t(index) > elements_.size()) return ERR_BAD_ELEMENT;
  if (id) *id = elements_[size_t(index) - 1]->Id();
  return ANN_OK;
}

int32_t AnnLayer::GetFirstElement() {
  elementCursor_ = 0;
  return GetNextElement();
}

int32_t AnnLayer::GetNextElement() {
  if (elementCursor_ >= elements_.size()) return 0;
  return elements_[elementCursor_++]->Id();
}

int32_t AnnLayer::GetFirstSelectedElement() {
  selectionCursor_ = 0;
  return GetNextSelectedElement();
}

int32_t AnnLayer::GetNextSelectedElement() {
  if (selectionCursor_ >= selection_.size()) return 0;
  return selection_[selectionCursor_++]->Id();
}

int32_t AnnLayer::NextElementId(int32_t wanted) {
  if (wanted == 0 || idUse_.count(wanted)) return ++elementCounter_;
  if (wanted > elementCounter_) elementCounter_ = wanted;
  return wanted;
}

int32_t AnnLayer::PlaceElement(AnnElement* element, bool rearm, bool notify) {
  lastX_ = -1;
  if (!element) element = current_;
  if (!element) return 0;
  if (Holds(element)) return element->Id();
  if (unplaced_.get() != element) return 0;  // only the element being made can join
  std::unique_ptr<AnnElement> owned = std::move(unplaced_);
  owned->SetId(NextElementId(owned->Id()));
  int32_t id = owned->Id();
  int32_t kind = owned->Kind();
  owned->SetPlaced(true);
  placedSet_.insert(owned.get());
  ++idUse_[id];
  elements_.push_back(std::move(owned));
  if (notify) RaiseEvent(EVT_ELEMENT_ADDED, id);
  // The host may have removed the element from inside its event handler.
  if (Holds(element)) {
    plat::RECT r = element->Rect();
    Invalidate(&r);
    if (services_.hostWindow && plat::IsWindow(services_.hostWindow)) plat::UpdateWindow(services_.hostWindow);
  }
  if (rearm && currentTool_ == kind) SetCurrentTool(kind);
  return id;
}

std::unique_ptr<AnnElement> AnnLayer::Unlink(AnnElement* e) {
  int32_t i = IndexOf(e);
  if (i < 0) return nullptr;
  std::unique_ptr<AnnElement> owned = std::move(elements_[size_t(i)]);
  elements_.erase(elements_.begin() + i);
  placedSet_.erase(e);
  auto use = idUse_.find(e->Id());
  if (use != idUse_.end() && --use->second <= 0) idUse_.erase(use);
  RemoveFromSelection(e);
  if (elementCursor_ > size_t(i)) --elementCursor_;
  if (pressed_ == e) pressed_ = nullptr;
  if (rightClick_ == e) rightClick_ = nullptr;
  return owned;
}

void AnnLayer::DestroyElement(std::unique_ptr<AnnElement> e) {
  if (!e) return;
  if (e.get() == current_) current_ = nullptr;
  bool placed = e->Placed();
  int32_t id = e->Id();
  if (placed)
    if (AnnGroup* g = GroupOf(e.get())) g->RemoveMember(id);
  e.reset();
  if (placed) RaiseEvent(EVT_ELEMENT_DELETED, id);
}

bool AnnLayer::IsSelected(const AnnElement* e) const {
  return std::find(selection_.begin(), selection_.end(), e) != selection_.end();
}

void AnnLayer::RemoveFromSelection(const AnnElement* e) {
  auto it = std::find(selection_.begin(), selection_.end(), e);
  if (it == selection_.end()) return;
  size_t i = size_t(it - selection_.begin());
  selection_.erase(it);
  if (selectionCursor_ > i) --selectionCursor_;
}

int32_t AnnLayer::GetElementProperty(int32_t id, int32_t property, AnnValue* value) {
  if (property == PROP_Z_ORDER) {
    int32_t position = 0;
    int32_t r = GetZOrder(id, &position);
    if (r == ANN_OK && value) *value = position;
    return r;
  }
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  return e->GetPropertyEx(property, value);
}

int32_t AnnLayer::SetElementProperty(int32_t id, int32_t property, AnnValue value) {
  if (property == PROP_Z_ORDER) return SetZOrder(id, int32_t(value));
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  if (property == PROP_ELEMENT_ID) {
    // Ids stay unique and the counter stays ahead of every id given, so no later element can
    // take an id that is already in use.
    int32_t wanted = int32_t(value);
    if (wanted <= 0) return ERR_BAD_VALUE;
    if (wanted == e->Id()) return ANN_OK;
    if (idUse_.count(wanted)) return ERR_BAD_VALUE;
    elementCounter_ = std::max(elementCounter_, wanted);
    auto use = idUse_.find(e->Id());
    if (use != idUse_.end() && --use->second <= 0) idUse_.erase(use);
    e->SetId(int32_t(value));
    ++idUse_[e->Id()];
    return ANN_OK;
  }
  if (property == PROP_SELECTED) {
    bool selected = IsSelected(e);
    if (selected && value == 0) {
      RemoveFromSelection(e);
      if (selection_.empty()) RaiseEvent(EVT_SELECTION_CHANGED, 0);
    } else if (!selected && value != 0) {
      selection_.push_back(e);
      RaiseEvent(EVT_ELEMENT_SELECTED, id);
    }
    if (!Holds(e)) return ANN_OK;  // deleted by the host meanwhile
  }
  bool changed = false;
  int32_t r = e->SetProperty(property, value, &changed);
  if (r != ANN_OK) return r;
  InvalidateGrown(e->Rect(), 1);
  return ANN_OK;
}

int32_t AnnLayer::GetElementPoint(int32_t id, int32_t index, plat::POINT* point) {
  AnnElement* e = FindElement(id);
  return e ? e->GetPoint(index, point) : ERR_BAD_ELEMENT;
}

int32_t AnnLayer::SetElementPoint(int32_t id, int32_t index, plat::POINT point) {
  AnnElement* e = FindElement(id);
  return e ? e->SetPoint(index, point) : ERR_BAD_ELEMENT;
}

int32_t AnnLayer::MoveElementTo(int32_t id, int32_t x, int32_t y) {
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  plat::POINT p{x, y};
  if (services_.view) services_.view->PixelsToLogical(&p, &p, 1);
  p = annLimitPoint(p);
  e->RunPendingConversion();
  plat::RECT old;
  e->GetBoundsWithHandles(&old);
  plat::RECT area{};
  e->MoveBy(annSaturate(int64_t(p.x) - e->Rect().left), annSaturate(int64_t(p.y) - e->Rect().top), &area);
  InvalidateGrown(old, 1);
  InvalidateGrown(area, 1);
  if (services_.hostWindow && plat::IsWindow(services_.hostWindow)) plat::UpdateWindow(services_.hostWindow);
  return ANN_OK;
}

int32_t AnnLayer::DeleteElement(int32_t id) {
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  plat::RECT old;
  e->GetBoundsWithHandles(&old);
  DestroyElement(Unlink(e));
  InvalidateGrown(old, 1);
  return ANN_OK;
}

int32_t AnnLayer::DeleteSelectedElements() {
  if (selection_.empty()) return ANN_OK;
  // Each deletion raises an event; the host may change the layer in between, so every element of
  // the snapshot is checked again before it is touched.
  std::vector<AnnElement*> doomed = selection_;
  selection_.clear();
  selectionCursor_ = 0;
  for (AnnElement* e : doomed)
    if (Holds(e)) DestroyElement(Unlink(e));
  Invalidate(nullptr);
  return ANN_OK;
}

int32_t AnnLayer::DeleteAllElements() {
  unplaced_.reset();
  current_ = nullptr;
  auto doomed = std::move(elements_);
  elements_.clear();
  placedSet_.clear();
  selection_.clear();
  idUse_.clear();
  elementCursor_ = selectionCursor_ = 0;
  pressed_ = rightClick_ = nullptr;
  for (auto& e : doomed) DestroyElement(std::move(e));
  return SetCurrentTool(TOOL_POINTER);
}

int32_t AnnLayer::SelectAll(uint8_t select) {
  if (select) {
    if (elements_.empty()) return ANN_OK;
    for (AnnElement* e : selection_) e->SetSelectedFlag(false);
    selection_.clear();
    for (auto& e : elements_) {
      e->SetSelectedFlag(true);
      selection_.push_back(e.get());
    }
    Invalidate(nullptr);
    return ANN_OK;
  }
  if (selection_.empty()) return ANN_OK;
  ClearSelection();
  Invalidate(nullptr);
  return ANN_OK;
}

int32_t AnnLayer::ClearSelection() {
  if (selection_.empty() && !AnyGroupSelected()) return ANN_OK;
  for (auto& g : groups_) {
    if (!g->selected) continue;
    g->selected = false;
    AddDirty(Grown(g->rect, 2));
  }
  for (AnnElement* e : selection_) {
    plat::RECT r;
    e->GetBoundsWithHandles(&r);
    AddDirty(r);
    e->SetSelectedFlag(false);
  }
  selection_.clear();
  selectionCursor_ = 0;
  // An element a drawing tool is still making stays the current element: dropping the pointer
  // here would lose it.
  if (current_ && current_->Placed()) current_ = nullptr;
  FlushDirtyRect(false);
  RaiseEvent(EVT_SELECTION_CHANGED, 0);
  return ANN_OK;
}

void AnnLayer::SelectElement(AnnElement* e, plat::RECT* grow) {
  if (e->Selected() && IsSelected(e)) {
    if (grow) *grow = annUnionRect(*grow, e->Rect());
    return;
  }
  e->SetSelectedFlag(true);
  if (!IsSelected(e)) selection_.push_back(e);
  if (grow) *grow = annUnionRect(*grow, Grown(e->Rect(), 1));
  RaiseEvent(EVT_ELEMENT_SELECTED, e->Id());
}

void AnnLayer::KeepOnlySelected(AnnElement* keep) {
  std::vector<AnnElement*> others;
  for (AnnElement* e : selection_)
    if (e != keep) others.push_back(e);
  for (AnnElement* e : others) {
    e->SetSelectedFlag(false);
    RemoveFromSelection(e);
    AddDirty(e->Rect());
  }
}

// ---------------------------------------------------------------------------------------------
// Z-order

void AnnLayer::MoveToIndex(AnnElement* e, size_t index) {
  int32_t from = IndexOf(e);
  if (from < 0) return;
  std::unique_ptr<AnnElement> owned = std::move(elements_[size_t(from)]);
  elements_.erase(elements_.begin() + from);
  index = std::min(index, elements_.size());
  elements_.insert(elements_.begin() + std::ptrdiff_t(index), std::move(owned));
}

int32_t AnnLayer::BringElementToFront(int32_t id) {
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  MoveToIndex(e, elements_.size());
  InvalidateGrown(e->Rect(), 1);
  return ANN_OK;
}

int32_t AnnLayer::SendElementToBack(int32_t id) {
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  MoveToIndex(e, 0);
  InvalidateGrown(e->Rect(), 1);
  return ANN_OK;
}

int32_t AnnLayer::SwapWithNeighbour(int32_t id, int direction) {
  AnnElement* e = FindElement(id);
  if (!e) return ANN_OK;
  int32_t i = IndexOf(e), j = i + direction;
  if (j < 0 || size_t(j) >= elements_.size()) return ANN_OK;
  std::swap(elements_[size_t(i)], elements_[size_t(j)]);
  InvalidateGrown(annUnionRect(elements_[size_t(i)]->Rect(), elements_[size_t(j)]->Rect()), 1);
  return ANN_OK;
}

int32_t AnnLayer::BringElementForward(int32_t id) { return SwapWithNeighbour(id, 1); }
int32_t AnnLayer::SendElementBackward(int32_t id) { return SwapWithNeighbour(id, -1); }

int32_t AnnLayer::BringSelectionToFront() {
  if (selection_.empty()) return ERR_NO_SELECTION;
  std::vector<AnnElement*> order = selection_;
  for (AnnElement* e : order) {
    MoveToIndex(e, elements_.size());
    InvalidateGrown(e->Rect(), 1);
  }
  return ANN_OK;
}

int32_t AnnLayer::SendSelectionToBack() {
  if (selection_.empty()) return ERR_NO_SELECTION;
  std::vector<AnnElement*> order = selection_;
  for (AnnElement* e : order) {
    MoveToIndex(e, 0);
    InvalidateGrown(e->Rect(), 1);
  }
  return ANN_OK;
}

int32_t AnnLayer::ReverseElementOrder() {
  std::reverse(elements_.begin(), elements_.end());
  if (paintEnabled_) Invalidate(nullptr);
  return ANN_OK;
}

int32_t AnnLayer::GetZOrder(int32_t id, int32_t* position) {
  AnnElement* e = elements_.empty() ? nullptr : FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  if (position) *position = IndexOf(e) + 1;
  return ANN_OK;
}

int32_t AnnLayer::SetZOrder(int32_t id, int32_t position) {
  if (elements_.empty()) return ERR_BAD_ELEMENT;
  if (position == 1) return SendElementToBack(id);
  if (position >= int32_t(elements_.size())) return BringElementToFront(id);
  AnnElement* e = FindElement(id);
  if (!e || position < 1) return ERR_BAD_ELEMENT;
  AnnElement* target = elements_[size_t(position) - 1].get();
  if (target == e) return ANN_OK;
  // The element goes directly below the one that held the position; moving up it therefore lands
  // one place lower than asked, which callers rely on.
  plat::RECT old = e->Rect();
  int32_t from = IndexOf(e);
  std::unique_ptr<AnnElement> owned = std::move(elements_[size_t(from)]);
  elements_.erase(elements_.begin() + from);
  elements_.insert(elements_.begin() + IndexOf(target), std::move(owned));
  InvalidateGrown(old, 1);
  return ANN_OK;
}

// ---------------------------------------------------------------------------------------------
// Whole-layer geometry

void AnnLayer::RecalcAllGroupRects() {
  for (auto& g : groups_) RecalcGroup(g.get(), nullptr);
}

void AnnLayer::MirrorAllLeftRight(int32_t value1, int32_t value2) {
  for (auto& e : elements_) e->MirrorLeftRight(value1, value2);
  RecalcAllGroupRects();
}

void AnnLayer::MirrorAllTopBottom(int32_t value1, int32_t value2) {
  for (auto& e : elements_) e->MirrorTopBottom(value1, value2);
  RecalcAllGroupRects();
}

void AnnLayer::RotateAll(int32_t value1, int32_t value2, float degrees) {
  for (auto& e : elements_) e->Rotate(value1, value2, degrees);
  RecalcAllGroupRects();
}

void AnnLayer::PageTurned() {
  for (auto& e : elements_)
    if (AnnElement::IsPointKind(e->Kind())) e->RecalcBounds();
  RecalcAllGroupRects();
}

void AnnLayer::ResetAllTextState(intptr_t value1, intptr_t value2) {
  for (auto& e : elements_) e->ResetTextState(value1, value2);
  RecalcAllGroupRects();
}

void AnnLayer::InvalidateTextLayout() {
  for (auto& e : elements_) e->ResetTextState(0, 0);
}

void AnnLayer::RebaseCoordinates(int32_t offsetX, int32_t offsetY) {
  for (auto& e : elements_) e->RebaseToPixels(offsetX, offsetY);
}

void AnnLayer::EndTextEditing() {
  if (current_) current_->CancelTracking(nullptr);
}
