#include "annotation/view.h"

#include "annotation/rect_util.h"

#include <cmath>
#include <utility>

#include "annotation/ann_codes.h"
#include "platform/graphics/gdi.h"

namespace {

bool isUnit(float zoom) { return zoom == 1.0f; }

float saneZoom(float z) { return std::isfinite(z) && z > 0.0f ? z : 1.0f; }

// Every mapping saturates: a coordinate far off the page maps to the end of the int32 range
// rather than wrapping around or turning into the -1 of a failed division.
int32_t toDevice(int32_t logical, int32_t extent, float zoom, int32_t destOrigin, int32_t scrollOrigin) {
  int32_t a = annMulDiv(logical, extent, ANN_LOGICAL_SPAN);
  if (isUnit(zoom)) return annSaturate(int64_t(a) + destOrigin - scrollOrigin);
  int32_t t = annTruncSaturated(double(a) * zoom);
  return annTruncSaturated(double(t) + 0.5 - scrollOrigin + destOrigin);
}

int32_t toLogical(int32_t device, int32_t extent, float zoom, int32_t destOrigin, int32_t scrollOrigin) {
  int32_t p = annSaturate(int64_t(device) - destOrigin + scrollOrigin);
  if (!isUnit(zoom)) p = annTruncSaturated(double(p) / zoom + 0.5);
  return annMulDiv(p, ANN_LOGICAL_SPAN, extent);
}

}  // namespace

bool AnnView::Refresh() {
  if (!stale_) return true;
  if (!sync_) return false;
  if (!sync_(cookie_)) return false;
  stale_ = false;
  return true;
}

void AnnView::EnsureFresh() {
  if (stale_) Refresh();
}

void AnnView::SetGeometry(const plat::RECT& destination, const plat::RECT& source, int32_t width, int32_t height,
                          float zoomX, float zoomY, int32_t hostScaleMode) {
  dest_ = destination;
  src_ = source;
  width_ = width;
  height_ = height;
  zoomX_ = saneZoom(zoomX);
  zoomY_ = saneZoom(zoomY);
  zoomed_ = !isUnit(zoomX_) || !isUnit(zoomY_);
  scaleMode_ = hostScaleMode;
  displayedWidth_ = annTruncSaturated(double(width) * zoomX_ + 0.5);
  displayedHeight_ = annTruncSaturated(double(height) * zoomY_ + 0.5);
}

void AnnView::LogicalToDevice(const plat::POINT* in, plat::POINT* out, int count) {
  EnsureFresh();
  for (int i = 0; i < count; ++i)
    out[i] = {toDevice(in[i].x, width_, zoomX_, dest_.left, src_.left),
              toDevice(in[i].y, height_, zoomY_, dest_.top, src_.top)};
}

void AnnView::DeviceToLogical(const plat::POINT* in, plat::POINT* out, int count) {
  EnsureFresh();
  for (int i = 0; i < count; ++i)
    out[i] = {toLogical(in[i].x, width_, zoomX_, dest_.left, src_.left),
              toLogical(in[i].y, height_, zoomY_, dest_.top, src_.top)};
}

void AnnView::LogicalToPixels(const plat::POINT* in, plat::POINT* out, int count) {
  EnsureFresh();
  for (int i = 0; i < count; ++i)
    out[i] = {annMulDiv(in[i].x, width_, ANN_LOGICAL_SPAN), annMulDiv(in[i].y, height_, ANN_LOGICAL_SPAN)};
}

void AnnView::PixelsToLogical(const plat::POINT* in, plat::POINT* out, int count) {
  EnsureFresh();
  for (int i = 0; i < count; ++i)
    out[i] = {annMulDiv(in[i].x, ANN_LOGICAL_SPAN, width_), annMulDiv(in[i].y, ANN_LOGICAL_SPAN, height_)};
}

plat::RECT AnnView::RectLogicalToDevice(const plat::RECT& r) {
  plat::POINT p[2] = {{r.left, r.top}, {r.right, r.bottom}};
  LogicalToDevice(p, p, 2);
  return {p[0].x, p[0].y, p[1].x, p[1].y};
}

plat::RECT AnnView::RectDeviceToLogical(const plat::RECT& r) {
  plat::POINT p[2] = {{r.left, r.top}, {r.right, r.bottom}};
  DeviceToLogical(p, p, 2);
  return {p[0].x, p[0].y, p[1].x, p[1].y};
}

