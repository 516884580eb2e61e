#include "runtime/message_boxes.h"

namespace rt {

int Confirm(const QString& question, int buttons) {
  return MsgBox(question, buttons | vbQuestion, QStringLiteral("Confirmation"));
}

void ShowError(const QString& text) { MsgBox(text, vbExclamation, QStringLiteral("Error")); }

void ShowInformation(const QString& text) { MsgBox(text, vbInformation, QStringLiteral("Information")); }

}  // namespace rt
