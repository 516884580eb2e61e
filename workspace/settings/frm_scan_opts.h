#pragma once
// The scan-area dialog: the scanner's scan area in inches, left, top, right and bottom.
#include "runtime/form.h"
#include "workspace/settings/scan_area.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class ScanningControl;

class frmScanOptsForm : public rt::Form {
  Q_OBJECT
 public:
  frmScanOptsForm();

  QLabel* lblInfo = nullptr;
  QLineEdit *txtLeft = nullptr, *txtTop = nullptr, *txtRight = nullptr, *txtBottom = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;
  QLineEdit* Box(scanArea::Box box) const;

  // Leaving a box: true when it may be left; otherwise the message was shown, the focus stays and
  // the text is selected.
  bool txt_Validate(scanArea::Box box);
  void fnEnableOK();
  void cmdOK_Click();
  void cmdCancel_Click();

 protected:
  void Form_Load() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<QString, 4> texts() const;
  void showControlError(const QString& description);
  bool validating_ = false;
};

extern rt::DefaultInstance<frmScanOptsForm> frmScanOpts;
