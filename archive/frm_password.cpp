#include "archive/frm_password.h"

#include "archive/archive_protocol.h"
#include "archive/form_parts.h"
#include "archive/frm_login.h"
#include "archive/mod_encryption.h"
#include "runtime/dialogs.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

rt::DefaultInstance<frmPasswordForm> frmPassword;

using arch::showError;

frmPasswordForm::frmPasswordForm() {
  setCaption(QStringLiteral("   Change Password"));
  auto* fraCriteria = new QGroupBox(this);
  auto* lblCriteria = new QLabel(QStringLiteral("Enter New Password"), fraCriteria);
  txtPwd1 = new QLineEdit(fraCriteria);
  txtPwd2 = new QLineEdit(fraCriteria);
  for (QLineEdit* b : {txtPwd1, txtPwd2}) {
    b->setMaxLength(10);
    b->setEchoMode(QLineEdit::Password);
    connect(b, &QLineEdit::textChanged, this, [this] { fnUpdateSave(); });
  }
  auto* form = new QFormLayout(fraCriteria);
  form->addRow(lblCriteria);
  form->addRow(QStringLiteral("Password :"), txtPwd1);
  form->addRow(QStringLiteral("Confirm Password :"), txtPwd2);
  QHBoxLayout* buttons = arch::buttonRow(this, QStringLiteral("&Save"), cmdSave, cmdCancel);
  cmdSave->setEnabled(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fraCriteria);
  layout->addLayout(buttons);
  setFixedWidth(340);
  fitToContents();
  setTabOrder(txtPwd1, txtPwd2);
  connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

  sckPwd = new arch::ExchangeLink(this);
  connect(sckPwd, &arch::ExchangeLink::fired, this, [this](int16_t s) { tmrPwd_Timer(s); });
  connect(sckPwd, &arch::ExchangeLink::connected, this, [this] { sckPwd->step(101); });
  connect(sckPwd, &arch::ExchangeLink::reply, this, [this](const QByteArray& r) { sckPwd_Reply(r); });
}

void frmPasswordForm::fnUpdateSave() {
  cmdSave->setEnabled(!busy_ && !txtPwd1->text().trimmed().isEmpty() && !txtPwd2->text().trimmed().isEmpty());
}

void frmPasswordForm::cmdSave_Click() {
  if (busy_ || !cmdSave->isEnabled()) return;
  if (txtPwd1->text().trimmed() != txtPwd2->text().trimmed()) {
    showError(QStringLiteral("The values you have keyed in are not the same in both boxes!"));
    return;
  }
  busy_ = true;
  fnUpdateSave();
  rt::Screen::setMousePointer(rt::vbHourglass);
  sckPwd->step(100);
}

void frmPasswordForm::cmdCancel_Click() { Unload(); }

void frmPasswordForm::Form_QueryUnload(int&, int) {
  if (!busy_) return;
  busy_ = false;
  sckPwd->close();
  rt::Screen::setMousePointer(rt::vbDefault);
}

void frmPasswordForm::fnIdle() {
  sckPwd->close();
  rt::Screen::setMousePointer(rt::vbDefault);
  busy_ = false;
  fnUpdateSave();
}

void frmPasswordForm::tmrPwd_Timer(int16_t state) {
  switch (state) {
    case 100:
      sckPwd->open(modTCP::gstrRemoteHost, modTCP::gstrRetPort.toInt());
      break;
    case 101:
      sckPwd->request(arch::msgPwdChg(frmLogin->txtLogin->text().trimmed(),
                                      modEncryption::fnScramblePassword(txtPwd1->text().trimmed().toLatin1())));
      break;
    case arch::kNotContacted:
    case arch::kNetworkFailed:
      fnIdle();
      showError(arch::failureText(state, QStringLiteral("Server")));
      break;
    default:
      break;
  }
}

void frmPasswordForm::sckPwd_Reply(const QByteArray& reply) {
  fnIdle();
  if (arch::isPwdChgCompleted(reply))
    rt::MsgBox(QStringLiteral("Password changed successfully!"), rt::vbInformation, QStringLiteral("Information"));
  else
    showError(QStringLiteral("Unexpected reply from server:") + QLatin1Char('\r') + arch::wireText(reply));
  Unload();
}
