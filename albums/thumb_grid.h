#pragma once
// The thumbnail grid shared by the album manager, the directory browser and the page picker: a
// viewport (picMain) over a content sheet (picChild) carrying one cell and one caption per shown
// file, and the scroll bar vsTmb. Pictures are decoded reduced on worker threads; cells are filled
// in the order of the files as the pictures arrive, so the window stays responsive while a page of
// cells fills in. A file that cannot be read gets no cell; the next readable one takes its place.
#include "albums/thumb_layout.h"
#include "platform/memory/global_memory.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class QScrollBar;
class QThreadPool;

namespace albums {

// A file to show: its path, the page of it and what the cell carries.
struct ThumbItem {
  QString path;
  int32_t page = 1;
  QString caption;
  QString toolTip;
  bool selected = false;
};

// What a worker makes of one file: the format code (0 when it could not be read), the size of the
// full page and the picture reduced to fit the cell.
struct DecodedThumb {
  int16_t format = 0;
  int32_t fullWidth = 0;
  int32_t fullHeight = 0;
  QImage picture;
};
DecodedThumb decodeThumb(const QString& path, int32_t page, int maxWidth, int maxHeight);

// One cell: the picture of one file with the facts of its page and the selection frame.
class ThumbCell : public QWidget {
  Q_OBJECT
 public:
  explicit ThumbCell(QWidget* parent);
  QString SourceFile() const { return path_; }
  int32_t PageNumber() const { return page_; }
  int16_t ImageFileType() const { return format_; }
  int32_t ImageWidth() const { return fullW_; }
  int32_t ImageHeight() const { return fullH_; }
  int32_t HighlightBorder() const { return highlight_; }
  void setHighlightBorder(int32_t v);
  const QImage& picture() const { return picture_; }
  // The full page as a packed-DIB handle (decoded again from the file); nullptr when empty or
  // unreadable. The caller owns it.
  plat::HGLOBAL ImageHandleCopy() const;
  void fill(const QString& path, int32_t page, const DecodedThumb& d);
  void empty();

 Q_SIGNALS:
  void pressed(Qt::MouseButton button);
  void released();
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;

 private:
  QString path_;
  int32_t page_ = 1;
  int16_t format_ = 0;
  int32_t fullW_ = 0, fullH_ = 0;
  int32_t highlight_ = 0;
  QImage picture_;
};

class ThumbGrid : public QFrame {
  Q_OBJECT
 public:
  // keepCells: cells made once and only emptied and refilled (the album manager's 48); 0 makes
  // cells as needed. emptyTemplate: cell 0 shows as an empty place when nothing is shown.
  ThumbGrid(int columns, int keepCells, bool emptyTemplate, QWidget* parent = nullptr);
  ~ThumbGrid() override;

  // Empties the grid, then shows the items (at most maxCells cells; 0 = no limit) as their
  // pictures arrive. The scroll value goes back to 0.
  void showItems(std::vector<ThumbItem> items, int maxCells = 0);
  // Empties and hides every cell and lays out zero cells.
  void clear();
  // Runs the event loop until the shown items have all been decoded (tests, and callers that must
  // know the cells); false on timeout.
  bool waitUntilLoaded(int timeoutMs = 60000);

  int cellCount() const { return filled_; }
  ThumbCell* ixTmb(int k) const;
  QLabel* lblTmb(int k) const;
  // Frame 3 on cell k alone (k < 0: none).
  void highlightOnly(int k);
  // Scrolls so that the cell at position k (clamped to the cells that exist) is in view.
  void scrollToCell(int k);

  GridMetrics metrics() const;
  QScrollBar* vsTmb = nullptr;
  QWidget* picMain = nullptr;
  QWidget* picChild = nullptr;

 Q_SIGNALS:
  void cellPressed(int k, Qt::MouseButton button);
  void cellReleased(int k);
  void cellDoubleClicked(int k);
  // A cell got its picture (cells fill in order, so k is the number of cells less one).
  void cellFilled(int k);
  void loadingFinished();

 protected:
  void resizeEvent(QResizeEvent*) override;
  // The wheel anywhere over the grid scrolls it as over its scroll bar.
  void wheelEvent(QWheelEvent* e) override;

 private:
  void startDecoding(int from, int to);
  void ensureCell(int k);
  void placeCell(int k);
  void relayout();
  void onDecoded(int generation, int item, DecodedThumb result);
  void finish();
  void cancelWork();

  int columns_;
  int keepCells_;
  bool emptyTemplate_;
  std::vector<ThumbCell*> cells_;
  std::vector<QLabel*> captions_;
  int filled_ = 0;
  bool loading_ = false;
  std::vector<ThumbItem> items_;
  std::vector<std::optional<DecodedThumb>> results_;
  int nextItem_ = 0;
  int maxCells_ = 0;
  int generation_ = 0;
  std::shared_ptr<std::atomic<int>> liveGeneration_;
  QThreadPool* pool_ = nullptr;
};

}  // namespace albums
