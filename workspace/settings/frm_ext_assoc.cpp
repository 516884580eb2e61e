#include "workspace/settings/frm_ext_assoc.h"

#include "runtime/message_boxes.h"
#include "workspace/settings/ext_assoc.h"
#include "workspace/settings/dialog_parts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

rt::DefaultInstance<frmExtAssocForm> frmExtAssoc;

frmExtAssocForm::frmExtAssocForm() {
  setObjectName(QStringLiteral("frmExtAssoc"));
  setCaption(QStringLiteral("   File Type Associations"));
  auto* root = new QVBoxLayout(this);
  lblMsg = new QLabel(QStringLiteral("Associate the following file types with Image Lumivex :"), this);
  root->addWidget(lblMsg);
  fraList = new QGroupBox(this);
  fraList->setObjectName(QStringLiteral("fraList"));
  auto* grid = new QGridLayout(fraList);
  grid->setHorizontalSpacing(40);
  QWidget* previous = nullptr;
  for (const extAssoc::Extension& e : extAssoc::extensions()) {
    auto* box = new QCheckBox(QString::fromLatin1(e.ext), fraList);
    box->setObjectName(QString::fromLatin1(e.box));
    grid->addWidget(box, e.row - 1, e.column - 1);
    if (previous) setTabOrder(previous, box);
    previous = box;
    boxes_.insert(QString::fromLatin1(e.ext), box);
    connect(box, &QCheckBox::clicked, this, [this] { fnUpdateOK(); });
  }
  root->addWidget(fraList);
  cmdOK = settingsDialog::button(this, "cmdOK", QStringLiteral("&OK"));
  cmdCancel = settingsDialog::button(this, "cmdCancel", QStringLiteral("&Cancel"));
  rt::setCancel(cmdCancel);
  cmdOK->setDefault(true);
  settingsDialog::addButtonRow(root, {cmdOK, cmdCancel});
  setTabOrder(previous, cmdOK);
  setTabOrder(cmdOK, cmdCancel);
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  settingsDialog::fnCentreOnScreen(*this);
}

QCheckBox* frmExtAssocForm::Box(const QString& extOrName) const {
  if (QCheckBox* b = boxes_.value(extOrName)) return b;
  return findChild<QCheckBox*>(extOrName);
}

void frmExtAssocForm::Form_Load() {
  const std::vector<extAssoc::State> states = extAssoc::readStates();
  const auto& table = extAssoc::extensions();
  for (std::size_t i = 0; i < table.size(); ++i) {
    QCheckBox* box = boxes_.value(QString::fromLatin1(table[i].ext));
    // An existing association can be neither removed nor written again.
    if (states[i].associated) {
      box->setChecked(true);
      box->setEnabled(false);
    }
  }
  cmdOK->setEnabled(false);
}

void frmExtAssocForm::fnUpdateOK() {
  bool any = false;
  for (QCheckBox* b : boxes_) any = any || (b->isEnabled() && b->isChecked());
  cmdOK->setEnabled(any);
}

void frmExtAssocForm::cmdOK_Click() {
  const QString question = QStringLiteral("The Image Lumivex can be associated with the following file types.") +
                           QLatin1Char('\r') +
                           QStringLiteral("Once associated, the Image Lumivex will be the default application") +
                           QLatin1Char('\r') + QStringLiteral("used to open these file types. Do you want to continue?");
  if (rt::Confirm(question, rt::vbYesNo) == rt::vbNo) return;
  QStringList chosen;
  for (const extAssoc::Extension& e : extAssoc::extensions()) {
    QCheckBox* b = boxes_.value(QString::fromLatin1(e.ext));
    if (b->isEnabled() && b->isChecked()) chosen << QString::fromLatin1(e.ext);
  }
  QString unwritable;
  const QStringList written = extAssoc::associate(chosen, &unwritable);
  if (!unwritable.isEmpty()) {
    // Nothing is lost: the boxes stay as they were ticked, for another try once the file can be written.
    rt::ShowError(QStringLiteral("The file type associations could not be saved:") + QLatin1Char('\r') + unwritable +
                  QLatin1Char('\r') + QStringLiteral("cannot be written."));
    return;
  }
  // An extension the desktop knows no file type for cannot be given to any program.
  QStringList unknown;
  for (const QString& ext : chosen)
    if (!written.contains(ext)) unknown << ext;
  const QString why = QStringLiteral("The desktop knows no file type for ") + unknown.join(QStringLiteral(", ")) +
                      QStringLiteral(", so no program can be made to open ") +
                      (unknown.size() == 1 ? QStringLiteral("it.") : QStringLiteral("them."));
  if (written.isEmpty() && unknown.isEmpty()) return;
  if (written.isEmpty()) {
    // Nothing was done: the ticks stay for the user to change.
    rt::ShowError(why);
    return;
  }
  rt::ShowInformation(QStringLiteral("File type association completed successfully.") + QLatin1Char('\r') +
                      QStringLiteral("To give these file types to another program, choose it in the Default "
                                     "Applications of the desktop's system settings,") +
                      QLatin1Char('\r') + QStringLiteral("or edit the [Default Applications] section of ") +
                      extAssoc::configHome() + QStringLiteral("/mimeapps.list") +
                      (unknown.isEmpty() ? QString() : QLatin1Char('\r') + why));
  Unload();
}

void frmExtAssocForm::cmdCancel_Click() { Unload(); }
