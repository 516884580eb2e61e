#include "archive/leave_rule.h"

#include "archive/archive_protocol.h"
#include "archive/form_parts.h"

#include <QLineEdit>

namespace arch {

bool checkFieldChars(QLineEdit* box, const QString& fieldName) {
  if (isFieldSafe(box->text())) return true;
  showError(fieldName + QStringLiteral(" must not contain commas or control characters!"));
  box->selectAll();
  return false;
}

}  // namespace arch
