#pragma once
// The rules the archive windows' text boxes apply, through rt::onLeave, when the user leaves them.
class QLineEdit;
class QString;

namespace arch {

// The rule that keeps separators out of a field: commas and control characters are refused with a
// message naming the field. True when the text is acceptable.
bool checkFieldChars(QLineEdit* box, const QString& fieldName);

}  // namespace arch
