#pragma once
// The full-screen viewer: the main window's document page by page on a black full-screen window
// with each page's annotations, fitted to the screen or limited to 100 %; on closing the main
// window selects the page shown last.
#include "albums/viewer_window.h"

class QLabel;
namespace img {
class ImagingControl;
}
namespace ann {
class AnnotationControl;
}

class frmFullScreenForm : public albums::ViewerForm {
  Q_OBJECT
 public:
  frmFullScreenForm();

  img::ImagingControl* const ixFS;
  ann::AnnotationControl* const nxFS;
  QLabel* lblMsg = nullptr;
  bool mblnLimitZoom = false;
  int32_t mintPageIndex = 0;
  int32_t mintDocPageCount = 0;

  void Form_KeyUp(int qtKey) override;

 protected:
  void Form_Activate() override;
  void Form_Unload(int& cancel) override;

 private:
  void placePage();
  void changePage();
  void loadAnnotations();
  bool activated_ = false;
};

extern rt::DefaultInstance<frmFullScreenForm> frmFullScreen;
