#pragma once
// The login window: login name, password and the two servers; logs the user in to the archive and
// leaves the rights, the server settings, the index parameters and the user name behind.
#include "archive/exchange_link.h"
#include "runtime/form.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmLoginForm : public rt::Form {
  Q_OBJECT
 public:
  // A user whose password is still this one is sent through the password change first.
  static constexpr char kInitialPassword[] = "1";

  frmLoginForm();

  QLineEdit* txtLogin = nullptr;
  QLineEdit* txtPassword = nullptr;
  QLineEdit* txtRemoteHost = nullptr;
  QLineEdit* txtRetPort = nullptr;
  QLineEdit* txtAchPort = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;
  QGroupBox* Frame1 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QLabel* lblWarning1 = nullptr;
  QLabel* picLogin = nullptr;
  arch::ExchangeLink* sckLogin = nullptr;

  void cmdOK_Click();
  void cmdCancel_Click();
  // The rules of leaving each box; false when the text was refused.
  bool txtLogin_Validate();
  bool txtRemoteHost_Validate();
  bool txtRetPort_Validate();
  bool txtAchPort_Validate();
  // An exchange with the server is running.
  bool Busy() const { return busy_; }

 protected:
  void Form_Load() override;
  void Form_Activate() override;
  void Form_QueryUnload(int& cancel, int unloadMode) override;

 private:
  void tmrLogin_Timer(int16_t state);
  void sckLogin_Connect();
  void sckLogin_Reply(const QByteArray& reply);
  void fnUpdateOK();
  void fnSaveSettings();
  // Back to idle after a failure: connection closed, default pointer, OK usable again.
  void fnIdle();
  bool fnValidatePort(QLineEdit* box);

  bool busy_ = false;
};

extern rt::DefaultInstance<frmLoginForm> frmLogin;
