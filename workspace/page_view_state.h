#pragma once
// The page view's input rules, free of widgets: the four mouse modes with what each sets, and the
// floating area that a paste leaves over the page, as a small state machine in view pixels.
//
//   None --paste--> Pending --press over it--> Dragging --release--> Pending
//   Pending --press elsewhere / commit--> None (written into the page)
//   Pending or Dragging --Delete / Escape--> None (dropped)
#include "annotation/ann_codes.h"

#include <QPoint>
#include <QString>
#include <cstdint>

namespace ws {

// The imaging control's pointer shapes that the page view uses.
enum PointerShape : int16_t {
  kPointerDefault = 0,
  kPointerArrow = 1,
  kPointerCross = 2,
  kPointerMagnify = 30,
  kPointerSizeAll = 43,
  kPointerCustom = 99,  // the hand: the control shows its MouseIcon
};

// The imaging control's fit modes (ZoomToFit).
enum FitMode : int16_t { kFitWidth = 0, kFitHeight = 1, kFitPage = 2 };

// Key codes the main window handles.
enum KeyCode : int16_t { kKeyEscape = 27, kKeyPageUp = 33, kKeyPageDown = 34, kKeyEnd = 35, kKeyHome = 36, kKeyDelete = 46 };

// HighlightBorder of a selected thumbnail, and of one that is not.
inline constexpr int32_t kThumbSelected = 3;
inline constexpr int32_t kThumbUnselected = 0;

// The left mouse button in the controls' Button argument.
inline constexpr int16_t kLeftButton = 1;
inline constexpr int16_t kRightButton = 2;

enum class MouseMode { None, Hand, Arrow, Rect, Magnify };

// The mode of a mode-toolbar key ("selhand", "selarrow", "selrect", "selmagnify"), and back.
MouseMode fnModeForKey(const QString& key);
QString fnKeyForMode(MouseMode mode);

// What selecting a mode sets: the page view's pointer, the annotation tool, whether an open
// annotation palette closes and whether a rubber band in progress ends.
struct ModeSettings {
  int16_t pointer = kPointerDefault;
  int32_t annotationTool = TOOL_NONE;
  bool closesPalette = false;
  bool endsRubberBand = false;
};
ModeSettings fnModeSettings(MouseMode mode);

// Where the page is in the view: scroll position in view pixels, zoom, picture size in pixels.
struct PageGeometry {
  int32_t scrollX = 0, scrollY = 0;
  double zoom = 1.0;
  int32_t imageWidth = 0, imageHeight = 0;
};

// Nearest integer, halves to the even neighbour, as every stored coordinate of the page view.
int32_t fnNear(double v);

class FloatingArea {
 public:
  enum class State { None, Pending, Dragging };

  State state() const { return state_; }
  bool pending() const { return state_ != State::None; }
  bool dragging() const { return state_ == State::Dragging; }
  int32_t x() const { return x_; }
  int32_t y() const { return y_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

  // A picture of this size in view pixels floats at the view's top-left.
  void paste(int32_t width, int32_t height);
  // The pointer over the view while the area waits: size-all over it (strictly inside), a cross
  // elsewhere.
  bool isOver(double vx, double vy) const;
  int16_t hoverPointer(double vx, double vy) const;

  enum class Press { Ignored, StartDrag, Commit };
  // A button pressed at (vx, vy) while the pointer showed `pointer`: on the area it picks it up;
  // elsewhere the area is to be written into the page.
  Press press(double vx, double vy, int16_t pointer);
  // The area follows the pointer, kept on the picture: its new top-left.
  QPoint dragTo(double vx, double vy, const PageGeometry& g);
  // The pointer let go: the area stays where the pointer put it, on the picture or not.
  QPoint release(double vx, double vy);
  // The area is written into the page: the image pixel of its top-left. The area is gone.
  QPoint commit(const PageGeometry& g);
  // The area is thrown away.
  void drop();

 private:
  State state_ = State::None;
  int32_t x_ = 0, y_ = 0, grabX_ = 0, grabY_ = 0, width_ = 0, height_ = 0;
};

// Scrolling while an area is dragged with the pointer outside the view: -1 before it, +1 past
// it, 0 inside (pos and extent in the same unit).
int fnAutoScroll(double pos, double extent);

}  // namespace ws
