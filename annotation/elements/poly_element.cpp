#include "annotation/elements/poly_element.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "annotation/rect_util.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/windows/window.h"

class AnnLayer;
int32_t annPlaceElement(AnnLayer* layer, AnnElement* element);

namespace {

constexpr int32_t S = ANN_LOGICAL_SPAN;
// The length of an arrowhead's wings: a fortieth of the page, in logical units.
constexpr double kWingLength = 16777216.0 * 10 / 400;
// What the line's bounds grow by for its arrowhead before the wings themselves are added.
constexpr int32_t kArrowMargin = 24;

plat::RECT boundsOf(const std::vector<plat::POINT>& points) {
  plat::RECT r{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const plat::POINT& p : points) {
    r.left = std::min(r.left, p.x);
    r.top = std::min(r.top, p.y);
    r.right = std::max(r.right, p.x);
    r.bottom = std::max(r.bottom, p.y);
  }
  return r;
}

// Non-zero winding of the closed outline around (x, y), all in one coordinate space.
bool insideWinding(const std::vector<plat::POINT>& poly, int64_t x, int64_t y) {
  int winding = 0;
  const size_t n = poly.size();
  for (size_t i = 0; i < n; ++i) {
    const plat::POINT& a = poly[i];
    const plat::POINT& b = poly[(i + 1) % n];
    int64_t cross = (int64_t(b.x) - a.x) * (y - a.y) - (x - a.x) * (int64_t(b.y) - a.y);
    if (a.y <= y) {
      if (b.y > y && cross > 0) ++winding;
    } else if (b.y <= y && cross < 0) {
      --winding;
    }
  }
  return winding != 0;
}

int64_t sq(int64_t v) { return v * v; }

}  // namespace

AnnPolyElement::AnnPolyElement(int32_t kind, const AnnPropertyMap& initial) : AnnElement(kind, initial) {}

bool AnnPolyElement::ArrowWings(plat::POINT from, plat::POINT to, plat::POINT wings[2]) {
  double t = double(to.x) - from.x, u = double(to.y) - from.y;
  double length = std::sqrt(t * t + u * u);
  if (length == 0.0) return false;
  const double rad = 25.0 * 3.14159265358979323846 / 180.0;
  double m = kWingLength * std::cos(rad) / length, o = kWingLength * std::sin(rad) / length;
  wings[0] = {annRoundHalfUp(to.x - m * t - o * u), annRoundHalfUp(to.y - m * u + o * t)};
  wings[1] = {annRoundHalfUp(to.x - m * t + o * u), annRoundHalfUp(to.y - m * u - o * t)};
  return true;
}

int32_t AnnPolyElement::PenMargin() const {
  // The pen width is held within +-kAnnPenWidthLimit pixels; in logical units on a small page it
  // may still reach past the sound range of the page, and the margin stops there, so that the
  // bounds stay well inside the int32 range. A negative width draws as the thinnest pen and
  // adds no margin: bounds grown by it would turn inside out.
  const int32_t w = std::max(Value(PROP_PEN_WIDTH), 0);
  if (!live_ || !services_ || !services_->view) return w;
  // A stroke read before anything was drawn meets a view not yet measured: its margin must be
  // the one the stroke had when it was drawn and saved, or its bounds shrink on every reload.
  services_->view->Refresh();
  int32_t sourceWidth = services_->view->ImageWidth();
  return sourceWidth > 0 ? annLimitCoordinate(annMulDiv(w, S, sourceWidth)) : w;
}

plat::RECT AnnPolyElement::RepaintArea(const plat::RECT& r) const {
  int32_t pen = 0;
  if (services_ && services_->view) services_->view->LengthToLogical(Value(PROP_PEN_WIDTH), &pen, nullptr);
  return annInflateRect(r, annSaturate(int64_t(pen) + (services_ && services_->view ? services_->view->HandleMargin() : 0)));
}

