#include <QImage>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/graphics/gdi.h"

namespace plat {

namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

uint64_t rowBytes(int32_t width, uint16_t bits) { return ((uint64_t(width) * bits + 31) / 32) * 4; }

uint32_t paletteEntries(const BITMAPINFOHEADER& h) {
  if (h.biBitCount > 8) return 0;
  uint32_t full = 1u << h.biBitCount;
  return h.biClrUsed && h.biClrUsed < full ? h.biClrUsed : full;
}

// The three channel masks of a bit-field picture follow a 40-byte header; a larger header holds them.
uint32_t maskBytes(const BITMAPINFOHEADER& h) { return h.biCompression == kBitFields && h.biSize == 40 ? 12 : 0; }

}  // namespace

std::size_t PackedDibSize(const BITMAPINFOHEADER* h) {
  if (!h || h->biSize < 40 || h->biSize > 4096 || h->biWidth <= 0 || h->biHeight == 0 || h->biPlanes != 1) return 0;
  switch (h->biCompression) {
    case kRgb:
      if (h->biBitCount != 1 && h->biBitCount != 4 && h->biBitCount != 8 && h->biBitCount != 16 && h->biBitCount != 24 &&
          h->biBitCount != 32)
        return 0;
      break;
    // Run-length coded rows are stored bottom-up and say how many bytes they take.
    case kRle8: case kRle4:
      if (h->biBitCount != (h->biCompression == kRle8 ? 8 : 4) || h->biHeight < 0 || h->biSizeImage == 0) return 0;
      break;
    case kBitFields:
      if (h->biBitCount != 16 && h->biBitCount != 32) return 0;
      break;
    default: return 0;
  }
  uint64_t rows = h->biHeight < 0 ? uint64_t(-int64_t(h->biHeight)) : uint64_t(h->biHeight);
  uint64_t stride = rowBytes(h->biWidth, h->biBitCount);
  if (stride > kMaxGlobalBlock || rows > kMaxGlobalBlock / stride) return 0;
  const bool runs = h->biCompression == kRle8 || h->biCompression == kRle4;
  uint64_t bits = runs ? h->biSizeImage : stride * rows;
  uint64_t total = uint64_t(h->biSize) + maskBytes(*h) + uint64_t(paletteEntries(*h)) * 4 + bits;
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

namespace {

// One channel of a bit-field pixel: where its mask starts and how many bits it has.
struct Field {
  uint32_t mask = 0, shift = 0, bits = 0;
  explicit Field(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1u)) ++shift;
    while (bits < 32 - shift && ((m >> (shift + bits)) & 1u)) ++bits;
  }
  uint32_t value(uint32_t pixel) const {  // scaled to 0..255
    if (!bits) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return (v >> (bits - 8)) & 0xFFu;
    return v * 255u / ((1u << bits) - 1u);
  }
};

