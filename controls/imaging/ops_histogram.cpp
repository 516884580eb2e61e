// Histograms of the red, green and blue channels.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/pixel_ops.h"
#include "controls/imaging/row_kernels.h"

#include <mutex>
#include <numeric>

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

std::array<uint64_t, 256> ops::luminanceHistogram(const Bitmap& b) {
  std::array<uint64_t, 256> hist{};
  if (b.isNull()) return hist;
  if (b.bitsPerPixel() == 24) {
    // Each block of rows counts into its own histograms, merged afterwards. Within a block four
    // histograms are taken in turn: runs of one colour would otherwise wait on the same counter.
    std::mutex merge;
    const int32_t w = b.width();
    forRowBlocks(b, [&](int32_t first, int32_t last) {
      std::array<std::array<uint64_t, 256>, 4> part{};
      std::vector<uint8_t> lum(static_cast<std::size_t>(w));
      for (int32_t y = first; y < last; ++y) {
        rows::luminance(b.row(y), lum.size(), lum.data());
        const uint8_t* p = lum.data();
        int32_t x = 0;
        for (; x + 4 <= w; x += 4, p += 4)
          for (int k = 0; k < 4; ++k) ++part[static_cast<std::size_t>(k)][p[k]];
        for (; x < w; ++x, ++p) ++part[0][*p];
      }
      const std::lock_guard<std::mutex> lock(merge);
      for (const auto& h : part)
        for (std::size_t i = 0; i < 256; ++i) hist[i] += h[i];
    });
    return hist;
  }
  // Count the palette indexes, then give each index's count to its colour's luminance.
  const std::vector<uint64_t> counts = indexCounts(b);
  for (std::size_t i = 0; i < counts.size(); ++i) {
    const QRgb c = b.palette()[i];
    hist[static_cast<std::size_t>(luminance(qRed(c), qGreen(c), qBlue(c)))] += counts[i];
  }
  const uint64_t total = static_cast<uint64_t>(b.width()) * static_cast<uint64_t>(b.height());
  hist[0] += total - std::accumulate(counts.begin(), counts.end(), uint64_t{0});
  return hist;
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
