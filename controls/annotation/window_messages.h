#pragma once
// Qt input of the attached view as the engine's window messages: the platform's message numbers
// with wParam carrying the button and key flags (or the virtual key) and lParam the point as two
// signed 16-bit words.
#include "platform/windows/window_types.h"

class QKeyEvent;
class QMouseEvent;

namespace ann {

struct WindowMessage {
  plat::UINT message = 0;  // 0: no message for this event
  plat::WPARAM wParam = 0;
  plat::LPARAM lParam = 0;
};

WindowMessage mouseMessage(const QMouseEvent& e);
WindowMessage keyMessage(const QKeyEvent& e);
// The character a key press types (WM_CHAR with its UTF-16 code), or no message.
WindowMessage charMessage(const QKeyEvent& e);

}  // namespace ann
