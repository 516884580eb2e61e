// PBM, PGM and PPM, plain text and raw.
#include "controls/imaging/byte_io.h"
#include "controls/imaging/codec.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace img {

namespace {

// Reads a decimal number after whitespace and comments; refuses values above limit.
uint32_t number(ByteReader& r, uint32_t limit) {
  while (true) {
    if (r.atEnd()) r.damaged("file is truncated");
    const uint8_t c = r.u8();
    if (c == '#') {
      while (!r.atEnd() && r.u8() != '\n') {
      }
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') continue;
    if (c < '0' || c > '9') r.damaged("number expected");
    uint64_t v = c - '0';
    while (!r.atEnd()) {
      const uint8_t d = r.data()[r.pos()];
      if (d < '0' || d > '9') break;
      r.u8();
      v = v * 10 + (d - '0');
      if (v > limit) r.damaged("value out of range");
    }
    if (v > limit) r.damaged("value out of range");
    return static_cast<uint32_t>(v);
  }
}

// A plain PBM digit: single characters, separators optional.
uint32_t bit(ByteReader& r) {
  while (true) {
    if (r.atEnd()) r.damaged("file is truncated");
    const uint8_t c = r.u8();
    if (c == '0' || c == '1') return c - '0';
    if (c == '#') {
      while (!r.atEnd() && r.u8() != '\n') {
      }
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') continue;
    r.damaged("bit expected");
  }
}

}  // namespace

Bitmap decodePnm(std::span<const uint8_t> data, int16_t* formatOut) {
  ByteReader r(data, "PNM");
  if (r.u8() != 'P') r.damaged("not a portable anymap");
  const int kind = r.u8() - '0';
  if (kind < 1 || kind > 6) r.damaged("unknown kind");
  const bool raw = kind >= 4;
  const int family = raw ? kind - 3 : kind;  // 1 bitmap, 2 graymap, 3 pixmap
  if (formatOut) *formatOut = family == 1 ? kFormatPbm : family == 2 ? kFormatPgm : kFormatPpm;
  const uint32_t w = number(r, kMaxDimension), h = number(r, kMaxDimension);
  if (w == 0 || h == 0) r.damaged("invalid size");
  const uint32_t maxval = family == 1 ? 1 : number(r, 65535);
  if (maxval == 0) r.damaged("maximum value is zero");
  const int outBpp = family == 1 ? 1 : family == 2 ? 8 : 24;
  Bitmap::checkedSize(w, h, outBpp);
  const int samples = family == 3 ? 3 : 1;
  const int sampleBytes = maxval > 255 ? 2 : 1;
  const uint64_t count = static_cast<uint64_t>(w) * h * samples;
  if (raw) {
    if (r.atEnd()) r.damaged("file is truncated");
    r.u8();  // the single whitespace before the pixels
    const uint64_t need = family == 1 ? static_cast<uint64_t>((w + 7) / 8) * h : count * sampleBytes;
    if (need > r.remaining()) r.damaged("pixel data is truncated");
  } else if (count > r.remaining()) {
    r.damaged("pixel data is truncated");  // every plain sample takes at least one character
  }
  Bitmap b(static_cast<int32_t>(w), static_cast<int32_t>(h), outBpp);
  if (family == 1) {
    b.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
    for (uint32_t y = 0; y < h; ++y) {
      uint8_t* d = b.row(static_cast<int32_t>(y));
      if (raw) {
        auto s = r.take((w + 7) / 8);
        std::memcpy(d, s.data(), s.size());
      } else {
        for (uint32_t x = 0; x < w; ++x)
          if (bit(r)) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
    return b;
  }
  auto sample = [&]() -> uint8_t {
    uint32_t v;
    if (!raw) v = number(r, maxval);
    else if (sampleBytes == 2) {
      const uint8_t hi = r.u8();
      v = static_cast<uint32_t>(hi << 8 | r.u8());
    } else {
      v = r.u8();
    }
    v = std::min(v, maxval);
    return static_cast<uint8_t>((v * 255 + maxval / 2) / maxval);
  };
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* d = b.row(static_cast<int32_t>(y));
    for (uint32_t x = 0; x < w; ++x) {
      if (family == 2) {
        d[x] = sample();
      } else {
        d[x * 3 + 2] = sample();
        d[x * 3 + 1] = sample();
        d[x * 3] = sample();
      }
    }
  }
  return b;
}

std::vector<uint8_t> encodePnm(const Bitmap& src, int16_t kind, bool ascii) {
  if (src.isNull()) fail(kErrNoImage, QStringLiteral("No picture to save"));
  const int family = kind == kFormatPbm ? 1 : kind == kFormatPgm ? 2 : 3;
  std::string head = "P" + std::to_string(family + (ascii ? 0 : 3)) + "\n" + std::to_string(src.width()) + " " +
                     std::to_string(src.height()) + "\n" + (family == 1 ? "" : "255\n");
  std::vector<uint8_t> out(head.begin(), head.end());
  std::string line;
  auto emit = [&](const std::string& token) {
    if (line.size() + token.size() + 1 > 70) {
      line += '\n';
      out.insert(out.end(), line.begin(), line.end());
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += token;
  };
  const Bitmap b = family == 3 ? src.toColor24() : src.toGray8();
  for (int32_t y = 0; y < b.height(); ++y) {
    const uint8_t* s = b.row(y);
    if (family == 1) {
      std::vector<uint8_t> packed(static_cast<std::size_t>((b.width() + 7) / 8), 0);
      for (int32_t x = 0; x < b.width(); ++x) {
        const bool black = s[x] < 128;
        if (ascii) emit(black ? "1" : "0");
        else if (black) packed[static_cast<std::size_t>(x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
      if (!ascii) out.insert(out.end(), packed.begin(), packed.end());
    } else if (family == 2) {
      if (ascii)
        for (int32_t x = 0; x < b.width(); ++x) emit(std::to_string(s[x]));
      else
        out.insert(out.end(), s, s + b.width());
    } else {
      for (int32_t x = 0; x < b.width(); ++x) {
        const uint8_t rgb[3] = {s[x * 3 + 2], s[x * 3 + 1], s[x * 3]};
        if (ascii)
          for (uint8_t v : rgb) emit(std::to_string(v));
        else
          out.insert(out.end(), rgb, rgb + 3);
      }
    }
  }
  if (ascii) {
    line += '\n';
    out.insert(out.end(), line.begin(), line.end());
  }
  return out;
}

}  // namespace img
