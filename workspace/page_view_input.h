#pragma once
// What the page view's pointer and keys do: the mouse modes at work (the hand pans, the rectangle
// selects, the magnifier follows the pointer) and the floating area that Edit > Paste leaves over
// the page, dragged, written into the page or dropped. The rules themselves are
// workspace/page_view_state.h; this applies them to the page view's imaging control.
#include "workspace/page_view_state.h"

#include <QPixmap>
#include <cstdint>
#include <functional>

class QImage;
class QToolBar;
namespace img {
class ImagingControl;
}

namespace ws {

// The mode toolbar: the mode whose button is pressed (None when none is), and pressing one mode's
// button while releasing the others (None releases all).
MouseMode pressedMode(const QToolBar* modeBar);
void pressModeButton(QToolBar* modeBar, MouseMode mode);

class PageViewInput {
 public:
  // view: the page view; scratch: the hidden control a pasted picture is prepared in; mode: the
  // mouse mode in force; deleteCommand: Edit > Delete, which the Delete key runs when nothing
  // floats.
  PageViewInput(img::ImagingControl* view, img::ImagingControl* scratch, std::function<MouseMode()> mode,
                std::function<void()> deleteCommand);

  MouseMode mode() const { return mode_(); }

  // The page view's events (x, y in twips of the view); the thumbnails' keys come here too.
  void mouseDown(int16_t button, int16_t shift, float x, float y);
  void mouseMove(int16_t button, int16_t shift, float x, float y);
  void mouseUp(int16_t button, int16_t shift, float x, float y);
  void keyDown(int16_t keyCode, int16_t shift);

  // The view takes the mode's pointer (the open hand for Hand) and, where the mode says, a rubber
  // band in progress ends.
  void enterMode(MouseMode mode);
  // No rectangle selection, rubber band or area placement is left on the view.
  void clearSelection();
  // A floating area is written into the page, which is then modified; nothing without one.
  void commitPendingEdit();
  // The picture floats at the view's top-left over the page as it is, until it is committed or
  // dropped; it also goes back on the clipboard, so the next Paste pastes it again.
  void floatPicture(const QImage& picture);
  // A new window's start: no pointer position, nothing floating.
  void reset();

 private:
  PageGeometry pageGeometry() const;
  void moveMagnifier(double viewX, double viewY);
  void dropPendingArea();

  img::ImagingControl* view_;
  img::ImagingControl* scratch_;
  std::function<MouseMode()> mode_;
  std::function<void()> deleteCommand_;
  QPixmap handOpen_, handClosed_;
  // The last pointer position in view pixels, and the floating pasted area.
  int32_t downX_ = 0, downY_ = 0;
  FloatingArea area_;
};

}  // namespace ws
