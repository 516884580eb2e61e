#pragma once
// The image properties dialog: file name, format, size, page count and the picture facts of one
// page, read through a hidden imaging control of its own so that the page view is not disturbed.
#include "runtime/form.h"

#include <QString>

class QLabel;
class QPushButton;
namespace img {
class ImagingControl;
}

namespace imgProp {
// The name of a resolution unit code; "" for a code outside 0 to 3.
QString unitName(int16_t unit);
// A resolution as the dialog shows it: up to 15 significant digits, no trailing zeros, the
// locale's decimal separator and no grouping.
QString resolutionText(double value);
}  // namespace imgProp

class frmImgPropForm : public rt::Form {
  Q_OBJECT
 public:
  frmImgPropForm();

  QLabel *lbl1 = nullptr, *lbl2 = nullptr, *lbl3 = nullptr, *lbl4 = nullptr, *lbl5 = nullptr, *lbl6 = nullptr,
         *lbl7 = nullptr, *lbl8 = nullptr, *lbl9 = nullptr, *lbl10 = nullptr;
  QLabel *lblFileName = nullptr, *lblFileFormat = nullptr, *lblFileSize = nullptr, *lblNumPages = nullptr,
         *lblImgWidth = nullptr, *lblImgHeight = nullptr, *lblBPP = nullptr, *lblResUnit = nullptr, *lblXRes = nullptr,
         *lblYRes = nullptr;
  QPushButton* cmdOK = nullptr;
  img::ImagingControl* ixProp = nullptr;

  // Fills the value labels from the open document (run at every activation).
  void fnShowProperties();

 protected:
  void Form_Activate() override;
};

extern rt::DefaultInstance<frmImgPropForm> frmImgProp;
