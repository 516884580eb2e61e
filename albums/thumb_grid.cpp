#include "albums/thumb_grid.h"

#include "controls/imaging/bitmap.h"
#include "controls/imaging/codec.h"
#include "controls/imaging/page_thumb_loader.h"
#include "controls/imaging/pixel_ops.h"
#include "runtime/errors.h"
#include "runtime/screen.h"
#include "runtime/twips.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QScrollBar>
#include <QThreadPool>
#include <QTimer>

namespace albums {

namespace {
constexpr uint32_t kSheetGrey = 0x808080;

int px(double twips) { return rt::Screen::ToPixelsX(twips); }
int py(double twips) { return rt::Screen::ToPixelsY(twips); }
}  // namespace

DecodedThumb decodeThumb(const QString& path, int32_t page, int maxWidth, int maxHeight) {
  DecodedThumb d;
  try {
    const img::PageThumb t = img::makePageThumb(path, page, std::max(maxWidth, maxHeight));
    if (t.decoded.format == 0 || t.decoded.bitmap.isNull()) return d;
    d.picture = img::makeThumbnail(t.decoded.bitmap, maxWidth, maxHeight);
    d.format = t.decoded.format;
    d.fullWidth = t.fullWidth;
    d.fullHeight = t.fullHeight;
  } catch (const std::bad_alloc&) {
    // A page too large to decode gets no cell, like one that cannot be read.
    d = DecodedThumb();
  }
  return d;
}

// ---- ThumbCell ---------------------------------------------------------------------------------

ThumbCell::ThumbCell(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(px(kCellWidth), py(kCellHeight));
}

void ThumbCell::setHighlightBorder(int32_t v) {
  if (highlight_ == v) return;
  highlight_ = v;
  update();
}

plat::HGLOBAL ThumbCell::ImageHandleCopy() const {
  if (format_ == 0) return nullptr;
  try {
    return img::toDibHandle(img::readFilePage(path_, page_).bitmap);
  } catch (const rt::RuntimeError&) {
    return nullptr;
  }
}

void ThumbCell::fill(const QString& path, int32_t page, const DecodedThumb& d) {
  path_ = path;
  page_ = page;
  format_ = d.format;
  fullW_ = d.fullWidth;
  fullH_ = d.fullHeight;
  picture_ = d.picture;
  update();
}

void ThumbCell::empty() {
  path_.clear();
  format_ = 0;
  fullW_ = fullH_ = 0;
  picture_ = QImage();
  highlight_ = 0;
  setToolTip(QString());
  update();
}

void ThumbCell::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
  if (!picture_.isNull()) {
    const QSize s = picture_.size().scaled(size() - QSize(6, 6), Qt::KeepAspectRatio);
    const QRect r(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s);
    p.drawImage(r, picture_);
  }
  if (highlight_ == 3) {
    p.setPen(QPen(QColor(0, 0, 128), 3));
    p.drawRect(rect().adjusted(1, 1, -2, -2));
  }
}

void ThumbCell::mousePressEvent(QMouseEvent* e) { Q_EMIT pressed(e->button()); }
void ThumbCell::mouseReleaseEvent(QMouseEvent*) { Q_EMIT released(); }
void ThumbCell::mouseDoubleClickEvent(QMouseEvent*) { Q_EMIT doubleClicked(); }

// ---- ThumbGrid ---------------------------------------------------------------------------------

ThumbGrid::ThumbGrid(int columns, int keepCells, bool emptyTemplate, QWidget* parent)
    : QFrame(parent), columns_(columns), keepCells_(keepCells), emptyTemplate_(emptyTemplate),
      liveGeneration_(std::make_shared<std::atomic<int>>(0)) {
  picMain = new QWidget(this);
  picMain->setObjectName(QStringLiteral("picMain"));
  picChild = new QWidget(picMain);
  picChild->setObjectName(QStringLiteral("picChild"));
  picChild->setAutoFillBackground(true);
  QPalette pal = picChild->palette();
  pal.setColor(QPalette::Window, QColor::fromRgb(kSheetGrey));
  picChild->setPalette(pal);
  vsTmb = new QScrollBar(Qt::Vertical, this);
  vsTmb->setObjectName(QStringLiteral("vsTmb"));
  vsTmb->hide();
  connect(vsTmb, &QScrollBar::valueChanged, this, [this](int v) { picChild->move(0, -py(kScrollStep * v)); });
  pool_ = new QThreadPool(this);
  pool_->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
  for (int k = 0; k < std::max(1, keepCells_); ++k) ensureCell(k);
  relayout();
}

