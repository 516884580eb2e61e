#include "controls/annotation/picture_transform.h"

#include <QImage>
#include <QTransform>
#include <cstring>

#include "platform/graphics/gdi.h"

namespace ann {

namespace {

int bitsOf(plat::HGLOBAL dib) {
  if (plat::GlobalSize(dib) < sizeof(plat::BITMAPINFOHEADER)) return 24;
  plat::BITMAPINFOHEADER h;
  std::memcpy(&h, plat::GlobalLock(dib), sizeof h);
  plat::GlobalUnlock(dib);
  switch (h.biBitCount) {
    case 1: case 8: case 24: case 32: return h.biBitCount;
    default: return 24;
  }
}

}  // namespace

plat::HGLOBAL transformPicture(plat::HGLOBAL dib, int32_t operation) {
  QImage image;
  if (!dib || !plat::ImageFromPackedDib(dib, &image)) return nullptr;
  QImage out;
  switch (operation) {
    // The engine turns element rects counter-clockwise on screen for 90 degrees.
    case 1: out = image.transformed(QTransform().rotate(-90)); break;
    case 2: out = image.transformed(QTransform().rotate(180)); break;
    case 3: out = image.transformed(QTransform().rotate(90)); break;
    case 4: out = image.mirrored(false, true); break;
    case 5: out = image.mirrored(true, false); break;
    default: return nullptr;
  }
  return plat::PackedDibFromImage(out, bitsOf(dib));
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
