#pragma once
// The match chooser: the records a retrieve matched, one of which the user picks.
#include "archive/archive_protocol.h"
#include "runtime/form.h"

class QPushButton;
class QTreeWidget;

class frmArchRetOptForm : public rt::Form {
  Q_OBJECT
 public:
  frmArchRetOptForm();

  QTreeWidget* lsvItem = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;

  // One row: the AchID, then Parm1 and Parm2 as sub-items.
  void addItem(const arch::Keys& keys);

  void cmdOK_Click();
  void cmdCancel_Click();

 protected:
  void Form_Load() override;
};

extern rt::DefaultInstance<frmArchRetOptForm> frmArchRetOpt;
