#include "workspace/page_view_state.h"

#include "runtime/conversions.h"

namespace ws {

MouseMode fnModeForKey(const QString& key) {
  if (key == QLatin1String("selhand")) return MouseMode::Hand;
  if (key == QLatin1String("selarrow")) return MouseMode::Arrow;
  if (key == QLatin1String("selrect")) return MouseMode::Rect;
  if (key == QLatin1String("selmagnify")) return MouseMode::Magnify;
  return MouseMode::None;
}

QString fnKeyForMode(MouseMode mode) {
  switch (mode) {
    case MouseMode::Hand: return QStringLiteral("selhand");
    case MouseMode::Arrow: return QStringLiteral("selarrow");
    case MouseMode::Rect: return QStringLiteral("selrect");
    case MouseMode::Magnify: return QStringLiteral("selmagnify");
    case MouseMode::None: break;
  }
  return QString();
}

ModeSettings fnModeSettings(MouseMode mode) {
  switch (mode) {
    // Only the arrow leaves an annotation tool current.
    case MouseMode::Arrow: return {kPointerArrow, TOOL_POINTER, false, true};
    case MouseMode::Hand: return {kPointerCustom, TOOL_NONE, true, true};
    case MouseMode::Rect: return {kPointerCross, TOOL_NONE, true, false};
    case MouseMode::Magnify: return {kPointerMagnify, TOOL_NONE, true, false};
    case MouseMode::None: break;
  }
  return {};
}

int32_t fnNear(double v) { return static_cast<int32_t>(rt::RoundHalfEven(v)); }

void FloatingArea::paste(int32_t width, int32_t height) {
  state_ = State::Pending;
  x_ = y_ = grabX_ = grabY_ = 0;
  width_ = width;
  height_ = height;
}

bool FloatingArea::isOver(double vx, double vy) const {
  return pending() && vx > x_ && vx < x_ + width_ && vy > y_ && vy < y_ + height_;
}

int16_t FloatingArea::hoverPointer(double vx, double vy) const { return isOver(vx, vy) ? kPointerSizeAll : kPointerCross; }

FloatingArea::Press FloatingArea::press(double vx, double vy, int16_t pointer) {
  if (!pending()) return Press::Ignored;
  if (pointer != kPointerSizeAll) return Press::Commit;
  state_ = State::Dragging;
  grabX_ = fnNear(vx - x_);
  grabY_ = fnNear(vy - y_);
  return Press::StartDrag;
}

namespace {

// One axis of the drag: not before the picture's start; past its end it is pulled back once.
int32_t keepOnPicture(int32_t pos, int32_t scroll, int32_t size, double zoom, int32_t imageSize) {
  if (pos < 0) return 0;
  if (scroll + pos + size > zoom * imageSize) return fnNear(zoom * imageSize - size - scroll);
  return pos;
}

}  // namespace

QPoint FloatingArea::dragTo(double vx, double vy, const PageGeometry& g) {
  if (!dragging()) return QPoint(x_, y_);
  x_ = keepOnPicture(fnNear(vx - grabX_), g.scrollX, width_, g.zoom, g.imageWidth);
  y_ = keepOnPicture(fnNear(vy - grabY_), g.scrollY, height_, g.zoom, g.imageHeight);
  return QPoint(x_, y_);
}

QPoint FloatingArea::release(double vx, double vy) {
  if (dragging()) {
    x_ = fnNear(vx - grabX_);
    y_ = fnNear(vy - grabY_);
    state_ = State::Pending;
  }
  return QPoint(x_, y_);
}

QPoint FloatingArea::commit(const PageGeometry& g) {
  state_ = State::None;
  return QPoint(fnNear((g.scrollX + x_) / g.zoom), fnNear((g.scrollY + y_) / g.zoom));
}

void FloatingArea::drop() { state_ = State::None; }

int fnAutoScroll(double pos, double extent) { return pos < 0 ? -1 : pos > extent ? 1 : 0; }

}  // namespace ws
