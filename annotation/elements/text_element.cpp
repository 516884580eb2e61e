#include "annotation/elements/text_element.h"

#include <algorithm>
#include <cmath>

#include "annotation/font_cache.h"
#include "annotation/rect_util.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/windows/clipboard.h"
#include "platform/windows/window.h"

class AnnLayer;
int32_t annPlaceElement(AnnLayer* layer, AnnElement* element);

namespace {

constexpr int32_t VK_BACK = 8, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_END = 35, VK_HOME = 36,
                  VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45, VK_DELETE = 46;

// The editor works with line feeds; the element keeps carriage return and line feed pairs.
std::u16string toEditor(const std::u16string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') continue;
    out.push_back(s[i] == u'\r' ? u'\n' : s[i]);
  }
  return out;
}

std::u16string fromEditor(const std::u16string& s) {
  std::u16string out;
  for (char16_t c : s) {
    if (c == u'\n') out += u"\r\n";
    else out.push_back(c);
  }
  return out;
}

}  // namespace

AnnTextElement::AnnTextElement(int32_t kind, const AnnPropertyMap& initial) : AnnTextKind(kind, initial, false) {}

AnnTextElement::~AnnTextElement() {
  editor_.reset();
  if (filterInstalled_ && services_ && services_->installMessageFilter)
    services_->installMessageFilter(services_->engine, nullptr, nullptr);
  if (caretShown_) plat::DestroyCaret();
}

int32_t AnnTextElement::Margin() const {
  const int32_t w = Value(PROP_PEN_WIDTH);
  if (w == 0) return 0;
  const float zoom = services_ && services_->view ? services_->view->ZoomX() : 1.0f;
  return (zoom != 1.0f ? int32_t(float(w) * zoom) : w) + 1;
}

int32_t AnnTextElement::LineHeight() {
  AnnFontEntry* font = Font();
  return font ? font->height : 16;
}

void AnnTextElement::Layout() {
  if (!services_ || !services_->view) return;
  AnnView& view = *services_->view;
  const int32_t margin = Margin();
  const bool typing = !placed_ && editing_;
  int32_t maxWidth = -1;
  if (!typing) {
    plat::RECT d = view.RectLogicalToDevice(rect_);
    const bool sideways = Sideways();
    maxWidth = (sideways ? d.bottom - d.top : d.right - d.left) - 2 * margin + 1;
    if (maxWidth < 0) maxWidth = 0;
  }
  LayoutLines(margin, maxWidth, typing);
  if (typing && x1_ != -1 && view.DisplayedWidth() > 0 && view.DisplayedHeight() > 0) {
    // The rect of a text being typed follows the text from where it was started. A wide pen or a
    // tall font may make it larger than the page's sound range: it stops at its edge there.
    int32_t along = 0, across = 0;
    LinesExtent(&along, &across);
    auto grown = [&](int32_t from, int32_t extent, int32_t displayed) {
      const int32_t length = annSaturate(int64_t(extent) + 2 * int64_t(margin));
      return annLimitCoordinate(int64_t(from) + annMulDiv(length, ANN_LOGICAL_SPAN, displayed));
    };
    x2_ = grown(x1_, along, view.DisplayedWidth());
    y2_ = grown(y1_, across, view.DisplayedHeight());
    RecalcBounds();
  }
}

// ---------------------------------------------------------------------------------------------
// Properties and geometry

