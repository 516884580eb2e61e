#pragma once
// The bars of the intensity levels chart: one vertical line per intensity, in twips of the chart.
#include "controls/imaging/image_ops.h"

#include <QLine>
#include <vector>

namespace tools {

enum class LevelChannel { Red, Green, Blue, RGB };

// The lines from (x, bottom) to (x, top) for intensities 0 to 255 of a chart heightTwips high;
// none when the histogram is empty (every count 0).
std::vector<QLine> levelBars(const img::Histograms& h, LevelChannel channel, double heightTwips, double twipsPerPixelX,
                             double twipsPerPixelY);

}  // namespace tools
