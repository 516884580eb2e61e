#pragma once
// The convert and file-format dialog. With a document path it converts: the document is written in
// the chosen format (under the path with the new extension when "Change Extension" is ticked) and
// the old file goes. Without one, or when asked only for the format, it records the format and its
// save options on the page view for the caller's save.
#include "runtime/form.h"
#include "workspace/settings/img_sv_settings.h"

#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

class frmImgSvSettingsForm : public rt::Form {
  Q_OBJECT
 public:
  frmImgSvSettingsForm();

  // The role the next showing takes: "Specify File Format" only records the format (the save that
  // asked for it follows); "Convert" converts when the document has a path.
  static void setRole(const QString& role);
  bool IsConvertMode() const { return convertMode_; }

  QLabel* lblFormat = nullptr;
  QComboBox* cmbFormat = nullptr;
  QGroupBox *fraJPG = nullptr, *fraPNG = nullptr, *fraPPM = nullptr, *fraPGM = nullptr, *fraPBM = nullptr,
            *fraTIF = nullptr;
  QLabel *lblChrom = nullptr, *lblLuminance = nullptr, *lblGrayScale = nullptr, *lblProgressive = nullptr,
         *lblSubSampling = nullptr, *lblInterlace = nullptr, *lblPPMType = nullptr, *lblPGMType = nullptr,
         *lblPBMType = nullptr, *lblByteOrder = nullptr, *lblCompression = nullptr;
  QSlider *sldChrom = nullptr, *sldLuminance = nullptr;
  QComboBox *cmbGrayScale = nullptr, *cmbProgressive = nullptr, *cmbSubSampling = nullptr, *cmbInterlace = nullptr,
            *cmbPPMType = nullptr, *cmbPGMType = nullptr, *cmbPBMType = nullptr, *cmbByteOrder = nullptr,
            *cmbCompression = nullptr;
  QCheckBox* chkExt = nullptr;
  QPushButton* cmdConvert = nullptr;
  QPushButton* cmdCancel = nullptr;

  // Event handlers (the lists' clicks run them; tests call them after choosing an item).
  void cmbFormat_Click();
  void cmbCompression_Click();
  void fnCheckSettings();
  void cmdConvert_Click();
  void cmdCancel_Click();

  // What the controls hold now.
  svSettings::Choices choices() const;

 protected:
  void Form_Load() override;

 private:
  void buildControls();
  QGroupBox* frameOf(svSettings::Frame f) const;
  void setFrameEnabled(QGroupBox* frame, bool on);

  bool convertMode_ = false;
};

extern rt::DefaultInstance<frmImgSvSettingsForm> frmImgSvSettings;
