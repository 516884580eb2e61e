#include "runtime/message_boxes.h"

#include "runtime/errors.h"
#include "runtime/screen.h"

namespace rt {

int Confirm(const QString& question, int buttons) {
  return MsgBox(question, buttons | vbQuestion, QStringLiteral("Confirmation"));
}

void ShowError(const QString& text) { MsgBox(text, vbExclamation, QStringLiteral("Error")); }

void ShowInformation(const QString& text) { MsgBox(text, vbInformation, QStringLiteral("Information")); }

void RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const RuntimeError& e) {
    Screen::setMousePointer(vbDefault);
    ShowError(e.Description());
  }
}

}  // namespace rt
