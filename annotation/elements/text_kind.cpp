#include "annotation/elements/text_kind.h"

#include "annotation/rect_util.h"

#include <algorithm>
#include <cstring>

#include "annotation/font_cache.h"
#include "annotation/persist/stream_io.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"

AnnTextKind::AnnTextKind(int32_t kind, const AnnPropertyMap& initial, bool takeDefaultText)
    : AnnRectElement(kind, initial) {
  auto text = initial.find(PROP_TEXT);
  if (takeDefaultText && text != initial.end() && text->second) {
    auto* cell = reinterpret_cast<const plat::BSTR*>(text->second);
    if (*cell) text_ = plat::SysToU16(*cell);
  }
  auto font = initial.find(PROP_FONT);
  if (font != initial.end()) annTakeFont(&font_, reinterpret_cast<const void*>(font->second));
  auto orientation = initial.find(PROP_TEXT_ORIENTATION);
  if (orientation != initial.end()) {
    int32_t o = int32_t(orientation->second);
    if (IsQuarterTurn(o)) orientation_ = displayed_ = o;
  }
  font_.lfEscapement = font_.lfOrientation = orientation_;
}

AnnTextKind::~AnnTextKind() { ReleaseFont(); }

int32_t AnnTextKind::TurnOrientation(int32_t orientation, int32_t angle) {
  if (!IsQuarterTurn(orientation)) return orientation;
  switch (angle) {
    case 90: case 180: case 270: case -90: case -180: case -270:
      return ((orientation + 10 * angle) % 3600 + 3600) % 3600;
    default:
      return orientation;
  }
}

// ---------------------------------------------------------------------------------------------
// Font

AnnFontEntry* AnnTextKind::Font() {
  if (!services_ || !services_->fontCache || !services_->view) return nullptr;
  if (!fontHeld_) {
    services_->fontCache->Acquire(font_);
    fontHeld_ = true;
  }
  AnnView& view = *services_->view;
  AnnFontEntry* e = services_->fontCache->GetFont(font_, view.ZoomX(), view.ZoomY(), nullptr, text_.c_str());
  return e && e->font ? e : nullptr;
}

void AnnTextKind::ReleaseFont() {
  if (fontHeld_ && services_ && services_->fontCache) services_->fontCache->Release(font_);
  fontHeld_ = false;
}

void AnnTextKind::SetFont(const plat::LOGFONTA& font) {
  ReleaseFont();
  annTakeFont(&font_, &font);
  font_.lfEscapement = font_.lfOrientation = orientation_;
  layoutValid_ = false;
}

void AnnTextKind::SetOrientation(int32_t value) {
  ReleaseFont();
  orientation_ = displayed_ = value;
  font_.lfEscapement = font_.lfOrientation = value;
  layoutValid_ = false;
  auto it = properties_.find(PROP_TEXT_ORIENTATION);
  if (it != properties_.end()) it->second = value;
}

void AnnTextKind::MarkDirty() {
  AnnElement::MarkDirty();
  Font();
}

// ---------------------------------------------------------------------------------------------
// Properties

bool AnnTextKind::SetTextProperty(int32_t id, AnnValue value, bool* changed, int32_t* result) {
  *result = ANN_OK;
  if ((id == PROP_TEXT || id == PROP_FONT || id == PROP_TEXT_ORIENTATION) && !Has(id)) return false;
  switch (id) {
    case PROP_TEXT: {
      auto* s = reinterpret_cast<const char16_t*>(value);
      text_ = s ? std::u16string(s) : std::u16string();
      layoutValid_ = false;
      if (changed) *changed = true;
      return true;
    }
    case PROP_FONT:
      if (value) {
        SetFont(*reinterpret_cast<const plat::LOGFONTA*>(value));
        if (changed) *changed = true;
      }
      return true;
    case PROP_TEXT_ORIENTATION: {
      int32_t v = int32_t(value);
      if (!IsQuarterTurn(v)) return true;  // ignored, reported as success
      if (v != orientation_) SetOrientation(v);
      if (changed) *changed = true;
      return true;
    }
    default:
      return false;
  }
}

int32_t AnnTextKind::GetPropertyEx(int32_t id, AnnValue* out) {
  switch (id) {
    case PROP_TEXT: {
      plat::BSTR copy = plat::SysAllocFromU16(text_);
      if (!copy) return ERR_NO_MEMORY;
      if (out) *out = reinterpret_cast<AnnValue>(copy);
      else plat::SysFreeString(copy);
      return ANN_OK;
    }
    case PROP_FONT:
      if (!Has(PROP_FONT)) return ERR_NO_PROPERTY;
      if (out && *out) std::memcpy(reinterpret_cast<plat::LOGFONTA*>(*out), &font_, sizeof font_);
      return ANN_OK;
    default:
      return AnnElement::GetPropertyEx(id, out);
  }
}

void AnnTextKind::WriteProperty(AnnStreamWriter& out, int32_t id) {
  if (id == PROP_TEXT) {
    out.I32(id);
    plat::BSTR s = plat::SysAllocFromU16(text_);
    out.String(s);
    plat::SysFreeString(s);
  } else if (id == PROP_FONT) {
    out.I32(id);
    out.Bytes(&font_, sizeof font_);
  } else {
    AnnElement::WriteProperty(out, id);
  }
}

// ---------------------------------------------------------------------------------------------
// Geometry

void AnnTextKind::ScaleToRect(double xf, double yf, const plat::RECT& o, const plat::RECT& n, int32_t handle,
                              int32_t store) {
  AnnElement::ScaleToRect(xf, yf, o, n, handle, store);
  layoutValid_ = false;
}

