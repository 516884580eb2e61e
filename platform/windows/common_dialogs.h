#pragma once
// The colour and font dialogs the engine opens from its attribute menu. By default they are Qt's
// own dialogs; the program routes them through its dialog service, and tests answer them there.
#include <cstdint>
#include <functional>

#include "platform/graphics/gdi_types.h"
#include "platform/windows/window_types.h"

namespace plat {

constexpr uint32_t CC_RGBINIT = 0x1;
constexpr uint32_t CF_SCREENFONTS = 0x1;
constexpr uint32_t CF_INITTOLOGFONTSTRUCT = 0x40;

struct CHOOSECOLORA {
  HWND owner = nullptr;
  COLORREF rgbResult = 0;
  COLORREF* lpCustColors = nullptr;
  uint32_t Flags = 0;
};

struct CHOOSEFONTA {
  HWND owner = nullptr;
  LOGFONTA* lpLogFont = nullptr;
  uint32_t Flags = 0;
};

// True when the user chose (the result written into the request), false when cancelled.
bool ChooseColorA(CHOOSECOLORA* request);
bool ChooseFontA(CHOOSEFONTA* request);

using ColorChooser = std::function<bool(CHOOSECOLORA*)>;
using FontChooser = std::function<bool(CHOOSEFONTA*)>;
// Replaces the dialogs (an empty function restores Qt's).
void SetCommonDialogChoosers(ColorChooser colour, FontChooser font);

}  // namespace plat
