#pragma once
// The element whose geometry is an ordered list of points: polygon (closed, filled), polyline,
// line (two points, optional arrowhead) and freehand stroke. Its rect is always derived from the
// points; single points, not the eight grab handles, are grabbed and dragged.
#include "annotation/elements/element.h"

class AnnPolyElement : public AnnElement {
 public:
  AnnPolyElement(int32_t kind, const AnnPropertyMap& initial);

  int32_t OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                         int32_t* eventCode) override;
  int32_t Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5, intptr_t v6) override;
  void ResetTracking() override;
  void CancelTracking(plat::HWND window) override;
  void RecalcBounds() override;
  void MoveBy(int32_t dx, int32_t dy, plat::RECT* area) override;
  void MirrorLeftRight(int32_t v1, int32_t v2) override;
  void MirrorTopBottom(int32_t v1, int32_t v2) override;
  void Rotate(int32_t v1, int32_t v2, float degrees) override;
  void FlipLeftRightInRect(const plat::RECT& pixels) override;
  void FlipTopBottomInRect(const plat::RECT& pixels) override;
  bool HitTest(void* layerContext, intptr_t ignored1, int32_t x, int32_t y, intptr_t ignored2) override;
  int32_t HitTestHandles(plat::HWND window, uint32_t message, intptr_t ignored1, intptr_t ignored2, int32_t x,
                         int32_t y, intptr_t ignored3) override;
  int32_t SetProperty(int32_t id, AnnValue value, bool* changed) override;
  // v1: the number of points, v2: the address of the points (logical units).
  void SetPoints(intptr_t v1, intptr_t v2) override;
  // A record may hold the pen after the points: the bounds follow the points and pen as read.
  void AfterRead() override {
    if (!points_.empty()) RecalcBounds();
  }

  const std::vector<plat::POINT>& Points() const { return points_; }

  // The two wing ends of the line's arrowhead (logical units); false when the line has no
  // direction (its two points coincide) and so no wings.
  static bool ArrowWings(plat::POINT from, plat::POINT to, plat::POINT wings[2]);

 private:
  void BeginTrack(plat::HWND window, int32_t x, int32_t y);
  void EndTrack(plat::HWND window, int32_t x, int32_t y);
  void AppendFixed(int32_t x, int32_t y);
  void MoveRubber(int32_t x, int32_t y);
  void DragTo(int32_t x, int32_t y);
  int32_t PenMargin() const;
  plat::RECT RepaintArea(const plat::RECT& r) const;
  void FlipInRect(const plat::RECT& box, bool leftRight);
  void MapPoints(bool (*fn)(plat::POINT*, int32_t w, int32_t h, int32_t angle), int32_t angle);

  bool rubber_ = false;
  plat::HWND creationWindow_ = nullptr;
  int32_t grabbed_ = -1;
  int32_t lastMouseX_ = 0, lastMouseY_ = 0;
};