int32_t AnnTextElement::SetProperty(int32_t id, AnnValue value, bool* changed) {
  if (changed) *changed = false;
  int32_t result = ANN_OK;
  switch (id) {
    case PROP_PEN_WIDTH:
    case PROP_RECT:
      layoutValid_ = false;
      return AnnRectElement::SetProperty(id, value, changed);
    case PROP_TEXT:
      SetTextProperty(id, value, changed, &result);
      buffer_.Assign(text_);
      return result;
    case PROP_TEXT_18:
      if (changed) *changed = true;
      return ANN_OK;
    case PROP_OI_MARK_TYPE: {
      int32_t v = int32_t(value);
      if (v != 7 && v != 10) return ERR_BAD_MARK_TYPE;
      if (v == 10) {
        bool c = false;
        AnnRectElement::SetProperty(PROP_BACK_STYLE, 2, &c);
        AnnRectElement::SetProperty(PROP_HIGHLIGHT_BACK, 0, &c);
        AnnRectElement::SetProperty(PROP_PEN_COLOR, 0, &c);
        AnnRectElement::SetProperty(PROP_PEN_WIDTH, 1, &c);
        layoutValid_ = false;
      }
      return AnnRectElement::SetProperty(id, value, changed);
    }
    default:
      if (SetTextProperty(id, value, changed, &result)) return result;
      return AnnRectElement::SetProperty(id, value, changed);
  }
}

void AnnTextElement::GetBoundsWithHandles(plat::RECT* out) {
  if (out) *out = rect_;
}

// ---------------------------------------------------------------------------------------------
// Starting and ending an edit

bool AnnTextElement::EditAllowed() const {
  if (!services_ || !services_->fontCache) return false;
  const bool editor = services_->fontCache->Option136();
  return services_->fontCache->Option137() && (font_.lfEscapement == 0 || editor) && Value(PROP_LOCKED) == 0 &&
         Value(PROP_TEXT_LOCKED) == 0;
}

void AnnTextElement::StartDirect(plat::HWND window, int32_t x, int32_t y, bool placedEdit) {
  hostWindow_ = window;
  editing_ = true;
  direct_ = true;
  starting_ = true;
  modified_ = false;
  if (!placedEdit) buffer_.Assign(text_);
  if (services_ && services_->installMessageFilter) {
    services_->installMessageFilter(services_->engine, &AnnTextElement::Filter, this);
    filterInstalled_ = true;
  }
  if (window) plat::SetCapture(window);
  Layout();
  if (placedEdit) buffer_.SetCaret(IndexAt(x, y));
  else buffer_.SetCaret(buffer_.Length());
  plat::CreateCaret(window, 2, LineHeight());
  caretShown_ = true;
  PlaceCaret();
  starting_ = false;
}

void AnnTextElement::OpenEditor(plat::HWND window, int32_t x, int32_t y) {
  if (!services_ || !services_->view) return;
  AnnView& view = *services_->view;
  hostWindow_ = window;
  AnnFontEntry* font = Font();
  AnnEditorWindow::Style style;
  style.back = plat::COLORREF(Value(PROP_BACK_COLOR, 0xFFFFFF));
  style.text = plat::COLORREF(Value(PROP_TEXT_COLOR));
  style.justification = Value(PROP_TEXT_JUSTIFICATION);
  style.lineHeight = font ? font->height : 16;
  style.font = font ? font->created : font_;
  style.font.lfEscapement = style.font.lfOrientation = 0;
  plat::RECT device;
  if (placed_) {
    device = view.RectLogicalToDevice(rect_);
    int32_t pen = 0;
    view.ZoomLength(Value(PROP_PEN_WIDTH), &pen, nullptr);
    device = annInflateRect(device, -pen);
  } else {
    plat::POINT p{x, y};
    view.LogicalToDevice(&p, &p, 1);
    const int32_t width = font ? std::max(font->maxCharWidth * 8, 40) : 120;
    device = {p.x, p.y, p.x + width, p.y + 3 * style.lineHeight};
  }
  starting_ = true;
  editing_ = true;
  direct_ = false;
  modified_ = false;
  int32_t caret = placed_ ? IndexAt(x, y) : 0;
  editor_ = std::make_unique<AnnEditorWindow>(window, device, style, toEditor(text_), caret,
                                              [this] { EditorEnded(); });
  if (services_->installMessageFilter) {
    services_->installMessageFilter(services_->engine, &AnnTextElement::Filter, this);
    filterInstalled_ = true;
  }
  starting_ = false;
}

