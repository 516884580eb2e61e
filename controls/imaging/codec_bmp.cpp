// BMP/DIB files and the packed device-independent bitmap of the bitmap handle.
#include "controls/imaging/byte_io.h"
#include "controls/imaging/codec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace img {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

struct MaskChannel {
  int shift = 0;
  int bits = 0;
  uint8_t get(uint32_t v, uint32_t mask) const {
    if (bits == 0) return 0;
    const uint32_t x = (v & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(x >> (bits - 8));
    const uint32_t max = (1u << bits) - 1;
    return static_cast<uint8_t>((x * 255 + max / 2) / max);
  }
};

MaskChannel channelOf(uint32_t mask) {
  MaskChannel c;
  if (mask == 0) return c;
  c.shift = std::countr_zero(mask);
  c.bits = std::popcount(mask);
  return c;
}

void decodeRle(ByteReader& r, Bitmap& b, bool rle4, bool& truncated) {
  // Rows are stored bottom-up; every run is clamped against the row and the picture.
  int32_t x = 0;
  int32_t yUp = 0;  // row counted from the bottom
  const int32_t w = b.width(), h = b.height();
  auto put = [&](uint32_t v) {
    if (x < w && yUp < h) b.setIndex(x, h - 1 - yUp, v);
    ++x;
  };
  while (yUp < h) {
    if (r.remaining() < 2) {
      truncated = true;
      return;
    }
    const uint8_t count = r.u8();
    const uint8_t value = r.u8();
    if (count > 0) {
      for (int i = 0; i < count && x < w; ++i) put(rle4 ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++yUp;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // delta
      if (r.remaining() < 2) {
        truncated = true;
        return;
      }
      x += r.u8();
      yUp += r.u8();
    } else {  // absolute run of value pixels, padded to a 16-bit boundary
      const int n = value;
      const std::size_t bytes = rle4 ? static_cast<std::size_t>((n + 1) / 2) : static_cast<std::size_t>(n);
      if (r.remaining() < bytes) {
        truncated = true;
        return;
      }
      auto s = r.take(bytes);
      for (int i = 0; i < n; ++i) put(rle4 ? ((i & 1) ? (s[i / 2] & 0x0F) : (s[i / 2] >> 4)) : s[i]);
      if (bytes & 1) {
        if (r.atEnd()) return;
        r.u8();
      }
    }
  }
}

// The DIB at the start of data; bitsOffset, when non-zero, is where the rows start in data.
Bitmap decodeDib(std::span<const uint8_t> data, uint64_t bitsOffset, const char* format) {
  ByteReader r(data, format);
  const uint32_t headerSize = r.u32le();
  int64_t width = 0, height = 0;
  uint16_t bpp = 0;
  uint32_t compression = kBiRgb, clrUsed = 0;
  int32_t xppm = 0, yppm = 0;
  bool core = false;
  uint32_t masks[3] = {0, 0, 0};
  if (headerSize == 12) {
    core = true;
    width = r.u16le();
    height = r.u16le();
    r.u16le();
    bpp = r.u16le();
  } else if (headerSize >= 40 && headerSize <= 256) {
    width = r.i32le();
    height = r.i32le();
    r.u16le();
    bpp = r.u16le();
    compression = r.u32le();
    r.u32le();
    xppm = r.i32le();
    yppm = r.i32le();
    clrUsed = r.u32le();
    r.u32le();
    if (headerSize >= 52) {
      masks[0] = r.u32le();
      masks[1] = r.u32le();
      masks[2] = r.u32le();
    }
    r.seek(headerSize);
    if (compression == kBiBitfields && headerSize == 40) {
      masks[0] = r.u32le();
      masks[1] = r.u32le();
      masks[2] = r.u32le();
    }
  } else {
    r.damaged("unknown header size");
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) r.damaged("unsupported bit depth");
  if (width <= 0 || height == 0 || height == INT32_MIN) r.damaged("invalid size");
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (compression == kBiRle8 && bpp != 8) r.damaged("RLE8 needs 8 bits per pixel");
  if (compression == kBiRle4 && bpp != 4) r.damaged("RLE4 needs 4 bits per pixel");
  if (compression == kBiBitfields && bpp != 16 && bpp != 32) r.damaged("bit fields need 16 or 32 bits");
  if (compression > kBiBitfields) r.damaged("unsupported compression");
  if (topDown && (compression == kBiRle4 || compression == kBiRle8)) r.damaged("top-down RLE");

  // Palette.
  uint64_t paletteCount = clrUsed;
  if (bpp <= 8) {
    if (paletteCount == 0 || core) paletteCount = 1u << bpp;
    if (paletteCount > (1u << bpp)) r.damaged("palette too large");
  } else if (paletteCount > 256) {
    r.damaged("palette too large");
  }
  const int entry = core ? 3 : 4;
  std::vector<QRgb> palette;
  for (uint64_t i = 0; i < paletteCount; ++i) {
    auto s = r.take(static_cast<uint64_t>(entry));
    palette.push_back(qRgb(s[2], s[1], s[0]));
  }
  if (bitsOffset) r.seek(bitsOffset);

  const int outBpp = bpp <= 8 ? bpp : 24;
  const std::size_t outBytes = Bitmap::checkedSize(width, height, outBpp);
  const int64_t srcStride = ((width * bpp + 31) / 32) * 4;
  const bool rle = compression == kBiRle8 || compression == kBiRle4;
  if (!rle && static_cast<uint64_t>(srcStride) * static_cast<uint64_t>(height) > r.remaining())
    r.damaged("pixel data is truncated");
  if (rle && outBytes > (r.remaining() + 1024) * 1024) r.damaged("run-length data too short for the size");

  Bitmap b(static_cast<int32_t>(width), static_cast<int32_t>(height), outBpp);
  if (outBpp <= 8) {
    palette.resize(std::size_t(1) << outBpp, qRgb(0, 0, 0));
    b.palette() = palette;
  }
  if (xppm > 0 && yppm > 0) {
    b.resolutionUnit = kUnitInch;
    b.resolutionX = std::round(xppm * 0.0254);
    b.resolutionY = std::round(yppm * 0.0254);
  }
  if (rle) {
    bool truncated = false;
    decodeRle(r, b, compression == kBiRle4, truncated);
    return b;  // a run-length stream cut short keeps what it had; the rest stays index 0
  }
  const uint8_t* src = r.data() + r.pos();
  if (bpp == 16 && compression != kBiBitfields) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  }
  if (bpp == 32 && compression != kBiBitfields) {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }
  const MaskChannel cr = channelOf(masks[0]), cg = channelOf(masks[1]), cb = channelOf(masks[2]);
  for (int64_t y = 0; y < height; ++y) {
    const int64_t srcRow = topDown ? y : height - 1 - y;
    const uint8_t* s = src + srcRow * srcStride;
    uint8_t* d = b.row(static_cast<int32_t>(y));
    if (bpp <= 8) {
      std::memcpy(d, s, static_cast<std::size_t>(b.stride()));
    } else if (bpp == 24) {
      std::memcpy(d, s, static_cast<std::size_t>(width) * 3);
    } else {
      for (int64_t x = 0; x < width; ++x) {
        uint32_t v;
        if (bpp == 16) v = static_cast<uint32_t>(s[x * 2] | (s[x * 2 + 1] << 8));
        else v = static_cast<uint32_t>(s[x * 4]) | (static_cast<uint32_t>(s[x * 4 + 1]) << 8) |
                 (static_cast<uint32_t>(s[x * 4 + 2]) << 16) | (static_cast<uint32_t>(s[x * 4 + 3]) << 24);
        d[x * 3] = cb.get(v, masks[2]);
        d[x * 3 + 1] = cg.get(v, masks[1]);
        d[x * 3 + 2] = cr.get(v, masks[0]);
      }
    }
  }
  (void)outBytes;
  return b;
}

}  // namespace

