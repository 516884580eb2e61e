#pragma once
// The effect dialog: the parameters of one named effect (the operation word stored by the Tools
// menu), a before and an after viewer with a live preview, and Apply, which runs the effect again
// on the main window's page view.
#include "imagetools/effect_table.h"
#include "imagetools/tool_controls.h"
#include "runtime/form.h"

#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
namespace tools {
class RowsFirstPreview;
class TextBox;
}

class frmImgProcForm : public tools::BeforeAfterDialog {
  Q_OBJECT
 public:
  frmImgProcForm();

  std::array<QGroupBox*, 3> fraSel{};
  std::array<QLabel*, 3> lblAttrib{};
  std::array<QSlider*, 3> sldSel{};
  std::array<QLabel*, 3> lblValue{};
  QGroupBox* fraDirect = nullptr;
  QLabel* lblDirect = nullptr;
  QPushButton* cmdDirect = nullptr;
  QGroupBox* fraText = nullptr;
  QLabel* lblText = nullptr;
  tools::TextBox* txtText = nullptr;
  QPushButton* cmdText = nullptr;
  QPushButton *cmdApply = nullptr, *cmdCancel = nullptr;
  // Makes the after picture, the rows in view first on a large page.
  tools::RowsFirstPreview* preview = nullptr;

  void sldSel_Change(int index);
  void cmdDirect_Click();
  void cmdText_Click();
  void txtText_Change();
  bool txtText_Validate();
  void cmdApply_Click();
  void cmdCancel_Click();

 protected:
  void fnSetUp() override;

 private:
  // The current inputs of the effect.
  tools::EffectValues values() const;
  void runPreview();
  bool settingUp_ = false;
  bool changedInSetUp_ = false;
};

extern rt::DefaultInstance<frmImgProcForm> frmImgProc;
