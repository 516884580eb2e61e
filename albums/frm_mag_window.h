#pragma once
// The magnifier: a small borderless window with one imaging control that shows part of a picture
// enlarged next to the pointer. The page view moves it with NewCrop while its button is held; a
// button released over it closes it.
#include "platform/memory/global_memory.h"
#include "runtime/form.h"

#include <QRect>
#include <cstdint>

namespace img {
class ImagingControl;
}

class frmMagWindowForm : public rt::Form {
  Q_OBJECT
 public:
  frmMagWindowForm();

  img::ImagingControl* edtMag = nullptr;

  // x, y: the new top-left in screen twips; a, b: the image pixel shown at the view's top-left.
  void NewCrop(float x, float y, int16_t a, int16_t b);
  // Shows the whole picture (taken over) fitted to screenRect (screen pixels), owned by owner.
  void showFitted(QWidget* owner, plat::HGLOBAL picture, QRect screenRect);

 protected:
  void Form_Load() override;

 private:
  void edtMag_MouseUp();
};

extern rt::DefaultInstance<frmMagWindowForm> frmMagWindow;

// Makes frmMagWindow the page view's magnifier.
void installMagnifier();
