#include "annotation/elements/button_element.h"

#include <algorithm>

#include "annotation/font_cache.h"
#include "annotation/rect_util.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"

AnnButtonElement::AnnButtonElement(int32_t kind, const AnnPropertyMap& initial) : AnnTextKind(kind, initial, true) {}

void AnnButtonElement::SetPressed(int32_t value) {
  if (value != 0 && value != 1) return;
  if (value != pressed_ && live_) Invalidate(&rect_);
  pressed_ = value;
}

int32_t AnnButtonElement::SetProperty(int32_t id, AnnValue value, bool* changed) {
  if (changed) *changed = false;
  int32_t result = ANN_OK;
  if (id == PROP_TEXT || id == PROP_FONT) {
    if (id == PROP_FONT && !value) return ANN_OK;
    SetTextProperty(id, value, changed, &result);
    if (id == PROP_TEXT && Value(PROP_AUTO_SIZE) != 0) sizePending_ = true;
    if (live_) Invalidate(&rect_);
    return result;
  }
  return AnnRectElement::SetProperty(id, value, changed);
}

// A button has no orientation property: how far its caption is turned is kept only in its font,
// whose escapement follows every turn and mirror. Read back, the caption turns as it was saved.
void AnnButtonElement::TakeStoredFont(const plat::LOGFONTA& font) {
  const int32_t turn = font.lfEscapement;
  if (IsQuarterTurn(turn) && turn != orientation_) SetOrientation(turn);
  AnnElement::TakeStoredFont(font);
}

void AnnButtonElement::SizeToCaptionIfPending() {
  if (!placed_ || !sizePending_ || Value(PROP_AUTO_SIZE) != 1 || !services_ || !services_->view) return;
  RunPendingConversion();
  AnnFontEntry* font = Font();
  if (!font) return;
  int64_t width = 0;
  for (char16_t c : text_) width += c >= 32 ? font->CharWidth(c) : 0;
  int32_t bevel = 0;
  services_->view->ZoomLength(Value(PROP_PEN_WIDTH), &bevel, nullptr);
  const int64_t pad = 2 * int64_t(bevel) + 6;
  ResizeToDevice(annSaturate(width + pad), annSaturate(font->height + pad));
  sizePending_ = false;
  layoutValid_ = false;
}

int32_t AnnButtonElement::Draw(plat::HDC dc, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t) {
  if (!dc || !services_ || !services_->view) return ANN_NOT_HANDLED;
  plat::RECT r = rect_;
  if (!placed_ && !TrackingRect(&r)) return ANN_NOT_HANDLED;
  if (!placed_) rect_ = r;
  RunPendingConversion();
  AnnView& view = *services_->view;
  SizeToCaptionIfPending();
  AnnFontEntry* font = Font();
  const bool pressed = Pressed();

  const plat::RECT d = view.RectLogicalToDevice(rect_);
  const plat::RECT face{d.left + 1, d.top + 1, d.right - 1, d.bottom - 1};
  const plat::COLORREF light = plat::COLORREF(Value(PROP_BEVEL_LIGHT_COLOR));
  const plat::COLORREF shadow = plat::COLORREF(Value(PROP_BEVEL_SHADOW_COLOR));
  int saved = plat::SaveDC(dc);
  plat::SelectObject(dc, plat::GetStockObject(plat::BLACK_PEN));
  plat::SelectObject(dc, plat::GetStockObject(plat::NULL_BRUSH));
  plat::Rectangle(dc, d.left, d.top, d.right, d.bottom);
  SelectBrush(plat::COLORREF(Value(PROP_BACK_COLOR)), false, HATCH_NONE, 0);
  SelectPen(Value(PROP_PEN_WIDTH), pressed ? light : shadow, plat::PS_INSIDEFRAME);
  plat::Rectangle(dc, face.left, face.top, face.right, face.bottom);

  // The band along the top and left edges is lit; pressed, it is in shadow and the button sinks.
  int32_t w = 0;
  view.ZoomLength(Value(PROP_PEN_WIDTH), &w, nullptr);
  if (w > 0) {
    const plat::POINT band[6] = {{face.left, face.bottom},         {face.left, face.top},
                                 {face.right, face.top},           {face.right - w, face.top + w},
                                 {face.left + w, face.top + w},    {face.left + w, face.bottom - w}};
    plat::HBRUSH brush = plat::CreateSolidBrush(pressed ? shadow : light);
    plat::SelectObject(dc, plat::GetStockObject(plat::NULL_PEN));
    plat::HGDIOBJ old = plat::SelectObject(dc, brush);
    plat::SetPolyFillMode(dc, plat::WINDING);
    plat::Polygon(dc, band, 6);
    plat::SelectObject(dc, old);
    plat::DeleteObject(brush);
  }

  if (font && !text_.empty()) {
    plat::SetBkMode(dc, plat::TRANSPARENT);
    plat::SetTextColor(dc, plat::COLORREF(Value(PROP_TEXT_COLOR)));
    plat::SetTextAlign(dc, plat::TA_LEFT | plat::TA_TOP);
    plat::IntersectClipRect(dc, face.left, face.top, face.right, face.bottom);
    // Released, the caption sits one pixel lower and further right than pressed.
    plat::RECT box = face;
    if (!pressed) {
      box.right += 2;
      box.bottom += 2;
    }
    if (orientation_ == 0) {
      std::u16string caption;
      int32_t width = 0;
      for (char16_t c : text_)
        if (c >= 32) {
          caption.push_back(c);
          width += font->CharWidth(c);
        }
      plat::SelectObject(dc, font->font);
      plat::TextOutW(dc, box.left + (box.right - box.left - width) / 2,
                     box.top + (box.bottom - box.top - font->height) / 2, caption.c_str(), int(caption.size()));
    } else {
      if (!layoutValid_ || layoutZoom_ != view.ZoomX()) LayoutLines(w + 1, -1, false);
      DrawLines(dc, box, 0, -1, 0);
    }
  }
  plat::RestoreDC(dc, saved);
  if (placed_ && Selected() && Value(PROP_SHOW_HANDLES) != 0) view.DrawHandles(rect_, dc);
  return 1;
}
