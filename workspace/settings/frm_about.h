#pragma once
// The about box: the product's name, description and version, centred on the screen.
#include "runtime/form.h"

class QLabel;
class QPushButton;

// The program's version, as the about box and the command line give it.
inline constexpr char kProgramVersion[] = "1.0";

class frmAboutForm : public rt::Form {
  Q_OBJECT
 public:
  frmAboutForm();

  QLabel* Picture1 = nullptr;
  QLabel* picAbout = nullptr;
  QLabel* lblMsg = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblAbout2 = nullptr;
  QPushButton* cmdOK = nullptr;

 protected:
  void Form_Load() override;
};

extern rt::DefaultInstance<frmAboutForm> frmAbout;
