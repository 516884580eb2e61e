#pragma once
// The new image dialog: the size, depth and colour of a blank page that becomes the new document.
#include "imagetools/tool_controls.h"
#include "runtime/form.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
namespace tools {
class TextBox;
}

class frmImgNewForm : public tools::ToolDialog {
  Q_OBJECT
 public:
  frmImgNewForm();

  QGroupBox *fraNew = nullptr, *fraColour = nullptr, *fraPreview = nullptr;
  QLabel *lblWidth = nullptr, *lblHeight = nullptr, *lblBPP = nullptr, *lblColour = nullptr;
  QLabel *lblFromR = nullptr, *lblFromG = nullptr, *lblFromB = nullptr;
  tools::TextBox *txtWidth = nullptr, *txtHeight = nullptr;
  QComboBox* cmbBPP = nullptr;
  QSlider *sldR = nullptr, *sldG = nullptr, *sldB = nullptr;
  QFrame* shpCol = nullptr;
  QPushButton *cmdCreate = nullptr, *cmdCancel = nullptr;

  void fnCheckCreateEnabled();
  void sld_Change();
  bool txtWidth_Validate();
  bool txtHeight_Validate();
  void cmdCreate_Click();
  void cmdCancel_Click();

 protected:
  void fnSetUp() override;

 private:
  uint32_t colour() const;
  bool checkNumeric(tools::TextBox* box, const QString& message);
};

extern rt::DefaultInstance<frmImgNewForm> frmImgNew;
