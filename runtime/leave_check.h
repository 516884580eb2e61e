#pragma once
// The check a control makes when the user leaves it (its Validate event): it runs when the focus
// moves to another control of the same window, and before Enter presses the window's default
// button. A check may rewrite the text; when it refuses (it shows its own message) the focus stays
// in the control with all its text selected, and the button is not pressed.
#include <functional>

class QWidget;

namespace rt {

// Runs rule whenever the focus leaves control for another control of its window.
void onLeave(QWidget* control, std::function<bool()> rule);
// Registers the check of a control that runs it on focus loss itself, so that Enter runs it too.
void setLeaveCheck(QWidget* control, std::function<bool()> check);
// Runs control's check; true when it has none or the text passed.
bool passLeaveCheck(QWidget* control);

}  // namespace rt
