#include "archive/frm_arch_retrieve.h"

#include "archive/form_parts.h"
#include "archive/frm_tcpip.h"
#include "archive/leave_rule.h"
#include "runtime/leave_check.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

rt::DefaultInstance<frmArchRetrieveForm> frmArchRetrieve;

frmArchRetrieveForm::frmArchRetrieveForm() {
  setCaption(QStringLiteral("   Retrieve Image"));
  fraCriteria = new QGroupBox(this);
  lblCriteria = new QLabel(QStringLiteral("Search Criteria"), fraCriteria);
  lblAchID = new QLabel(QStringLiteral("Archive ID :"), fraCriteria);
  lblParm1 = new QLabel(QStringLiteral("Parm 1 :"), fraCriteria);
  lblParm2 = new QLabel(QStringLiteral("Parm 2 :"), fraCriteria);
  txtAchID = new QLineEdit(fraCriteria);
  txtParm1 = new QLineEdit(fraCriteria);
  txtParm2 = new QLineEdit(fraCriteria);
  auto* grid = new QGridLayout(fraCriteria);
  grid->addWidget(lblCriteria, 0, 0, 1, 2);
  grid->addWidget(lblAchID, 1, 0);
  grid->addWidget(txtAchID, 1, 1);
  grid->addWidget(lblParm1, 2, 0);
  grid->addWidget(txtParm1, 2, 1);
  grid->addWidget(lblParm2, 3, 0);
  grid->addWidget(txtParm2, 3, 1);
  QHBoxLayout* buttons = arch::buttonRow(this, QStringLiteral("&OK"), cmdOK, cmdCancel);
  cmdOK->setEnabled(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fraCriteria);
  layout->addLayout(buttons);
  setFixedWidth(400);
  fitToContents();
  for (QLineEdit* b : {txtAchID, txtParm1, txtParm2}) {
    b->setMaxLength(b == txtAchID ? 20 : arch::kDesignParmLength);
    connect(b, &QLineEdit::textChanged, this, [this] { fnUpdateOK(); });
    rt::onLeave(b, [this, b] { return txtKey_Validate(b); });
  }
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmArchRetrieveForm::Form_Load() {
  arch::applyParmDetails(lblParm1, txtParm1, lblParm2, txtParm2);
}

void frmArchRetrieveForm::setAchIDBackColor(uint32_t colour) {
  achIdBackColor_ = colour;
  QPalette p = txtAchID->palette();
  if (colour == kWindowBackground)
    p.setColor(QPalette::Base, palette().color(QPalette::Base));
  else
    p.setColor(QPalette::Base, QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
  txtAchID->setPalette(p);
  fnUpdateOK();
}

void frmArchRetrieveForm::fnUpdateOK() {
  const bool id = !txtAchID->text().trimmed().isEmpty();
  if (archiveMode())
    cmdOK->setEnabled(id);
  else
    cmdOK->setEnabled(id || !txtParm1->text().trimmed().isEmpty() || !txtParm2->text().trimmed().isEmpty());
}

QString frmArchRetrieveForm::fnKeyName(QLineEdit* box) const {
  return box == txtAchID ? QStringLiteral("The archive ID") : QStringLiteral("A parameter");
}

bool frmArchRetrieveForm::txtKey_Validate(QLineEdit* box) {
  box->setText(box->text().trimmed().toUpper());
  return arch::checkFieldChars(box, fnKeyName(box));
}

void frmArchRetrieveForm::cmdOK_Click() {
  if (!cmdOK->isEnabled()) return;
  for (QLineEdit* b : {txtAchID, txtParm1, txtParm2})
    if (!arch::checkFieldChars(b, fnKeyName(b))) {
      b->setFocus();
      return;
    }
  ws::DocumentSession& doc = ws::document();
  // A retrieval replaces the open document: it closes now, with its save question and the unlock
  // of its own keys; Cancel in the question keeps it, and nothing is retrieved.
  if (modTCP::gstrTCPCommand == QLatin1String("RETRIEVE") && !doc.close(false)) {
    Unload();
    return;
  }
  doc.state().achId = txtAchID->text().trimmed();
  doc.state().parm1 = txtParm1->text().trimmed();
  doc.state().parm2 = txtParm2->text().trimmed();
  // No second OK while the network window runs.
  cmdOK->setEnabled(false);
  QPointer<frmArchRetrieveForm> self(this);
  frmTCPIP->Show(rt::vbModal);
  if (self) Unload();
}

void frmArchRetrieveForm::cmdCancel_Click() { Unload(); }