void AnnTextElement::EditorEnded() { CancelTracking(nullptr); }

void AnnTextElement::CancelTracking(plat::HWND) {
  if (!editing_ && !editor_) {
    AnnRectElement::CancelTracking(nullptr);
    return;
  }
  EndEditing(true);
}

void AnnTextElement::EndEditing(bool takeEditorText) {
  const bool wasEditing = editing_;
  const int32_t id = id_;
  // The box and the caret go with the editing.
  if (direct_ && editing_) InvalidateEditingBox();
  if (filterInstalled_ && services_ && services_->installMessageFilter)
    services_->installMessageFilter(services_->engine, nullptr, nullptr);
  filterInstalled_ = false;
  if (plat::GetCapture()) plat::ReleaseCapture();
  if (caretShown_) plat::DestroyCaret();
  caretShown_ = false;
  editing_ = direct_ = false;
  tracking_ = false;

  // The editor window's text replaces the element's.
  if (editor_ && takeEditorText && !starting_) {
    std::u16string text = fromEditor(editor_->Text());
    if (text != text_) modified_ = true;
    text_ = text;
    buffer_.Assign(text_);
    if (!placed_ && !text_.empty() && services_ && services_->view) {
      plat::RECT client = editor_->ClientRect();
      plat::RECT r = services_->view->RectDeviceToLogical(client);
      x1_ = r.left;
      y1_ = r.top;
      x2_ = r.right;
      y2_ = r.bottom;
      RecalcBounds();
    }
    layoutValid_ = false;
  }
  editor_.reset();

  const bool modified = modified_;
  modified_ = false;
  DropSelection();
  if (placed_ && wasEditing) {
    Invalidate(&rect_);
    if (services_ && services_->raiseEvent) services_->raiseEvent(services_->engine, EVT_TEXT_EDIT_END, id);
    if (modified && services_ && services_->propertyChanged)
      services_->propertyChanged(services_->engine, reinterpret_cast<AnnLayerHandle>(layer_), id, PROP_TEXT);
    return;
  }
  if (placed_) return;
  if (!text_.empty() && layer_) {
    layoutValid_ = false;
    annPlaceElement(layer_, this);
    return;
  }
  // A new text left empty is dropped: it starts again at the next click.
  Invalidate(&rect_);
  x1_ = -1;
}

int32_t AnnTextElement::Filter(void* context, plat::HWND window, uint32_t message, plat::WPARAM, int32_t, int32_t,
                               int32_t*, int32_t*) {
  auto* self = static_cast<AnnTextElement*>(context);
  const bool overHost = !self->hostWindow_ || window == self->hostWindow_;
  switch (message) {
    case plat::WM_MOUSEMOVE:
      if (!overHost) return -2;
      return self->placed_ ? ANN_NOT_HANDLED : 0;
    case plat::WM_LBUTTONDOWN:
    case plat::WM_RBUTTONDOWN:
    case plat::WM_MBUTTONDOWN:
      // Any press ends the edit; the press itself then goes where it was meant to.
      self->CancelTracking(window);
      return ANN_NOT_HANDLED;
    case plat::WM_LBUTTONUP:
      return 0;
    default:
      return overHost ? ANN_NOT_HANDLED : -2;
  }
}

// ---------------------------------------------------------------------------------------------
// Mouse

