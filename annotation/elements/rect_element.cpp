#include "annotation/elements/rect_element.h"

#include <algorithm>

#include "annotation/rect_util.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/windows/window.h"

class AnnLayer;
// The layer takes an element that finished its creation gesture through this entry.
int32_t annPlaceElement(AnnLayer* layer, AnnElement* element);

namespace {

int32_t mirrorX(int32_t h) {
  static constexpr int32_t m[8] = {1, 0, 3, 2, 5, 4, 6, 7};
  return h >= 0 && h < 8 ? m[h] : h;
}
int32_t mirrorY(int32_t h) {
  static constexpr int32_t m[8] = {2, 3, 0, 1, 4, 5, 7, 6};
  return h >= 0 && h < 8 ? m[h] : h;
}

}  // namespace

AnnRectElement::AnnRectElement(int32_t kind, const AnnPropertyMap& initial) : AnnElement(kind, initial) {}

bool AnnRectElement::TrackingRect(plat::RECT* out) const {
  if (x1_ == -1 || y1_ == -1 || x2_ == -1 || y2_ == -1) return false;
  // The mouse may be far off a small page: the rect it draws stops at the page's sound range.
  plat::RECT r = annLimitRect({x1_, y1_, x2_, y2_});
  AnnView::NormalizeRect(&r);
  *out = r;
  return true;
}

int32_t AnnRectElement::OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM, int32_t x, int32_t y,
                                       int32_t* eventCode) {
  switch (message) {
    case plat::WM_LBUTTONDOWN:
      if (!tracking_ && HitTestHandles(window, message, 0, 0, x, y, 0) == -1) BeginTracking(window, x, y);
      break;
    case plat::WM_MOUSEMOVE:
      if (!tracking_) break;
      if (Selected() && placed_) {
        plat::RECT old = AreaWithHandles(rect_);
        DragEdges(&dragHandle_, x - lastX_, y - lastY_);
        InvalidateUnion(old, AreaWithHandles(rect_));
        lastX_ = x;
        lastY_ = y;
        if (eventCode) *eventCode = EVT_ELEMENT_CHANGED;
      } else {
        UpdateTracking(window, x, y);
      }
      break;
    case plat::WM_LBUTTONUP:
      if (tracking_) EndTracking(window, x, y);
      break;
    default:
      break;
  }
  return ANN_NOT_HANDLED;
}

void AnnRectElement::DragEdges(int32_t* handle, int32_t dx, int32_t dy) {
  int32_t h = *handle;
  // A dragged edge stops at the page's sound range.
  auto by = [](int32_t& edge, int32_t d) { edge = annLimitCoordinate(int64_t(edge) + d); };
  switch (h) {
    case -1: by(rect_.left, dx); by(rect_.right, dx); by(rect_.top, dy); by(rect_.bottom, dy); break;
    case 0: by(rect_.left, dx); by(rect_.top, dy); break;
    case 1: by(rect_.right, dx); by(rect_.top, dy); break;
    case 2: by(rect_.left, dx); by(rect_.bottom, dy); break;
    case 3: by(rect_.right, dx); by(rect_.bottom, dy); break;
    case 4: by(rect_.left, dx); break;
    case 5: by(rect_.right, dx); break;
    case 6: by(rect_.top, dy); break;
    case 7: by(rect_.bottom, dy); break;
    default: break;
  }
  if (rect_.left > rect_.right) h = mirrorX(h);
  if (rect_.top > rect_.bottom) h = mirrorY(h);
  *handle = h;
  AnnView::NormalizeRect(&rect_);
  SyncTrackingToRect();
}

void AnnRectElement::ResetTracking() {
  x1_ = -1;
  y1_ = -1;
}

void AnnRectElement::CancelTracking(plat::HWND) {
  if (!tracking_) return;
  if (placed_) {
    plat::ReleaseCapture();
    tracking_ = false;
    dragHandle_ = -1;
  } else {
    EndTracking(nullptr, -1, -1);
  }
}

void AnnRectElement::RecalcBounds() {
  plat::RECT r;
  if (TrackingRect(&r)) rect_ = r;
}

void AnnRectElement::MoveBy(int32_t dx, int32_t dy, plat::RECT* area) {
  // The part of the move that keeps the rect inside the page is kept; a rect larger than the
  // page stops at the page's sound range.
  if (rect_.left + int64_t(dx) < 0) dx = -rect_.left;
  if (rect_.right + int64_t(dx) > ANN_LOGICAL_SPAN) dx = ANN_LOGICAL_SPAN - rect_.right;
  if (rect_.top + int64_t(dy) < 0) dy = -rect_.top;
  if (rect_.bottom + int64_t(dy) > ANN_LOGICAL_SPAN) dy = ANN_LOGICAL_SPAN - rect_.bottom;
  rect_ = annLimitRect({annSaturate(int64_t(rect_.left) + dx), annSaturate(int64_t(rect_.top) + dy),
                        annSaturate(int64_t(rect_.right) + dx), annSaturate(int64_t(rect_.bottom) + dy)});
  SyncTrackingToRect();
  if (area) *area = (Selected() && Value(PROP_SHOW_HANDLES) != 0) ? Grown(rect_) : rect_;
}

bool AnnRectElement::HitTest(void*, intptr_t, int32_t x, int32_t y, intptr_t) {
  plat::RECT r = rect_;
  if (!placed_ && !TrackingRect(&r)) return false;
  if (kind_ != TOOL_ELLIPSE) return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  if (!services_ || !services_->view) return false;
  plat::RECT d = services_->view->RectLogicalToDevice(r);
  plat::POINT p{x, y};
  services_->view->LogicalToDevice(&p, &p, 1);
  double rx = (double(d.right) - d.left) / 2, ry = (double(d.bottom) - d.top) / 2;
  if (rx <= 0 || ry <= 0) return false;
  double nx = (p.x + 0.5 - (d.left + rx)) / rx, ny = (p.y + 0.5 - (d.top + ry)) / ry;
  return nx * nx + ny * ny <= 1.0;
}

