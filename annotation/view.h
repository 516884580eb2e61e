#pragma once
// The view maps between the engine's three coordinate spaces and places the eight grab handles.
//   logical units: ANN_LOGICAL_SPAN spans the image's width on x and its height on y;
//   image pixels:  logical * W / span (H on y);
//   device pixels: image pixels * zoom, shifted by the destination origin minus the scroll origin.
// The scroll origin (source rect left/top) is taken on the zoomed side, in display pixels.
// Before any mapping the view refreshes itself through its sync function when marked stale.
#include <cstdint>

#include "platform/graphics/gdi_types.h"

class AnnView {
 public:
  using SyncFn = bool (*)(void* cookie);

  AnnView() = default;

  void SetSync(SyncFn fn, void* cookie) {
    sync_ = fn;
    cookie_ = cookie;
  }
  void MarkStale() { stale_ = true; }
  bool IsStale() const { return stale_; }
  // Runs the sync function when stale; false when it failed (the view then stays stale).
  bool Refresh();

  // Geometry as the engine's sync step determines it.
  void SetGeometry(const plat::RECT& destination, const plat::RECT& source, int32_t width, int32_t height,
                   float zoomX, float zoomY, int32_t hostScaleMode);
  void SetHandleSize(int32_t size) { handleSize_ = size; }
  int32_t HandleSize() const { return handleSize_; }
  // The handle size in logical units; layers inflate rects by it before invalidating.
  void SetHandleMargin(int32_t margin) { handleMargin_ = margin; }
  int32_t HandleMargin() const { return handleMargin_; }

  const plat::RECT& DestinationRect() const { return dest_; }
  const plat::RECT& SourceRect() const { return src_; }
  int32_t ImageWidth() const { return width_; }
  int32_t ImageHeight() const { return height_; }
  float ZoomX() const { return zoomX_; }
  float ZoomY() const { return zoomY_; }
  bool IsZoomed() const { return zoomed_; }
  int32_t HostScaleMode() const { return scaleMode_; }
  int32_t DisplayedWidth() const { return displayedWidth_; }
  int32_t DisplayedHeight() const { return displayedHeight_; }

  void LogicalToDevice(const plat::POINT* in, plat::POINT* out, int count);
  void DeviceToLogical(const plat::POINT* in, plat::POINT* out, int count);
  void LogicalToPixels(const plat::POINT* in, plat::POINT* out, int count);
  void PixelsToLogical(const plat::POINT* in, plat::POINT* out, int count);
  // A rect maps as its two corners (left-top, right-bottom).
  plat::RECT RectLogicalToDevice(const plat::RECT& r);
  plat::RECT RectDeviceToLogical(const plat::RECT& r);

  void ZoomLength(int32_t length, int32_t* x, int32_t* y);
  void LengthToLogical(int32_t length, int32_t* x, int32_t* y);

  // Handle numbering: 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right, 4 left middle,
  // 5 right middle, 6 top middle, 7 bottom middle.
  static void HandleSquares(const plat::RECT& device, int32_t size, plat::RECT squares[8]);
  // The handle under the logical point, or -1.
  int HitTestHandles(const plat::RECT& logical, int32_t x, int32_t y);
  // Eight filled squares with the white stock pen and black stock brush.
  void DrawHandles(const plat::RECT& logical, plat::HDC dc);
  // A square of the given size centred on each device point (the grips of a point list), drawn
  // like the handles.
  void DrawPointGrips(const plat::POINT* device, int count, int32_t size, plat::HDC dc);
  // While annotations are burned into a picture no grab handle, grip or editing mark is drawn:
  // they are no part of it.
  void SetHandlesHidden(bool hidden) { handlesHidden_ = hidden; }
  bool HandlesHidden() const { return handlesHidden_; }

  // Swaps left/right (flag 4) and top/bottom (flag 2) where they are reversed.
  static int NormalizeRect(plat::RECT* r);

 private:
  void EnsureFresh();

  SyncFn sync_ = nullptr;
  int32_t handleSize_ = 0;
  bool handlesHidden_ = false;
  plat::RECT dest_{};
  plat::RECT src_{};
  int32_t width_ = 0;
  int32_t height_ = 0;
  float zoomX_ = 1.0f;
  float zoomY_ = 1.0f;
  bool zoomed_ = false;
  int32_t handleMargin_ = 0;
  int32_t scaleMode_ = 0;
  int32_t displayedWidth_ = 0;
  int32_t displayedHeight_ = 0;
  void* cookie_ = nullptr;
  bool stale_ = true;
};
