#pragma once
// The rule a text box applies when the focus leaves it: the rule may rewrite the text, and when it
// refuses the text the focus goes back to the box with all its text selected.
#include <QObject>
#include <functional>

class QLineEdit;

namespace arch {

// rule returns false to refuse the text (it shows its own message).
void onLeave(QLineEdit* box, std::function<bool()> rule);

// The rule that keeps separators out of a field: commas and control characters are refused with a
// message naming the field. True when the text is acceptable.
bool checkFieldChars(QLineEdit* box, const QString& fieldName);

}  // namespace arch
