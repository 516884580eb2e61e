#pragma once
// The program's three kinds of message box, in the one style every window uses: a question with
// the title "Confirmation", a failure with the exclamation icon and the title "Error", a notice
// with the information icon and the title "Information".
#include "runtime/dialogs.h"

#include <QString>
#include <functional>

namespace rt {

// Asks with the question icon; buttons is vbYesNo, vbYesNoCancel, ... (plus a default-button
// flag). Returns the answer (vbYes, vbNo, vbCancel).
int Confirm(const QString& question, int buttons = vbYesNo);
void ShowError(const QString& text);
void ShowInformation(const QString& text);
// Runs an event handler; a run-time error it did not handle is shown as a failure (with the
// normal pointer back), and the window carries on.
void RunGuarded(const std::function<void()>& handler);

}  // namespace rt
