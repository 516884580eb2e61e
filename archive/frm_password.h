#pragma once
// The password change window: a user whose password is still the initial one chooses a new one,
// sent to the request server on a connection of its own.
#include "archive/exchange_link.h"
#include "runtime/form.h"

class QLineEdit;
class QPushButton;

class frmPasswordForm : public rt::Form {
  Q_OBJECT
 public:
  frmPasswordForm();

  QLineEdit* txtPwd1 = nullptr;
  QLineEdit* txtPwd2 = nullptr;
  QPushButton* cmdSave = nullptr;
  QPushButton* cmdCancel = nullptr;
  arch::ExchangeLink* sckPwd = nullptr;

  void cmdSave_Click();
  void cmdCancel_Click();
  bool Busy() const { return busy_; }

 protected:
  void Form_QueryUnload(int& cancel, int unloadMode) override;

 private:
  void tmrPwd_Timer(int16_t state);
  void sckPwd_Reply(const QByteArray& reply);
  void fnUpdateSave();
  void fnIdle();

  bool busy_ = false;
};

extern rt::DefaultInstance<frmPasswordForm> frmPassword;
