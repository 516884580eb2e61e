// How a layer turns the host window's mouse and key messages into selection, moving, resizing,
// grouping, context menus and run-mode events. Points arrive in logical units.
#include <algorithm>

#include "annotation/elements/element.h"
#include "annotation/group.h"
#include "annotation/layer.h"
#include "annotation/rect_util.h"
#include "annotation/view.h"
#include "platform/windows/window.h"

namespace {

constexpr int32_t kCursorBody = 1;
constexpr int32_t kCursorMoveOnly = 2;


bool isRectKind(int32_t kind) {
  return kind == TOOL_TEXT || kind == TOOL_RECTANGLE || kind == TOOL_ELLIPSE || kind >= TOOL_STAMP;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Hit testing and cursors

AnnElement* AnnLayer::HitTestElements(int32_t x, int32_t y, bool includeLocked, int32_t* handle, uint32_t message,
                                      plat::HWND window) {
  *handle = -1;
  if (x < 0 || y < 0) return nullptr;
  if (current_ && Holds(current_) && current_->Selected()) {
    int32_t h = current_->HitTestHandles(window, message, 0, 0, x, y, 0);
    if (h != -1) {
      *handle = h;
      return current_;
    }
  }
  for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
    AnnElement* e = it->get();
    if (!includeLocked && e->Value(PROP_LOCKED) != 0) continue;
    if (e->Selected()) {
      int32_t h = e->HitTestHandles(window, message, 0, 0, x, y, 0);
      if (h != -1 && e->Selected()) {
        *handle = h;
        return e;
      }
    }
    if (e->HitTest(this, 0, x, y, 0)) return e;
  }
  return nullptr;
}

AnnGroup* AnnLayer::HitTestGroupHandles(int32_t x, int32_t y, int32_t* handle) {
  *handle = -1;
  if (!services_.view) return nullptr;
  for (auto it = groups_.rbegin(); it != groups_.rend(); ++it) {
    AnnGroup* g = it->get();
    if (!g->selected) continue;
    int32_t h = services_.view->HitTestHandles(g->rect, x, y);
    if (h != -1) {
      *handle = h;
      return g;
    }
  }
  return nullptr;
}

int32_t AnnLayer::CursorForHandle(int32_t handle) {
  switch (handle) {
    case 0: case 3: return int32_t(plat::IDC_SIZENWSE);
    case 1: case 2: return int32_t(plat::IDC_SIZENESW);
    case 4: case 5: return int32_t(plat::IDC_SIZEWE);
    default: return int32_t(plat::IDC_SIZENS);
  }
}

bool AnnLayer::ChooseCursor(AnnElement* e, int32_t handle, int32_t* code) {
  if (handle == -1) {
    *code = kCursorBody;
    return true;
  }
  if (e->Value(PROP_SIZEABLE) != 0) {
    *code = isRectKind(e->Kind()) ? CursorForHandle(handle) : int32_t(plat::IDC_SIZEALL);
    return true;
  }
  if (e->Value(PROP_MOVEABLE) != 0) {
    *code = kCursorMoveOnly;
    return true;
  }
  return false;
}

// The message's own point decides whether the pointer is over the displayed image: it is where
// the cursor was when the message was made, and it works the same for real and replayed input.
bool AnnLayer::PointInView(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x > ANN_LOGICAL_SPAN || y > ANN_LOGICAL_SPAN || !services_.view) return false;
  if (!services_.hostWindow) return true;
  plat::RECT client{};
  if (!plat::GetClientRect(services_.hostWindow, &client)) return false;
  plat::POINT p{x, y};
  services_.view->LogicalToDevice(&p, &p, 1);
  return p.x >= client.left && p.x <= client.right && p.y >= client.top && p.y <= client.bottom;
}

bool AnnLayer::IsCursorInView() {
  if (!services_.hostWindow || !services_.view) return false;
  plat::POINT p{};
  if (!plat::GetCursorPos(&p) || !plat::ScreenToClient(services_.hostWindow, &p)) return false;
  services_.view->DeviceToLogical(&p, &p, 1);
  return PointInView(p.x, p.y);
}

int32_t AnnLayer::OfferMessage(plat::HWND, uint32_t, plat::WPARAM, plat::LPARAM) { return ANN_NOT_HANDLED; }

// ---------------------------------------------------------------------------------------------
// Messages