void AnnPolyElement::RecalcBounds() {
  if (points_.empty()) return;
  const int32_t m = PenMargin();
  plat::RECT r;
  if (kind_ == TOOL_LINE && points_.size() >= 2) {
    r = {points_[0].x, points_[0].y, points_[1].x, points_[1].y};
    AnnView::NormalizeRect(&r);
    plat::POINT wings[2];
    if (Value(PROP_ARROWHEAD) == 1) {
      r = annInflateRect(r, kArrowMargin);
      // The wings reach far beyond the margin: the bounds take them in, so that a repaint of
      // the bounds leaves nothing of them behind.
      if (ArrowWings(points_[0], points_[1], wings))
        for (const plat::POINT& w : wings) r = annUnionRect(r, {w.x, w.y, w.x, w.y});
    }
  } else if (kind_ == TOOL_LINE) {
    r = {points_[0].x, points_[0].y, points_[0].x + 1, points_[0].y + 1};
  } else {
    r = boundsOf(points_);
  }
  // The pen's margin may reach past the sound range of the page: the bounds stop at its edge, so
  // that they are stored and read back as they are.
  rect_ = annLimitRect(annInflateRect(r, m));
}

// ---------------------------------------------------------------------------------------------
// Drawing input

void AnnPolyElement::BeginTrack(plat::HWND window, int32_t x, int32_t y) {
  if (placed_) {
    lastMouseX_ = x;
    lastMouseY_ = y;
  } else {
    points_.push_back(annLimitPoint({x, y}));
    rubber_ = false;
    RecalcBounds();
  }
  creationWindow_ = window;
  if (window) plat::SetCapture(window);
  tracking_ = true;
}

void AnnPolyElement::AppendFixed(int32_t x, int32_t y) {
  plat::RECT before = rect_;
  // The mouse may be far off a small page: the points it gives stop at the page's sound range.
  const plat::POINT p = annLimitPoint({x, y});
  x = p.x;
  y = p.y;
  points_.push_back(p);
  RecalcBounds();
  // A freehand stroke shows each new sample at once: only the new segment's area is repainted.
  if (kind_ == TOOL_FREEHAND && points_.size() >= 2) {
    const plat::POINT& a = points_[points_.size() - 2];
    plat::RECT seg{std::min(a.x, x), std::min(a.y, y), std::max(a.x, x), std::max(a.y, y)};
    plat::RECT area = RepaintArea(seg);
    Invalidate(&area);
  } else {
    plat::RECT area = RepaintArea(annUnionRect(before, rect_));
    Invalidate(&area);
  }
}

void AnnPolyElement::MoveRubber(int32_t x, int32_t y) {
  plat::RECT before = rect_;
  const plat::POINT p = annLimitPoint({x, y});
  if (rubber_) {
    points_.back() = p;
  } else {
    points_.push_back(p);
    rubber_ = true;
  }
  RecalcBounds();
  plat::RECT area = RepaintArea(annUnionRect(before, rect_));
  Invalidate(&area);
}

void AnnPolyElement::DragTo(int32_t x, int32_t y) {
  const int64_t dx = int64_t(x) - lastMouseX_, dy = int64_t(y) - lastMouseY_;
  lastMouseX_ = x;
  lastMouseY_ = y;
  plat::RECT before = rect_;
  // A dragged point stops at the page's sound range.
  auto by = [&](plat::POINT& p) { p = annLimitPoint({annSaturate(p.x + dx), annSaturate(p.y + dy)}); };
  if (grabbed_ >= 0 && size_t(grabbed_) < points_.size() && Value(PROP_SIZEABLE) != 0) {
    by(points_[size_t(grabbed_)]);
  } else {
    for (plat::POINT& p : points_) by(p);
  }
  RecalcBounds();
  plat::RECT area = RepaintArea(annUnionRect(before, rect_));
  Invalidate(&area);
}

