#pragma once
// The colour separation dialog: the page split into the channels of a colour model, side by side;
// Select puts the highlighted channel into the page view.
#include "imagetools/tool_controls.h"
#include "runtime/form.h"

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolBar;
namespace img {
class ImagingControl;
}

class frmImgColSepForm : public tools::ToolDialog {
  Q_OBJECT
 public:
  frmImgColSepForm();

  QLabel* lblSepType = nullptr;
  QComboBox* cmbSepType = nullptr;
  QGroupBox* fraOrig = nullptr;
  QLabel* lblOrig = nullptr;
  img::ImagingControl* ixOrig = nullptr;
  std::array<QGroupBox*, 4> fraC{};
  std::array<QLabel*, 4> lblC{};
  std::array<img::ImagingControl*, 4> ixC{};
  QToolBar* tlbBefore = nullptr;
  QPushButton *cmdSelect = nullptr, *cmdCancel = nullptr;

  void cmbSepType_Click();
  void ixC_Click(int index);
  void cmdSelect_Click();
  void cmdCancel_Click();

 protected:
  void fnSetUp() override;

 private:
  // The channel viewer clicked last (its border highlighted), or nullptr.
  img::ImagingControl* highlighted() const;
  // Select acts only on a highlighted viewer that holds a channel.
  void updateSelect();
};

extern rt::DefaultInstance<frmImgColSepForm> frmImgColSep;
