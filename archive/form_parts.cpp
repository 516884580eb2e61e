#include "archive/form_parts.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace arch {

QHBoxLayout* buttonRow(QWidget* parent, const QString& acceptText, QPushButton*& accept, QPushButton*& cancel) {
  accept = new QPushButton(acceptText, parent);
  accept->setDefault(true);
  cancel = new QPushButton(QStringLiteral("&Cancel"), parent);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(accept);
  row->addWidget(cancel);
  return row;
}

}  // namespace arch