void AnnPolyElement::EndTrack(plat::HWND window, int32_t x, int32_t y) {
  if (!tracking_) return;
  bool add = false;
  if (!placed_ && layer_) {
    if (points_.size() >= 2 && FitsClient(window, x, y)) {
      if (kind_ == TOOL_LINE) {
        add = true;
      } else if (points_.size() > 2) {
        // The last point is the rubber point (or the last freehand sample, where the release is).
        points_.pop_back();
        add = true;
      }
    }
  }
  tracking_ = false;
  if (plat::GetCapture()) plat::ReleaseCapture();
  grabbed_ = -1;
  rubber_ = false;
  if (placed_) return;
  if (!add) {
    plat::RECT area = RepaintArea(rect_);
    points_.clear();
    Invalidate(&area);
    return;
  }
  RecalcBounds();
  annPlaceElement(layer_, this);
}

int32_t AnnPolyElement::OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM, int32_t x, int32_t y,
                                       int32_t* eventCode) {
  auto cursor = [&](int32_t code) {
    if (services_ && services_->chooseCursor) services_->chooseCursor(services_->engine, kind_, code);
  };
  const bool drawing = tracking_ && !placed_;
  switch (message) {
    case plat::WM_LBUTTONDOWN:
      if (tracking_) {
        if (window != creationWindow_) {
          EndTrack(window, -1, -1);
          return ANN_NOT_HANDLED;
        }
        if (!placed_) AppendFixed(x, y);
        return ANN_OK;
      }
      if (HitTestHandles(window, message, 0, 0, x, y, 0) != -1) return ANN_NOT_HANDLED;
      BeginTrack(window, x, y);
      cursor(0);
      return ANN_OK;
    case plat::WM_MOUSEMOVE:
      if (!tracking_) {
        cursor(0);
        return ANN_NOT_HANDLED;
      }
      if (placed_) {
        DragTo(x, y);
        if (eventCode) *eventCode = EVT_ELEMENT_CHANGED;
        if (grabbed_ != -1 && Value(PROP_SIZEABLE) != 0) cursor(int32_t(plat::IDC_SIZEALL));
        else if (grabbed_ != -1 && Value(PROP_MOVEABLE) != 0) cursor(2);
        return ANN_NOT_HANDLED;
      }
      if (kind_ == TOOL_FREEHAND) AppendFixed(x, y);
      else MoveRubber(x, y);
      cursor(0);
      return ANN_NOT_HANDLED;
    case plat::WM_LBUTTONUP:
      if (!tracking_) return ANN_NOT_HANDLED;
      if (drawing && (kind_ == TOOL_POLYGON || kind_ == TOOL_POLYLINE)) return ANN_OK;
      if (window != creationWindow_) x = -1;
      EndTrack(window, x, y);
      return ANN_OK;
    case plat::WM_LBUTTONDBLCLK:
      if (drawing && kind_ != TOOL_LINE) {
        if (window != creationWindow_) x = -1;
        EndTrack(window, x, y);
        return ANN_OK;
      }
      return ANN_NOT_HANDLED;
    default:
      return ANN_NOT_HANDLED;
  }
}

void AnnPolyElement::ResetTracking() {}

void AnnPolyElement::CancelTracking(plat::HWND) {
  if (!tracking_) return;
  if (placed_) {
    if (plat::GetCapture()) plat::ReleaseCapture();
    tracking_ = false;
    grabbed_ = -1;
  } else {
    EndTrack(nullptr, -1, -1);
  }
}

// ---------------------------------------------------------------------------------------------
// Geometry

void AnnPolyElement::MoveBy(int32_t dx, int32_t dy, plat::RECT* area) {
  if (!points_.empty()) {
    plat::RECT b = boundsOf(points_);
    if (b.left + int64_t(dx) < 0) dx = -b.left;
    if (b.right + int64_t(dx) > S) dx = S - b.right;
    if (b.top + int64_t(dy) < 0) dy = -b.top;
    if (b.bottom + int64_t(dy) > S) dy = S - b.bottom;
    // A stroke larger than the page stops at the page's sound range.
    for (plat::POINT& p : points_) p = annLimitPoint({annSaturate(int64_t(p.x) + dx), annSaturate(int64_t(p.y) + dy)});
    RecalcBounds();
  }
  if (!area) return;
  plat::RECT r = (Selected() && Value(PROP_SHOW_HANDLES) != 0) ? Grown(rect_) : rect_;
  int32_t pen = 0;
  if (Value(PROP_PEN_WIDTH) != 0 && services_ && services_->view)
    services_->view->LengthToLogical(Value(PROP_PEN_WIDTH), &pen, nullptr);
  *area = annInflateRect(r, pen);
}

