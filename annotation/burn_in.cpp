// Burn-in: every layer drawn over the host's picture into a new packed device-independent bitmap
// of 1, 4, 8 or 24 bits, with the colour-table rules of the target depth.
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "annotation/engine.h"
#include "annotation/engine_guard.h"
#include "platform/graphics/gdi.h"

using namespace ann_detail;

namespace {

uint32_t coloursOf(int bits) {
  switch (bits) {
    case 1: return 2;
    case 2: return 4;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

uint32_t rowBytes(int bits, int32_t width) {
  uint64_t bytes = (uint64_t(width) * uint64_t(bits) + 7) / 8;
  return uint32_t((bytes + 3) & ~uint64_t(3));
}

// The 16 colours of a 4-bit target when the source has fewer.
constexpr std::array<QRgb, 16> kSixteen = {
    qRgb(0, 0, 0),     qRgb(128, 0, 0),   qRgb(255, 0, 0),     qRgb(0, 128, 0),   qRgb(128, 128, 0), qRgb(0, 255, 0),
    qRgb(255, 255, 0), qRgb(0, 0, 128),   qRgb(128, 0, 128),   qRgb(0, 128, 128), qRgb(128, 128, 128),
    qRgb(192, 192, 192), qRgb(0, 0, 255), qRgb(255, 0, 255),   qRgb(0, 255, 255), qRgb(255, 255, 255)};

// The library's stock palette of 256 colours: the twenty fixed colours of a display at both ends,
// a 6 x 6 x 6 colour cube and a ramp of greys in between.
QList<QRgb> stockPalette() {
  QList<QRgb> p = {qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),     qRgb(128, 128, 0),
                   qRgb(0, 0, 128),     qRgb(128, 0, 128),   qRgb(0, 128, 128),   qRgb(192, 192, 192),
                   qRgb(192, 220, 192), qRgb(166, 202, 240)};
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p.append(qRgb(r * 51, g * 51, b * 51));
  for (int i = 1; i <= 20; ++i) p.append(qRgb(i * 12, i * 12, i * 12));
  p += {qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128), qRgb(255, 0, 0), qRgb(0, 255, 0),
        qRgb(255, 255, 0),   qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255), qRgb(255, 255, 255)};
  return p;
}

// The colour table of the target: a standard one when the source has fewer colours, else the
// first entries of the source's own. defined: how many of its entries the source gave (the rest
// of the table is padding that a writer filled with black).
QList<QRgb> targetPalette(int bits, const plat::BITMAPINFOHEADER& source, const uint8_t* sourceTable, uint32_t sourceColours,
                          int* defined) {
  uint32_t want = coloursOf(bits);
  QList<QRgb> table;
  if (want == 0) return table;
  uint32_t have = coloursOf(source.biBitCount);
  if (have < want) {
    if (bits == 8) table = stockPalette();
    else if (bits == 4) table = QList<QRgb>(kSixteen.begin(), kSixteen.end());
    else table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    *defined = int(table.size());
    return table;
  }
  for (uint32_t i = 0; i < want; ++i) {
    const uint8_t* e = sourceTable + 4 * i;
    table.append(qRgb(e[2], e[1], e[0]));
  }
  *defined = int(std::min(want, sourceColours));
  return table;
}

int distance2(QRgb a, QRgb b) {
  const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
  return r * r + g * g + bl * bl;
}

// A colour as the eye tells colours apart: its lightness (CIE L*, 0 to 100) and its hue as a
// direction in the a*b* plane, as long as the colour is saturated (chroma 20 and more) and shorter
// the greyer it is, down to none for a grey.
struct Looks {
  double lightness = 0, hueA = 0, hueB = 0;
};

double linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

Looks looksOf(QRgb c) {
  const double r = linear(qRed(c)), g = linear(qGreen(c)), b = linear(qBlue(c));
  const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
  const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
  const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
  const double a = 500 * (f(x) - f(y)), bb = 200 * (f(y) - f(z));
  const double chroma = std::hypot(a, bb);
  constexpr double kSaturated = 20;
  Looks l;
  l.lightness = 116 * f(y) - 16;
  if (chroma > 0) {
    const double length = std::min(1.0, chroma / kSaturated) / chroma;
    l.hueA = a * length;
    l.hueB = bb * length;
  }
  return l;
}

