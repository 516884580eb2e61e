#pragma once
// The rectangle-bounded element: the concrete rectangle and ellipse kinds, and the base of every
// kind whose geometry is one rectangle (text, stamp, image, button). It is drawn by dragging a
// rubber band, resized by its eight grab handles, moved inside the page and hit-tested.
#include <memory>

#include "annotation/elements/element.h"

class AnnRectElement : public AnnElement {
 public:
  AnnRectElement(int32_t kind, const AnnPropertyMap& initial);

  int32_t OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                         int32_t* eventCode) override;
  int32_t Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5, intptr_t v6) override;
  void ResetTracking() override;
  void CancelTracking(plat::HWND window) override;
  void RecalcBounds() override;
  void MoveBy(int32_t dx, int32_t dy, plat::RECT* area) override;
  bool HitTest(void* layerContext, intptr_t ignored1, int32_t x, int32_t y, intptr_t ignored2) override;
  int32_t HitTestHandles(plat::HWND window, uint32_t message, intptr_t ignored1, intptr_t ignored2, int32_t x,
                         int32_t y, intptr_t ignored3) override;
  int32_t SetProperty(int32_t id, AnnValue value, bool* changed) override;

  /* 25 */ virtual void BeginTracking(plat::HWND window, int32_t x, int32_t y);
  /* 26 */ virtual void EndTracking(plat::HWND window, int32_t x, int32_t y);
  /* 27 */ virtual void UpdateTracking(plat::HWND window, int32_t x, int32_t y);

  // The grab handle being dragged, -1 when none.
  int32_t DragHandle() const { return dragHandle_; }
  // The rubber band of an element being drawn, normalised; false while there is none.
  bool TrackingRect(plat::RECT* out) const;

 protected:
  // Moves the edges of the given handle (-1: the whole rect) and turns the handle into its mirror
  // image when an edge passes the opposite one.
  void DragEdges(int32_t* handle, int32_t dx, int32_t dy);
  // The tracking corners follow the rect after the rect itself changed.
  void SyncTrackingToRect() {
    x1_ = rect_.left;
    y1_ = rect_.top;
    x2_ = rect_.right;
    y2_ = rect_.bottom;
  }
  plat::RECT AreaWithHandles(const plat::RECT& r) const { return Selected() ? Grown(r) : r; }

  int32_t x1_ = -1, y1_ = -1, x2_ = -1, y2_ = -1;
  int32_t lastX_ = 0, lastY_ = 0;
};
