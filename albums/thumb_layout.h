#pragma once
// Arithmetic of the thumbnail grids (album manager, directory browser, page picker): where each
// cell and caption lies, how tall the content is, the scroll bar, and which rows or files make one
// page. Lengths are in twips; one scroll unit is 200 twips.
#include <QString>

namespace albums {

inline constexpr double kGridMargin = 280;     // left and top of the first cell
inline constexpr double kColumnPitch = 1740;   // from one column's left to the next
inline constexpr double kRowPitchBase = 2155;  // row pitch without the caption's height
inline constexpr double kCaptionGap = 50;      // between a picture and its caption
inline constexpr double kCellWidth = 1460;
inline constexpr double kCellHeight = 1825;
inline constexpr double kScrollStep = 200;
inline constexpr int kAlbumColumns = 6;
inline constexpr int kBrowseColumns = 5;
inline constexpr int kAlbumPageCells = 48;
inline constexpr int kBrowsePageCells = 40;

struct GridMetrics {
  int columns = kAlbumColumns;
  double captionHeight = 240;  // height of caption label 0
  double frameWidth = 0;       // width of the grid's frame
  double viewportLeft = 0;     // left of the viewport inside the frame
  double viewportHeight = 0;
  double scrollBarWidth = 0;
};

struct GridLayout {
  int rows = 0;
  double contentHeight = 0;  // at least the viewport's height
  bool scrollBar = false;
  double viewportWidth = 0;
  int scrollMax = 0;
};

double rowPitch(double captionHeight);
int gridRows(int cells, int columns);
double cellLeft(int index, int columns);
double cellTop(int index, int columns, double captionHeight);
double captionTop(double cellTopTwips, double cellHeightTwips = kCellHeight);
// The layout for n cells. When the content is exactly as tall as the viewport, the scroll bar
// keeps the state it had (scrollBarBefore).
GridLayout layoutGrid(const GridMetrics& m, int cells, bool scrollBarBefore = false);
// The scroll value that brings cell `cell` into view from `scroll`; the cell is clamped to the
// cells that exist, and the value to 0..scrollMax.
int scrollToCell(const GridMetrics& m, int cells, int cell, int scroll);

// Caption of a cell: a blank, the number, a full stop, a blank and the file name (what follows the
// last slash; the whole path when it has none).
QString cellCaption(int number, const QString& path);

// One page of a list: 1-based first and last positions (last < first when the page is empty).
struct PageSpan {
  int first = 1;
  int last = 0;
  int count() const { return last >= first ? last - first + 1 : 0; }
};
PageSpan pageSpan(int page, int total, int perPage);
bool pageHasNext(int page, int total, int perPage);
// The album page that holds row (1-based); page 1 when no row is selected (row < 1).
int albumPageOfRow(int row);

}  // namespace albums
