#pragma once
// The verification window: checks every batch folder under the batch root once it has appeared,
// lists the findings of each folder and marks the folders that passed for sending.
#include "runtime/form.h"

#include <QTimer>

class QGroupBox;
class QPushButton;
class QTreeWidget;
namespace img {
class ImagingControl;
}

class frmArchVerifyForm : public rt::Form {
  Q_OBJECT
 public:
  frmArchVerifyForm();

  QGroupBox* fraVerify = nullptr;
  QTreeWidget* lsvItem = nullptr;     // "Batch", "Status"
  img::ImagingControl* ixVerify = nullptr;  // test-loads each document; never shown
  QPushButton* cmdClose = nullptr;
  QTimer tmrVerify;                   // the pass, 500 ms after loading

  void tmrVerify_Timer();
  void cmdClose_Click();
  // The error text of loading a document file into ixVerify; "" when it loads as an image.
  QString fnTestLoad(const QString& path);

 protected:
  void Form_Load() override;

 private:
  void addRow(const QString& batch, const QString& status);
};

extern rt::DefaultInstance<frmArchVerifyForm> frmArchVerify;
