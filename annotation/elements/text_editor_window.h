#pragma once
// The editor window of a text element: a multi-line text editor opened as a child of the host
// window over the element. It grows (never shrinks) with its text and ends on a click outside it
// or when it loses the focus; the element then takes its text over. Text stays UTF-16 throughout.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/graphics/gdi_types.h"
#include "platform/windows/window_types.h"

class AnnEditorWindow {
 public:
  struct Style {
    plat::COLORREF back = 0xFFFFFF;
    plat::COLORREF text = 0;
    int32_t justification = 0;  // 0 left, 1 right, 2 centre
    int32_t lineHeight = 16;
    plat::LOGFONTA font{};
  };
  // Opens over the device rect of the host window; onEnd runs once when the editing ends by
  // itself (outside click, lost focus), never from inside the destructor.
  AnnEditorWindow(plat::HWND host, const plat::RECT& device, const Style& style, const std::u16string& text,
                  int32_t caret, std::function<void()> onEnd);
  ~AnnEditorWindow();
  AnnEditorWindow(const AnnEditorWindow&) = delete;
  AnnEditorWindow& operator=(const AnnEditorWindow&) = delete;

  std::u16string Text() const;
  // The editor's client area in device pixels of the host window.
  plat::RECT ClientRect() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};