int32_t AnnTextElement::OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                                       int32_t* eventCode) {
  switch (message) {
    case plat::WM_SETCURSOR:
      return services_ && services_->chooseCursor && services_->chooseCursor(services_->engine, kind_, 0)
                 ? 1
                 : ANN_NOT_HANDLED;
    case plat::WM_LBUTTONDOWN:
      if (placed_) {
        direct_ = false;
        return AnnRectElement::OnMouseMessage(window, message, wParam, x, y, eventCode);
      }
      if (Editing()) return 1;
      x1_ = x2_ = x;
      y1_ = y2_ = y;
      RecalcBounds();
      if (services_ && services_->fontCache && services_->fontCache->Option136()) OpenEditor(window, x, y);
      else StartDirect(window, x, y, false);
      return 1;
    case plat::WM_LBUTTONUP:
      if (!placed_) return 1;
      return AnnRectElement::OnMouseMessage(window, message, wParam, x, y, eventCode);
    case plat::WM_LBUTTONDBLCLK:
      if (!placed_ || Editing() || !EditAllowed()) return ANN_NOT_HANDLED;
      if (services_->fontCache->Option136()) {
        OpenEditor(window, x, y);
      } else {
        DropSelection();
        StartDirect(window, x, y, true);
      }
      if (eventCode) *eventCode = EVT_TEXT_EDIT_BEGIN;
      return ANN_OK;
    case plat::WM_MOUSEMOVE: {
      int32_t r = AnnRectElement::OnMouseMessage(window, message, wParam, x, y, eventCode);
      if (DragHandle() != -1) layoutValid_ = false;
      return r;
    }
    default:
      return AnnRectElement::OnMouseMessage(window, message, wParam, x, y, eventCode);
  }
}

// ---------------------------------------------------------------------------------------------
// Caret and selection

int32_t AnnTextElement::LineOf(int32_t index) const {
  int32_t found = 0;
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].chars.first <= index) found = int32_t(i);
  return found;
}

plat::POINT AnnTextElement::CaretPoint(int32_t index) {
  plat::RECT d = services_->view->RectLogicalToDevice(rect_);
  const int32_t margin = Margin();
  if (lines_.empty()) return {d.left + margin, d.top + margin};
  const PlacedLine& line = lines_[size_t(LineOf(index))];
  AnnFontEntry* font = Font();
  int32_t along = 0;
  for (int32_t i = line.chars.first; i < index && i < line.chars.first + line.chars.count; ++i) {
    char16_t c = text_[size_t(i)];
    if (c >= 32 && font) along += font->CharWidth(c);
  }
  int32_t x = d.left + line.x, y = d.top + line.y;
  switch (orientation_) {
    case 900: return {x, y - along};
    case 1800: return {x - along, y};
    case 2700: return {x, y + along};
    default: return {x + along, y};
  }
}

int32_t AnnTextElement::IndexAt(int32_t x, int32_t y) {
  if (!layoutValid_) Layout();
  if (lines_.empty() || !services_ || !services_->view) return int32_t(text_.size());
  plat::POINT p{x, y};
  services_->view->LogicalToDevice(&p, &p, 1);
  plat::RECT d = services_->view->RectLogicalToDevice(rect_);
  const int32_t step = std::max(LineStep(), 1);
  const int32_t row = std::clamp((p.y - d.top - Margin()) / step, 0, int32_t(lines_.size()) - 1);
  const PlacedLine& line = lines_[size_t(row)];
  AnnFontEntry* font = Font();
  int32_t at = d.left + line.x;
  for (int32_t i = line.chars.first; i < line.chars.first + line.chars.count; ++i) {
    char16_t c = text_[size_t(i)];
    int32_t w = (c >= 32 && font) ? font->CharWidth(c) : 0;
    if (p.x < at + w / 2) return i;
    at += w;
  }
  return line.chars.first + line.chars.count;
}

void AnnTextElement::PlaceCaret() {
  if (!caretShown_ || !services_ || !services_->view) return;
  plat::POINT p = CaretPoint(buffer_.Caret());
  plat::SetCaretPos(p.x, p.y);
  // The element draws the caret itself: the box is painted again wherever the caret went.
  InvalidateEditingBox();
}

plat::RECT AnnTextElement::EditingBox() {
  plat::RECT d = services_->view->RectLogicalToDevice(rect_);
  AnnView::NormalizeRect(&d);
  const int32_t line = LineHeight();
  const bool sideways = Sideways();
  const int32_t across = line + 2 * Margin(), along = 2 * Margin() + 2;
  d.right = std::max(d.right, d.left + (sideways ? across : along));
  d.bottom = std::max(d.bottom, d.top + (sideways ? along : across));
  // A little room around the glyphs, and for the caret after the last one.
  return {d.left - 2, d.top - 2, d.right + 3, d.bottom + 2};
}

