#pragma once
// The main window.
#include "runtime/form.h"

#include <QString>

class frmImgClntForm : public rt::Form {
  Q_OBJECT
 public:
  frmImgClntForm();

  // Outcome of an archive network operation, as text: "False" before the network window is shown,
  // "True" when the operation completed.
  QString NetworkResult;
  // The network operation succeeded only when NetworkResult converts to True.
  bool NetworkSucceeded() const;

 protected:
  void Form_Load() override;
};

extern rt::DefaultInstance<frmImgClntForm> frmImgClnt;