int32_t AnnLayer::OnMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                            const plat::RECT*, const plat::RECT*) {
  switch (message) {
    case plat::WM_SETCURSOR:
    case plat::WM_MOUSEMOVE:
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONUP:
    case plat::WM_LBUTTONDBLCLK:
    case plat::WM_RBUTTONDOWN:
    case plat::WM_RBUTTONUP:
      break;
    default:
      return ANN_NOT_HANDLED;
  }
  if (currentTool_ == TOOL_NONE) return ANN_NOT_HANDLED;
  if (currentTool_ == TOOL_POINTER) return OnPointerMessage(window, message, wParam, x, y);
  // A drawing tool: the element being made takes the message and places itself when done.
  if (!current_) return ANN_NOT_HANDLED;
  // A release always reaches it, so that a drag that left the image still ends its capture.
  if (!current_->Placed() && message != plat::WM_LBUTTONUP && !PointInView(x, y)) return ANN_NOT_HANDLED;
  if (message == plat::WM_LBUTTONDBLCLK) lastX_ = -1;
  current_->OnMouseMessage(window, message, wParam, x, y, nullptr);
  return ANN_NOT_HANDLED;
}

int32_t AnnLayer::OnPointerMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y) {
  switch (message) {
    case plat::WM_SETCURSOR:
      return OnPointerSetCursor(x, y);
    case plat::WM_LBUTTONDOWN:
      return OnPointerButtonDown(window, wParam, x, y);
    case plat::WM_MOUSEMOVE:
      return OnPointerMouseMove(window, wParam, x, y);
    case plat::WM_LBUTTONUP: {
      if (resizeGroup_ && resizeGroup_->resizing) {
        plat::ReleaseCapture();
        resizeGroup_->resizing = false;
        for (int32_t id : resizeGroup_->members)
          if (AnnElement* e = FindElement(id)) {
            e->SetGroupHandle(-1);
            e->EndScaleSnapshot();
          }
        resizeGroup_ = nullptr;
      }
      std::vector<AnnElement*> selected = selection_;
      for (AnnElement* e : selected)
        if (Holds(e)) e->OnMouseMessage(window, plat::WM_LBUTTONUP, wParam, x, y, nullptr);
      return ANN_NOT_HANDLED;
    }
    case plat::WM_LBUTTONDBLCLK: {
      // Only a current text element takes double clicks: they start editing it in place.
      if (!current_ || !Holds(current_) || current_->Kind() != TOOL_TEXT) return ANN_NOT_HANDLED;
      int32_t event = 0, id = current_->Id();
      int32_t r = current_->OnMouseMessage(window, message, wParam, x, y, &event);
      if (event) RaiseEvent(event, id);
      return r;
    }
    case plat::WM_RBUTTONDOWN: {
      int32_t handle = -1;
      rightClick_ = HitTestElements(x, y, true, &handle, plat::WM_RBUTTONDOWN, nullptr);
      if (!rightClick_) return ANN_NOT_HANDLED;
      captureHeld_ = true;
      plat::SetCapture(window);
      return ANN_OK;
    }
    case plat::WM_RBUTTONUP: {
      if (!rightClick_) return ANN_NOT_HANDLED;
      captureHeld_ = false;
      plat::ReleaseCapture();
      int32_t handle = -1;
      AnnElement* candidate = rightClick_;
      rightClick_ = nullptr;
      if (HitTestElements(x, y, true, &handle, plat::WM_RBUTTONUP, nullptr) == candidate) {
        ClearSelection();
        if (!Holds(candidate)) return ANN_OK;
        current_ = candidate;
        plat::RECT grow = candidate->Rect();
        SelectElement(candidate, &grow);
        if (!Holds(candidate)) return ANN_OK;
        AddDirty(grow);
        FlushDirtyRect(false);
        if (services_.contextMenuEnabled && *services_.contextMenuEnabled) {
          if (services_.openAttributeMenu)
            services_.openAttributeMenu(services_.engine, reinterpret_cast<AnnLayerHandle>(this), candidate);
        } else {
          RaiseEvent(EVT_ELEMENT_CLICKED, candidate->Id());
        }
      }
      return ANN_OK;
    }
    default:
      return ANN_NOT_HANDLED;
  }
}

int32_t AnnLayer::OnPointerSetCursor(int32_t x, int32_t y) {
  int32_t handle = -1;
  if (HitTestGroupHandles(x, y, &handle)) {
    plat::SetCursor(plat::LoadCursor(CursorForHandle(handle)));
    return 1;
  }
  AnnElement* e = HitTestElements(x, y, false, &handle, plat::WM_SETCURSOR, nullptr);
  int32_t code = 0;
  if (e && ChooseCursor(e, handle, &code) && services_.chooseCursor &&
      services_.chooseCursor(services_.engine, e->Kind(), code))
    return 1;
  return ANN_NOT_HANDLED;
}

