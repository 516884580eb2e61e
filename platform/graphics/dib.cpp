#include <QImage>
#include <cstring>
#include <limits>

#include "platform/graphics/gdi.h"

namespace plat {

namespace {

uint64_t rowBytes(int32_t width, uint16_t bits) { return ((uint64_t(width) * bits + 31) / 32) * 4; }

uint32_t paletteEntries(const BITMAPINFOHEADER& h) {
  if (h.biBitCount > 8) return 0;
  uint32_t full = 1u << h.biBitCount;
  return h.biClrUsed && h.biClrUsed < full ? h.biClrUsed : full;
}

}  // namespace

std::size_t PackedDibSize(const BITMAPINFOHEADER* h) {
  if (!h || h->biSize < 40 || h->biSize > 4096 || h->biWidth <= 0 || h->biHeight == 0 || h->biPlanes != 1) return 0;
  if (h->biCompression != 0) return 0;  // BI_RGB only
  switch (h->biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return 0;
  }
  uint64_t rows = h->biHeight < 0 ? uint64_t(-int64_t(h->biHeight)) : uint64_t(h->biHeight);
  uint64_t stride = rowBytes(h->biWidth, h->biBitCount);
  if (stride > kMaxGlobalBlock || rows > kMaxGlobalBlock / stride) return 0;
  uint64_t bits = stride * rows;
  uint64_t total = uint64_t(h->biSize) + uint64_t(paletteEntries(*h)) * 4 + bits;
  if (total > kMaxGlobalBlock) return 0;
  return std::size_t(total);
}

std::size_t PackedDibSizeInBlock(HGLOBAL block) {
  std::size_t have = GlobalSize(block);
  if (have < sizeof(BITMAPINFOHEADER)) return 0;
  auto* p = static_cast<const BITMAPINFOHEADER*>(GlobalLock(block));
  if (!p) return 0;
  BITMAPINFOHEADER h;
  std::memcpy(&h, p, sizeof h);
  GlobalUnlock(block);
  std::size_t need = PackedDibSize(&h);
  return need && need <= have ? need : 0;
}

HGLOBAL PackedDibFromImage(const QImage& image, int bitsPerPixel) {
  if (image.isNull()) return nullptr;
  QImage src;
  uint32_t colours = 0;
  switch (bitsPerPixel) {
    case 1: src = image.convertToFormat(QImage::Format_Mono); colours = 2; break;
    case 8: src = image.convertToFormat(QImage::Format_Indexed8); colours = 256; break;
    case 24: src = image.convertToFormat(QImage::Format_RGB888); break;
    case 32: src = image.convertToFormat(QImage::Format_RGB32); break;
    default: return nullptr;
  }
  BITMAPINFOHEADER h;
  h.biWidth = src.width();
  h.biHeight = src.height();
  h.biBitCount = uint16_t(bitsPerPixel);
  h.biClrUsed = colours;
  uint64_t stride = rowBytes(h.biWidth, h.biBitCount);
  h.biSizeImage = uint32_t(stride * uint64_t(h.biHeight));
  std::size_t size = PackedDibSize(&h);
  if (!size) return nullptr;
  HGLOBAL block = GlobalAlloc(GHND, size);
  auto* out = static_cast<uint8_t*>(GlobalLock(block));
  if (!out) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(out, &h, sizeof h);
  uint8_t* pal = out + sizeof h;
  QList<QRgb> table = src.colorTable();
  for (uint32_t i = 0; i < colours; ++i) {
    QRgb c = i < uint32_t(table.size()) ? table[int(i)] : 0;
    pal[i * 4 + 0] = uint8_t(qBlue(c));
    pal[i * 4 + 1] = uint8_t(qGreen(c));
    pal[i * 4 + 2] = uint8_t(qRed(c));
    pal[i * 4 + 3] = 0;
  }
  uint8_t* bits = pal + colours * 4;
  for (int y = 0; y < h.biHeight; ++y) {
    const uchar* line = src.constScanLine(h.biHeight - 1 - y);  // bottom-up
    uint8_t* dst = bits + uint64_t(y) * stride;
    if (bitsPerPixel == 24) {
      for (int x = 0; x < h.biWidth; ++x) {
        dst[x * 3 + 0] = line[x * 3 + 2];
        dst[x * 3 + 1] = line[x * 3 + 1];
        dst[x * 3 + 2] = line[x * 3 + 0];
      }
    } else {
      std::memcpy(dst, line, std::size_t(std::min<uint64_t>(stride, uint64_t(src.bytesPerLine()))));
    }
  }
  GlobalUnlock(block);
  return block;
}

bool ImageFromPackedDib(HGLOBAL block, QImage* image) {
  if (!image) return false;
  std::size_t size = PackedDibSizeInBlock(block);
  if (!size) return false;
  auto* in = static_cast<const uint8_t*>(GlobalLock(block));
  if (!in) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, in, sizeof h);
  uint32_t colours = paletteEntries(h);
  const uint8_t* pal = in + h.biSize;
  const uint8_t* bits = pal + colours * 4;
  bool topDown = h.biHeight < 0;
  int height = topDown ? -h.biHeight : h.biHeight;
  uint64_t stride = rowBytes(h.biWidth, h.biBitCount);
  QImage out(h.biWidth, height, QImage::Format_RGB32);
  if (out.isNull()) {
    GlobalUnlock(block);
    return false;
  }
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = bits + uint64_t(topDown ? y : height - 1 - y) * stride;
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < h.biWidth; ++x) {
      QRgb c;
      switch (h.biBitCount) {
        case 1: case 4: case 8: {
          uint32_t bpp = h.biBitCount;
          uint32_t bitpos = uint32_t(x) * bpp;
          uint32_t v = (row[bitpos / 8] >> (8 - bpp - bitpos % 8)) & ((1u << bpp) - 1);
          const uint8_t* e = pal + (v < colours ? v : 0) * 4;
          c = qRgb(e[2], e[1], e[0]);
          break;
        }
        case 16: {
          uint16_t v = uint16_t(row[x * 2] | (row[x * 2 + 1] << 8));
          c = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
          break;
        }
        case 24: c = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]); break;
        default: c = qRgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]); break;
      }
      dst[x] = c;
    }
  }
  GlobalUnlock(block);
  *image = std::move(out);
  return true;
}

}  // namespace plat