int32_t AnnRectElement::HitTestHandles(plat::HWND window, uint32_t message, intptr_t, intptr_t, int32_t x, int32_t y,
                                       intptr_t) {
  if (Value(PROP_SIZEABLE) == 0) return -1;
  if (tracking_ && dragHandle_ != -1) return dragHandle_;
  // An element still being drawn has no handles yet.
  if (!placed_ || !services_ || !services_->view) return -1;
  int32_t h = services_->view->HitTestHandles(rect_, x, y);
  if (h == -1 || !window) return h;
  dragHandle_ = h;
  if (message == plat::WM_LBUTTONDOWN) BeginTracking(window, x, y);
  return h;
}

int32_t AnnRectElement::SetProperty(int32_t id, AnnValue value, bool* changed) {
  if (id != PROP_RECT) return AnnElement::SetProperty(id, value, changed);
  plat::RECT old = rect_;
  int32_t r = AnnElement::SetProperty(id, value, changed);
  if (r != ANN_OK) return r;
  SyncTrackingToRect();
  if (live_) {
    int times = Selected() ? 2 : 0;
    InvalidateUnion(Grown(old, times), Grown(rect_, times));
  }
  return ANN_OK;
}

void AnnRectElement::BeginTracking(plat::HWND window, int32_t x, int32_t y) {
  if (placed_) {
    lastX_ = x;
    lastY_ = y;
  } else {
    x1_ = x2_ = x;
    y1_ = y2_ = y;
  }
  if (window) plat::SetCapture(window);
  tracking_ = true;
}

void AnnRectElement::UpdateTracking(plat::HWND, int32_t x, int32_t y) {
  plat::RECT old{}, now{};
  bool hadOld = TrackingRect(&old);
  x2_ = x;
  y2_ = y;
  if (!TrackingRect(&now)) return;
  InvalidateUnion(hadOld ? AreaWithHandles(old) : now, AreaWithHandles(now));
}

void AnnRectElement::EndTracking(plat::HWND window, int32_t x, int32_t y) {
  if (!tracking_) return;
  bool keep = true;
  if (!placed_) {
    RecalcBounds();
    keep = rect_.right != rect_.left && rect_.bottom != rect_.top && FitsClient(window, x, y);
  }
  tracking_ = false;
  if (plat::GetCapture()) plat::ReleaseCapture();
  dragHandle_ = -1;
  if (placed_) return;
  if (!keep) {
    x1_ = -1;
    Invalidate(&rect_);
    return;
  }
  if (layer_) annPlaceElement(layer_, this);
}

int32_t AnnRectElement::Draw(plat::HDC dc, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t) {
  plat::RECT r = rect_;
  if (!placed_ && !TrackingRect(&r)) return ANN_NOT_HANDLED;
  if (!services_ || !services_->view || !dc) return ANN_NOT_HANDLED;
  RunPendingConversion();
  if (placed_) r = rect_;
  AnnView& view = *services_->view;
  bool showHandles = placed_ && Selected() && Value(PROP_SHOW_HANDLES) != 0;
  plat::RECT d = view.RectLogicalToDevice(r);

  if (Value(PROP_CUSTOM_DRAW) != 0) {
    if (services_->customDraw)
      services_->customDraw(services_->engine, dc, d.left, d.top, d.right - d.left, d.bottom - d.top,
                            reinterpret_cast<AnnLayerHandle>(layer_), id_, Value(PROP_CUSTOM_DRAW_DATA));
    if (showHandles) view.DrawHandles(rect_, dc);
    return ANN_OK;
  }

  int32_t back = Value(PROP_BACK_STYLE, 2), width = Value(PROP_PEN_WIDTH);
  if (back == 1 && width == 0) {
    if (showHandles) view.DrawHandles(rect_, dc);
    return ANN_NOT_HANDLED;
  }
  bool fillKind = kind_ == TOOL_RECTANGLE || kind_ == TOOL_ELLIPSE || kind_ == TOOL_IMAGE;
  plat::COLORREF fill = plat::COLORREF(Value(fillKind ? PROP_FILL_COLOR : PROP_BACK_COLOR));
  bool highlight = Value(fillKind ? PROP_HIGHLIGHT_FILL : PROP_HIGHLIGHT_BACK) != 0 || back == 3;
  int32_t hatch = Value(PROP_HATCH_STYLE, HATCH_NONE);

  int saved = plat::SaveDC(dc);
  if (hatch != HATCH_NONE) {
    plat::SetBkColor(dc, fill);
    if (back == 2) plat::SetBkMode(dc, plat::OPAQUE);
  }
  SelectBrush(fill, back == 1, hatch, hatch != HATCH_NONE ? plat::COLORREF(Value(PROP_HATCH_COLOR)) : 0);
  if (highlight && width == 0)
    plat::SelectObject(dc, plat::GetStockObject(plat::NULL_PEN));
  else
    SelectPen(width, plat::COLORREF(Value(PROP_PEN_COLOR)), plat::PS_INSIDEFRAME);
  if (highlight) plat::SetROP2(dc, plat::R2_MASKPEN);
  if (kind_ == TOOL_ELLIPSE)
    plat::Ellipse(dc, d.left, d.top, d.right, d.bottom);
  else
    plat::Rectangle(dc, d.left, d.top, d.right, d.bottom);
  plat::RestoreDC(dc, saved);
  if (showHandles) view.DrawHandles(rect_, dc);
  return 1;
}
