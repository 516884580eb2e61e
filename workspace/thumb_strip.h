#pragma once
// The page strip of the main window: a view of the open document's pages (the page store), one
// thumbnail and caption per page in a grid that scrolls in a viewport. Only the slots in view are
// painted, and pictures are made only for the pages near the view (every page of a document of up
// to 2,000 pages), so a document of any length costs what the view shows. It lays the grid out for
// the viewport's width, scrolls the selected page into view, and turns clicks, keys and the wheel
// on the strip into the window's commands.
#include "controls/imaging/page_thumb_loader.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>

class QFrame;
class QScrollBar;

namespace ws {

class DocumentSession;

// The widget the strip paints on; it fills the viewport and passes its input on.
class StripCanvas : public QWidget {
 public:
  explicit StripCanvas(QWidget* parent);
  std::function<void(QPainter&, const QRect&)> onPaint;
  std::function<void(QPoint, Qt::MouseButton)> onPress;
  std::function<void(QPoint, Qt::MouseButton)> onRelease;
  std::function<void(QPoint)> onDoubleClick;
  std::function<bool(QKeyEvent*)> onKey;  // true when the key was used
  std::function<void(int steps)> onWheel;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
};

class ThumbStrip {
 public:
  struct Widgets {
    QFrame* pane;            // the strip's frame
    QFrame* viewport;        // the visible part
    StripCanvas* canvas;     // fills the viewport
    QScrollBar* scrollBar;   // one unit is 200 twips of the grid
    std::function<void(const QString&)> showProgress;  // the status bar's text panel
  };
  // The commands a click, a double click, a right click or a key on the strip runs (indexes are
  // 0-based pages).
  struct Commands {
    std::function<void(int)> click, doubleClick, rightClick;
    std::function<bool(QKeyEvent*)> key;
  };
  ThumbStrip(Widgets widgets, const DocumentSession& document, Commands commands);
  ~ThumbStrip();

  int count() const;

  // The grid for the viewport's width and the document's page count (a one-page document shows
  // its single slot as it stands), with the scroll bar when the grid is taller than the viewport.
  void layOut();
  // Scrolls so that the first selected page is in view, with a margin of 280 twips.
  void scrollToCurrent();
  // The viewport is resized only through these; the canvas takes a changed size.
  void setViewportWidth(double twips);
  void setViewportHeight(double twips);
  // The scroll bar moved: the slots in view are painted, and their pictures asked for.
  void scrolled();
  // The pages changed (number, order, captions, selection or pictures): shown as they are now.
  void pagesChanged();
  // No document: no slot, and the next document's strip starts at its top.
  void empty();
  bool loadingPictures() const;

  // ---- Geometry -----------------------------------------------------------------------------------
  // Where a page's thumbnail and its caption are on the canvas now, in pixels.
  QRect slotRect(int index) const;
  QRect captionRect(int index) const;
  int slotAt(QPoint canvasPos) const;  // -1 where there is none
  // The grid, in twips: its height (the carrier of every slot), where its top stands in the
  // viewport, and the size of one thumbnail.
  double gridHeight() const { return gridHeight_; }
  double gridTop() const;
  // The page's picture has been made (it is shown when in view), and the picture; null until then.
  bool hasPicture(int index) const;
  QImage picture(int index) const;
  // The longer side pictures are made for.
  int displaySide() const;

 private:
  void paint(QPainter& p, const QRect& area);
  void viewportResized();
  void resetScroll();
  void setThumbSize(bool small);
  std::pair<int, int> slotsWithin(double topTwips, double bottomTwips) const;
  // Pictures for the pages near the view are asked for; those far from it let go (long documents).
  void askForPictures();
  void pictureReady(img::PageThumb& t);
  void madeInBackground(uint64_t id, QImage picture);
  void startLoader(const QString& path);
  void showProgress();

  Widgets w_;
  const DocumentSession& doc_;
  Commands commands_;
  double thumbW_ = 0, thumbH_ = 0;  // the thumbnail's size in twips, as placed in whole pixels
  int columns_ = 1;
  double gridHeight_ = 0;
  int pressed_ = -1;  // the slot a left button went down on
  // The pictures made, by page id; a null one for a page that could not be read.
  std::unordered_map<uint64_t, QImage> thumbs_;
  std::unordered_set<uint64_t> making_;  // pictures being made in the background
  // The page of the loader's file each picture asked for belongs to (its id).
  std::unordered_map<int32_t, uint64_t> waiting_;
  std::unique_ptr<img::PageThumbLoader> loader_;
  uint64_t sources_ = 0;  // of the pages the loader was asked for
  // Lives as long as the strip: work finished on a worker reaches the strip only while it does.
  std::shared_ptr<bool> alive_;
};

}  // namespace ws
