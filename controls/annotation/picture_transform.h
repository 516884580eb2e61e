#pragma once
// The host's side of the image element's pictures: turning and mirroring a packed DIB for the
// engine, and drawing one with a transparent colour. The input block always stays the caller's.
#include <cstdint>

#include "platform/graphics/gdi_types.h"
#include "platform/memory/global_memory.h"

namespace ann {

// Operations the engine asks for: 1 quarter turn as the page turns by 90 degrees, 2 half turn,
// 3 quarter turn the other way, 4 mirrored top to bottom, 5 mirrored left to right.
// A new block with the transformed picture in the input's bit depth, or null when the operation is
// unknown or the block holds no readable picture.
plat::HGLOBAL transformPicture(plat::HGLOBAL dib, int32_t operation);

// Draws the DIB stretched over the rect; with transparent set, pixels of that colour are left out.
bool drawPicture(plat::HDC dc, plat::HGLOBAL dib, bool transparent, plat::COLORREF colour, int32_t x, int32_t y,
                 int32_t width, int32_t height);

}  // namespace ann
