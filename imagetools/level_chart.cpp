#include "imagetools/level_chart.h"

#include "runtime/conversions.h"

#include <algorithm>

namespace tools {

std::vector<QLine> levelBars(const img::Histograms& h, LevelChannel channel, double heightTwips, double tpx, double tpy) {
  std::vector<QLine> lines;
  const auto& one = channel == LevelChannel::Red ? h.red : channel == LevelChannel::Green ? h.green : h.blue;
  int32_t peak = 0;
  if (channel == LevelChannel::RGB) {
    for (const auto* a : {&h.red, &h.green, &h.blue}) peak = std::max(peak, *std::max_element(a->begin(), a->end()));
  } else {
    peak = *std::max_element(one.begin(), one.end());
  }
  // An empty histogram has no scale: nothing is drawn.
  if (peak <= 0) return lines;
  const auto round = [](double v) { return static_cast<int>(rt::RoundHalfEven(v)); };
  const int bottom = round(heightTwips);
  const double scale = 127.0 / peak;
  for (int i = 0; i < 256; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const int x = round(tpx * i);
    int top;
    if (channel == LevelChannel::RGB) {
      const double r = rt::RoundHalfEven(h.red[k] * 255.0 / peak), g = rt::RoundHalfEven(h.green[k] * 255.0 / peak),
                   b = rt::RoundHalfEven(h.blue[k] * 255.0 / peak);
      const double v = r + 256 * g + 65536 * b;
      top = round(bottom - tpy * v * 127 / 16777215);
    } else {
      top = round(bottom - tpy * one[k] * scale);
    }
    lines.emplace_back(x, bottom, x, top);
  }
  return lines;
}

}  // namespace tools