int32_t AnnLayer::OnPointerButtonDown(plat::HWND window, plat::WPARAM wParam, int32_t x, int32_t y) {
  if (elements_.empty()) return ANN_NOT_HANDLED;
  dirtyEmpty_ = true;
  // A grab handle of a selected group starts resizing the group.
  for (auto& g : groups_) {
    if (!g->selected || !services_.view) continue;
    int32_t h = services_.view->HitTestHandles(g->rect, x, y);
    if (h == -1) continue;
    g->startRect = g->rect;
    resizeGroup_ = g.get();
    g->handle = h;
    g->resizing = true;
    plat::SetCapture(window);
    for (int32_t id : g->members)
      if (AnnElement* e = FindElement(id)) e->BeginScaleSnapshot();
    lastX_ = x;
    lastY_ = y;
    return ANN_OK;
  }
  // A grab handle of a selected element starts the element's own resize.
  std::vector<AnnElement*> selected = selection_;
  for (AnnElement* e : selected) {
    if (!Holds(e)) continue;
    int32_t h = e->HitTestHandles(window, plat::WM_LBUTTONDOWN, 0, 0, x, y, 0);
    if (h == -1) continue;
    KeepOnlySelected(e);
    FlushDirtyRect(false);
    int32_t code = 0;
    if (ChooseCursor(e, h, &code) && services_.chooseCursor) services_.chooseCursor(services_.engine, e->Kind(), code);
    int32_t id = e->Id();
    RaiseEvent(EVT_SELECTION_CHANGED, 0);
    RaiseEvent(EVT_ELEMENT_SELECTED, id);
    lastX_ = x;
    lastY_ = y;
    return ANN_OK;
  }
  if (!(wParam & plat::MK_SHIFT)) ClearSelection();
  int32_t handle = -1;
  AnnElement* e = HitTestElements(x, y, false, &handle, plat::WM_LBUTTONDOWN, nullptr);
  plat::RECT grow{};
  bool taken = false;
  if (e) {
    grow = e->Rect();
    current_ = e;
    AnnGroup* g = GroupOf(e);
    if (g && g->active) {
      SelectGroup(g, &grow);
      current_ = nullptr;
      RaiseEvent(EVT_GROUP_SELECTED, g->id);
    } else {
      SelectElement(e, &grow);
    }
    lastX_ = x;
    lastY_ = y;
    taken = true;
    AddDirty(grow);
  }
  FlushDirtyRect(false);
  return taken ? ANN_OK : ANN_NOT_HANDLED;
}

int32_t AnnLayer::OnPointerMouseMove(plat::HWND window, plat::WPARAM wParam, int32_t x, int32_t y) {
  bool somethingSelected = !selection_.empty() || AnyGroupSelected();
  if (lastX_ != -1 && somethingSelected && (wParam & plat::MK_LBUTTON)) {
    if (!PointInView(x, y)) return ANN_NOT_HANDLED;
    int32_t dx = x - lastX_, dy = y - lastY_;
    dirtyEmpty_ = true;
    if (resizeGroup_ && resizeGroup_->resizing) {
      ResizeGroup(resizeGroup_, dx, dy);
    } else {
      std::vector<int32_t> ids;
      for (auto& g : groups_)
        if (g->selected) ids.push_back(g->id);
      for (int32_t id : ids)
        if (AnnGroup* g = FindGroup(id)) MoveGroupBy(g, dx, dy);
    }
    // Events go to the host between the moves: each element is checked again before it is used.
    std::vector<AnnElement*> selected = selection_;
    for (AnnElement* e : selected) {
      if (!Holds(e)) continue;
      int32_t id = e->Id();
      if (e->Tracking()) {
        int32_t event = 0;
        e->OnMouseMessage(window, plat::WM_MOUSEMOVE, wParam, x, y, &event);
        if (event) RaiseEvent(event, id);
      } else if (e->Value(PROP_MOVEABLE) != 0) {
        MoveAndReport(e, dx, dy);
      }
    }
    lastX_ = x;
    lastY_ = y;
    FlushDirtyRect(true);
  }
  int32_t handle = -1;
  if (HitTestGroupHandles(x, y, &handle)) {
    plat::SetCursor(plat::LoadCursor(CursorForHandle(handle)));
    return 1;
  }
  AnnElement* e = HitTestElements(x, y, false, &handle, plat::WM_MOUSEMOVE, nullptr);
  int32_t code = 0;
  if (e && ChooseCursor(e, handle, &code)) {
    if (code == kCursorBody && plat::GetCapture())
      plat::SetCursor(plat::LoadCursor(plat::IDC_ARROW));
    else if (services_.chooseCursor)
      services_.chooseCursor(services_.engine, e->Kind(), code);
  }
  return ANN_NOT_HANDLED;
}