void AnnPolyElement::MapPoints(bool (*fn)(plat::POINT*, int32_t, int32_t, int32_t), int32_t angle) {
  if (points_.empty() || !services_ || !services_->view) return;
  const int32_t w = services_->view->DisplayedWidth(), h = services_->view->DisplayedHeight();
  if (w <= 0 || h <= 0) return;
  for (plat::POINT& p : points_) {
    plat::POINT d{annMulDiv(p.x, w, S), annMulDiv(p.y, h, S)};
    if (!fn(&d, w, h, angle)) return;
    p = annLimitPoint({annMulDiv(d.x, S, w), annMulDiv(d.y, S, h)});
  }
  RecalcBounds();
}

void AnnPolyElement::MirrorLeftRight(int32_t, int32_t) {
  MapPoints([](plat::POINT* p, int32_t w, int32_t, int32_t) { p->x = w - 1 - p->x; return true; }, 0);
}

void AnnPolyElement::MirrorTopBottom(int32_t, int32_t) {
  MapPoints([](plat::POINT* p, int32_t, int32_t h, int32_t) { p->y = h - 1 - p->y; return true; }, 0);
}

void AnnPolyElement::Rotate(int32_t, int32_t, float degrees) {
  int32_t angle = int32_t(degrees);
  if (angle != 90 && angle != 180 && angle != 270) return;
  MapPoints(
      [](plat::POINT* p, int32_t w, int32_t h, int32_t a) {
        const float W = float(w), H = float(h);
        const int32_t x = p->x, y = p->y;
        if (a == 90) *p = {int32_t(float(y) * W / H), int32_t(float(w - x) * H / W)};
        else if (a == 180) *p = {w - x - 1, h - y - 1};
        else *p = {int32_t(float(h - y) * W / H), int32_t(float(x) * H / W)};
        return true;
      },
      angle);
}

void AnnPolyElement::FlipInRect(const plat::RECT& box, bool leftRight) {
  if (points_.empty() || !services_ || !services_->view) return;
  plat::RECT r = box;
  AnnView::NormalizeRect(&r);
  for (plat::POINT& p : points_) {
    services_->view->LogicalToPixels(&p, &p, 1);
    if (leftRight) p.x = annSaturate(int64_t(r.left) + r.right - p.x - 1);
    else p.y = annSaturate(int64_t(r.top) + r.bottom - p.y - 1);
    services_->view->PixelsToLogical(&p, &p, 1);
    p = annLimitPoint(p);
  }
  RecalcBounds();
}

void AnnPolyElement::FlipLeftRightInRect(const plat::RECT& box) { FlipInRect(box, true); }
void AnnPolyElement::FlipTopBottomInRect(const plat::RECT& box) { FlipInRect(box, false); }

// ---------------------------------------------------------------------------------------------
// Hit tests

