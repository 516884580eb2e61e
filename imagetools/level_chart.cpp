#include "imagetools/level_chart.h"

#include "runtime/conversions.h"

#include <algorithm>
#include <array>

namespace tools {

std::vector<QLine> levelBars(const img::Histograms& h, LevelChannel channel, double widthTwips, double heightTwips,
                             double tpx, double tpy) {
  std::vector<QLine> lines;
  // Counts of a large page added over three channels outgrow 32 bits.
  std::array<int64_t, 256> count{};
  for (std::size_t k = 0; k < count.size(); ++k) {
    switch (channel) {
      case LevelChannel::Red: count[k] = h.red[k]; break;
      case LevelChannel::Green: count[k] = h.green[k]; break;
      case LevelChannel::Blue: count[k] = h.blue[k]; break;
      case LevelChannel::RGB: count[k] = int64_t{h.red[k]} + h.green[k] + h.blue[k]; break;
    }
  }
  const int64_t peak = *std::max_element(count.begin(), count.end());
  // An empty histogram has no scale: nothing is drawn.
  if (peak <= 0) return lines;
  const auto round = [](double v) { return static_cast<int>(rt::RoundHalfEven(v)); };
  const int bottom = round(heightTwips);
  const int lastColumn = std::max(0, round(widthTwips / tpx) - 1);
  const double scale = 127.0 / static_cast<double>(peak);
  for (int i = 0; i < 256; ++i) {
    const int x = round(tpx * round(i * lastColumn / 255.0));
    const int top = round(bottom - tpy * static_cast<double>(count[static_cast<std::size_t>(i)]) * scale);
    lines.emplace_back(x, bottom, x, top);
  }
  return lines;
}

}  // namespace tools
