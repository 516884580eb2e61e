#include "annotation/elements/element.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "annotation/layer.h"
#include "annotation/persist/stream_io.h"
#include "annotation/rect_util.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

namespace {

constexpr int32_t kElementBegin = 36756;
constexpr int32_t kElementEnd = 36757;
constexpr int32_t kElementFlags = 36765;
constexpr int64_t kFileTimeEpochOffset = 11644473600LL;  // seconds from 1601 to 1970

// The boolean properties that travel as bits of the flags entry, in bit order.
constexpr int32_t kFlagIds[8] = {PROP_VISIBLE,     PROP_MOVEABLE, PROP_SIZEABLE,       PROP_LOCKED,
                                 PROP_SHOW_HANDLES, PROP_SELECTED, PROP_HIGHLIGHT_FILL, PROP_HIGHLIGHT_BACK};

bool isFlagId(int32_t id) {
  for (int32_t f : kFlagIds)
    if (f == id) return true;
  return false;
}

bool isValidKind(int32_t kind) { return kind >= TOOL_TEXT && kind <= TOOL_BUTTON; }

}  // namespace

AnnElement::AnnElement(int32_t kind, const AnnPropertyMap& initial) : kind_(kind), properties_(initial) {
  auto it = properties_.find(PROP_VISIBLE);
  visible_ = it == properties_.end() || it->second != 0;
  // Tool defaults come from the host and from saved engine settings alike.
  auto pen = properties_.find(PROP_PEN_WIDTH);
  if (pen != properties_.end()) pen->second = LimitedValue(PROP_PEN_WIDTH, int32_t(pen->second));
  userString2_ = plat::SysAllocString(u"");
}

AnnElement::~AnnElement() {
  plat::SysFreeString(userString_);
  plat::SysFreeString(userString2_);
}

void AnnElement::TakeStoredFont(const plat::LOGFONTA& font) {
  bool changed = false;
  SetProperty(PROP_FONT, reinterpret_cast<AnnValue>(&font), &changed);
}

void AnnElement::Wire(AnnLayer* layer, const AnnEngineServices* services) {
  layer_ = layer;
  services_ = services;
  pointGrab_ = services ? services->handleSize : 0;
}

void AnnElement::SetId(int32_t id) {
  id_ = id;
  auto it = properties_.find(PROP_ELEMENT_ID);
  if (it != properties_.end()) it->second = id;
}

void AnnElement::SetGroupId(int32_t id) {
  groupId_ = id;
  auto it = properties_.find(PROP_GROUP_ID);
  if (it != properties_.end()) it->second = id;
}

int32_t AnnElement::Value(int32_t id, int32_t fallback) const {
  auto it = properties_.find(id);
  return it == properties_.end() ? fallback : int32_t(it->second);
}

void AnnElement::SetSelectedFlag(bool selected) {
  auto it = properties_.find(PROP_SELECTED);
  if (it != properties_.end()) it->second = selected ? 1 : 0;
}

void AnnElement::SetCreationTime(int64_t timeT) {
  timeT_ = int32_t(timeT);
  fileTime_ = (timeT + kFileTimeEpochOffset) * 10000000LL;
}

bool AnnElement::IsRectKind() const {
  return kind_ == TOOL_TEXT || kind_ == TOOL_RECTANGLE || kind_ == TOOL_ELLIPSE || kind_ >= TOOL_STAMP;
}

// ---------------------------------------------------------------------------------------------
// Services

plat::RECT AnnElement::Grown(const plat::RECT& r, int times) const {
  return annInflateRect(r, services_ && services_->view ? services_->view->HandleMargin() * times : 0);
}

void AnnElement::Invalidate(const plat::RECT* logical) {
  if (services_ && services_->invalidate) services_->invalidate(services_->engine, logical);
}

void AnnElement::InvalidateUnion(const plat::RECT& a, const plat::RECT& b) {
  plat::RECT u = annUnionRect(a, b);
  Invalidate(&u);
}

