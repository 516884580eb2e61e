#pragma once
// The program's three kinds of message box, in the one style every window uses: a question with
// the title "Confirmation", a failure with the exclamation icon and the title "Error", a notice
// with the information icon and the title "Information".
#include "runtime/dialogs.h"

#include <QString>

namespace rt {

// Asks with the question icon; buttons is vbYesNo, vbYesNoCancel, ... (plus a default-button
// flag). Returns the answer (vbYes, vbNo, vbCancel).
int Confirm(const QString& question, int buttons = vbYesNo);
void ShowError(const QString& text);
void ShowInformation(const QString& text);

}  // namespace rt
