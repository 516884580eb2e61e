// Windows icons: the largest picture of the file, as a device-independent bitmap with its mask or
// as an embedded PNG. Transparent parts show white.
#include "controls/imaging/byte_io.h"
#include "controls/imaging/codec.h"

#include <cstring>

namespace img {

Bitmap decodeIco(std::span<const uint8_t> data) {
  ByteReader r(data, "ICO");
  if (r.u16le() != 0) r.damaged("not an icon file");
  const uint16_t type = r.u16le();
  const uint16_t count = r.u16le();
  if ((type != 1 && type != 2) || count == 0) r.damaged("not an icon file");
  uint32_t bestOffset = 0, bestSize = 0;
  uint64_t bestArea = 0;
  int bestBits = -1;
  for (uint16_t i = 0; i < count; ++i) {
    const int w = r.u8(), h = r.u8();
    r.u8();
    r.u8();
    r.u16le();
    const int bits = r.u16le();
    const uint32_t size = r.u32le(), offset = r.u32le();
    const uint64_t area = static_cast<uint64_t>(w ? w : 256) * (h ? h : 256);
    if (offset >= data.size() || size > data.size() - offset || size < 8) continue;
    if (area > bestArea || (area == bestArea && bits > bestBits)) {
      bestArea = area;
      bestBits = bits;
      bestOffset = offset;
      bestSize = size;
    }
  }
  if (bestArea == 0) r.damaged("no readable picture in the file");
  std::span<const uint8_t> entry = data.subspan(bestOffset, bestSize);
  if (entry[0] == 0x89 && entry[1] == 'P' && entry[2] == 'N' && entry[3] == 'G') return decodePng(entry);

  // A DIB whose height counts the picture and its mask together.
  ByteReader h(entry, "ICO");
  const uint32_t headerSize = h.u32le();
  if (headerSize < 40 || headerSize > entry.size()) h.damaged("bad picture header");
  const int32_t width = h.i32le();
  const int32_t doubled = h.i32le();
  if (width <= 0 || doubled <= 1 || (doubled & 1)) h.damaged("bad picture size");
  const int32_t height = doubled / 2;
  std::vector<uint8_t> dib(entry.begin(), entry.end());
  for (int i = 0; i < 4; ++i) dib[8 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(height) >> (8 * i));
  Bitmap b = fromPackedDib(dib);

  // The mask follows the colour rows: 1-bit rows, bottom-up; a 1 is transparent.
  uint16_t bits = static_cast<uint16_t>(entry[14] | (entry[15] << 8));
  uint32_t clrUsed = 0;
  std::memcpy(&clrUsed, entry.data() + 32, 4);
  const uint64_t palette = bits <= 8 ? 4ull * (clrUsed ? clrUsed : (1u << bits)) : 0;
  const uint64_t colourRows = static_cast<uint64_t>((static_cast<int64_t>(width) * bits + 31) / 32 * 4) * height;
  const uint64_t maskStride = static_cast<uint64_t>((width + 31) / 32 * 4);
  const uint64_t maskAt = headerSize + palette + colourRows;
  if (maskAt + maskStride * height > entry.size()) return b;  // no mask: all opaque
  bool any = false;
  for (int32_t y = 0; y < height && !any; ++y) {
    const uint8_t* m = entry.data() + maskAt + maskStride * static_cast<uint64_t>(height - 1 - y);
    for (int32_t x = 0; x < width; ++x)
      if (m[x >> 3] & (0x80 >> (x & 7))) {
        any = true;
        break;
      }
  }
  if (!any) return b;
  Bitmap out = b.toColor24();
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* m = entry.data() + maskAt + maskStride * static_cast<uint64_t>(height - 1 - y);
    for (int32_t x = 0; x < width; ++x)
      if (m[x >> 3] & (0x80 >> (x & 7))) out.setIndex(x, y, qRgb(255, 255, 255));
  }
  return out;
}

}  // namespace img
