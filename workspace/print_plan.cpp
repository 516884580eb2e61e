#include "workspace/print_plan.h"

#include <algorithm>
#include <cmath>

namespace ws {

PrintRange fnPrintRange(int fromPage, int toPage, int pageCount) {
  int from = fromPage, to = toPage;
  if (from > pageCount && from != 0) from = pageCount;
  if (to > pageCount && to != 0) to = pageCount;
  if (from != 0 && to == 0) to = from;
  else if (from == 0 && to != 0) from = to;
  else if (from != 0 && to < from) to = from;
  else if (from == 0 && to == 0) from = to = 1;
  return {std::max(1, from), std::max(1, to)};
}

std::vector<PrintJob> fnPrintJobs(int copies, PrintRange range) {
  std::vector<PrintJob> jobs;
  for (int c = 1; c <= copies; ++c)
    for (int p = range.from; p <= range.to; ++p) jobs.push_back({c, p - 1});
  return jobs;
}

PrintPlacement fnPrintPlacement(int widthPx, int heightPx, double twipsPerPixelX, double twipsPerPixelY,
                                double pageWidthTwips, double pageHeightTwips) {
  PrintPlacement p;
  p.left = kPrintMargin;
  p.top = kPrintMargin;
  if (widthPx <= 0 || heightPx <= 0) return p;
  const double naturalW = std::round(widthPx * twipsPerPixelX);
  const double naturalH = std::round(heightPx * twipsPerPixelY);
  const double roomW = std::max(0.0, pageWidthTwips - 2 * kPrintMargin);
  const double roomH = std::max(0.0, pageHeightTwips - 2 * kPrintMargin);
  const double scale = std::min({1.0, roomW / naturalW, roomH / naturalH});
  p.width = static_cast<int>(std::lround(naturalW * scale));
  p.height = static_cast<int>(std::lround(naturalH * scale));
  return p;
}

}  // namespace ws
