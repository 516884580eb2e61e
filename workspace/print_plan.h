#pragma once
// What File > Print prints: the page range the printer dialog gave, normalised to the document,
// the sheets in their order (one per copy and page), and where each picture lies on the printed
// page. Free of widgets and printers.
#include <vector>

namespace ws {

// 1-based pages, both inclusive.
struct PrintRange {
  int from = 1;
  int to = 1;
};
// Pages above the count are cut to it; one side given stands for both; a range given backwards
// prints its first page; no pages named prints the first page.
PrintRange fnPrintRange(int fromPage, int toPage, int pageCount);

struct PrintJob {
  int copy = 1;  // from 1
  int page = 0;  // the thumbnail index, from 0
};
// Every copy prints the range in order, each page on a sheet of its own; copies 0 prints nothing.
std::vector<PrintJob> fnPrintJobs(int copies, PrintRange range);

// Placement on the printed page in twips.
struct PrintPlacement {
  int left = 0, top = 0, width = 0, height = 0;
};
inline constexpr int kPrintMargin = 720;  // half an inch on the left and the top
// A picture of w x h pixels (twipsPerPixel from the screen) at its natural size when it fits into
// the page less an inch each way, otherwise reduced by the smaller of the two ratios, so that no
// side leaves the page.
PrintPlacement fnPrintPlacement(int widthPx, int heightPx, double twipsPerPixelX, double twipsPerPixelY,
                                double pageWidthTwips, double pageHeightTwips);

}  // namespace ws