plat::RECT AnnElement::ToPixels(const plat::RECT& r) const {
  plat::POINT p[2] = {{r.left, r.top}, {r.right, r.bottom}};
  if (services_ && services_->view) services_->view->LogicalToPixels(p, p, 2);
  return {p[0].x, p[0].y, p[1].x, p[1].y};
}

plat::RECT AnnElement::ToLogical(const plat::RECT& r) const {
  plat::POINT p[2] = {{r.left, r.top}, {r.right, r.bottom}};
  if (services_ && services_->view) services_->view->PixelsToLogical(p, p, 2);
  return {p[0].x, p[0].y, p[1].x, p[1].y};
}

void AnnElement::SelectBrush(plat::COLORREF colour, bool hollow, int32_t hatch, plat::COLORREF hatchColour) {
  if (services_ && services_->makeBrush) services_->makeBrush(services_->engine, 0, colour, hollow, hatch, hatchColour);
}

void AnnElement::SelectPen(int32_t width, plat::COLORREF colour, int32_t style) {
  if (services_ && services_->makePen) services_->makePen(services_->engine, width, colour, 0, style);
}

bool AnnElement::FitsClient(plat::HWND window, int32_t x, int32_t y) {
  if (x < 0 || y < 0 || !window || !services_ || !services_->view) return false;
  plat::RECT client{};
  if (!plat::GetClientRect(window, &client)) return false;
  plat::POINT corner{client.right, client.bottom};
  services_->view->DeviceToLogical(&corner, &corner, 1);
  return corner.x >= x && corner.y >= y;
}

// ---------------------------------------------------------------------------------------------
// Virtual operations with a base behaviour

int32_t AnnElement::OnKeyMessage(plat::HWND, uint32_t, plat::WPARAM, plat::LPARAM) { return ANN_NOT_HANDLED; }
void AnnElement::ResetTracking() {}
void AnnElement::CancelTracking(plat::HWND) {}
void AnnElement::ResetTextState(intptr_t, intptr_t) {}
int32_t AnnElement::GetTextLayoutState() { return 0; }
void AnnElement::MarkDirty() { live_ = true; }
void AnnElement::SetPoints(intptr_t, intptr_t) {}

void AnnElement::GetBoundsWithHandles(plat::RECT* out) {
  if (!out) return;
  // The handles stand outside the rect by the handle size, which is the margin in logical units.
  *out = Selected() ? Grown(rect_) : rect_;
}

void AnnElement::GrowBy(int32_t dx, int32_t dy) {
  if (IsPointKind(kind_)) {
    for (size_t i = 1; i < points_.size(); ++i)
      points_[i] = annLimitPoint({annSaturate(int64_t(points_[i].x) + dx), annSaturate(int64_t(points_[i].y) + dy)});
    RecalcBounds();
  } else {
    rect_.right = annLimitCoordinate(int64_t(rect_.right) + dx);
    rect_.bottom = annLimitCoordinate(int64_t(rect_.bottom) + dy);
  }
  AnnView::NormalizeRect(&rect_);
}

