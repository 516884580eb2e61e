#pragma once
// The stamp: a fixed text in its own font, placed with one click at its natural size and drawn
// inside a rectangle with a frame and background. Its text changes only through the text property.
#include "annotation/elements/text_kind.h"

class AnnStampElement : public AnnTextKind {
 public:
  AnnStampElement(int32_t kind, const AnnPropertyMap& initial);

  int32_t OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                         int32_t* eventCode) override;
  int32_t Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5, intptr_t v6) override;
  int32_t SetProperty(int32_t id, AnnValue value, bool* changed) override;
  void BeginTracking(plat::HWND window, int32_t x, int32_t y) override;
  void UpdateTracking(plat::HWND, int32_t, int32_t) override {}
  void SettleBeforeWrite() override { SizeToTextIfPending(); }
  void AfterRead() override { sizePending_ = false; }

 private:
  // Lays the text out; with sizeToText the rect keeps its top-left corner and takes the text's size.
  void Layout(bool sizeToText);
  int32_t Margin() const;
  // A placed stamp whose text or font changed takes its text's size, when it sizes to its text.
  void SizeToTextIfPending();

  bool sizePending_ = true;
};