void AnnView::ZoomLength(int32_t length, int32_t* x, int32_t* y) {
  EnsureFresh();
  int32_t zx = 0, zy = 0;
  if (length != 0) {
    zx = isUnit(zoomX_) ? length : annTruncSaturated(double(length) * zoomX_ + 0.5);
    zy = isUnit(zoomY_) ? length : annTruncSaturated(double(length) * zoomY_ + 0.5);
  }
  if (x) *x = zx;
  if (y) *y = zy;
}

void AnnView::LengthToLogical(int32_t length, int32_t* x, int32_t* y) {
  int32_t lx = 0, ly = 0;
  if (length != 0) {
    ZoomLength(length, &lx, &ly);
    lx = annMulDiv(lx, ANN_LOGICAL_SPAN, displayedWidth_);
    ly = annMulDiv(ly, ANN_LOGICAL_SPAN, displayedHeight_);
  }
  if (x) *x = lx;
  if (y) *y = ly;
}

void AnnView::HandleSquares(const plat::RECT& d, int32_t size, plat::RECT squares[8]) {
  const int64_t half = size >= 0 ? size / 2 : -((-int64_t(size) + 1) / 2);  // rounded down
  const int32_t midX = annSaturate(d.left + ((int64_t(d.right) - d.left) >> 1));
  const int32_t midY = annSaturate(d.top + ((int64_t(d.bottom) - d.top) >> 1));
  const plat::POINT centres[8] = {{d.left, d.top},  {d.right, d.top}, {d.left, d.bottom}, {d.right, d.bottom},
                                  {d.left, midY},   {d.right, midY},  {midX, d.top},      {midX, d.bottom}};
  for (int i = 0; i < 8; ++i)
    squares[i] = {annSaturate(centres[i].x - half), annSaturate(centres[i].y - half), annSaturate(centres[i].x + half),
                  annSaturate(centres[i].y + half)};
}

int AnnView::HitTestHandles(const plat::RECT& logical, int32_t x, int32_t y) {
  plat::RECT device = RectLogicalToDevice(logical);
  plat::POINT p{x, y};
  LogicalToDevice(&p, &p, 1);
  plat::RECT squares[8];
  HandleSquares(device, handleSize_, squares);
  static constexpr int kOrder[8] = {0, 1, 2, 3, 6, 7, 4, 5};
  for (int i : kOrder) {
    const plat::RECT& s = squares[i];
    if (p.x >= s.left && p.x < s.right && p.y >= s.top && p.y < s.bottom) return i;
  }
  return -1;
}

namespace {

// The look of every grab square, handle or grip: the white stock pen around the black stock brush,
// selected for the life of the object and then given back.
class GripLook {
 public:
  explicit GripLook(plat::HDC dc)
      : dc_(dc), pen_(plat::SelectObject(dc, plat::GetStockObject(plat::WHITE_PEN))),
        brush_(plat::SelectObject(dc, plat::GetStockObject(plat::BLACK_BRUSH))) {}
  ~GripLook() {
    plat::SelectObject(dc_, pen_);
    plat::SelectObject(dc_, brush_);
  }
  GripLook(const GripLook&) = delete;
  GripLook& operator=(const GripLook&) = delete;

 private:
  plat::HDC dc_;
  plat::HGDIOBJ pen_, brush_;
};

}  // namespace

void AnnView::DrawHandles(const plat::RECT& logical, plat::HDC dc) {
  if (handlesHidden_) return;
  plat::RECT device = RectLogicalToDevice(logical);
  plat::RECT squares[8];
  HandleSquares(device, handleSize_, squares);
  const GripLook look(dc);
  for (const plat::RECT& s : squares) plat::Rectangle(dc, s.left, s.top, s.right, s.bottom);
}

void AnnView::DrawPointGrips(const plat::POINT* device, int count, int32_t size, plat::HDC dc) {
  if (handlesHidden_) return;
  const GripLook look(dc);
  const int32_t half = size / 2;
  for (int i = 0; i < count; ++i) {
    const plat::POINT& d = device[i];
    plat::Rectangle(dc, d.x - half, d.y - half, d.x - half + size, d.y - half + size);
  }
}

int AnnView::NormalizeRect(plat::RECT* r) {
  int flags = 0;
  if (r->left > r->right) {
    std::swap(r->left, r->right);
    flags |= 4;
  }
  if (r->top > r->bottom) {
    std::swap(r->top, r->bottom);
    flags |= 2;
  }
  return flags;
}
