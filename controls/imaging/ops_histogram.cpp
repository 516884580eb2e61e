// Histograms of the red, green and blue channels.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/pixel_ops.h"

namespace img {

std::vector<uint64_t> ops::indexCounts(const Bitmap& b) {
  if (b.bitsPerPixel() > 8) return {};
  std::array<uint64_t, 256> all{};
  std::vector<uint8_t> line(static_cast<std::size_t>(b.width()));
  for (int32_t y = 0; y < b.height(); ++y) {
    unpackRow(b, y, line.data());
    for (const uint8_t i : line) ++all[i];
  }
  return std::vector<uint64_t>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(b.palette().size(), 256)));
}

Histograms getHistograms(const Bitmap& b) {
  Histograms h;
  if (b.isNull()) return h;
  if (b.bitsPerPixel() == 24) {
    for (int32_t y = 0; y < b.height(); ++y) {
      const uint8_t* p = b.row(y);
      for (int32_t x = 0; x < b.width(); ++x, p += 3) {
        ++h.blue[p[0]];
        ++h.green[p[1]];
        ++h.red[p[2]];
      }
    }
    return h;
  }
  const std::vector<uint64_t> byIndex = ops::indexCounts(b);
  for (std::size_t i = 0; i < byIndex.size(); ++i) {
    const QRgb c = b.palette()[i];
    const auto n = static_cast<int32_t>(byIndex[i]);
    h.red[static_cast<std::size_t>(qRed(c))] += n;
    h.green[static_cast<std::size_t>(qGreen(c))] += n;
    h.blue[static_cast<std::size_t>(qBlue(c))] += n;
  }
  return h;
}

}  // namespace img
