#pragma once
// The text kind: multi-line text in one font inside a rectangle, with word wrap, justification,
// four orientations, and editing in place either directly (the element keeps its buffer, caret and
// selection and draws the text itself) or in an editor window opened over it.
#include <memory>

#include "annotation/elements/text_buffer.h"
#include "annotation/elements/text_editor_window.h"
#include "annotation/elements/text_kind.h"

class AnnTextElement : public AnnTextKind {
 public:
  AnnTextElement(int32_t kind, const AnnPropertyMap& initial);
  ~AnnTextElement() override;

  int32_t OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                         int32_t* eventCode) override;
  int32_t OnKeyMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) override;
  int32_t Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5, intptr_t v6) override;
  void CancelTracking(plat::HWND window) override;
  void GetBoundsWithHandles(plat::RECT* out) override;
  int32_t SetProperty(int32_t id, AnnValue value, bool* changed) override;
  void UpdateTracking(plat::HWND, int32_t, int32_t) override {}

  bool Editing() const { return editing_ || editor_ != nullptr; }

 private:
  static int32_t Filter(void* context, plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                        int32_t* eventCode, int32_t* eventParam);
  int32_t Margin() const;
  // The height of a line in the element's font at the present zoom; 16 when there is no font.
  int32_t LineHeight();
  void Layout();
  bool EditAllowed() const;
  void StartDirect(plat::HWND window, int32_t x, int32_t y, bool placedEdit);
  void OpenEditor(plat::HWND window, int32_t x, int32_t y);
  void EditorEnded();
  void EndEditing(bool takeEditorText);
  void PlaceCaret();
  // The box of a text being typed directly, in device pixels: the element's rect, at least one
  // line high and a caret wide.
  plat::RECT EditingBox();
  void InvalidateEditingBox();
  void DrawEditingMarks(plat::HDC dc, bool printing);
  plat::POINT CaretPoint(int32_t index);
  int32_t IndexAt(int32_t x, int32_t y);
  int32_t LineOf(int32_t index) const;
  void AfterChange(const plat::RECT& before);
  bool HasSelection() const { return selFirst_ >= 0 && selLast_ >= selFirst_; }
  void DeleteSelection();
  void DropSelection();
  void MoveCaret(int32_t index, bool extend);
  void Copy(bool wholeWhenNoSelection);
  void Paste();

  AnnTextBuffer buffer_;
  std::unique_ptr<AnnEditorWindow> editor_;
  plat::HWND hostWindow_ = nullptr;
  int32_t selFirst_ = -1, selLast_ = -1, anchor_ = -1;
  bool modified_ = false;
  bool direct_ = false;
  bool editing_ = false;
  bool caretShown_ = false;
  bool starting_ = false;
  bool filterInstalled_ = false;
  bool shift_ = false, ctrl_ = false;
};
