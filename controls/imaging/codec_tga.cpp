// Truevision TGA: colour-mapped, true-colour and grey pictures, raw or run-length encoded.
#include "controls/imaging/byte_io.h"
#include "controls/imaging/codec.h"

#include <algorithm>
#include <cstring>

namespace img {

namespace {
QRgb colourOf(const uint8_t* p, int bits) {
  if (bits == 15 || bits == 16) {
    const int v = p[0] | (p[1] << 8);
    return qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
  }
  return qRgb(p[2], p[1], p[0]);
}
}  // namespace

Bitmap decodeTga(std::span<const uint8_t> data) {
  ByteReader r(data, "TGA");
  const uint8_t idLength = r.u8();
  const uint8_t cmapType = r.u8();
  const uint8_t type = r.u8();
  const uint16_t cmapFirst = r.u16le(), cmapLength = r.u16le();
  const uint8_t cmapBits = r.u8();
  r.u16le();
  r.u16le();
  const uint16_t width = r.u16le(), height = r.u16le();
  const uint8_t depth = r.u8();
  const uint8_t descriptor = r.u8();
  const bool rle = type >= 9;
  const int base = rle ? type - 8 : type;
  if (cmapType > 1 || !(base == 1 || base == 2 || base == 3)) r.damaged("unsupported picture type");
  if (width == 0 || height == 0) r.damaged("invalid size");
  if (base == 1 && (cmapType != 1 || depth != 8)) r.damaged("colour-mapped picture without an 8-bit map");
  if (base == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32) r.damaged("unsupported depth");
  if (base == 3 && depth != 8) r.damaged("unsupported grey depth");
  r.skip(idLength);
  std::vector<QRgb> palette(256, qRgb(0, 0, 0));
  if (cmapType == 1) {
    if (cmapBits != 15 && cmapBits != 16 && cmapBits != 24 && cmapBits != 32) r.damaged("unsupported colour map entries");
    const int entry = (cmapBits + 7) / 8;
    for (uint32_t i = 0; i < cmapLength; ++i) {
      auto s = r.take(static_cast<uint64_t>(entry));
      const uint32_t idx = cmapFirst + i;
      if (idx < 256) palette[idx] = colourOf(s.data(), cmapBits);
    }
  }
  const int bytesPerPixel = (depth + 7) / 8;
  const int outBpp = base == 2 ? 24 : 8;
  Bitmap::checkedSize(width, height, outBpp);
  const uint64_t total = static_cast<uint64_t>(width) * height * bytesPerPixel;
  // A run packet of 1 + bytesPerPixel bytes gives at most 128 pixels.
  if (rle ? total > (r.remaining() + 1) * 128 : total > r.remaining()) r.damaged("pixel data is truncated");

  std::vector<uint8_t> px(static_cast<std::size_t>(total));
  if (!rle) {
    auto s = r.take(total);
    std::memcpy(px.data(), s.data(), s.size());
  } else {
    std::size_t o = 0;
    const auto bpp = static_cast<std::size_t>(bytesPerPixel);
    while (o < px.size()) {
      if (r.atEnd()) r.damaged("run-length data is truncated");
      const uint8_t head = r.u8();
      const std::size_t count = (head & 0x7F) + 1u;
      const std::size_t n = std::min(count, (px.size() - o) / bpp);
      if (head & 0x80) {
        auto v = r.take(bpp);
        for (std::size_t i = 0; i < n; ++i) std::memcpy(px.data() + o + i * bpp, v.data(), bpp);
      } else {
        auto v = r.take(count * bpp);
        std::memcpy(px.data() + o, v.data(), n * bpp);
      }
      o += n * bpp;
      if (n < count) break;  // a packet running past the picture is cut at its end
    }
  }
  Bitmap b(width, height, outBpp);
  if (base == 1) b.palette() = palette;
  const bool topDown = descriptor & 0x20;
  const bool rightToLeft = descriptor & 0x10;
  for (int y = 0; y < height; ++y) {
    const int srcRow = topDown ? y : height - 1 - y;
    const uint8_t* s = px.data() + static_cast<std::size_t>(srcRow) * width * bytesPerPixel;
    uint8_t* d = b.row(y);
    for (int x = 0; x < width; ++x) {
      const int sx = rightToLeft ? width - 1 - x : x;
      const uint8_t* p = s + static_cast<std::size_t>(sx) * bytesPerPixel;
      if (outBpp == 8) {
        d[x] = p[0];
      } else {
        const QRgb c = colourOf(p, depth);
        d[x * 3] = static_cast<uint8_t>(qBlue(c));
        d[x * 3 + 1] = static_cast<uint8_t>(qGreen(c));
        d[x * 3 + 2] = static_cast<uint8_t>(qRed(c));
      }
    }
  }
  return b;
}

std::vector<uint8_t> encodeTga(const Bitmap& src, bool rle) {
  if (src.isNull()) fail(kErrNoImage, QStringLiteral("No picture to save"));
  if (src.width() > 65535 || src.height() > 65535) fail(kErrWrite, QStringLiteral("TGA: picture too large"));
  // Palette pictures go as 8-bit colour-mapped (grey ones as grey), colour as 24-bit; top-down rows.
  Bitmap b = src.bitsPerPixel() == 24 ? src : src.isGray() ? src.toGray8() : Bitmap();
  bool mapped = false;
  if (b.isNull()) {
    b = Bitmap(src.width(), src.height(), 8);
    b.palette() = src.palette();
    b.palette().resize(256, qRgb(0, 0, 0));
    for (int32_t y = 0; y < src.height(); ++y)
      for (int32_t x = 0; x < src.width(); ++x) b.row(y)[x] = static_cast<uint8_t>(src.index(x, y));
    mapped = true;
  }
  const int bpp = b.bitsPerPixel() / 8;
  std::vector<uint8_t> out;
  ByteWriter w(out, true);
  w.u8(0);
  w.u8(mapped ? 1 : 0);
  w.u8(static_cast<uint8_t>((mapped ? 1 : bpp == 3 ? 2 : 3) + (rle ? 8 : 0)));
  w.u16(0);
  w.u16(mapped ? 256 : 0);
  w.u8(mapped ? 24 : 0);
  w.u16(0);
  w.u16(0);
  w.u16(static_cast<uint16_t>(b.width()));
  w.u16(static_cast<uint16_t>(b.height()));
  w.u8(static_cast<uint8_t>(bpp * 8));
  w.u8(0x20);
  if (mapped)
    for (QRgb c : b.palette()) {
      w.u8(static_cast<uint8_t>(qBlue(c)));
      w.u8(static_cast<uint8_t>(qGreen(c)));
      w.u8(static_cast<uint8_t>(qRed(c)));
    }
  for (int32_t y = 0; y < b.height(); ++y) {
    const uint8_t* s = b.row(y);
    if (!rle) {
      w.bytes(s, static_cast<std::size_t>(b.width()) * bpp);
      continue;
    }
    int32_t x = 0;
    while (x < b.width()) {
      int32_t run = 1;
      while (x + run < b.width() && run < 128 && std::memcmp(s + (x + run) * bpp, s + x * bpp, static_cast<std::size_t>(bpp)) == 0) ++run;
      if (run > 1) {
        w.u8(static_cast<uint8_t>(0x80 | (run - 1)));
        w.bytes(s + x * bpp, static_cast<std::size_t>(bpp));
        x += run;
        continue;
      }
      int32_t raw = 1;
      while (x + raw < b.width() && raw < 128 &&
             (x + raw + 1 >= b.width() || std::memcmp(s + (x + raw) * bpp, s + (x + raw + 1) * bpp, static_cast<std::size_t>(bpp)) != 0))
        ++raw;
      w.u8(static_cast<uint8_t>(raw - 1));
      w.bytes(s + x * bpp, static_cast<std::size_t>(raw) * bpp);
      x += raw;
    }
  }
  return out;
}

}  // namespace img
