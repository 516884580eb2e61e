#include "workspace/settings/dialog_parts.h"

#include "runtime/form.h"
#include "runtime/screen.h"

#include <QBoxLayout>
#include <QPushButton>

namespace settingsDialog {

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

void addButtonRow(QBoxLayout* layout, std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* b : buttons) row->addWidget(b);
  layout->addLayout(row);
}

void fnCentreOnScreen(rt::Form& form) {
  form.adjustSize();
  form.Move((rt::Screen::Width() - form.Width()) / 2, (rt::Screen::Height() - form.Height()) / 2);
}

}  // namespace settingsDialog
