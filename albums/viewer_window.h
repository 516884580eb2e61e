#pragma once
// What the two full-screen viewers share: the black borderless window over the whole screen, the
// white bold label, and the imaging control that shows a page scaled whole.
#include "runtime/form.h"

#include <QRectF>

class QLabel;
class QWidget;
namespace img {
class ImagingControl;
}

namespace albums {

// A full-screen viewer: keys act when they are released (a held key's repeated releases do not
// act), and releasing a mouse button over the window or its picture closes it.
class ViewerForm : public rt::Form {
 public:
  virtual void Form_KeyUp(int qtKey) = 0;

 protected:
  // The picture control whose mouse releases close the window too.
  void watchPicture(QWidget* picture);
  void keyReleaseEvent(QKeyEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* picture_ = nullptr;
};

void makeViewerWindow(QWidget* form);
// Puts the window over the whole screen (again after it was given an owner).
void coverScreen(QWidget* form);
QLabel* makeViewerLabel(QWidget* form);
img::ImagingControl* makeViewerImage(QWidget* form, const char* name);
// Puts the control at the fitted place (twips) for its picture in the window.
void fitViewerImage(QWidget* form, img::ImagingControl* ix, bool limitZoom);

}  // namespace albums