bool AnnPolyElement::HitTest(void*, intptr_t, int32_t x, int32_t y, intptr_t) {
  if (points_.empty() || !services_ || !services_->view) return false;
  RunPendingConversion();
  AnnView& view = *services_->view;
  if (kind_ == TOOL_POLYGON && Value(PROP_FILL_COLOR) != -1) {
    if (x < rect_.left || x >= rect_.right || y < rect_.top || y >= rect_.bottom) return false;
    std::vector<plat::POINT> device(points_.size());
    view.LogicalToDevice(points_.data(), device.data(), int(points_.size()));
    plat::POINT p{x, y};
    view.LogicalToDevice(&p, &p, 1);
    return insideWinding(device, p.x, p.y);
  }
  int32_t width = Value(PROP_PEN_WIDTH);
  int32_t even = width + (width & 1);
  int32_t t = 0;
  view.LengthToLogical(even, &t, nullptr);
  if (t <= 0) return false;
  int64_t reach = std::max<int64_t>(t / 2, 1);
  if (view.ZoomX() < 1.0f && width < 3) reach = t;
  if (x < int64_t(rect_.left) - t || x > int64_t(rect_.right) + t || y < int64_t(rect_.top) - t ||
      y > int64_t(rect_.bottom) + t)
    return false;
  if (points_.size() < 2) return false;
  const int64_t r2 = reach * reach;
  const std::vector<plat::POINT>& path = points_;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    const int64_t ax = path[i].x, ay = path[i].y, bx = path[i + 1].x, by = path[i + 1].y;
    if (sq(x - ax) + sq(y - ay) <= r2 || sq(x - bx) + sq(y - by) <= r2) return true;
    const int64_t vx = bx - ax, vy = by - ay;
    const int64_t len2 = vx * vx + vy * vy;
    if (len2 == 0) continue;
    const int64_t dot = (x - ax) * vx + (y - ay) * vy;
    if (dot < 0 || dot > len2) continue;
    // Squared distance from the segment's line: cross^2 / len2, compared without dividing.
    const double cross = double(x - ax) * double(vy) - double(y - ay) * double(vx);
    if (cross * cross <= double(r2) * double(len2)) return true;
  }
  return false;
}

int32_t AnnPolyElement::HitTestHandles(plat::HWND window, uint32_t message, intptr_t, intptr_t, int32_t x, int32_t y,
                                       intptr_t) {
  if (Value(PROP_SIZEABLE) == 0 && Value(PROP_MOVEABLE) == 0) return -1;
  if (tracking_ && grabbed_ != -1) return grabbed_;
  if (points_.empty() || !services_ || !services_->view) return -1;
  plat::POINT p{x, y};
  services_->view->LogicalToDevice(&p, &p, 1);
  const int32_t half = pointGrab_ / 2;
  int32_t found = -1;
  for (size_t i = 0; i < points_.size() && found == -1; ++i) {
    plat::POINT d = points_[i];
    services_->view->LogicalToDevice(&d, &d, 1);
    if (p.x >= d.x - half && p.x < d.x - half + pointGrab_ && p.y >= d.y - half && p.y < d.y - half + pointGrab_)
      found = int32_t(i);
  }
  if (found == -1 || !window) return found;
  grabbed_ = found;
  if (message == plat::WM_LBUTTONDOWN) BeginTrack(window, x, y);
  return found;
}

// ---------------------------------------------------------------------------------------------
// Properties and points

int32_t AnnPolyElement::SetProperty(int32_t id, AnnValue value, bool* changed) {
  if (id != PROP_RECT || points_.empty()) {
    int32_t r = AnnElement::SetProperty(id, value, changed);
    if (r == ANN_OK && (id == PROP_PEN_WIDTH || id == PROP_ARROWHEAD)) RecalcBounds();
    return r;
  }
  if (changed) *changed = false;
  auto* target = reinterpret_cast<const plat::RECT*>(value);
  if (!target) return ERR_BAD_VALUE;
  // A new rect for a placed stroke scales its points into it: the points' box goes to the rect
  // less the pen margin, so that the bounds come out as the rect asked for.
  RunPendingConversion();
  plat::RECT to = annLimitRect(*target);
  AnnView::NormalizeRect(&to);
  // The margin can be as wide as the sound range: the sums are done in 64 bits.
  const int32_t m = PenMargin();
  if (int64_t(to.right) - to.left > 2 * int64_t(m)) {
    to.left += m;
    to.right -= m;
  }
  if (int64_t(to.bottom) - to.top > 2 * int64_t(m)) {
    to.top += m;
    to.bottom -= m;
  }
  const plat::RECT from = boundsOf(points_);
  plat::RECT before = rect_;
  auto scale = [](int32_t c, int32_t a0, int32_t a1, int32_t b0, int32_t b1) {
    if (a1 == a0) return int32_t(b0 + (int64_t(b1) - b0) / 2);
    return annRoundHalfUp(b0 + (double(c) - a0) * (double(b1) - b0) / (double(a1) - a0));
  };
  for (plat::POINT& p : points_)
    p = annLimitPoint(
        {scale(p.x, from.left, from.right, to.left, to.right), scale(p.y, from.top, from.bottom, to.top, to.bottom)});
  RecalcBounds();
  if (live_) Invalidate(&before);
  if (live_) Invalidate(&rect_);
  if (changed) *changed = true;
  return ANN_OK;
}

