#pragma once
// The colour depth dialog: bits per pixel, palette and dither chosen from three lists, the
// conversion previewed on a copy and applied to the page.
#include "imagetools/tool_controls.h"
#include "runtime/form.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

class frmImgColDepForm : public tools::BeforeAfterDialog {
  Q_OBJECT
 public:
  frmImgColDepForm();

  QGroupBox* fraSel = nullptr;
  QLabel *lblBitsPixel = nullptr, *lblPalette = nullptr, *lblDither = nullptr;
  QComboBox *cmbBitsPixel = nullptr, *cmbPalette = nullptr, *cmbDither = nullptr;
  QPushButton *cmdApply = nullptr, *cmdCancel = nullptr;

  void fnPreview();
  void cmdApply_Click();
  void cmdCancel_Click();

 protected:
  void fnSetUp() override;

 private:
  // The whole number in the first two characters of a list's text.
  static int16_t listValue(const QComboBox* c);
  bool allChosen() const;
};

extern rt::DefaultInstance<frmImgColDepForm> frmImgColDep;
