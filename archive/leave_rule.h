#pragma once
// The rules the archive windows' text boxes apply when the user leaves them (rt::onLeave: the rule
// may rewrite the text, and when it refuses the text the focus goes back to the box).
#include "runtime/leave_check.h"

class QLineEdit;
class QString;

namespace arch {

using rt::onLeave;

// The rule that keeps separators out of a field: commas and control characters are refused with a
// message naming the field. True when the text is acceptable.
bool checkFieldChars(QLineEdit* box, const QString& fieldName);

}  // namespace arch
