// PCX and its multi-page form DCX. Every header field is checked before it is used; the decoded
// stream is sized from the width with 64-bit arithmetic, and every run is clamped to it.
#include "controls/imaging/byte_io.h"
#include "controls/imaging/codec.h"

#include <algorithm>
#include <cstring>

namespace img {

namespace {

constexpr uint32_t kDcxMagic = 0x3ADE68B1;
constexpr int kDcxMaxPages = 1023;

const QRgb kEga[16] = {0xFF000000, 0xFF0000AA, 0xFF00AA00, 0xFF00AAAA, 0xFFAA0000, 0xFFAA00AA, 0xFFAA5500, 0xFFAAAAAA,
                       0xFF555555, 0xFF5555FF, 0xFF55FF55, 0xFF55FFFF, 0xFFFF5555, 0xFFFF55FF, 0xFFFFFF55, 0xFFFFFFFF};

// A PCX picture, alone or as a page of a DCX file: damage is reported under the name of the file
// the user opened.
Bitmap decodePcxAs(std::span<const uint8_t> data, const char* format);

}  // namespace

Bitmap decodePcx(std::span<const uint8_t> data) { return decodePcxAs(data, "PCX"); }

namespace {
Bitmap decodePcxAs(std::span<const uint8_t> data, const char* format) {
  ByteReader r(data, format);
  if (data.size() < 128) r.damaged("header is truncated");
  if (r.u8() != 0x0A) r.damaged("not a PCX file");
  const uint8_t version = r.u8();
  const uint8_t encoding = r.u8();
  const uint8_t bitsPerPlane = r.u8();
  const uint16_t xmin = r.u16le(), ymin = r.u16le(), xmax = r.u16le(), ymax = r.u16le();
  const uint16_t hdpi = r.u16le(), vdpi = r.u16le();
  auto headerPalette = r.take(48);
  r.u8();
  const uint8_t planes = r.u8();
  const uint16_t bytesPerLine = r.u16le();
  if (version > 5 || encoding > 1) r.damaged("unknown version or encoding");
  if (xmax < xmin || ymax < ymin) r.damaged("invalid size");
  const int64_t width = int64_t(xmax) - xmin + 1, height = int64_t(ymax) - ymin + 1;
  int outBpp = 0;
  if (bitsPerPlane == 1 && planes == 1) outBpp = 1;
  else if ((bitsPerPlane == 1 && (planes == 2 || planes == 3 || planes == 4)) || (bitsPerPlane == 2 && planes == 1) ||
           (bitsPerPlane == 4 && planes == 1))
    outBpp = 4;
  else if (bitsPerPlane == 8 && planes == 1) outBpp = 8;
  else if (bitsPerPlane == 8 && (planes == 3 || planes == 4)) outBpp = 24;
  else r.damaged("unsupported planes and bits");
  const int64_t minLine = (width * bitsPerPlane + 7) / 8;
  if (bytesPerLine < minLine) r.damaged("line length shorter than the width");
  Bitmap::checkedSize(width, height, outBpp);
  const uint64_t lineBytes = static_cast<uint64_t>(bytesPerLine) * planes;
  const uint64_t total = lineBytes * static_cast<uint64_t>(height);
  const uint64_t body = data.size() - 128;
  // A two-byte run gives at most 63 bytes: a stream too short for the size is refused up front.
  if (encoding == 1 ? total > body * 32 + 64 : total > body) r.damaged("pixel data is truncated");

  // Decode the whole stream, runs allowed across lines, clamped to the buffer.
  std::vector<uint8_t> stream(static_cast<std::size_t>(total));
  r.seek(128);
  if (encoding == 0) {
    auto s = r.take(total);
    std::memcpy(stream.data(), s.data(), s.size());
  } else {
    std::size_t o = 0;
    while (o < stream.size()) {
      if (r.atEnd()) r.damaged("run-length data is truncated");
      uint8_t v = r.u8();
      std::size_t n = 1;
      if ((v & 0xC0) == 0xC0) {
        n = v & 0x3F;
        if (r.atEnd()) r.damaged("run-length data is truncated");
        v = r.u8();
      }
      n = std::min(n, stream.size() - o);
      std::memset(stream.data() + o, v, n);
      o += n;
    }
  }

  Bitmap b(static_cast<int32_t>(width), static_cast<int32_t>(height), outBpp);
  if (hdpi > 0 && vdpi > 0) {
    b.resolutionX = hdpi;
    b.resolutionY = vdpi;
    b.resolutionUnit = kUnitInch;
  }
  if (outBpp == 1) {
    b.palette() = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  } else if (outBpp == 4) {
    std::vector<QRgb> pal(16);
    bool empty = true;
    for (int i = 0; i < 16; ++i) {
      pal[static_cast<std::size_t>(i)] = qRgb(headerPalette[i * 3], headerPalette[i * 3 + 1], headerPalette[i * 3 + 2]);
      if (headerPalette[i * 3] | headerPalette[i * 3 + 1] | headerPalette[i * 3 + 2]) empty = false;
    }
    if (empty) pal.assign(kEga, kEga + 16);
    b.palette() = pal;
  } else if (outBpp == 8) {
    std::vector<QRgb> pal(256);
    if (data.size() >= 128 + 769 && data[data.size() - 769] == 0x0C) {
      const uint8_t* p = data.data() + data.size() - 768;
      for (int i = 0; i < 256; ++i) pal[static_cast<std::size_t>(i)] = qRgb(p[i * 3], p[i * 3 + 1], p[i * 3 + 2]);
      b.palette() = pal;
    } else {
      b.setGrayPalette();
    }
  }
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* line = stream.data() + static_cast<std::size_t>(y) * lineBytes;
    uint8_t* d = b.row(static_cast<int32_t>(y));
    if (outBpp == 1 || outBpp == 8 || (outBpp == 4 && bitsPerPlane == 4)) {
      std::memcpy(d, line, static_cast<std::size_t>(std::min<int64_t>(minLine, b.stride())));
    } else if (outBpp == 4 && bitsPerPlane == 2) {
      for (int64_t x = 0; x < width; ++x) b.setIndex(static_cast<int32_t>(x), static_cast<int32_t>(y), (line[x / 4] >> (6 - 2 * (x % 4))) & 3);
    } else if (outBpp == 4) {
      for (int64_t x = 0; x < width; ++x) {
        uint32_t v = 0;
        for (int p = 0; p < planes; ++p) v |= static_cast<uint32_t>((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p;
        b.setIndex(static_cast<int32_t>(x), static_cast<int32_t>(y), v);
      }
    } else {
      for (int64_t x = 0; x < width; ++x) {
        d[x * 3 + 2] = line[x];
        d[x * 3 + 1] = line[bytesPerLine + x];
        d[x * 3] = line[2 * bytesPerLine + x];
      }
    }
  }
  return b;
}
}  // namespace

namespace {
void rleLine(std::vector<uint8_t>& out, const uint8_t* s, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    std::size_t run = 1;
    while (i + run < n && run < 63 && s[i + run] == s[i]) ++run;
    if (run > 1 || (s[i] & 0xC0) == 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
    out.push_back(s[i]);
    i += run;
  }
}
}  // namespace

std::vector<uint8_t> encodePcx(const Bitmap& src) {
  if (src.isNull()) fail(kErrNoImage, QStringLiteral("No picture to save"));
  // 1-bit pages are written black-is-zero; 4-bit as four planes; 8-bit with its palette; colour as
  // three planes.
  Bitmap b = src;
  int planes = 1, bitsPerPlane = 8;
  if (b.bitsPerPixel() == 1) {
    bitsPerPlane = 1;
    const QRgb c0 = b.palette().size() > 0 ? b.palette()[0] : qRgb(0, 0, 0);
    const QRgb c1 = b.palette().size() > 1 ? b.palette()[1] : qRgb(255, 255, 255);
    if (qGray(c0) > qGray(c1))
      for (auto& v : b.data()) v = static_cast<uint8_t>(~v);
  } else if (b.bitsPerPixel() == 4) {
    bitsPerPlane = 1;
    planes = 4;
  } else if (b.bitsPerPixel() == 24) {
    planes = 3;
  }
  const int32_t w = b.width(), h = b.height();
  uint16_t bytesPerLine = static_cast<uint16_t>((static_cast<int64_t>(w) * bitsPerPlane + 7) / 8);
  if (bytesPerLine & 1) ++bytesPerLine;
  if (w > 65535 || h > 65535) fail(kErrWrite, QStringLiteral("PCX: picture too large"));
  std::vector<uint8_t> out;
  ByteWriter wr(out, true);
  wr.u8(0x0A);
  wr.u8(5);
  wr.u8(1);
  wr.u8(static_cast<uint8_t>(bitsPerPlane));
  wr.u16(0);
  wr.u16(0);
  wr.u16(static_cast<uint16_t>(w - 1));
  wr.u16(static_cast<uint16_t>(h - 1));
  wr.u16(static_cast<uint16_t>(b.resolutionX > 0 && b.resolutionX < 65536 ? b.resolutionX : 0));
  wr.u16(static_cast<uint16_t>(b.resolutionY > 0 && b.resolutionY < 65536 ? b.resolutionY : 0));
  // A 1-bit page names its two colours black and white in the header: readers that take the
  // header's colours for such a page otherwise showed the paper as the EGA table's dark blue.
  for (int i = 0; i < 16; ++i) {
    const QRgb c = b.bitsPerPixel() == 4 && static_cast<std::size_t>(i) < b.palette().size() ? b.palette()[static_cast<std::size_t>(i)]
                   : b.bitsPerPixel() == 1 && i < 2                                           ? (i == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255))
                                                                                              : kEga[i];
    wr.u8(static_cast<uint8_t>(qRed(c)));
    wr.u8(static_cast<uint8_t>(qGreen(c)));
    wr.u8(static_cast<uint8_t>(qBlue(c)));
  }
  wr.u8(0);
  wr.u8(static_cast<uint8_t>(planes));
  wr.u16(bytesPerLine);
  wr.u16(b.bitsPerPixel() == 8 && b.isGray() ? 2 : 1);
  while (out.size() < 128) out.push_back(0);
  std::vector<uint8_t> line(static_cast<std::size_t>(bytesPerLine) * planes);
  for (int32_t y = 0; y < h; ++y) {
    std::fill(line.begin(), line.end(), 0);
    const uint8_t* s = b.row(y);
    if (b.bitsPerPixel() == 4) {
      for (int32_t x = 0; x < w; ++x) {
        const uint32_t v = b.index(x, y);
        for (int p = 0; p < 4; ++p)
          if (v & (1u << p)) line[static_cast<std::size_t>(p) * bytesPerLine + static_cast<std::size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    } else if (b.bitsPerPixel() == 24) {
      for (int32_t x = 0; x < w; ++x) {
        line[static_cast<std::size_t>(x)] = s[x * 3 + 2];
        line[static_cast<std::size_t>(bytesPerLine) + static_cast<std::size_t>(x)] = s[x * 3 + 1];
        line[2 * static_cast<std::size_t>(bytesPerLine) + static_cast<std::size_t>(x)] = s[x * 3];
      }
    } else {
      std::memcpy(line.data(), s, static_cast<std::size_t>((static_cast<int64_t>(w) * bitsPerPlane + 7) / 8));
    }
    for (int p = 0; p < planes; ++p) rleLine(out, line.data() + static_cast<std::size_t>(p) * bytesPerLine, bytesPerLine);
  }
  if (b.bitsPerPixel() == 8) {
    out.push_back(0x0C);
    for (std::size_t i = 0; i < 256; ++i) {
      const QRgb c = i < b.palette().size() ? b.palette()[i] : qRgb(0, 0, 0);
      out.push_back(static_cast<uint8_t>(qRed(c)));
      out.push_back(static_cast<uint8_t>(qGreen(c)));
      out.push_back(static_cast<uint8_t>(qBlue(c)));
    }
  }
  return out;
}

std::vector<std::span<const uint8_t>> dcxPages(std::span<const uint8_t> data) {
  ByteReader r(data, "DCX");
  if (r.u32le() != kDcxMagic) r.damaged("not a DCX file");
  std::vector<uint32_t> offsets;
  for (int i = 0; i < kDcxMaxPages; ++i) {
    const uint32_t off = r.u32le();
    if (off == 0) break;
    offsets.push_back(off);
  }
  const uint64_t tableEnd = 4 + 4 * static_cast<uint64_t>(offsets.size() + 1);
  std::vector<std::span<const uint8_t>> pages;
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    const uint64_t start = offsets[i];
    const uint64_t end = i + 1 < offsets.size() ? offsets[i + 1] : data.size();
    if (start < tableEnd || start >= data.size() || end > data.size() || end <= start) r.damaged("bad page offset");
    pages.push_back(data.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
  }
  return pages;
}

int32_t dcxPageCount(std::span<const uint8_t> data) { return static_cast<int32_t>(dcxPages(data).size()); }

Bitmap decodeDcx(std::span<const uint8_t> data, int32_t page) {
  const auto pages = dcxPages(data);
  if (page < 1 || page > static_cast<int32_t>(pages.size()))
    fail(kErrBadPage, QStringLiteral("DCX: page %1 does not exist (%2 pages)").arg(page).arg(pages.size()));
  return decodePcxAs(pages[static_cast<std::size_t>(page - 1)], "DCX");
}

std::vector<uint8_t> encodeDcx(const std::vector<std::vector<uint8_t>>& pcxPages) {
  if (pcxPages.size() > static_cast<std::size_t>(kDcxMaxPages)) fail(kErrWrite, QStringLiteral("DCX: at most 1023 pages"));
  std::vector<uint8_t> out;
  ByteWriter w(out, true);
  w.u32(kDcxMagic);
  uint64_t at = 4 + 4 * (pcxPages.size() + 1);
  for (const auto& p : pcxPages) {
    if (at > 0xFFFFFFFFu) fail(kErrWrite, QStringLiteral("DCX: file too large"));
    w.u32(static_cast<uint32_t>(at));
    at += p.size();
  }
  w.u32(0);
  for (const auto& p : pcxPages) w.bytes(p.data(), p.size());
  return out;
}

}  // namespace img