ThumbGrid::~ThumbGrid() {
  cancelWork();
  // Workers post to this grid: none may still run when it goes.
  pool_->waitForDone();
}

// Files not yet started are dropped; those being decoded finish, and their results are ignored,
// so a new page never waits for the old one.
void ThumbGrid::cancelWork() {
  ++generation_;
  liveGeneration_->store(generation_);
  pool_->clear();
}

void ThumbGrid::ensureCell(int k) {
  while (static_cast<int>(cells_.size()) <= k) {
    const int index = static_cast<int>(cells_.size());
    auto* cell = new ThumbCell(picChild);
    cell->setObjectName(QStringLiteral("ixTmb(%1)").arg(index));
    cell->hide();
    auto* label = new QLabel(picChild);
    label->setObjectName(QStringLiteral("lblTmb(%1)").arg(index));
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(kSheetGrey));
    label->setPalette(pal);
    label->resize(px(kCellWidth), py(metrics().captionHeight));
    label->hide();
    connect(cell, &ThumbCell::pressed, this, [this, index](Qt::MouseButton b) { Q_EMIT cellPressed(index, b); });
    connect(cell, &ThumbCell::released, this, [this, index] { Q_EMIT cellReleased(index); });
    connect(cell, &ThumbCell::doubleClicked, this, [this, index] { Q_EMIT cellDoubleClicked(index); });
    cells_.push_back(cell);
    captions_.push_back(label);
  }
}

ThumbCell* ThumbGrid::ixTmb(int k) const { return k >= 0 && k < static_cast<int>(cells_.size()) ? cells_[k] : nullptr; }
QLabel* ThumbGrid::lblTmb(int k) const { return k >= 0 && k < static_cast<int>(captions_.size()) ? captions_[k] : nullptr; }

GridMetrics ThumbGrid::metrics() const {
  GridMetrics m;
  m.columns = columns_;
  m.captionHeight = 240;
  m.frameWidth = tw::Width(this);
  m.viewportLeft = 0;
  m.viewportHeight = tw::Height(this);
  m.scrollBarWidth = rt::Screen::ToTwipsX(vsTmb->sizeHint().width());
  return m;
}

void ThumbGrid::clear() {
  cancelWork();
  items_.clear();
  results_.clear();
  nextItem_ = 0;
  loading_ = false;
  for (std::size_t k = 0; k < cells_.size(); ++k) {
    cells_[k]->empty();
    cells_[k]->hide();
    captions_[k]->clear();
    captions_[k]->hide();
  }
  // Cells beyond the kept ones go; the first stays as the template.
  const std::size_t keep = static_cast<std::size_t>(std::max(1, keepCells_));
  while (cells_.size() > keep) {
    delete cells_.back();
    delete captions_.back();
    cells_.pop_back();
    captions_.pop_back();
  }
  filled_ = 0;
  vsTmb->setValue(0);
  relayout();
}

void ThumbGrid::showItems(std::vector<ThumbItem> items, int maxCells) {
  clear();
  items_ = std::move(items);
  results_.assign(items_.size(), std::nullopt);
  maxCells_ = maxCells;
  if (items_.empty()) {
    finish();
    return;
  }
  loading_ = true;
  // The first file is decoded alone, so its picture shows as soon as it can; the others follow on
  // every worker when it is there.
  startDecoding(0, 1);
}

void ThumbGrid::startDecoding(int from, int to) {
  const int gen = generation_;
  auto live = liveGeneration_;
  const int w = px(kCellWidth) - 6, h = py(kCellHeight) - 6;
  QPointer<ThumbGrid> self(this);
  for (int i = from; i < std::min(to, static_cast<int>(items_.size())); ++i) {
    const QString path = items_[i].path;
    const int32_t page = items_[i].page;
    pool_->start([self, live, gen, i, path, page, w, h] {
      if (live->load() != gen) return;
      DecodedThumb d = decodeThumb(path, page, w, h);
      if (live->load() != gen) return;
      QMetaObject::invokeMethod(
          self.data(), [self, gen, i, d = std::move(d)]() mutable {
            if (self) self->onDecoded(gen, i, std::move(d));
          },
          Qt::QueuedConnection);
    });
  }
}