// How far apart two colours look in hue and lightness: a hue a quarter turn away (or a colour
// against a grey) counts as much as a lightness 100 apart, the whole range from black to white.
double lookDistance(const Looks& m, const Looks& e) {
  const double dl = m.lightness - e.lightness;
  const double dh = 100 * std::hypot(m.hueA - e.hueA, m.hueB - e.hueB) / std::sqrt(2.0);
  return dl * dl + dh * dh;
}

// The colours that the annotations drew, in a table of few colours. A colour the table holds
// keeps its entry. Another one that stands apart from the page's background takes, while there
// are any, a free entry of the table (one that no pixel of the page uses and that only repeats an
// earlier entry or pads the table), the colours drawn most first; then the entry nearest in hue
// and lightness among those that stand apart from the background, so that a light grey mark
// becomes a darker grey rather than a colour, and on a bilevel page every mark that is not of the
// paper's colour becomes ink. A colour near the background takes the nearest entry: it is paper.
class MarkColours {
 public:
  MarkColours(QList<QRgb>& table, QRgb background) : table_(table), background_(background) {
    for (QRgb entry : table_) looks_.push_back(looksOf(entry));
  }

  void Assign(QRgb colour, std::vector<int>& freeEntries) {
    auto [it, fresh] = chosen_.try_emplace(colour, uint8_t(0));
    if (!fresh) return;
    if (const int exact = int(table_.indexOf(colour)); exact >= 0) {
      // An entry that pads the table (black) is taken for good: another mark must not make it its
      // own colour.
      std::erase(freeEntries, exact);
      it->second = uint8_t(exact);
      return;
    }
    if (NearBackground(colour)) {
      it->second = uint8_t(Nearest(colour));
      return;
    }
    if (!freeEntries.empty()) {
      const int entry = freeEntries.front();
      freeEntries.erase(freeEntries.begin());
      table_[entry] = colour;
      looks_[std::size_t(entry)] = looksOf(colour);
      it->second = uint8_t(entry);
      return;
    }
    const Looks mark = looksOf(colour);
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < table_.size(); ++i) {
      if (NearBackground(table_[i])) continue;
      const double d = lookDistance(mark, looks_[std::size_t(i)]);
      if (best < 0 || d < bestDistance) best = i, bestDistance = d;
    }
    it->second = uint8_t(best >= 0 ? best : Nearest(colour));
  }

  uint8_t IndexOf(QRgb colour) const { return chosen_.at(colour); }

 private:
  // Closer than this to the background a colour does not show on it.
  static constexpr int kApart = 48 * 48;
  bool NearBackground(QRgb c) const { return distance2(c, background_) < kApart; }
  int Nearest(QRgb colour) const {
    int best = 0, bestDistance = -1;
    for (int i = 0; i < table_.size(); ++i) {
      const int d = distance2(colour, table_[i]);
      if (bestDistance < 0 || d < bestDistance) best = i, bestDistance = d;
    }
    return best;
  }

  QList<QRgb>& table_;
  std::vector<Looks> looks_;
  QRgb background_;
  std::unordered_map<QRgb, uint8_t> chosen_;
};

