#pragma once
// A picture pasted onto an imaging control the way the program pastes: placed at the view's
// top-left, lifted into a floating area, and the page under it put back, so the page is unchanged
// until the area is merged.
#include "controls/imaging/imaging_control.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>

namespace imgtest {

inline void floatPicture(img::ImagingControl& c, img::ImagingControl& picture) {
  const float z = c.ZoomFactor();
  picture.SetZoom(z);
  const int32_t w = static_cast<int32_t>(z * picture.ImageWidth()), h = static_cast<int32_t>(z * picture.ImageHeight());
  c.RubberBandStart(true, 0, 0);
  c.RubberBandTo(w, h);
  c.CopyToClipboard();
  c.RubberBandStart(false);
  const QImage under = QApplication::clipboard()->image();
  const double x0 = c.ScrollPosX() / z, y0 = c.ScrollPosY() / z;
  c.AreaPlacement(true, x0, y0, 1, 1);
  c.AreaPlacementOptions(true, 1, 0, false);
  c.setImageHandle(picture.ImageHandleCopy());
  const int32_t X = c.ScrollPosX(), Y = c.ScrollPosY();
  c.AddAreaPoint(static_cast<int32_t>(X / z), static_cast<int32_t>(Y / z));
  c.AddAreaPoint(static_cast<int32_t>((X + w) / z), static_cast<int32_t>(Y / z));
  c.AddAreaPoint(static_cast<int32_t>((X + w) / z), static_cast<int32_t>((Y + h) / z));
  c.AddAreaPoint(static_cast<int32_t>(X / z), static_cast<int32_t>((Y + h) / z));
  c.CloseArea();
  c.setSelectionVisible(true);
  c.ActivateArea();
  c.AreaPlacement(true, x0, y0, 1, 1);
  c.AreaPlacementOptions(true, 1, 0, false);
  c.setPicture(under);
  c.AreaPlacementOptions(false);
  c.AreaPlacement(false);
}

}  // namespace imgtest
