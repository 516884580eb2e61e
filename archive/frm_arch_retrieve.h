#pragma once
// The criteria dialog: the three archive keys of a document to retrieve, or of the open document
// to commit back. It is in archive mode exactly when its archive-ID box has the archive colour.
#include "runtime/form.h"

#include <cstdint>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmArchRetrieveForm : public rt::Form {
  Q_OBJECT
 public:
  // Background colours of txtAchID (0x00BBGGRR, or a system colour).
  static constexpr uint32_t kWindowBackground = 0x80000005;
  static constexpr uint32_t kArchiveMode = 0xFFFFC0;

  frmArchRetrieveForm();

  QGroupBox* fraCriteria = nullptr;
  QLabel* lblCriteria = nullptr;
  QLabel* lblAchID = nullptr;
  QLabel* lblParm1 = nullptr;
  QLabel* lblParm2 = nullptr;
  QLineEdit* txtAchID = nullptr;
  QLineEdit* txtParm1 = nullptr;
  QLineEdit* txtParm2 = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;

  uint32_t AchIDBackColor() const { return achIdBackColor_; }
  void setAchIDBackColor(uint32_t colour);

  void cmdOK_Click();
  void cmdCancel_Click();
  // The rule of leaving a key box; false when its text was refused.
  bool txtKey_Validate(QLineEdit* box);

 protected:
  void Form_Load() override;

 private:
  void fnUpdateOK();
  // How a key box is named in its messages.
  QString fnKeyName(QLineEdit* box) const;
  bool archiveMode() const { return achIdBackColor_ == kArchiveMode; }

  uint32_t achIdBackColor_ = kWindowBackground;
};

extern rt::DefaultInstance<frmArchRetrieveForm> frmArchRetrieve;
