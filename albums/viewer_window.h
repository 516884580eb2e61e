#pragma once
// What the two full-screen viewers share: the black borderless window over the whole screen, the
// white bold label, and the imaging control that shows a page scaled whole with its annotations.
#include "runtime/form.h"

#include <QRectF>

class QLabel;
class QWidget;
namespace img {
class ImagingControl;
}
namespace ann {
class AnnotationControl;
}

namespace albums {

// A full-screen viewer: the picture control (named pictureName) with an annotation control attached
// to it. Keys act when they are released (a held key's repeated releases do not act), and
// releasing a mouse button over the window or its picture closes it.
class ViewerForm : public rt::Form {
 public:
  explicit ViewerForm(const char* pictureName);
  ~ViewerForm() override;
  virtual void Form_KeyUp(int qtKey) = 0;

 protected:
  img::ImagingControl* picture() const { return picture_; }
  ann::AnnotationControl* annotations() const { return annotations_; }
  void keyReleaseEvent(QKeyEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  img::ImagingControl* picture_ = nullptr;
  ann::AnnotationControl* annotations_ = nullptr;
};

// Puts the window over the whole screen (again after it was given an owner).
void coverScreen(QWidget* form);
QLabel* makeViewerLabel(QWidget* form);
// Puts the control at the fitted place (twips) for its picture in the window.
void fitViewerImage(QWidget* form, img::ImagingControl* ix, bool limitZoom);

}  // namespace albums
