#pragma once
// The slide show: the album's items one after the other on a black full-screen window, each page
// fitted to the screen, moved by a timer (automatic, with pause and continue) or by the keys
// (manual). Escape or a mouse click ends it. It reads the slide-show hand-off values only.
#include "albums/viewer_rules.h"
#include "albums/viewer_window.h"

#include <memory>

class QLabel;
class QTimer;
namespace img {
class ImagingControl;
}
namespace ann {
class AnnotationControl;
}

class frmSlideShowForm : public albums::ViewerForm {
  Q_OBJECT
 public:
  frmSlideShowForm();

  img::ImagingControl* const ixSS;
  ann::AnnotationControl* const nxSS;
  QLabel* lblPath = nullptr;
  QLabel* lblInfo = nullptr;
  QTimer* tmrInt = nullptr;
  int16_t mintSlideIndex = 0;

  void fnShowSlide(int index);
  void tmrInt_Timer();
  void Form_KeyUp(int qtKey) override;

 protected:
  void Form_Activate() override;

 private:
  void syncTimer();
  std::unique_ptr<albums::SlideSequence> seq_;
  bool activated_ = false;
};

extern rt::DefaultInstance<frmSlideShowForm> frmSlideShow;
