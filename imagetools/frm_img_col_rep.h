#pragma once
// The colour replacement dialog: the colours between From and To become With, previewed on a copy
// and applied to the page.
#include "imagetools/tool_controls.h"
#include "runtime/form.h"

#include <array>
#include <cstdint>
#include <functional>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

class frmImgColRepForm : public tools::BeforeAfterDialog {
  Q_OBJECT
 public:
  frmImgColRepForm();

  // One group per colour: From, To, With.
  struct Group {
    QGroupBox* fra = nullptr;
    QGroupBox* fraC = nullptr;
    QLabel* lbl = nullptr;
    QFrame* shp = nullptr;
    std::array<QSlider*, 3> sld{};  // red, green, blue
  };
  Group From, To, With;
  QPushButton *cmdPreview = nullptr, *cmdApply = nullptr, *cmdCancel = nullptr;

  // The packed colour red + 256 x green + 65536 x blue of a group.
  static uint32_t colourOf(const Group& g);
  void slider_Change(Group& g);
  void cmdPreview_Click();
  void cmdApply_Click();
  void cmdCancel_Click();

 protected:
  void fnSetUp() override;

 private:
  void buildGroup(Group& g, const QString& caption, double top);
  // The replacement of the From to To colours with the With colour within the page view's
  // selection (the whole picture without one).
  std::function<void(img::Bitmap&)> replacement() const;
};

extern rt::DefaultInstance<frmImgColRepForm> frmImgColRep;