// Expands run-length coded rows (8 or 4 bits per pixel) into one index per pixel, the bottom row
// first. Runs that pass the end of a row or of the picture are cut off; the stream may end early.
std::vector<uint8_t> expandRuns(const uint8_t* p, const uint8_t* end, int32_t width, int32_t height, bool nibbles) {
  std::vector<uint8_t> out(std::size_t(width) * std::size_t(height), 0);
  int64_t x = 0, y = 0;
  auto put = [&](uint8_t index) {
    if (x < width && y < height) out[std::size_t(y) * std::size_t(width) + std::size_t(x)] = index;
    ++x;
  };
  while (end - p >= 2 && y < height) {
    const uint8_t count = p[0], code = p[1];
    p += 2;
    if (count) {  // a run of one index (or of two alternating nibbles)
      for (int i = 0; i < count; ++i) put(nibbles ? uint8_t(i % 2 ? code & 15 : code >> 4) : code);
    } else if (code == 0) {  // end of the row
      x = 0;
      ++y;
    } else if (code == 1) {  // end of the picture
      break;
    } else if (code == 2) {  // move right and up
      if (end - p < 2) break;
      x += p[0];
      y += p[1];
      p += 2;
    } else {  // code indexes given one by one, padded to a whole number of 16-bit words
      const std::size_t bytes = nibbles ? (code + 1u) / 2u : code;
      const std::size_t have = std::min<std::size_t>(bytes, std::size_t(end - p));
      for (std::size_t i = 0; i < code && (nibbles ? i / 2 : i) < have; ++i)
        put(nibbles ? uint8_t(i % 2 ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
      p += std::min<std::size_t>((bytes + 1) & ~std::size_t(1), std::size_t(end - p));
    }
  }
  return out;
}

}  // namespace

bool ImageFromPackedDib(HGLOBAL block, QImage* image) {
  if (!image) return false;
  std::size_t size = PackedDibSizeInBlock(block);
  if (!size) return false;
  auto* in = static_cast<const uint8_t*>(GlobalLock(block));
  if (!in) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, in, sizeof h);
  uint32_t colours = paletteEntries(h);
  const uint8_t* pal = in + h.biSize + maskBytes(h);
  const uint8_t* bits = pal + colours * 4;
  bool topDown = h.biHeight < 0;
  int height = topDown ? -h.biHeight : h.biHeight;
  uint64_t stride = rowBytes(h.biWidth, h.biBitCount);
  QImage out(h.biWidth, height, QImage::Format_RGB32);
  if (out.isNull()) {
    GlobalUnlock(block);
    return false;
  }
  // Sixteen and 32-bit pixels are read through their channel masks: given after the 40 bytes of
  // the header (or within a larger one), or the fixed 5-5-5 and 8-8-8 layouts.
  uint32_t masks[3] = {0x7C00u, 0x3E0u, 0x1Fu};
  if (h.biBitCount == 32) masks[0] = 0xFF0000u, masks[1] = 0xFF00u, masks[2] = 0xFFu;
  if (h.biCompression == kBitFields) std::memcpy(masks, in + 40, sizeof masks);
  const Field red(masks[0]), green(masks[1]), blue(masks[2]);
  const bool runs = h.biCompression == kRle8 || h.biCompression == kRle4;
  const std::vector<uint8_t> indexes =
      runs ? expandRuns(bits, bits + h.biSizeImage, h.biWidth, height, h.biCompression == kRle4) : std::vector<uint8_t>();
  auto entry = [&](uint32_t v) {
    const uint8_t* e = pal + (v < colours ? v : 0) * 4;
    return qRgb(e[2], e[1], e[0]);
  };
  for (int y = 0; y < height; ++y) {
    const int from = topDown ? y : height - 1 - y;
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    if (runs) {
      const uint8_t* line = indexes.data() + std::size_t(from) * std::size_t(h.biWidth);
      for (int x = 0; x < h.biWidth; ++x) dst[x] = entry(line[x]);
      continue;
    }
    const uint8_t* row = bits + uint64_t(from) * stride;  // coded rows have no fixed length
    for (int x = 0; x < h.biWidth; ++x) {
      QRgb c;
      switch (h.biBitCount) {
        case 1: case 4: case 8: {
          uint32_t bpp = h.biBitCount;
          uint32_t bitpos = uint32_t(x) * bpp;
          c = entry((row[bitpos / 8] >> (8 - bpp - bitpos % 8)) & ((1u << bpp) - 1));
          break;
        }
        case 16: {
          const uint32_t v = uint32_t(row[x * 2] | (row[x * 2 + 1] << 8));
          c = qRgb(int(red.value(v)), int(green.value(v)), int(blue.value(v)));
          break;
        }
        case 24: c = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]); break;
        default: {
          uint32_t v;
          std::memcpy(&v, row + x * 4, 4);
          c = qRgb(int(red.value(v)), int(green.value(v)), int(blue.value(v)));
          break;
        }
      }
      dst[x] = c;
    }
  }
  GlobalUnlock(block);
  *image = std::move(out);
  return true;
}

}  // namespace plat
