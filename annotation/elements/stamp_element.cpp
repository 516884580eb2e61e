#include "annotation/elements/stamp_element.h"

#include <algorithm>

#include "annotation/font_cache.h"
#include "annotation/layer.h"
#include "annotation/rect_util.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"

AnnStampElement::AnnStampElement(int32_t kind, const AnnPropertyMap& initial) : AnnTextKind(kind, initial, true) {}

int32_t AnnStampElement::Margin() const {
  const int32_t w = Value(PROP_PEN_WIDTH);
  return w > 0 ? w + 1 : 0;
}

void AnnStampElement::Layout(bool sizeToText) {
  if (!services_ || !services_->view || !services_->fontCache) return;
  AnnView& view = *services_->view;
  const int32_t margin = Margin(), pen = Value(PROP_PEN_WIDTH);
  const bool sideways = Sideways();
  int32_t maxWidth = -1;
  if (!sizeToText) {
    plat::RECT d = view.RectLogicalToDevice(rect_);
    maxWidth = std::max((sideways ? d.bottom - d.top : d.right - d.left) - 2 * pen - 2 * margin, 0);
  }
  LayoutLines(margin, maxWidth, false);
  if (!sizeToText || lines_.empty()) return;
  int32_t along = 0, across = 0;
  LinesExtent(&along, &across);
  // The margins on both sides keep the text clear of the frame.
  int32_t w = along + 2 * margin, h = across + 2 * margin;
  if (sideways) std::swap(w, h);
  if (!ResizeToDevice(w, h)) return;
  // The lines of the turned orientations are placed from the far edges: place them again.
  LayoutLines(margin, -1, false);
}

int32_t AnnStampElement::SetProperty(int32_t id, AnnValue value, bool* changed) {
  if (changed) *changed = false;
  int32_t result = ANN_OK;
  switch (id) {
    case PROP_PEN_WIDTH:
      layoutValid_ = false;
      return AnnRectElement::SetProperty(id, value, changed);
    case PROP_TEXT:
    case PROP_FONT:
      if (id == PROP_FONT && !value) return ANN_OK;
      SetTextProperty(id, value, changed, &result);
      if (Value(PROP_AUTO_SIZE) != 0) sizePending_ = true;
      if (live_) Invalidate(&rect_);
      return result;
    default:
      if (SetTextProperty(id, value, changed, &result)) return result;
      return AnnRectElement::SetProperty(id, value, changed);
  }
}

void AnnStampElement::BeginTracking(plat::HWND window, int32_t x, int32_t y) {
  if (placed_) {
    AnnRectElement::BeginTracking(window, x, y);
    return;
  }
  if (!services_ || !services_->fontCache) return;
  if (services_->stampPlacing) services_->stampPlacing(services_->engine);
  // The host may have changed the stamp tool's text inside the callback: that text is the one
  // placed.
  if (layer_) {
    AnnValue v = 0;
    if (layer_->GetToolDefault(TOOL_STAMP, PROP_TEXT, &v) == ANN_OK && v) {
      auto s = reinterpret_cast<plat::BSTR>(v);
      text_ = plat::SysToU16(s);
      plat::SysFreeString(s);
    }
  }
  if (text_.empty()) return;
  rect_ = annLimitRect({x, y, x, y});
  SyncTrackingToRect();
  Layout(true);
  sizePending_ = false;
  if (layer_) annPlaceElement(layer_, this);
}

int32_t AnnStampElement::OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                                        int32_t* eventCode) {
  switch (message) {
    case plat::WM_SETCURSOR:
      return ANN_NOT_HANDLED;
    case plat::WM_MOUSEMOVE:
      AnnRectElement::OnMouseMessage(window, message, wParam, x, y, eventCode);
      if (DragHandle() != -1) layoutValid_ = false;
      else if (services_ && services_->chooseCursor) services_->chooseCursor(services_->engine, kind_, 0);
      return ANN_NOT_HANDLED;
    case plat::WM_LBUTTONDOWN:
      if (!tracking_) BeginTracking(window, x, y);
      return ANN_NOT_HANDLED;
    case plat::WM_LBUTTONUP:
      if (tracking_) EndTracking(window, x, y);
      return ANN_NOT_HANDLED;
    default:
      return ANN_NOT_HANDLED;
  }
}

void AnnStampElement::SizeToTextIfPending() {
  if (!placed_ || text_.empty() || !sizePending_ || Value(PROP_AUTO_SIZE) != 1) return;
  RunPendingConversion();
  Layout(true);
  sizePending_ = false;
}

int32_t AnnStampElement::Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5,
                              intptr_t v6) {
  if (!dc || !services_ || !services_->view) return ANN_NOT_HANDLED;
  AnnView& view = *services_->view;
  SizeToTextIfPending();
  AnnRectElement::Draw(dc, v1, v2, v3, v4, v5, v6);
  if (text_.empty()) return 1;
  if (!layoutValid_ || layoutZoom_ != view.ZoomX()) Layout(false);
  if (!placed_ || lines_.empty()) return 1;
  plat::RECT d = view.RectLogicalToDevice(rect_);
  int32_t pen = 0;
  view.ZoomLength(Value(PROP_PEN_WIDTH), &pen, nullptr);
  int32_t room = 0;
  int saved = BeginText(dc, d, pen, &room);
  DrawLines(dc, d, Margin(), room, 0);
  plat::RestoreDC(dc, saved);
  return 1;
}
