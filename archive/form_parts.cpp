#include "archive/form_parts.h"

#include "runtime/dialogs.h"
#include "runtime/form.h"
#include "workspace/mod_vars.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace arch {

void showError(const QString& text) { rt::MsgBox(text, rt::vbExclamation, QStringLiteral("Error")); }

QHBoxLayout* buttonRow(QWidget* parent, const QString& acceptText, QPushButton*& accept, QPushButton*& cancel) {
  accept = new QPushButton(acceptText, parent);
  accept->setDefault(true);
  cancel = new QPushButton(QStringLiteral("&Cancel"), parent);
  rt::setCancel(cancel);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(accept);
  row->addWidget(cancel);
  return row;
}

namespace {

// A maximum length sent by the server; the design length when it is empty or not a positive number.
int maxLength(const QString& text) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  return ok && n > 0 ? n : kDesignParmLength;
}

}  // namespace

void applyParmDetails(QLabel* lblParm1, QLineEdit* txtParm1, QLabel* lblParm2, QLineEdit* txtParm2) {
  using namespace modVars;
  if (!gstrParm1Caption.isEmpty()) lblParm1->setText(gstrParm1Caption + QStringLiteral(" :"));
  if (!gstrParm1MaxLen.isEmpty()) txtParm1->setMaxLength(maxLength(gstrParm1MaxLen));
  if (!gstrParm2Caption.isEmpty()) lblParm2->setText(gstrParm2Caption + QStringLiteral(" :"));
  if (!gstrParm2MaxLen.isEmpty()) txtParm2->setMaxLength(maxLength(gstrParm2MaxLen));
}

}  // namespace arch