void AnnElement::ScaleToRect(double, double, const plat::RECT& o, const plat::RECT& n, int32_t handle, int32_t) {
  double ow = double(o.right) - o.left, oh = double(o.bottom) - o.top;
  double sx = (double(n.right) - n.left) / ow, sy = (double(n.bottom) - n.top) / oh;
  // A rect without width or height cannot be scaled from: the element keeps its geometry.
  if (!std::isfinite(sx) || !std::isfinite(sy)) return;
  bool flipX = o.left >= n.right, flipY = o.top >= n.bottom;
  if (IsPointKind(kind_)) {
    if (!hasSnapshot_) return;
    points_.clear();
    for (plat::POINT p : snapshotPoints_) {
      if (services_ && services_->view) services_->view->LogicalToPixels(&p, &p, 1);
      if (flipX) p.x = o.left + o.right - p.x - 1;
      if (flipY) p.y = o.top + o.bottom - p.y - 1;
      bool scaleX = handle >= 0 && handle <= 5, scaleY = (handle >= 0 && handle <= 3) || handle == 6 || handle == 7;
      // A host's rect can be far larger than the one scaled from: the sums saturate, and the
      // points stay within the sound range of the page.
      if (scaleX) p.x = annTruncSaturated((double(p.x) - o.left) * sx + 0.5 + n.left);
      if (scaleY) p.y = annTruncSaturated((double(p.y) - o.top) * sy + 0.5 + n.top);
      if (services_ && services_->view) services_->view->PixelsToLogical(&p, &p, 1);
      points_.push_back(annLimitPoint(p));
    }
    RecalcBounds();
  } else {
    plat::RECT r = ToPixels(hasSnapshot_ ? snapshotRect_ : rect_);
    double w = double(r.right) - r.left, h = double(r.bottom) - r.top;
    if (flipX) {
      int32_t l = annSaturate(int64_t(o.left) + o.right - r.left - 1);
      int32_t rr = annSaturate(int64_t(o.left) + o.right - r.right - 1);
      r.left = l;
      r.right = rr;
    }
    if (flipY) {
      int32_t t = annSaturate(int64_t(o.top) + o.bottom - r.top - 1);
      int32_t b = annSaturate(int64_t(o.top) + o.bottom - r.bottom - 1);
      r.top = t;
      r.bottom = b;
    }
    AnnView::NormalizeRect(&r);
    plat::RECT s;
    s.left = annTruncSaturated(std::trunc((double(r.left) - o.left) * sx) + n.left);
    s.top = annTruncSaturated(std::trunc((double(r.top) - o.top) * sy) + n.top);
    s.right = annTruncSaturated(double(s.left) + std::trunc(w * sx));
    s.bottom = annTruncSaturated(double(s.top) + std::trunc(h * sy));
    rect_ = annLimitRect(ToLogical(s));
  }
  AnnView::NormalizeRect(&rect_);
}

namespace {

// Mirrors two page edges within the displayed extent (device pixels) of their axis.
void mirrorEdges(int32_t* a, int32_t* b, int32_t extent) {
  if (extent <= 0) return;
  for (int32_t* edge : {a, b}) {
    int32_t px = annMulDiv(*edge, extent, ANN_LOGICAL_SPAN);
    *edge = annLimitCoordinate(annMulDiv(annSaturate(int64_t(extent) - 1 - px), ANN_LOGICAL_SPAN, extent));
  }
}

}  // namespace

void AnnElement::MirrorLeftRight(int32_t, int32_t) {
  mirrorEdges(&rect_.left, &rect_.right, services_ && services_->view ? services_->view->DisplayedWidth() : 0);
  AnnView::NormalizeRect(&rect_);
}

void AnnElement::MirrorTopBottom(int32_t, int32_t) {
  mirrorEdges(&rect_.top, &rect_.bottom, services_ && services_->view ? services_->view->DisplayedHeight() : 0);
  AnnView::NormalizeRect(&rect_);
}

void AnnElement::Rotate(int32_t, int32_t, float degrees) {
  constexpr int32_t S = ANN_LOGICAL_SPAN;
  int32_t angle = int32_t(degrees);
  plat::RECT r = rect_;
  if (angle == 90 || angle == -270)
    r = {rect_.top, S - rect_.right, rect_.bottom, S - rect_.left};
  else if (angle == 180 || angle == -180)
    r = {S - rect_.left - 1, S - rect_.top - 1, S - rect_.right - 1, S - rect_.bottom - 1};
  else if (angle == 270 || angle == -90)
    r = {S - rect_.bottom, rect_.left, S - rect_.top, rect_.right};
  // An element off the page may turn to just past the sound range: it stops at its edge.
  rect_ = annLimitRect(r);
  AnnView::NormalizeRect(&rect_);
}

