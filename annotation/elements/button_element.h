#pragma once
// The push button: a bevelled face with a caption in its own font. In run mode the layer presses
// and releases it, and it is drawn sunken while pressed.
#include "annotation/elements/text_kind.h"

class AnnButtonElement : public AnnTextKind {
 public:
  AnnButtonElement(int32_t kind, const AnnPropertyMap& initial);

  int32_t Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5, intptr_t v6) override;
  int32_t SetProperty(int32_t id, AnnValue value, bool* changed) override;
  void TakeStoredFont(const plat::LOGFONTA& font) override;
  void SettleBeforeWrite() override { SizeToCaptionIfPending(); }
  void AfterRead() override { sizePending_ = false; }

  // Only 0 and 1 are taken; any other value leaves the state as it is.
  void SetPressed(int32_t value);
  bool Pressed() const { return pressed_ != 0 || PressedButton() != 0; }

 private:
  // A placed button whose caption changed grows with it, keeping its top-left corner, when it
  // sizes to its caption.
  void SizeToCaptionIfPending();

  int32_t pressed_ = 0;
  bool sizePending_ = false;
};