// The indexed picture of the canvas: pixels of the page take the nearest colour of the table,
// without dithering, so that annotations keep clean edges; pixels the annotations changed take
// their colour through MarkColours, against the background of the page (its most frequent
// colour among the pixels no annotation covers). The table may gain the marks' colours in its
// free entries (mayAdd; defined: how many entries the page's table gave).
QImage IndexedCanvas(const QImage& canvas, const QImage& page, QList<QRgb>& palette, int defined, bool mayAdd) {
  QImage indexed = canvas.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither | Qt::AvoidDither);
  const int32_t width = canvas.width(), height = canvas.height();
  std::array<uint64_t, 256> uses{};
  std::unordered_map<QRgb, uint64_t> drawn;
  // Marks are drawn in runs of one colour: a run is counted once it ends.
  QRgb run = 0;
  uint64_t runLength = 0;
  for (int32_t y = 0; y < height; ++y) {
    const auto* now = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
    const auto* was = reinterpret_cast<const QRgb*>(page.constScanLine(y));
    const uchar* index = indexed.constScanLine(y);
    for (int32_t x = 0; x < width; ++x) {
      if (now[x] == was[x]) {
        ++uses[index[x]];
      } else if (const QRgb c = now[x] | 0xFF000000u; runLength > 0 && c == run) {
        ++runLength;
      } else {
        if (runLength > 0) drawn[run] += runLength;
        run = c;
        runLength = 1;
      }
    }
  }
  if (runLength > 0) drawn[run] += runLength;
  if (drawn.empty()) return indexed;
  const auto most = std::max_element(uses.begin(), uses.begin() + palette.size());
  // A page covered all over has no paper left to see: its lightest colour stands for it.
  QRgb background = palette[int(most - uses.begin())];
  if (*most == 0)
    background = *std::max_element(palette.begin(), palette.end(),
                                   [](QRgb a, QRgb b) { return qGray(a) < qGray(b); });
  std::vector<int> freeEntries;
  for (int i = 0; mayAdd && i < palette.size(); ++i)
    if (uses[std::size_t(i)] == 0 && (i >= defined || palette.indexOf(palette[i]) < i)) freeEntries.push_back(i);
  // The colours drawn most take the free entries first: the edges of a shape, in shades of their
  // own, must not use them up.
  std::vector<std::pair<QRgb, uint64_t>> colours(drawn.begin(), drawn.end());
  std::sort(colours.begin(), colours.end(),
            [](const auto& a, const auto& b) { return a.second != b.second ? a.second > b.second : a.first < b.first; });
  MarkColours marks(palette, background);
  for (const auto& [colour, count] : colours) marks.Assign(colour, freeEntries);
  QRgb last = colours.front().first;
  uchar lastIndex = marks.IndexOf(last);
  for (int32_t y = 0; y < height; ++y) {
    const auto* now = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
    const auto* was = reinterpret_cast<const QRgb*>(page.constScanLine(y));
    uchar* index = indexed.scanLine(y);
    for (int32_t x = 0; x < width; ++x) {
      if (now[x] == was[x]) continue;
      const QRgb c = now[x] | 0xFF000000u;
      if (c != last) last = c, lastIndex = marks.IndexOf(c);
      index[x] = lastIndex;
    }
  }
  return indexed;
}

}  // namespace