void AnnTextKind::GrowBy(int32_t dx, int32_t dy) {
  AnnElement::GrowBy(dx, dy);
  if (dx != 0 || dy != 0) layoutValid_ = false;
}

void AnnTextKind::OrientationTurned(int32_t displayed) {
  if (displayed != orientation_) SetOrientation(displayed);
  else displayed_ = displayed;
}

void AnnTextKind::MirrorLeftRight(int32_t v1, int32_t v2) {
  AnnElement::MirrorLeftRight(v1, v2);
  OrientationTurned(displayed_ == 1800 ? 0 : displayed_);
}

void AnnTextKind::MirrorTopBottom(int32_t v1, int32_t v2) {
  AnnElement::MirrorTopBottom(v1, v2);
  static constexpr int32_t kFlip[4] = {1800, 2700, 0, 900};
  OrientationTurned(kFlip[(displayed_ / 900) & 3]);
}

void AnnTextKind::Rotate(int32_t v1, int32_t v2, float degrees) {
  AnnElement::Rotate(v1, v2, degrees);
  SyncTrackingToRect();
  OrientationTurned(TurnOrientation(displayed_, int32_t(degrees)));
}

bool AnnTextKind::ResizeToDevice(int32_t width, int32_t height) {
  if (!services_ || !services_->view) return false;
  const AnnView& view = *services_->view;
  if (view.DisplayedWidth() <= 0 || view.DisplayedHeight() <= 0) return false;
  rect_.right = annLimitCoordinate(int64_t(rect_.left) + annMulDiv(width, ANN_LOGICAL_SPAN, view.DisplayedWidth()));
  rect_.bottom = annLimitCoordinate(int64_t(rect_.top) + annMulDiv(height, ANN_LOGICAL_SPAN, view.DisplayedHeight()));
  SyncTrackingToRect();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Lines

void AnnTextKind::LayoutLines(int32_t margin, int32_t maxWidth, bool typing) {
  lines_.clear();
  layoutValid_ = true;
  layoutZoom_ = services_ && services_->view ? services_->view->ZoomX() : 1.0f;
  AnnFontEntry* font = text_.empty() ? nullptr : Font();
  if (!font) {
    lineHeight_ = lineLeading_ = 0;
    return;
  }
  lineHeight_ = font->height;
  lineLeading_ = font->externalLeading;
  AnnTextLayoutRules rules;
  rules.maxWidth = maxWidth;
  rules.typing = typing;
  auto chars = annBreakLines(text_, [font](char16_t c) { return font->CharWidth(c); }, rules);
  plat::RECT d = services_->view->RectLogicalToDevice(rect_);
  const int32_t w = d.right - d.left, h = d.bottom - d.top, step = LineStep();
  for (size_t i = 0; i < chars.size(); ++i) {
    PlacedLine line;
    line.chars = chars[i];
    line.offset = int32_t(i) * step;
    switch (orientation_) {
      case 900: line.x = margin + line.offset; line.y = h - margin; break;
      case 1800: line.x = w - margin; line.y = h - margin - line.offset; break;
      case 2700: line.x = w - margin - line.offset; line.y = margin; break;
      default: line.x = margin; line.y = margin + line.offset; break;
    }
    lines_.push_back(line);
  }
}

void AnnTextKind::LinesExtent(int32_t* along, int32_t* across) const {
  int32_t widest = 0;
  for (const PlacedLine& l : lines_) widest = std::max(widest, l.chars.width);
  *along = widest;
  *across = lines_.empty() ? 0 : int32_t(lines_.size() - 1) * LineStep() + lineHeight_;
}

int AnnTextKind::BeginText(plat::HDC dc, const plat::RECT& d, int32_t inset, int32_t* room) {
  const bool sideways = Sideways();
  *room = (sideways ? d.right - d.left : d.bottom - d.top) - 2 * inset;
  int saved = plat::SaveDC(dc);
  plat::IntersectClipRect(dc, d.left + inset, d.top + inset, d.right - inset, d.bottom - inset);
  plat::SetBkMode(dc, plat::TRANSPARENT);
  plat::SetTextAlign(dc, plat::TA_LEFT | plat::TA_TOP);
  plat::SetTextColor(dc, plat::COLORREF(Value(PROP_TEXT_COLOR)));
  return saved;
}

void AnnTextKind::DrawLines(plat::HDC dc, const plat::RECT& device, int32_t margin, int32_t limit,
                            int32_t justification) {
  AnnFontEntry* font = Font();
  if (!font || lines_.empty()) return;
  const int32_t w = device.right - device.left, h = device.bottom - device.top;
  const bool sideways = Sideways();
  const int32_t room = (sideways ? h : w) - 2 * margin;
  plat::SelectObject(dc, font->font);
  for (const PlacedLine& line : lines_) {
    if (limit >= 0 && line.offset > limit) break;
    // Justification moves a line along its own direction inside the room it has.
    int32_t shift = 0;
    if (justification == 1) shift = room - line.chars.width;
    else if (justification == 2) shift = (room - line.chars.width) / 2;
    shift = std::max(shift, 0);
    int32_t x = device.left + line.x, y = device.top + line.y;
    switch (orientation_) {
      case 900: y -= shift; break;
      case 1800: x -= shift; break;
      case 2700: y += shift; break;
      default: x += shift; break;
    }
    // Control characters (line breaks kept inside a line while typing) are never drawn.
    std::u16string run;
    for (int32_t i = 0; i < line.chars.count; ++i) {
      char16_t c = text_[size_t(line.chars.first + i)];
      if (c >= 32) run.push_back(c);
    }
    plat::TextOutW(dc, x, y, run.c_str(), int(run.size()));
  }
}
