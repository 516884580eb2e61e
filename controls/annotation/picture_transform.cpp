#include "controls/annotation/picture_transform.h"

#include <QImage>
#include <exception>

#include "controls/imaging/bitmap.h"
#include "controls/imaging/pixel_ops.h"
#include "platform/graphics/gdi.h"

namespace ann {

plat::HGLOBAL transformPicture(plat::HGLOBAL dib, int32_t operation) {
  if (!dib || operation < 1 || operation > 5) return nullptr;
  try {
    const img::Bitmap picture = img::fromDibHandle(dib);
    img::Bitmap out;
    switch (operation) {
      // The engine turns element rects counter-clockwise on screen for 90 degrees.
      case 1: out = img::rotate90(picture, 3); break;
      case 2: out = img::rotate90(picture, 2); break;
      case 3: out = img::rotate90(picture, 1); break;
      case 4: out = picture; img::flip(out); break;
      default: out = img::mirrored(picture); break;
    }
    return img::toDibHandle(out);
  } catch (const std::exception&) {
    return nullptr;  // no readable picture in the block, or no memory for the new one
  }
}

bool drawPicture(plat::HDC dc, plat::HGLOBAL dib, bool transparent, plat::COLORREF colour, int32_t x, int32_t y,
                 int32_t width, int32_t height) {
  if (!transparent) return plat::StretchPackedDib(dc, x, y, width, height, dib);
  QImage image;
  if (!plat::DecodedPackedDib(dib, &image)) return false;
  image = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = qRgb(plat::GetRValue(colour), plat::GetGValue(colour), plat::GetBValue(colour));
  for (int row = 0; row < image.height(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
    for (int i = 0; i < image.width(); ++i)
      if ((line[i] & 0xFFFFFF) == (key & 0xFFFFFF)) line[i] = 0;
  }
  return plat::DrawImageStretched(dc, x, y, width, height, image);
}

}  // namespace ann
