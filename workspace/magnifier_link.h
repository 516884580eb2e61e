#pragma once
// The magnifier window as the page view drives it. The window belongs to the albums room, which
// the workspace must not include; that room installs it here at start-up.
#include "platform/memory/global_memory.h"

#include <cstdint>

class QWidget;

namespace ws {

class Magnifier {
 public:
  virtual ~Magnifier() = default;
  // Shows the picture (taken over) enlarged by zoom, owned by owner, without a modal loop: the
  // page view goes on receiving the pointer while the button is held.
  virtual void show(QWidget* owner, plat::HGLOBAL picture, float zoom) = 0;
  virtual bool isShown() const = 0;
  // Its size in twips and the zoom of what it shows.
  virtual double widthTwips() const = 0;
  virtual double heightTwips() const = 0;
  virtual float zoom() const = 0;
  // Moves its top-left to (x, y) in screen twips and shows the picture from image pixel (a, b).
  virtual void newCrop(float x, float y, int16_t a, int16_t b) = 0;
  virtual void unload() = 0;
};

// The installed magnifier (null: the page view's magnify mode shows nothing).
void setMagnifier(Magnifier* magnifier);
Magnifier* magnifier();

}  // namespace ws
