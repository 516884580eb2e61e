#pragma once
// The intensity levels dialog: the histogram of the page for one channel or the three together,
// drawn as bars. It changes nothing.
#include "controls/imaging/image_ops.h"
#include "runtime/form.h"

#include <QLine>
#include <QWidget>
#include <optional>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// A picture box that keeps the lines drawn on it (in twips) and paints them in black.
class LevelPicture : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  void Cls();
  void Line(const QLine& twips);
  const std::vector<QLine>& lines() const { return lines_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  std::vector<QLine> lines_;
};

class frmILevelForm : public rt::Form {
  Q_OBJECT
 public:
  frmILevelForm();

  QLabel* lblChannels = nullptr;
  QComboBox* cmbChannels = nullptr;
  QGroupBox *fraIL = nullptr, *fraDisplay = nullptr;
  LevelPicture* picH = nullptr;
  QLabel *lblHighlights = nullptr, *lblShadows = nullptr;
  QPushButton* cmdClose = nullptr;

  void cmbChannels_Click();
  void fnShowRedLevels();
  void fnShowGreenLevels();
  void fnShowBlueLevels();
  void fnShowRGBLevels();
  void cmdClose_Click();

 protected:
  // A new showing measures the page again; the channels of one showing share one measurement (the
  // dialog is modal, so the page cannot change under it).
  void Form_Load() override { histograms_.reset(); }

 private:
  void draw(int channel);
  std::optional<img::Histograms> histograms_;
};

extern rt::DefaultInstance<frmILevelForm> frmILevel;