void AnnTextElement::InvalidateEditingBox() {
  if (!services_ || !services_->view) return;
  plat::RECT area = services_->view->RectDeviceToLogical(annInflateRect(EditingBox(), 2));
  Invalidate(&area);
}

// While a text is typed directly, a dotted frame shows its box and a bar in the text colour shows
// where the next character goes. Neither is part of the annotation: nothing printed or burned
// into a picture shows them.
void AnnTextElement::DrawEditingMarks(plat::HDC dc, bool printing) {
  if (!direct_ || !editing_ || printing || !services_ || !services_->view || services_->view->HandlesHidden()) return;
  if (!layoutValid_) Layout();
  const plat::COLORREF colour = plat::COLORREF(Value(PROP_TEXT_COLOR));
  const plat::RECT box = EditingBox();
  const int saved = plat::SaveDC(dc);
  plat::SetROP2(dc, plat::R2_COPYPEN);
  plat::SetBkMode(dc, plat::TRANSPARENT);
  plat::HPEN pen = plat::CreatePen(plat::PS_DOT, 1, colour);
  plat::SelectObject(dc, pen);
  plat::SelectObject(dc, plat::GetStockObject(plat::NULL_BRUSH));
  plat::Rectangle(dc, box.left, box.top, box.right, box.bottom);

  const int32_t line = LineHeight();
  const plat::POINT at = CaretPoint(buffer_.Caret());
  const bool sideways = Sideways();
  plat::RECT bar = sideways ? plat::RECT{at.x, at.y, at.x + line, at.y + 2} : plat::RECT{at.x, at.y, at.x + 2, at.y + line};
  plat::HBRUSH brush = plat::CreateSolidBrush(colour);
  plat::FillRect(dc, &bar, brush);
  plat::RestoreDC(dc, saved);
  plat::DeleteObject(pen);
  plat::DeleteObject(brush);
}

void AnnTextElement::DropSelection() {
  if (!HasSelection()) {
    selFirst_ = selLast_ = anchor_ = -1;
    return;
  }
  selFirst_ = selLast_ = anchor_ = -1;
  Invalidate(&rect_);
}

void AnnTextElement::MoveCaret(int32_t index, bool extend) {
  index = std::clamp(index, 0, buffer_.Length());
  if (extend) {
    if (anchor_ < 0) anchor_ = buffer_.Caret();
    buffer_.SetCaret(index);
    if (index == anchor_) {
      selFirst_ = selLast_ = -1;
    } else {
      selFirst_ = std::min(anchor_, index);
      selLast_ = std::max(anchor_, index) - 1;
    }
    Invalidate(&rect_);
  } else {
    DropSelection();
    buffer_.SetCaret(index);
  }
  PlaceCaret();
}

void AnnTextElement::DeleteSelection() {
  if (!HasSelection()) return;
  buffer_.Delete(selFirst_, selLast_ - selFirst_ + 1);
  buffer_.SetCaret(selFirst_);
  selFirst_ = selLast_ = anchor_ = -1;
}

void AnnTextElement::Copy(bool wholeWhenNoSelection) {
  std::u16string part;
  if (HasSelection()) part = buffer_.Text().substr(size_t(selFirst_), size_t(selLast_ - selFirst_ + 1));
  else if (wholeWhenNoSelection) part = buffer_.Text();
  else return;
  // The text goes out as UTF-16: no character is lost to a code page.
  if (!plat::OpenClipboard(hostWindow_)) return;
  plat::EmptyClipboard();
  plat::SetClipboardUnicodeText(part);
  plat::CloseClipboard();
}

void AnnTextElement::Paste() {
  std::u16string text;
  if (!plat::GetClipboardUnicodeText(&text)) return;
  DeleteSelection();
  int32_t at = buffer_.Caret();
  buffer_.Insert(at, text);
  buffer_.SetCaret(at + int32_t(text.size()));
}

