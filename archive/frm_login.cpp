#include "archive/frm_login.h"

#include "archive/archive_protocol.h"
#include "archive/form_parts.h"
#include "archive/frm_password.h"
#include "archive/leave_rule.h"
#include "archive/login_settings.h"
#include "runtime/leave_check.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

rt::DefaultInstance<frmLoginForm> frmLogin;

namespace {

void hourglass() { rt::Screen::setMousePointer(rt::vbHourglass); }
void defaultPointer() { rt::Screen::setMousePointer(rt::vbDefault); }
using arch::showError;

QLineEdit* box(QWidget* parent, int maxLength) {
  auto* b = new QLineEdit(parent);
  b->setMaxLength(maxLength);
  return b;
}

}  // namespace

frmLoginForm::frmLoginForm() {
  setCaption(QStringLiteral("   Archival Module Login"));
  Frame1 = new QGroupBox(this);
  txtLogin = box(Frame1, 10);
  txtPassword = box(Frame1, 10);
  txtPassword->setEchoMode(QLineEdit::Password);
  txtRemoteHost = box(Frame1, 25);
  txtRetPort = box(Frame1, 5);
  txtAchPort = box(Frame1, 5);
  auto* form = new QFormLayout(Frame1);
  form->addRow(QStringLiteral("Login :"), txtLogin);
  form->addRow(QStringLiteral("Password :"), txtPassword);
  form->addRow(QStringLiteral("Remote Host :"), txtRemoteHost);
  form->addRow(QStringLiteral("Retrieval Port :"), txtRetPort);
  form->addRow(QStringLiteral("Archival Port :"), txtAchPort);

  Frame2 = new QGroupBox(QStringLiteral("Warning"), this);
  lblWarning1 = new QLabel(
      QStringLiteral("This System is to be used for purposes authorized by the System Owner only. All transactional "
                     "records and data are the property of the System Owner and may be used by the System Owner for "
                     "any purpose."),
      Frame2);
  lblWarning1->setWordWrap(true);
  (new QVBoxLayout(Frame2))->addWidget(lblWarning1);

  picLogin = new QLabel(this);
  picLogin->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(48, 48));
  picLogin->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  QHBoxLayout* buttons = arch::buttonRow(this, QStringLiteral("&OK"), cmdOK, cmdCancel);
  cmdOK->setEnabled(false);

  auto* top = new QHBoxLayout;
  top->addWidget(picLogin);
  top->addWidget(Frame1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(Frame2);
  layout->addLayout(buttons);
  setFixedWidth(420);
  fitToContents();
  setTabOrder(txtLogin, txtPassword);
  setTabOrder(txtPassword, txtRemoteHost);
  setTabOrder(txtRemoteHost, txtRetPort);
  setTabOrder(txtRetPort, txtAchPort);
  setTabOrder(txtAchPort, cmdOK);
  setTabOrder(cmdOK, cmdCancel);

  for (QLineEdit* b : {txtLogin, txtPassword, txtRemoteHost, txtRetPort, txtAchPort})
    connect(b, &QLineEdit::textChanged, this, [this] { fnUpdateOK(); });
  rt::onLeave(txtLogin, [this] { return txtLogin_Validate(); });
  rt::onLeave(txtRemoteHost, [this] { return txtRemoteHost_Validate(); });
  rt::onLeave(txtRetPort, [this] { return txtRetPort_Validate(); });
  rt::onLeave(txtAchPort, [this] { return txtAchPort_Validate(); });
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

  sckLogin = new arch::ExchangeLink(this);
  connect(sckLogin, &arch::ExchangeLink::fired, this, [this](int16_t s) { tmrLogin_Timer(s); });
  connect(sckLogin, &arch::ExchangeLink::connected, this, [this] { sckLogin_Connect(); });
  connect(sckLogin, &arch::ExchangeLink::reply, this, [this](const QByteArray& r) { sckLogin_Reply(r); });
}

void frmLoginForm::Form_Load() {
  const arch::LoginSettings s = arch::readLoginSettings();
  txtLogin->setText(s.login);
  txtRemoteHost->setText(s.remoteHost);
  txtRetPort->setText(s.retPort);
  txtAchPort->setText(s.achPort);
}

void frmLoginForm::Form_Activate() {
  txtLogin->setFocus();
  txtLogin->setText(txtLogin->text().trimmed());
  txtLogin->selectAll();
}

void frmLoginForm::Form_QueryUnload(int&, int) {
  // Closing the window while the login runs abandons it.
  if (!busy_) return;
  busy_ = false;
  sckLogin->close();
  defaultPointer();
}

void frmLoginForm::fnUpdateOK() {
  bool all = !busy_;
  for (QLineEdit* b : {txtLogin, txtPassword, txtRemoteHost, txtRetPort, txtAchPort})
    all = all && !b->text().trimmed().isEmpty();
  cmdOK->setEnabled(all);
}

bool frmLoginForm::txtLogin_Validate() {
  txtLogin->setText(txtLogin->text().trimmed().toUpper());
  return arch::checkFieldChars(txtLogin, QStringLiteral("The login"));
}

bool frmLoginForm::txtRemoteHost_Validate() {
  txtRemoteHost->setText(txtRemoteHost->text().trimmed().toUpper());
  return true;
}

