#include "annotation/elements/image_element.h"

#include "annotation/rect_util.h"

#include <cstdlib>
#include <cstring>

#include "annotation/persist/stream_io.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"

class AnnLayer;
int32_t annPlaceElement(AnnLayer* layer, AnnElement* element);

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;

}  // namespace

std::size_t annPackedDibSize(plat::HGLOBAL block) {
  if (!block) return 0;
  const std::size_t have = plat::GlobalSize(block);
  if (have < sizeof(plat::BITMAPINFOHEADER)) return 0;
  plat::BITMAPINFOHEADER h;
  const void* p = plat::GlobalLock(block);
  if (!p) return 0;
  std::memcpy(&h, p, sizeof h);
  plat::GlobalUnlock(block);
  if (h.biSize < 40 || h.biSize > have || h.biWidth <= 0 || h.biHeight == 0) return 0;
  uint64_t table = 0;
  switch (h.biBitCount) {
    case 1: table = 8; break;
    case 4: table = 64; break;
    case 8: table = 1024; break;
    case 16: case 24: case 32: break;
    default: return 0;
  }
  // Masks follow a 40-byte header; the larger headers hold them inside.
  if (h.biCompression == BI_BITFIELDS && h.biSize == 40) table += 12;
  uint64_t pixels;
  const uint64_t rows = uint64_t(std::llabs(int64_t(h.biHeight)));
  if (h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS) {
    pixels = ((uint64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4 * rows;
  } else if (h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4) {
    pixels = h.biSizeImage;
  } else {
    return 0;
  }
  const uint64_t total = uint64_t(h.biSize) + table + pixels;
  return total <= have ? std::size_t(total) : 0;
}

AnnImageElement::AnnImageElement(int32_t kind, const AnnPropertyMap& initial) : AnnRectElement(kind, initial) {
  auto it = initial.find(PROP_IMAGE);
  SetDib(it != initial.end() ? reinterpret_cast<plat::HGLOBAL>(it->second) : nullptr);
}

AnnImageElement::~AnnImageElement() { plat::GlobalFree(dib_); }

void AnnImageElement::SyncMap() {
  auto it = properties_.find(PROP_IMAGE);
  if (it != properties_.end()) it->second = reinterpret_cast<AnnValue>(dib_);
}

void AnnImageElement::SetDib(plat::HGLOBAL block) {
  plat::GlobalFree(dib_);
  dib_ = nullptr;
  const std::size_t size = annPackedDibSize(block);
  if (size != 0) {
    plat::HGLOBAL copy = plat::GlobalAlloc(plat::GHND, size);
    void* to = copy ? plat::GlobalLock(copy) : nullptr;
    const void* from = plat::GlobalLock(block);
    if (to && from) {
      std::memcpy(to, from, size);
      const auto* h = static_cast<const plat::BITMAPINFOHEADER*>(from);
      pictureWidth_ = h->biWidth;
      pictureHeight_ = int32_t(std::llabs(int64_t(h->biHeight)));
      dib_ = copy;
    } else {
      plat::GlobalFree(copy);
      copy = nullptr;
    }
    if (from) plat::GlobalUnlock(block);
    if (dib_) plat::GlobalUnlock(dib_);
  }
  SyncMap();
}

int32_t AnnImageElement::SetProperty(int32_t id, AnnValue value, bool* changed) {
  if (id != PROP_IMAGE) return AnnRectElement::SetProperty(id, value, changed);
  if (!Has(PROP_IMAGE)) return ERR_NO_PROPERTY;
  SetDib(reinterpret_cast<plat::HGLOBAL>(value));
  if (changed) *changed = true;
  if (live_) Invalidate(&rect_);
  return ANN_OK;
}

int32_t AnnImageElement::GetPropertyEx(int32_t id, AnnValue* out) {
  if (id != PROP_IMAGE_COPY) return AnnElement::GetPropertyEx(id, out);
  if (out) *out = 0;
  const std::size_t size = annPackedDibSize(dib_);
  if (!size || !out) return ANN_OK;
  plat::HGLOBAL copy = plat::GlobalAlloc(plat::GHND, size);
  if (!copy) return ERR_NO_MEMORY;
  std::memcpy(plat::GlobalLock(copy), plat::GlobalLock(dib_), size);
  plat::GlobalUnlock(dib_);
  plat::GlobalUnlock(copy);
  *out = reinterpret_cast<AnnValue>(copy);
  return ANN_OK;
}

void AnnImageElement::WriteProperty(AnnStreamWriter& out, int32_t id) {
  if (id != PROP_IMAGE) {
    AnnElement::WriteProperty(out, id);
    return;
  }
  const std::size_t size = annPackedDibSize(dib_);
  if (!size) return;
  out.I32(id);
  out.U32(uint32_t(size));
  out.Bytes(plat::GlobalLock(dib_), uint32_t(size));
  plat::GlobalUnlock(dib_);
}

bool AnnImageElement::Transform(int32_t operation) {
  if (!dib_ || !services_ || !services_->transformImage) return false;
  plat::HGLOBAL result = services_->transformImage(services_->engine, dib_, operation);
  // No picture back (or the same one): the element keeps its picture and its size.
  if (!result || result == dib_) return false;
  plat::HGLOBAL old = dib_;
  dib_ = nullptr;
  SetDib(result);
  if (!dib_) {  // an unreadable answer is not taken
    dib_ = old;
    SyncMap();
    plat::GlobalFree(result);
    return false;
  }
  plat::GlobalFree(old);
  plat::GlobalFree(result);
  return true;
}

void AnnImageElement::MirrorLeftRight(int32_t v1, int32_t v2) {
  AnnElement::MirrorLeftRight(v1, v2);
  Transform(5);
}

void AnnImageElement::MirrorTopBottom(int32_t v1, int32_t v2) {
  AnnElement::MirrorTopBottom(v1, v2);
  Transform(4);
}

void AnnImageElement::Rotate(int32_t v1, int32_t v2, float degrees) {
  AnnElement::Rotate(v1, v2, degrees);
  SyncTrackingToRect();
  switch (int32_t(degrees)) {
    case 90: case -270: Transform(1); break;
    case 180: case -180: Transform(2); break;
    case 270: case -90: Transform(3); break;
    default: break;
  }
}

int32_t AnnImageElement::OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                                        int32_t* eventCode) {
  if (message == plat::WM_LBUTTONDOWN && !placed_ && dib_ && services_ && services_->view) {
    // The first click places the picture at its natural size.
    AnnView& view = *services_->view;
    const int32_t w = view.ImageWidth(), h = view.ImageHeight();
    if (w <= 0 || h <= 0) return ANN_NOT_HANDLED;
    rect_ = annLimitRect({x, y, annSaturate(int64_t(x) + annMulDiv(pictureWidth_, ANN_LOGICAL_SPAN, w)),
                          annSaturate(int64_t(y) + annMulDiv(pictureHeight_, ANN_LOGICAL_SPAN, h))});
    SyncTrackingToRect();
    if (layer_) annPlaceElement(layer_, this);
    return ANN_NOT_HANDLED;
  }
  return AnnRectElement::OnMouseMessage(window, message, wParam, x, y, eventCode);
}

int32_t AnnImageElement::Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5,
                              intptr_t v6) {
  if (!dib_ || !placed_) return AnnRectElement::Draw(dc, v1, v2, v3, v4, v5, v6);
  if (!dc || !services_ || !services_->view) return ANN_NOT_HANDLED;
  RunPendingConversion();
  AnnView& view = *services_->view;
  const int32_t back = Value(PROP_BACK_STYLE, 2);
  const bool selected = Selected() && Value(PROP_SHOW_HANDLES) != 0;
  if (back != 2) {
    // The frame and fill are drawn under the picture; the handles come last, above it.
    const bool wasSelected = Selected();
    SetSelectedFlag(false);
    AnnRectElement::Draw(dc, v1, v2, v3, v4, v5, v6);
    SetSelectedFlag(wasSelected);
  }
  plat::RECT d = view.RectLogicalToDevice(rect_);
  if (services_->drawImage)
    services_->drawImage(services_->engine, dc, dib_, back != 2 ? 1 : 0, plat::COLORREF(Value(PROP_TRANSPARENT_COLOR)),
                         d.left, d.top, d.right - d.left, d.bottom - d.top, 0, 0, pictureWidth_, pictureHeight_);
  if (selected) view.DrawHandles(rect_, dc);
  return 1;
}