void AnnTextElement::AfterChange(const plat::RECT& before) {
  text_ = buffer_.Text();
  Layout();
  PlaceCaret();
  plat::RECT area = annUnionRect(before, rect_);
  Invalidate(&area);
}

// ---------------------------------------------------------------------------------------------
// Keys of direct editing

int32_t AnnTextElement::OnKeyMessage(plat::HWND, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) {
  if (message == plat::WM_KEYDOWN || message == plat::WM_KEYUP) {
    if (wParam == VK_SHIFT) shift_ = message == plat::WM_KEYDOWN;
    if (wParam == VK_CONTROL) ctrl_ = message == plat::WM_KEYDOWN;
  }
  if (!direct_ || !editing_) return ANN_NOT_HANDLED;
  if (!layoutValid_) Layout();
  const plat::RECT before = rect_;
  // The box as it is now goes wherever the key takes it: a shorter text leaves no frame behind.
  InvalidateEditingBox();
  if (message == plat::WM_KEYDOWN) {
    const int32_t repeat = std::max<int32_t>(int32_t(lParam & 0xFFFF), 1);
    bool changed = false;
    for (int32_t n = 0; n < repeat; ++n) {
      const int32_t caret = buffer_.Caret();
      const PlacedLine* line = lines_.empty() ? nullptr : &lines_[size_t(LineOf(caret))];
      switch (wParam) {
        case VK_BACK:
          if (HasSelection()) DeleteSelection();
          else buffer_.DeleteBeforeCaret();
          changed = modified_ = true;
          break;
        case VK_DELETE:
          if (HasSelection()) DeleteSelection();
          else buffer_.DeleteAtCaret();
          changed = modified_ = true;
          break;
        case VK_RETURN:
          DeleteSelection();
          buffer_.Type(u'\r');
          buffer_.Type(u'\n');
          changed = modified_ = true;
          // The new line is laid out before the next repeat moves on.
          text_ = buffer_.Text();
          Layout();
          break;
        case VK_END:
          if (ctrl_ || !line || line == &lines_.back()) MoveCaret(buffer_.Length(), shift_);
          else MoveCaret(line->chars.first + line->chars.count, shift_);
          break;
        case VK_HOME:
          MoveCaret(ctrl_ || !line ? 0 : line->chars.first, shift_);
          break;
        case VK_LEFT:
          MoveCaret(caret - 1, shift_);
          break;
        case VK_RIGHT:
          MoveCaret(caret + 1, shift_);
          break;
        case VK_UP:
        case VK_DOWN: {
          if (!line) break;
          const int32_t row = LineOf(caret) + (wParam == VK_UP ? -1 : 1);
          if (row < 0 || row >= int32_t(lines_.size())) break;
          AnnFontEntry* font = Font();
          auto widthOf = [&](int32_t i) {
            char16_t c = text_[size_t(i)];
            return (c >= 32 && font) ? font->CharWidth(c) : 0;
          };
          int32_t offset = 0;
          for (int32_t i = line->chars.first; i < caret; ++i) offset += widthOf(i);
          const PlacedLine& target = lines_[size_t(row)];
          int32_t best = target.chars.first, at = 0, bestGap = offset;
          for (int32_t i = target.chars.first; i < target.chars.first + target.chars.count; ++i) {
            at += widthOf(i);
            if (std::abs(at - offset) < bestGap) {
              bestGap = std::abs(at - offset);
              best = i + 1;
            }
          }
          MoveCaret(best, shift_);
          break;
        }
        case VK_INSERT:
          buffer_.ToggleInsert();
          break;
        default:
          return ANN_NOT_HANDLED;
      }
    }
    if (changed) AfterChange(before);
    return ANN_OK;
  }
  if (message != plat::WM_CHAR) return ANN_NOT_HANDLED;
  const char16_t c = char16_t(wParam);
  switch (c) {
    case 3:
      Copy(true);
      return ANN_OK;
    case 22:
      Paste();
      modified_ = true;
      AfterChange(before);
      return ANN_OK;
    case 24:
      if (!HasSelection()) return ANN_OK;
      Copy(false);
      DeleteSelection();
      modified_ = true;
      AfterChange(before);
      return ANN_OK;
    case 10:
    case 27:
      return ANN_OK;
    default:
      if (c < 32) return ANN_OK;
      DeleteSelection();
      buffer_.Type(c);
      modified_ = true;
      AfterChange(before);
      return ANN_OK;
  }
}

