#pragma once
// The bars of the intensity levels chart: one vertical line per intensity, in twips of the chart.
#include "controls/imaging/image_ops.h"

#include <QLine>
#include <vector>

namespace tools {

enum class LevelChannel { Red, Green, Blue, RGB };

// The lines from (x, bottom) to (x, top) for intensities 0 to 255 of a chart widthTwips wide and
// heightTwips high: intensity 0 in the leftmost pixel column, 255 in the rightmost, the others
// spread evenly between, so that every intensity is drawn whatever the width. The count of an
// intensity is the channel's, or for RGB the three channels' counts added; the largest count is
// 127 pixels tall. None when the histogram is empty (every count 0).
std::vector<QLine> levelBars(const img::Histograms& h, LevelChannel channel, double widthTwips, double heightTwips,
                             double twipsPerPixelX, double twipsPerPixelY);

}  // namespace tools