int32_t AnnLayer::OnKeyMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) {
  if (message == plat::WM_CHAR && services_.groupKeysEnabled && services_.groupKeysEnabled(services_.engine)) {
    if (wParam == 7 && selection_.size() > 1) {
      int32_t groupId = 0;
      if (CreateGroup(nullptr, 0, &groupId) == ANN_OK) {
        std::vector<AnnElement*> joining = selection_;
        for (AnnElement* e : joining)
          if (Holds(e)) AddElementToGroup(groupId, e->Id());
        SetGroupActive(groupId, 1);
        if (services_.groupCreated)
          services_.groupCreated(services_.engine, reinterpret_cast<AnnLayerHandle>(this), groupId);
        RaiseEvent(EVT_GROUP_SELECTED, groupId);
      }
    } else if (wParam == 21) {
      AnnGroup* only = nullptr;
      int count = 0;
      for (auto& g : groups_)
        if (g->selected) {
          only = g.get();
          ++count;
        }
      if (count == 1) {
        int32_t groupId = only->id;
        DeleteGroup(groupId);
        if (services_.groupDeleted)
          services_.groupDeleted(services_.engine, reinterpret_cast<AnnLayerHandle>(this), groupId);
        RaiseEvent(EVT_GROUP_SELECTED, 0);
      }
    }
  }
  return current_ ? current_->OnKeyMessage(window, message, wParam, lParam) : ANN_NOT_HANDLED;
}

// ---------------------------------------------------------------------------------------------
// Run mode

bool AnnLayer::OnRunModeMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y) {
  if (elements_.empty()) return false;
  int32_t button = 0;
  if (wParam & plat::MK_LBUTTON) button = 1;
  if (wParam & plat::MK_RBUTTON) button = 2;
  if (wParam & plat::MK_MBUTTON) button = 4;
  int32_t keys = ((wParam & plat::MK_SHIFT) ? 1 : 0) | ((wParam & plat::MK_CONTROL) ? 2 : 0);

  AnnElement* target = nullptr;
  if (pressed_ && Holds(pressed_)) {
    int32_t code = pressed_->PressedButton();
    if (code != 0 && code == button && pressed_->HitTest(this, 0, x, y, 0))
      target = pressed_;
    else if (code == 0 || code != button)
      pressed_->SetPressedButton(0);
  }
  if (!target)
    for (auto it = elements_.rbegin(); it != elements_.rend() && !target; ++it)
      if ((*it)->HitTest(this, 0, x, y, 0)) target = it->get();

  auto position = [&](AnnElement* e) {
    plat::POINT p{x - e->Rect().left, y - e->Rect().top};
    if (services_.view) services_.view->LogicalToDevice(&p, &p, 1);
    return p;
  };
  auto report = [&](int32_t code, int32_t id, int32_t b, int32_t k, plat::POINT p) {
    if (services_.runMouse)
      services_.runMouse(services_.engine, code, reinterpret_cast<AnnLayerHandle>(this), id, b, k, p.x, p.y);
  };
  const bool hadTarget = target != nullptr;
  int32_t messageButton = 0;
  switch (message) {
    case plat::WM_LBUTTONDOWN: case plat::WM_LBUTTONUP: messageButton = 1; break;
    case plat::WM_RBUTTONDOWN: case plat::WM_RBUTTONUP: messageButton = 2; break;
    case plat::WM_MBUTTONDOWN: case plat::WM_MBUTTONUP: messageButton = 4; break;
    default: break;
  }
  switch (message) {
    case plat::WM_MOUSEMOVE:
      if (target) report(EVT_RUN_MOUSE_MOVE, target->Id(), button, keys, position(target));
      break;
    case plat::WM_LBUTTONDOWN:
    case plat::WM_RBUTTONDOWN:
    case plat::WM_MBUTTONDOWN:
      if (!target) break;
      captureHeld_ = true;
      plat::SetCapture(window);
      pressed_ = target;
      target->SetPressedButton(messageButton);
      if (target->Kind() == TOOL_BUTTON) InvalidateGrown(target->Rect(), 1);  // drawn pressed
      report(EVT_RUN_BUTTON_DOWN, target->Id(), messageButton, keys, position(target));
      break;
    case plat::WM_LBUTTONUP:
    case plat::WM_RBUTTONUP:
    case plat::WM_MBUTTONUP: {
      if (!pressed_ || !Holds(pressed_)) break;
      captureHeld_ = false;
      plat::ReleaseCapture();
      AnnElement* was = pressed_;
      int32_t id = was->Id();
      plat::POINT p = position(was);
      if (was == target) report(EVT_RUN_CLICK, id, 0, 0, {0, 0});
      // The host may have deleted the element from inside the click callback.
      if (Holds(was)) report(EVT_RUN_BUTTON_UP, id, messageButton, keys, p);
      if (Holds(was)) {
        was->SetPressedButton(0);
        if (was->Kind() == TOOL_BUTTON) InvalidateGrown(was->Rect(), 1);  // drawn released
      }
      pressed_ = nullptr;
      break;
    }
    case plat::WM_LBUTTONDBLCLK:
      if (target) report(EVT_RUN_DBLCLICK, target->Id(), 0, 0, {0, 0});
      break;
    default:
      break;
  }
  return hadTarget;
}