// ---------------------------------------------------------------------------------------------
// Drawing

int32_t AnnTextElement::Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5,
                             intptr_t v6) {
  if (!dc || !services_ || !services_->view) return ANN_NOT_HANDLED;
  const bool printing = v6 != 0;
  if (!placed_ && text_.empty()) {
    DrawEditingMarks(dc, printing);
    return ANN_NOT_HANDLED;
  }
  RunPendingConversion();
  AnnRectElement::Draw(dc, v1, v2, v3, v4, v5, v6);
  if (text_.empty() || !Font()) {
    DrawEditingMarks(dc, printing);
    return ANN_OK;
  }
  AnnView& view = *services_->view;
  if (!layoutValid_ || layoutZoom_ != view.ZoomX()) Layout();
  const int32_t margin = Margin();
  plat::RECT d = view.RectLogicalToDevice(rect_);
  int32_t room = 0;
  int saved = BeginText(dc, d, margin, &room);
  DrawLines(dc, d, margin, room, orientation_ == 0 ? Value(PROP_TEXT_JUSTIFICATION) : 0);

  // A text longer than its rect shows a marker where it goes on.
  bool overflow = false;
  for (const PlacedLine& l : lines_)
    if (l.offset >= room - lineHeight_ / 2) overflow = true;
  if (overflow && placed_) {
    const int32_t s = 7;
    plat::POINT corner;
    switch (orientation_) {
      case 900: corner = {d.right - margin - s, d.top + margin}; break;
      case 1800: corner = {d.left + margin, d.top + margin}; break;
      case 2700: corner = {d.left + margin, d.bottom - margin - s}; break;
      default: corner = {d.right - margin - s, d.bottom - margin - s}; break;
    }
    plat::POINT marker[3] = {{corner.x, corner.y + s}, {corner.x + s, corner.y + s}, {corner.x + s, corner.y}};
    plat::SelectObject(dc, plat::GetStockObject(plat::NULL_PEN));
    plat::SelectObject(dc, plat::GetStockObject(plat::BLACK_BRUSH));
    plat::SetROP2(dc, plat::R2_COPYPEN);
    plat::Polygon(dc, marker, 3);
  }

  // The selected characters are shown inverted (never in a burned-in picture).
  if (HasSelection() && orientation_ == 0 && !view.HandlesHidden()) {
    AnnFontEntry* font = Font();
    plat::SelectObject(dc, plat::GetStockObject(plat::NULL_PEN));
    plat::SelectObject(dc, plat::GetStockObject(plat::BLACK_BRUSH));
    plat::SetROP2(dc, plat::R2_MERGEPENNOT);
    for (const PlacedLine& l : lines_) {
      int32_t x = d.left + l.x, from = -1, to = -1;
      for (int32_t i = l.chars.first; i < l.chars.first + l.chars.count; ++i) {
        char16_t c = text_[size_t(i)];
        int32_t w = (c >= 32 && font) ? font->CharWidth(c) : 0;
        if (i >= selFirst_ && i <= selLast_) {
          if (from < 0) from = x;
          to = x + w;
        }
        x += w;
      }
      if (from >= 0 && to > from)
        plat::Rectangle(dc, from, d.top + l.y, to + 1, d.top + l.y + lineHeight_ + 1);
    }
  }
  plat::RestoreDC(dc, saved);
  DrawEditingMarks(dc, printing);
  return ANN_OK;
}