void AnnPolyElement::SetPoints(intptr_t count, intptr_t points) {
  auto* p = reinterpret_cast<const plat::POINT*>(points);
  if (count < 0 || (count > 0 && !p)) return;
  points_.assign(p, p + count);
  for (plat::POINT& q : points_) q = annLimitPoint(q);
  RecalcBounds();
}

// ---------------------------------------------------------------------------------------------
// Drawing

int32_t AnnPolyElement::Draw(plat::HDC dc, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t) {
  if (points_.empty() || !dc || !services_ || !services_->view) return ANN_NOT_HANDLED;
  RunPendingConversion();
  AnnView& view = *services_->view;
  const int32_t width = Value(PROP_PEN_WIDTH);
  const int32_t back = Value(PROP_BACK_STYLE, 2);
  if (kind_ == TOOL_POLYGON && width == 0 && back == 1) return ANN_OK;

  std::vector<plat::POINT> device(points_.size());
  view.LogicalToDevice(points_.data(), device.data(), int(points_.size()));

  int saved = plat::SaveDC(dc);
  SelectPen(width, plat::COLORREF(Value(PROP_PEN_COLOR)), kind_ == TOOL_POLYGON ? 0 : Value(PROP_PEN_STYLE));
  if (kind_ != TOOL_POLYGON) plat::SetROP2(dc, Value(PROP_PEN_FILL_STYLE, plat::R2_COPYPEN));
  switch (kind_) {
    case TOOL_POLYLINE:
    case TOOL_FREEHAND:
      plat::Polyline(dc, device.data(), int(device.size()));
      break;
    case TOOL_POLYGON: {
      const bool highlight = Value(PROP_HIGHLIGHT_FILL) != 0 || back == 3;
      plat::SetROP2(dc, highlight ? plat::R2_MASKPEN : plat::R2_COPYPEN);
      plat::SetPolyFillMode(dc, plat::WINDING);
      const int32_t hatch = Value(PROP_HATCH_STYLE, HATCH_NONE);
      const plat::COLORREF fill = plat::COLORREF(Value(PROP_FILL_COLOR));
      if (hatch != HATCH_NONE) plat::SetBkColor(dc, fill);
      SelectBrush(fill, back == 1, hatch, plat::COLORREF(Value(PROP_HATCH_COLOR)));
      if (device.size() >= 2) plat::Polygon(dc, device.data(), int(device.size()));
      break;
    }
    case TOOL_LINE:
      if (device.size() >= 2) {
        plat::MoveToEx(dc, device[0].x, device[0].y, nullptr);
        plat::LineTo(dc, device[1].x, device[1].y);
        plat::POINT wings[2];
        if (Value(PROP_ARROWHEAD) == 1 && ArrowWings(points_[0], points_[1], wings)) {
          view.LogicalToDevice(wings, wings, 2);
          for (const plat::POINT& w : wings) {
            plat::MoveToEx(dc, device[1].x, device[1].y, nullptr);
            plat::LineTo(dc, w.x, w.y);
          }
        }
      }
      break;
    default:
      break;
  }
  plat::RestoreDC(dc, saved);

  if (placed_ && Selected() && Value(PROP_SHOW_HANDLES) != 0)
    view.DrawPointGrips(device.data(), int(device.size()), pointGrab_, dc);
  return ANN_OK;
}
