#pragma once
// Rules of the full-screen viewer and the slide show that need no window: the fit rule that sizes
// and places a page, the key help texts, and the slide show's moves between slides.
#include <QRectF>
#include <QString>
#include <cstdint>

namespace albums {

// Sizes and places a page of w x h pixels in a window of W x H twips (px, py twips per pixel):
// with limitZoom a page smaller than the window in both directions keeps its own size; otherwise
// it fills the area 400 twips below the top and 50 from the sides, keeping its proportions.
QRectF fitPage(double W, double H, int32_t w, int32_t h, double px, double py, bool limitZoom);

// Keys the viewers act on (when a key is released; auto-repeated releases are not acted on).
enum class ViewerKey { None, Escape, Forward, Back, LimitZoom, MaxZoom, Pause, Continue };
// From a Qt key code: Page Down, Down, Right and Enter go forward; Page Up, Up and Left back;
// L, M, P and C by their letter whatever the shift state.
ViewerKey viewerKey(int qtKey);

// The full-screen viewer's key help.
QString fullScreenHelp(bool limitZoom, int pageCount);

inline const QString kSlideRunningHelp = QStringLiteral("'P' to pause; 'ESC' to exit");
inline const QString kSlidePausedHelp = QStringLiteral("'C' to continue; 'ESC' to exit");
inline const QString kSlideManualHelp = QStringLiteral("'ESC' to exit");

// The slide show's position and timer: what a tick or a key does.
class SlideSequence {
 public:
  SlideSequence(int count, bool loop, bool automatic);
  bool timerEnabled() const { return timer_; }
  // The key help: running, paused or manual.
  const QString& help() const { return help_; }
  // Each returns the slide to show next, or -1 when nothing is to be shown.
  int start();
  int tick();
  int key(ViewerKey k);
  // A slide was shown (the timer runs again in automatic mode).
  void shown(bool loaded);

 private:
  int count_;
  bool loop_;
  bool automatic_;
  int index_ = 0;
  bool timer_ = false;
  QString help_;
};

}  // namespace albums