void ThumbGrid::onDecoded(int generation, int item, DecodedThumb result) {
  if (generation != generation_ || item < 0 || item >= static_cast<int>(results_.size())) return;
  results_[item] = std::move(result);
  if (item == 0) startDecoding(1, static_cast<int>(items_.size()));
  // Cells take the files in their order: place every file whose turn has come, then lay the sheet
  // out once for all of them.
  const int filledBefore = filled_;
  while (nextItem_ < static_cast<int>(items_.size()) && results_[nextItem_]) {
    DecodedThumb d = std::move(*results_[nextItem_]);
    results_[nextItem_].reset();
    const int i = nextItem_++;
    if (d.format == 0) continue;
    if (maxCells_ > 0 && filled_ >= maxCells_) continue;
    const int k = filled_++;
    ensureCell(k);
    const ThumbItem& it = items_[i];
    cells_[k]->fill(it.path, it.page, d);
    cells_[k]->setToolTip(it.toolTip);
    cells_[k]->setHighlightBorder(it.selected ? 3 : 0);
    captions_[k]->setText(it.caption);
    placeCell(k);
    Q_EMIT cellFilled(k);
  }
  if (nextItem_ >= static_cast<int>(items_.size())) finish();
  else if (filled_ != filledBefore) relayout();
}

void ThumbGrid::finish() {
  loading_ = false;
  relayout();
  Q_EMIT loadingFinished();
}

bool ThumbGrid::waitUntilLoaded(int timeoutMs) {
  if (!loading_) return true;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  connect(this, &ThumbGrid::loadingFinished, &loop, &QEventLoop::quit);
  timer.start(timeoutMs);
  loop.exec();
  return !loading_;
}

void ThumbGrid::placeCell(int k) {
  const GridMetrics m = metrics();
  const double top = cellTop(k, columns_, m.captionHeight);
  cells_[k]->setGeometry(px(cellLeft(k, columns_)), py(top), px(kCellWidth), py(kCellHeight));
  captions_[k]->setGeometry(px(cellLeft(k, columns_)), py(captionTop(top)), px(kCellWidth), py(m.captionHeight));
  cells_[k]->show();
  captions_[k]->show();
}

void ThumbGrid::relayout() {
  const GridMetrics m = metrics();
  const GridLayout g = layoutGrid(m, filled_, vsTmb->isVisible());
  const int sbw = vsTmb->sizeHint().width();
  vsTmb->setGeometry(width() - sbw, 0, sbw, height());
  vsTmb->setVisible(g.scrollBar);
  picMain->setGeometry(0, 0, px(g.viewportWidth), height());
  picChild->setGeometry(0, picChild->y(), picMain->width(), py(g.contentHeight));
  vsTmb->setMaximum(g.scrollMax);
  vsTmb->setPageStep(std::max(1, static_cast<int>(m.viewportHeight / kScrollStep)));
  if (filled_ == 0 && emptyTemplate_ && !cells_.empty()) {
    // The template place: one empty cell where the first picture would go.
    placeCell(0);
  }
}

void ThumbGrid::resizeEvent(QResizeEvent* e) {
  QFrame::resizeEvent(e);
  relayout();
}

void ThumbGrid::wheelEvent(QWheelEvent* e) {
  if (!vsTmb->isVisible()) {
    e->ignore();
    return;
  }
  QCoreApplication::sendEvent(vsTmb, e);
}

void ThumbGrid::highlightOnly(int k) {
  for (int i = 0; i < static_cast<int>(cells_.size()); ++i) cells_[i]->setHighlightBorder(i == k ? 3 : 0);
}

void ThumbGrid::scrollToCell(int k) {
  if (filled_ == 0) return;
  vsTmb->setValue(albums::scrollToCell(metrics(), filled_, k, vsTmb->value()));
}

}  // namespace albums