void AnnElement::FlipLeftRightInRect(const plat::RECT& box) {
  plat::RECT r = ToPixels(rect_);
  r.left = annSaturate(int64_t(box.left) + box.right - r.left - 1);
  r.right = annSaturate(int64_t(box.left) + box.right - r.right - 1);
  AnnView::NormalizeRect(&r);
  rect_ = annLimitRect(ToLogical(r));
}

void AnnElement::FlipTopBottomInRect(const plat::RECT& box) {
  AnnView::NormalizeRect(&rect_);
  plat::RECT r = ToPixels(rect_);
  r.top = annSaturate(int64_t(box.top) + box.bottom - r.top - 1);
  r.bottom = annSaturate(int64_t(box.top) + box.bottom - r.bottom - 1);
  AnnView::NormalizeRect(&r);
  rect_ = annLimitRect(ToLogical(r));
}

// ---------------------------------------------------------------------------------------------
// Properties

AnnValue AnnElement::GetProperty(int32_t id, bool* found) {
  if (found) *found = true;
  if (id == PROP_USER_STRING) return reinterpret_cast<AnnValue>(plat::SysAllocFromU16(plat::SysToU16(userString_)));
  if (id == PROP_GROUP_ID) return groupId_;
  auto it = properties_.find(id);
  if (it == properties_.end()) {
    if (found) *found = false;
    return 0;
  }
  return it->second;
}

int32_t AnnElement::SetProperty(int32_t id, AnnValue value, bool* changed) {
  if (changed) *changed = false;
  auto mark = [&] {
    if (changed) *changed = true;
    return ANN_OK;
  };
  switch (id) {
    case PROP_RECT: {
      auto* r = reinterpret_cast<const plat::RECT*>(value);
      if (!r) return ERR_BAD_VALUE;
      rect_ = annLimitRect(*r);
      return mark();
    }
    case PROP_HIGHLIGHT_BACK:
    case PROP_HIGHLIGHT_FILL: {
      auto it = properties_.find(id);
      if (it == properties_.end()) return ERR_NO_PROPERTY;
      it->second = int32_t(value);
      auto style = properties_.find(PROP_BACK_STYLE);
      if (style != properties_.end()) {
        if (int32_t(value) != 0 && style->second != 3) style->second = 3;
        else if (int32_t(value) == 0 && style->second == 3) style->second = 2;
      }
      return mark();
    }
    case PROP_VISIBLE:
      visible_ = int32_t(value) != 0;
      if (properties_.count(PROP_VISIBLE)) properties_[PROP_VISIBLE] = visible_ ? 1 : 0;
      if (live_) Invalidate(&rect_);
      return mark();
    case PROP_HATCH_STYLE: {
      auto it = properties_.find(id);
      if (it == properties_.end()) return ERR_NO_PROPERTY;
      int32_t v = int32_t(value);
      if (v != HATCH_NONE && uint32_t(v) > 5) return ERR_BAD_VALUE;
      it->second = v;
      return mark();
    }
    case PROP_USER_STRING:
    case PROP_USER_STRING2: {
      plat::BSTR& target = id == PROP_USER_STRING ? userString_ : userString2_;
      auto* text = reinterpret_cast<const char16_t*>(value);
      if (!plat::SysReAllocString(&target, text ? text : u"")) return ERR_NO_MEMORY;
      return mark();
    }
    default: {
      auto it = properties_.find(id);
      if (it == properties_.end()) return ERR_NO_PROPERTY;
      it->second = LimitedValue(id, int32_t(value));
      if (id == PROP_GROUP_ID) groupId_ = int32_t(value);
      return mark();
    }
  }
}

int32_t AnnElement::LimitedValue(int32_t id, int32_t value) {
  return id == PROP_PEN_WIDTH ? std::clamp(value, -kAnnPenWidthLimit, kAnnPenWidthLimit) : value;
}

