#include "albums/viewer_rules.h"

#include <Qt>

namespace albums {

QRectF fitPage(double W, double H, int32_t w, int32_t h, double px, double py, bool limitZoom) {
  if (w <= 0 || h <= 0) return QRectF();
  const double ratio = static_cast<double>(h) / static_cast<double>(w);
  double width = 0, height = 0;
  if (limitZoom && w * px < W && h * py < H) {
    width = w * px;
    height = h * py;
  } else if (h > w) {
    height = H - 450;
    width = height / ratio;
    if (W - 100 < width) {
      width = W - 100;
      height = width * ratio;
    }
  } else {
    width = W - 100;
    height = width * ratio;
    if (H - 450 < height) {
      height = H - 450;
      width = height / ratio;
    }
  }
  const double top = (H - 450 - height) / 2 + 400;
  const double left = (W - 100 - width) / 2 + 50;
  return QRectF(left, top, width, height);
}

ViewerKey viewerKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Escape: return ViewerKey::Escape;
    case Qt::Key_PageDown:
    case Qt::Key_Down:
    case Qt::Key_Right:
    case Qt::Key_Return:
    case Qt::Key_Enter: return ViewerKey::Forward;
    case Qt::Key_PageUp:
    case Qt::Key_Up:
    case Qt::Key_Left: return ViewerKey::Back;
    case Qt::Key_L: return ViewerKey::LimitZoom;
    case Qt::Key_M: return ViewerKey::MaxZoom;
    case Qt::Key_P: return ViewerKey::Pause;
    case Qt::Key_C: return ViewerKey::Continue;
    default: return ViewerKey::None;
  }
}

QString fullScreenHelp(bool limitZoom, int pageCount) {
  QString t = limitZoom ? QStringLiteral("'M' to Maximize zoom") : QStringLiteral("'L' to Limit zoom to 100%");
  if (pageCount > 1) t += QStringLiteral(";  'Arrows' to navigate");
  return t + QStringLiteral(";  ESC to exit");
}

SlideSequence::SlideSequence(int count, bool loop, bool automatic) : count_(count), loop_(loop), automatic_(automatic) {}

int SlideSequence::start() {
  index_ = 0;
  help_ = automatic_ ? kSlideRunningHelp : kSlideManualHelp;
  timer_ = false;
  return count_ > 0 ? 0 : -1;
}

void SlideSequence::shown(bool loaded) {
  if (loaded && automatic_) timer_ = true;
}

int SlideSequence::tick() {
  if (count_ <= 0) return -1;
  const int next = index_ + 1;
  if (next >= count_ && !loop_) {
    timer_ = false;
    return -1;
  }
  index_ = next < count_ ? next : 0;
  return index_;
}

int SlideSequence::key(ViewerKey k) {
  if (count_ <= 0) return -1;
  if (automatic_) {
    // Running and paused are told apart by the key help.
    if (k == ViewerKey::Pause && help_.contains(QStringLiteral("'P'"))) {
      timer_ = false;
      help_ = kSlidePausedHelp;
    } else if (k == ViewerKey::Continue && help_.contains(QStringLiteral("'C'"))) {
      timer_ = true;
      help_ = kSlideRunningHelp;
    }
    return -1;
  }
  if (k == ViewerKey::Forward) {
    if (index_ + 1 < count_) index_ = index_ + 1;
    else if (loop_) index_ = 0;
    else return -1;
    return index_;
  }
  if (k == ViewerKey::Back) {
    if (index_ > 0) index_ = index_ - 1;
    else if (loop_) index_ = count_ - 1;
    else return -1;
    return index_;
  }
  return -1;
}

}  // namespace albums
