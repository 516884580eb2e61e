#pragma once
// The crop and resize dialog: automatic crop, crop to the selection, border crop or resize of the
// page, run on the page view by Apply.
#include "imagetools/size_rules.h"
#include "imagetools/tool_controls.h"
#include "runtime/form.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
namespace tools {
class TextBox;
}

class frmImgSizeForm : public tools::ToolDialog {
  Q_OBJECT
 public:
  frmImgSizeForm();

  QGroupBox *fraProp = nullptr, *fraAutoCrop = nullptr, *fraCropBorder = nullptr, *fraResize = nullptr;
  QRadioButton *optAutoCrop = nullptr, *optCropCurr = nullptr, *optCropBorder = nullptr, *optResize = nullptr;
  QLabel *lblCropPct = nullptr, *lblBorderX = nullptr, *lblBorderY = nullptr, *lblBdrCropPct = nullptr,
         *lblBdrCropType = nullptr, *lblWidth = nullptr, *lblHeight = nullptr;
  tools::TextBox *txtCropPct = nullptr, *txtBdrX = nullptr, *txtBdrY = nullptr, *txtCPCropPct = nullptr,
                 *txtWidth = nullptr, *txtHeight = nullptr;
  QComboBox* cmbCPType = nullptr;
  QCheckBox* chkKeepRatio = nullptr;
  QPushButton *cmdDefaults = nullptr, *cmdApply = nullptr, *cmdCancel = nullptr;

  double dblAspectRatio = 0;

  void opt_Click(QRadioButton* option);
  void cmdDefaults_Click();
  void cmdApply_Click();
  void cmdCancel_Click();

 protected:
  void fnSetUp() override;

 private:
  tools::TextBox* box(QWidget* parent, double left, double top);
  bool leaveBox(tools::TextBox* b, tools::SizeBox kind);
  void changeRule(tools::SizeBox kind);
  void write(tools::TextBox* b, tools::SizeBox kind, const QString& text);
  void writeDefaults();
};

extern rt::DefaultInstance<frmImgSizeForm> frmImgSize;