int32_t AnnElement::GetPropertyEx(int32_t id, AnnValue* out) {
  switch (id) {
    case PROP_RECT: {
      RunPendingConversion();
      auto* r = out ? reinterpret_cast<plat::RECT*>(*out) : nullptr;
      if (r) *r = rect_;
      return ANN_OK;
    }
    case PROP_POINT_COUNT:
      if (!isValidKind(kind_)) return ANN_OK;
      if (out)
        *out = (kind_ == TOOL_POLYGON || kind_ == TOOL_POLYLINE || kind_ == TOOL_FREEHAND) ? AnnValue(points_.size())
                                                                                           : 2;
      return ANN_OK;
    case PROP_VISIBLE:
      if (out) *out = visible_ ? 1 : 0;
      return ANN_OK;
    case PROP_CREATION_TIME: {
      auto* v = out ? reinterpret_cast<plat::VARIANT*>(*out) : nullptr;
      if (v) {
        // Days since 30 December 1899, to the millisecond as a system time holds it.
        int64_t ms = fileTime_ / 10000 - kFileTimeEpochOffset * 1000;
        v->vt = plat::VT_DATE;
        v->date = double(ms) / 86400000.0 + 25569.0;
      }
      return ANN_OK;
    }
    case PROP_TYPE:
      if (out) *out = kind_;
      return ANN_OK;
    case PROP_GROUP_ID:
      if (out) *out = groupId_;
      return ANN_OK;
    case PROP_CREATION_TIME_T:
      if (out) *out = timeT_;
      return ANN_OK;
    case PROP_USER_STRING:
    case PROP_USER_STRING2: {
      plat::BSTR copy = plat::SysAllocFromU16(plat::SysToU16(id == PROP_USER_STRING ? userString_ : userString2_));
      if (!copy) return ERR_NO_MEMORY;
      if (out) *out = reinterpret_cast<AnnValue>(copy);
      else plat::SysFreeString(copy);
      return ANN_OK;
    }
    default: {
      auto it = properties_.find(id);
      if (it == properties_.end()) return ERR_NO_PROPERTY;
      if (out) *out = it->second;
      return ANN_OK;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Points, snapshots, pending conversion

int32_t AnnElement::GetPoint(int32_t index, plat::POINT* out) {
  if (!isValidKind(kind_)) return ANN_OK;
  plat::POINT p;
  // The line's two points are its ends, not the corners of its bounds: a line running up to the
  // right would otherwise read back as one running down.
  if (IsPointKind(kind_)) {
    if (index < 0 || size_t(index) >= points_.size()) return ERR_BAD_POINT_INDEX;
    p = points_[size_t(index)];
  } else {
    if (index < 0 || index > 1) return ERR_BAD_POINT_INDEX;
    RunPendingConversion();
    p = index == 0 ? plat::POINT{rect_.left, rect_.top} : plat::POINT{rect_.right, rect_.bottom};
  }
  if (services_ && services_->view) services_->view->LogicalToPixels(&p, &p, 1);
  if (out) *out = p;
  return ANN_OK;
}

int32_t AnnElement::SetPoint(int32_t index, plat::POINT in) {
  if (!isValidKind(kind_)) return ANN_OK;
  plat::POINT p = in;
  if (services_ && services_->view) services_->view->PixelsToLogical(&p, &p, 1);
  p = annLimitPoint(p);
  if (IsPointKind(kind_)) {
    if (index < 0 || size_t(index) >= points_.size()) return ERR_BAD_POINT_INDEX;
    points_[size_t(index)] = p;
    RecalcBounds();
  } else {
    if (index < 0 || index > 1) return ERR_BAD_POINT_INDEX;
    RunPendingConversion();
    if (index == 0) {
      rect_.left = p.x;
      rect_.top = p.y;
    } else {
      rect_.right = p.x;
      rect_.bottom = p.y;
    }
    AnnView::NormalizeRect(&rect_);
  }
  Invalidate(&rect_);
  return ANN_OK;
}

void AnnElement::BeginScaleSnapshot() {
  snapshotRect_ = rect_;
  snapshotPoints_ = points_;
  hasSnapshot_ = true;
}

void AnnElement::EndScaleSnapshot() {
  snapshotPoints_.clear();
  snapshotPoints_.shrink_to_fit();
  hasSnapshot_ = false;
}

void AnnElement::RebaseToPixels(int32_t offsetX, int32_t offsetY) {
  RunPendingConversion();
  plat::RECT r = ToPixels(rect_);
  auto less = [](int32_t v, int32_t offset) { return annSaturate(int64_t(v) - offset); };
  rect_ = {less(r.left, offsetX), less(r.top, offsetY), less(r.right, offsetX), less(r.bottom, offsetY)};
  for (plat::POINT& p : points_) {
    if (services_ && services_->view) services_->view->LogicalToPixels(&p, &p, 1);
    p = {less(p.x, offsetX), less(p.y, offsetY)};
  }
  pendingConversion_ = true;
}

void AnnElement::TakeGeometryInPixels(const plat::RECT& rect, const std::vector<plat::POINT>* points) {
  rect_ = rect;
  if (points) points_ = *points;
  pendingConversion_ = true;
}

void AnnElement::RunPendingConversion() {
  if (!pendingConversion_) return;
  pendingConversion_ = false;
  rect_ = annLimitRect(ToLogical(rect_));
  if (services_ && services_->view && !points_.empty())
    services_->view->PixelsToLogical(points_.data(), points_.data(), int(points_.size()));
  for (plat::POINT& p : points_) p = annLimitPoint(p);
  if (IsPointKind(kind_)) RecalcBounds();
}

// ---------------------------------------------------------------------------------------------
// The element record

void AnnElement::WriteProperty(AnnStreamWriter& out, int32_t id) {
  switch (id) {
    case PROP_RECT:
      out.I32(id);
      out.Bytes(&rect_, sizeof rect_);
      break;
    case PROP_USER_STRING:
    case PROP_USER_STRING2: {
      plat::BSTR s = id == PROP_USER_STRING ? userString_ : userString2_;
      if (s && plat::SysStringLen(s) > 0) {
        out.I32(id);
        out.String(s);
      }
      break;
    }
    case PROP_TEXT:
    case PROP_FONT:
    case PROP_IMAGE:
      break;  // held by the kinds that have them; they write these themselves
    case PROP_CREATION_TIME:
      out.I32(id);
      out.Bytes(&fileTime_, 8);
      break;
    case PROP_CREATION_FILETIME:
      out.I32(id);
      out.Bytes(&fileTime2_, 8);
      break;
    case PROP_POINTS:
      out.I32(id);
      out.U32(uint32_t(points_.size()));
      if (!points_.empty()) out.Bytes(points_.data(), uint32_t(points_.size() * sizeof(plat::POINT)));
      break;
    case PROP_GROUP_ID:
      if (groupId_ != 0) {
        out.I32(id);
        out.I32(groupId_);
      }
      break;
    case PROP_ELEMENT_ID:
      out.I32(id);
      out.I32(id_);
      break;
    case PROP_CREATION_TIME_T:
      out.I32(id);
      out.I32(timeT_);
      break;
    default:
      out.I32(id);
      out.I32(Value(id));
      break;
  }
}

int32_t AnnElement::Save(AnnStreamWriter& out) {
  // The layer has converted and settled every element before its records are written.
  if (!out.I32(kElementBegin)) return ERR_STREAM;
  uint32_t bits = 0;
  for (int i = 0; i < 8; ++i) {
    int32_t id = kFlagIds[i];
    bool on = id == PROP_VISIBLE ? (Has(id) && visible_) : Value(id) != 0;
    if (on) bits |= 1u << i;
  }
  out.I32(kElementFlags);
  out.U32(bits);
  for (const auto& entry : properties_)
    if (!isFlagId(entry.first)) WriteProperty(out, entry.first);
  out.I32(kElementEnd);
  return out.Good() ? ANN_OK : ERR_STREAM;
}

int32_t AnnElement::Load(AnnStreamReader& in) {
  int32_t tag = 0;
  if (!in.I32(&tag) || tag != kElementBegin) return ERR_STREAM;
  for (;;) {
    if (!in.I32(&tag)) return ERR_STREAM;
    if (tag == kElementEnd) {
      AfterRead();
      return ANN_OK;
    }
    bool changed = false;
    switch (tag) {
      case kElementFlags: {
        uint32_t bits = 0;
        if (!in.U32(&bits)) return ERR_STREAM;
        visible_ = (bits & 1) != 0;
        if (Has(PROP_VISIBLE)) properties_[PROP_VISIBLE] = visible_ ? 1 : 0;
        for (int i = 1; i < 8; ++i)
          if (Has(kFlagIds[i])) properties_[kFlagIds[i]] = (bits >> i) & 1;
        break;
      }
      case PROP_RECT: {
        plat::RECT r;
        if (!in.Rect(&r)) return ERR_STREAM;
        SetProperty(PROP_RECT, reinterpret_cast<AnnValue>(&r), &changed);
        break;
      }
      case PROP_TEXT:
      case PROP_USER_STRING:
      case PROP_USER_STRING2: {
        plat::BSTR s = nullptr;
        if (!in.String(&s)) return ERR_STREAM;
        if (tag == PROP_USER_STRING) {
          plat::SysFreeString(userString_);
          userString_ = s;
        } else {
          SetProperty(tag, reinterpret_cast<AnnValue>(s), &changed);
          plat::SysFreeString(s);
        }
        break;
      }
      case PROP_FONT: {
        plat::LOGFONTA font;
        if (!in.Font(&font)) return ERR_STREAM;
        TakeStoredFont(font);
        break;
      }
      case PROP_IMAGE: {
        uint32_t bytes = 0;
        if (!in.Count(&bytes, 1)) return ERR_STREAM;
        if (bytes == 0) break;
        plat::HGLOBAL block = plat::GlobalAlloc(plat::GHND, bytes);
        if (!block) return ERR_STREAM;
        void* data = plat::GlobalLock(block);
        bool ok = data && in.Bytes(data, bytes);
        plat::GlobalUnlock(block);
        if (ok) SetProperty(PROP_IMAGE, reinterpret_cast<AnnValue>(block), &changed);
        plat::GlobalFree(block);
        if (!ok) return ERR_STREAM;
        break;
      }
      case PROP_TEXT_ORIENTATION: {
        // Through the kind: its font turns with the orientation.
        int32_t v = 0;
        if (!in.I32(&v)) return ERR_STREAM;
        if (Has(tag)) SetProperty(tag, v, &changed);
        break;
      }
      case PROP_SELECTED: {
        int32_t v = 0;
        if (!in.I32(&v)) return ERR_STREAM;
        if (v != 0) SetProperty(PROP_SELECTED, v, &changed);
        break;
      }
      case PROP_CREATION_TIME:
        if (!in.Bytes(&fileTime_, 8)) return ERR_STREAM;
        break;
      case PROP_CREATION_FILETIME:
        if (!in.Bytes(&fileTime2_, 8)) return ERR_STREAM;
        break;
      case PROP_CREATION_TIME_T:
        if (!in.I32(&timeT_)) return ERR_STREAM;
        break;
      case PROP_GROUP_ID:
        if (!in.I32(&groupId_)) return ERR_STREAM;
        SetGroupId(groupId_);
        break;
      case PROP_ELEMENT_ID: {
        int32_t id = 0;
        if (!in.I32(&id)) return ERR_STREAM;
        SetId(id);
        break;
      }
      case PROP_POINTS: {
        std::vector<plat::POINT> points;
        if (!in.Points(&points)) return ERR_STREAM;
        points_ = std::move(points);
        RecalcBounds();
        break;
      }
      default: {
        int32_t v = 0;
        if (!in.I32(&v)) return ERR_STREAM;
        auto it = properties_.find(tag);
        if (it != properties_.end()) it->second = LimitedValue(tag, v);
        break;
      }
    }
  }
}