Bitmap fromPackedDib(std::span<const uint8_t> dib) { return decodeDib(dib, 0, "bitmap"); }

Bitmap decodeBmp(std::span<const uint8_t> data) {
  ByteReader r(data, "BMP");
  if (r.u8() != 'B' || r.u8() != 'M') r.damaged("not a BMP file");
  r.u32le();
  r.u32le();
  const uint32_t offBits = r.u32le();
  if (offBits < 14 + 12 || offBits > data.size()) r.damaged("bad pixel offset");
  return decodeDib(data.subspan(14), offBits - 14, "BMP");
}

std::vector<uint8_t> encodeBmp(const Bitmap& b) {
  if (b.isNull()) fail(kErrNoImage, QStringLiteral("No picture to save"));
  std::vector<uint8_t> dib = toPackedDib(b);
  const std::size_t paletteBytes = b.bitsPerPixel() <= 8 ? (std::size_t(4) << b.bitsPerPixel()) : 0;
  std::vector<uint8_t> out;
  out.reserve(dib.size() + 14);
  ByteWriter w(out, true);
  w.u8('B');
  w.u8('M');
  w.u32(static_cast<uint32_t>(dib.size() + 14));
  w.u32(0);
  w.u32(static_cast<uint32_t>(14 + 40 + paletteBytes));
  w.bytes(dib.data(), dib.size());
  return out;
}

}  // namespace img