plat::HGLOBAL AnnEngine::RenderIntoBitmap(int bits, plat::HGLOBAL source) {
  std::size_t sourceSize = plat::PackedDibSizeInBlock(source);
  if (!sourceSize) return nullptr;
  plat::BITMAPINFOHEADER sh;
  std::vector<uint8_t> sourceTable;
  uint32_t sourceColours = 0;
  {
    auto* p = static_cast<const uint8_t*>(plat::GlobalLock(source));
    if (!p) return nullptr;
    std::memcpy(&sh, p, sizeof sh);
    uint32_t n = coloursOf(sh.biBitCount);
    if (sh.biClrUsed && sh.biClrUsed < n) n = sh.biClrUsed;
    sourceColours = n;
    sourceTable.assign(p + sizeof sh, p + sizeof sh + 4 * n);
    sourceTable.resize(4 * coloursOf(sh.biBitCount), 0);
    plat::GlobalUnlock(source);
  }
  QImage canvas;
  if (!plat::ImageFromPackedDib(source, &canvas)) return nullptr;
  canvas = canvas.convertToFormat(QImage::Format_RGB32);
  const int32_t width = canvas.width(), height = canvas.height();
  if (canvas.isNull() || width <= 0 || height <= 0) return nullptr;
  // The page as it was, to tell the annotations' pixels from the page's at a depth with a table.
  QImage page;
  if (bits != 24) {
    page = canvas.copy();
    if (page.isNull()) return nullptr;
  }

  {
    QPainter painter(&canvas);
    plat::HDC dc = plat::CreatePainterDC(&painter);
    if (!dc) return nullptr;
    // The view spans the picture exactly, so that a page pixel lands on the same bitmap pixel.
    plat::RECT r{0, 0, width, height};
    renderIntoBitmap_ = true;
    view_.SetHandlesHidden(true);
    Draw(dc, &r, &r, 0, 0, 0, 0);
    view_.SetHandlesHidden(false);
    renderIntoBitmap_ = false;
    view_.MarkStale();
    plat::DeleteDC(dc);
  }

  int defined = 0;
  QList<QRgb> palette = targetPalette(bits, sh, sourceTable.data(), sourceColours, &defined);
  // The marks' colours may take free entries of the table: it is written once they have.
  QImage indexed;
  if (bits != 24) {
    // A bilevel page stays black and white.
    indexed = IndexedCanvas(canvas, page, palette, defined, bits > 1);
    if (indexed.isNull()) return nullptr;
  }
  const uint32_t stride = rowBytes(bits, width);
  plat::BITMAPINFOHEADER th;
  th.biWidth = width;
  th.biHeight = height;
  th.biBitCount = uint16_t(bits);
  th.biSizeImage = uint32_t(uint64_t(stride) * uint64_t(height));
  const std::size_t tableBytes = 4 * std::size_t(palette.size());
  const std::size_t total = sizeof th + tableBytes + std::size_t(th.biSizeImage);
  plat::HGLOBAL target = plat::GlobalAlloc(plat::GHND, total);
  auto* out = static_cast<uint8_t*>(plat::GlobalLock(target));
  if (!out) {
    plat::GlobalFree(target);
    return nullptr;
  }
  std::memcpy(out, &th, sizeof th);
  uint8_t* table = out + sizeof th;
  for (int i = 0; i < palette.size(); ++i) {
    table[4 * i + 0] = uint8_t(qBlue(palette[i]));
    table[4 * i + 1] = uint8_t(qGreen(palette[i]));
    table[4 * i + 2] = uint8_t(qRed(palette[i]));
  }
  uint8_t* pixels = table + tableBytes;
  if (bits == 24) {
    for (int32_t y = 0; y < height; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(height - 1 - y));
      uint8_t* dst = pixels + uint64_t(y) * stride;
      for (int32_t x = 0; x < width; ++x) {
        dst[3 * x + 0] = uint8_t(qBlue(line[x]));
        dst[3 * x + 1] = uint8_t(qGreen(line[x]));
        dst[3 * x + 2] = uint8_t(qRed(line[x]));
      }
    }
  } else {
    for (int32_t y = 0; y < height; ++y) {
      const uchar* line = indexed.constScanLine(height - 1 - y);
      uint8_t* dst = pixels + uint64_t(y) * stride;
      if (bits == 8) {
        std::memcpy(dst, line, std::size_t(width));
      } else if (bits == 4) {
        for (int32_t x = 0; x < width; ++x) dst[x / 2] |= uint8_t((line[x] & 0x0F) << (x % 2 ? 0 : 4));
      } else {
        for (int32_t x = 0; x < width; ++x)
          if (line[x] & 1) dst[x / 8] |= uint8_t(0x80 >> (x % 8));
      }
    }
  }
  plat::GlobalUnlock(target);
  return target;
}

int32_t AnnEngine::BurnInLayers(int32_t bitsPerPixel) {
  return guardedCode([&]() -> int32_t {
    if (layers_.empty()) return ANN_OK;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24) return ERR_BAD_VALUE;
    // Both callbacks are needed: a picture rendered for nobody would only be thrown away.
    if (!imageSource_ || !imageResult_) return ERR_NO_IMAGE_SOURCE;
    plat::HGLOBAL source = nullptr;
    int32_t freeAfterUse = 0;
    imageSource_(auxCookie_, &source, &freeAfterUse);
    if (!source) return ERR_NO_IMAGE;
    plat::HGLOBAL target = RenderIntoBitmap(bitsPerPixel, source);
    if (freeAfterUse) plat::GlobalFree(source);
    if (!target) return ERR_RENDER_FAILED;
    return imageResult_(auxCookie_, target);
  });
}