bool frmLoginForm::fnValidatePort(QLineEdit* b) {
  const QString text = b->text().trimmed();
  b->setText(text);
  if (text.isEmpty() || arch::isValidPort(text)) return true;
  bool digits = true;
  for (QChar c : text) digits = digits && c.isDigit() && c.unicode() < 128;
  showError(digits ? QStringLiteral("Port number must be from 1 to 65535!") : QStringLiteral("Port number must be numeric!"));
  b->selectAll();
  return false;
}

bool frmLoginForm::txtRetPort_Validate() { return fnValidatePort(txtRetPort); }
bool frmLoginForm::txtAchPort_Validate() { return fnValidatePort(txtAchPort); }

void frmLoginForm::cmdOK_Click() {
  if (busy_ || !cmdOK->isEnabled()) return;
  // The boxes' rules hold also when OK is reached without leaving the box (the Enter key).
  for (auto rule : {&frmLoginForm::txtLogin_Validate, &frmLoginForm::txtRemoteHost_Validate,
                    &frmLoginForm::txtRetPort_Validate, &frmLoginForm::txtAchPort_Validate})
    if (!(this->*rule)()) return;
  if (!cmdOK->isEnabled()) return;
  busy_ = true;
  fnUpdateOK();
  hourglass();
  sckLogin->step(100);
}

void frmLoginForm::cmdCancel_Click() { Unload(); }

void frmLoginForm::fnIdle() {
  sckLogin->close();
  defaultPointer();
  busy_ = false;
  fnUpdateOK();
}

void frmLoginForm::tmrLogin_Timer(int16_t state) {
  switch (state) {
    case 100:
      sckLogin->open(txtRemoteHost->text().trimmed(), txtRetPort->text().trimmed().toInt());
      break;
    case 101:
      hourglass();
      sckLogin->request(arch::msgLoginAttempt(txtLogin->text().trimmed(),
                                              arch::loginPassword(txtLogin->text(), txtPassword->text())));
      break;
    case 102:
      hourglass();
      sckLogin->request(arch::msgReqIndexDetails());
      break;
    case arch::kNotContacted:
    case arch::kNetworkFailed:
      fnIdle();
      showError(arch::failureText(state, QStringLiteral("Request Server")));
      break;
    default:
      break;
  }
}

void frmLoginForm::sckLogin_Connect() { sckLogin->step(101); }

void frmLoginForm::sckLogin_Reply(const QByteArray& reply) {
  using namespace modVars;
  const arch::LoginReply kind = arch::classifyLoginReply(reply);
  switch (kind) {
    case arch::LoginReply::LoginOk: {
      const arch::Rights rights = arch::parseLoginRights(reply);
      // A right the server does not grant now stays as an earlier log-in left it.
      ws::ArchiveLogin login = ws::document().state().login;
      login.user = txtLogin->text().trimmed().toUpper();
      login.view = login.view || rights.view;
      login.update = login.update || rights.update;
      modTCP::gstrRemoteHost = txtRemoteHost->text().trimmed();
      modTCP::gstrRetPort = txtRetPort->text().trimmed();
      modTCP::gstrAchPort = txtAchPort->text().trimmed();
      ws::document().setLogin(login);
      sckLogin->step(102);
      return;
    }
    case arch::LoginReply::IndexDetails: {
      const arch::IndexDetails d = arch::parseIndexDetails(reply);
      if (d.parm1Caption) gstrParm1Caption = *d.parm1Caption;
      if (d.parm1MaxLen) gstrParm1MaxLen = *d.parm1MaxLen;
      if (d.parm2Caption) gstrParm2Caption = *d.parm2Caption;
      if (d.parm2MaxLen) gstrParm2MaxLen = *d.parm2MaxLen;
      if (txtPassword->text().trimmed() == QLatin1String(kInitialPassword)) {
        defaultPointer();
        QPointer<frmLoginForm> self(this);
        frmPassword->Show(rt::vbModal);
        if (!self || !busy_) return;
        hourglass();
      }
      fnIdle();
      fnSaveSettings();
      Unload();
      return;
    }
    case arch::LoginReply::Invalid:
    case arch::LoginReply::Exist:
    case arch::LoginReply::Unexpected:
      break;
  }
  txtLogin->setFocus();
  txtLogin->selectAll();
  fnIdle();
  if (kind == arch::LoginReply::Invalid)
    showError(QStringLiteral("Invalid Login/Password pair!"));
  else if (kind == arch::LoginReply::Exist)
    showError(QStringLiteral("User already logged in!"));
  else
    showError(QStringLiteral("Unexpected reply from server:") + QLatin1Char('\r') + arch::wireText(reply));
}

void frmLoginForm::fnSaveSettings() {
  arch::LoginSettings s;
  QLineEdit* boxes[] = {txtLogin, txtRemoteHost, txtRetPort, txtAchPort};
  for (QLineEdit* b : boxes) b->setText(b->text().trimmed().toUpper());
  s.login = txtLogin->text();
  s.remoteHost = txtRemoteHost->text();
  s.retPort = txtRetPort->text();
  s.achPort = txtAchPort->text();
  arch::saveLoginSettings(s);
}
