#pragma once
// The file-type association dialog: the sixteen image extensions with a box each; extensions that
// already open with the program come up ticked and cannot be changed.
#include "runtime/form.h"

#include <QMap>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

class frmExtAssocForm : public rt::Form {
  Q_OBJECT
 public:
  frmExtAssocForm();

  QLabel* lblMsg = nullptr;
  QGroupBox* fraList = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;
  // The box of an extension (".bmp") or by its name ("chkBMP").
  QCheckBox* Box(const QString& extOrName) const;

  void fnUpdateOK();
  void cmdOK_Click();
  void cmdCancel_Click();

 protected:
  void Form_Load() override;

 private:
  QMap<QString, QCheckBox*> boxes_;  // by extension, in the table's order
};

extern rt::DefaultInstance<frmExtAssocForm> frmExtAssoc;
