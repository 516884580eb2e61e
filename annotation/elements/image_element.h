#pragma once
// The image element: its own copy of a packed device-independent bitmap. The engine never decodes
// the pixels: the host draws the picture and turns or mirrors it through its callbacks.
#include <cstddef>

#include "annotation/elements/rect_element.h"

// Size of the packed DIB at the start of a block: the header's own size, its colour table (masks
// for bit fields), and the pixel rows of the absolute height (or, compressed, the header's image
// size). 0 when there is no block, the header is not one this engine reads, or the DIB does not fit
// inside the block: nothing is ever read past the caller's block.
std::size_t annPackedDibSize(plat::HGLOBAL block);

class AnnImageElement : public AnnRectElement {
 public:
  AnnImageElement(int32_t kind, const AnnPropertyMap& initial);
  ~AnnImageElement() override;

  int32_t OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                         int32_t* eventCode) override;
  int32_t Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5, intptr_t v6) override;
  void WriteProperty(AnnStreamWriter& out, int32_t id) override;
  void MirrorLeftRight(int32_t v1, int32_t v2) override;
  void MirrorTopBottom(int32_t v1, int32_t v2) override;
  void Rotate(int32_t v1, int32_t v2, float degrees) override;
  int32_t SetProperty(int32_t id, AnnValue value, bool* changed) override;
  int32_t GetPropertyEx(int32_t id, AnnValue* out) override;

  // Frees the element's picture; with a block, keeps a copy of the DIB at its start.
  void SetDib(plat::HGLOBAL block);

 private:
  // Asks the host for the picture transformed; true when a new picture came back.
  bool Transform(int32_t operation);
  void SyncMap();

  plat::HGLOBAL dib_ = nullptr;
  int32_t pictureWidth_ = 0;
  int32_t pictureHeight_ = 0;
};
