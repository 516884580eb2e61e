#include "workspace/thumb_strip.h"

#include "controls/imaging/pixel_ops.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/twips.h"
#include "workspace/document/document_session.h"
#include "workspace/view_text.h"

#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QThreadPool>
#include <algorithm>
#include <cmath>

namespace ws {

namespace {

// Up to this many pages every page keeps its picture once made, and they are all made in the
// background; a longer document makes only the pictures of the pages near the strip's view and lets
// them go as they leave it, so that its memory does not grow with the pages scrolled past.
constexpr int32_t kPagesWithAllPictures = 2000;

constexpr double kPitch = 280;          // twips around each thumbnail
constexpr double kCaptionGap = 10;      // twips between a thumbnail and its caption
constexpr QRgb kSlotBack = 0xFF808080;  // a slot still waiting for its picture

double px2twX(int px) { return rt::Screen::ToTwipsX(px); }
double px2twY(int px) { return rt::Screen::ToTwipsY(px); }

}  // namespace

// ---- The canvas ---------------------------------------------------------------------------------

StripCanvas::StripCanvas(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::ClickFocus); }

void StripCanvas::paintEvent(QPaintEvent* e) {
  if (!onPaint) return;
  QPainter p(this);
  onPaint(p, e->rect());
}

void StripCanvas::mousePressEvent(QMouseEvent* e) {
  if (onPress) onPress(e->position().toPoint(), e->button());
}

void StripCanvas::mouseReleaseEvent(QMouseEvent* e) {
  if (onRelease) onRelease(e->position().toPoint(), e->button());
}

void StripCanvas::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && onDoubleClick) onDoubleClick(e->position().toPoint());
}

void StripCanvas::keyPressEvent(QKeyEvent* e) {
  if (!onKey || !onKey(e)) QWidget::keyPressEvent(e);
}

void StripCanvas::wheelEvent(QWheelEvent* e) {
  const int steps = -e->angleDelta().y() / 40;
  if (steps != 0 && onWheel) onWheel(steps);
  e->accept();
}

// ---- The strip ----------------------------------------------------------------------------------

ThumbStrip::ThumbStrip(Widgets widgets, const DocumentSession& document, Commands commands)
    : w_(std::move(widgets)), doc_(document), commands_(std::move(commands)), alive_(std::make_shared<bool>(true)) {
  setThumbSize(false);
  StripCanvas* c = w_.canvas;
  c->onPaint = [this](QPainter& p, const QRect& area) { paint(p, area); };
  c->onPress = [this](QPoint at, Qt::MouseButton button) {
    const int index = slotAt(at);
    w_.canvas->setFocus(Qt::MouseFocusReason);
    if (button == Qt::LeftButton) pressed_ = index;
    if (button == Qt::RightButton && index >= 0 && commands_.rightClick) commands_.rightClick(index);
  };
  c->onRelease = [this](QPoint at, Qt::MouseButton button) {
    const int index = slotAt(at);
    const bool click = button == Qt::LeftButton && index >= 0 && index == pressed_;
    pressed_ = -1;
    if (click && commands_.click) commands_.click(index);
  };
  c->onDoubleClick = [this](QPoint at) {
    const int index = slotAt(at);
    if (index >= 0 && commands_.doubleClick) commands_.doubleClick(index);
  };
  c->onKey = [this](QKeyEvent* e) { return commands_.key && commands_.key(e); };
  c->onWheel = [this](int steps) {
    if (w_.scrollBar->isVisible()) w_.scrollBar->setValue(w_.scrollBar->value() + steps);
  };
}

ThumbStrip::~ThumbStrip() { w_.canvas->onPaint = nullptr; }

int ThumbStrip::count() const { return doc_.pageCount(); }

void ThumbStrip::setThumbSize(bool small) {
  // Placed in whole pixels, as a widget of that size in twips would be.
  thumbW_ = px2twX(rt::Screen::ToPixelsX(small ? 1220 : 1460));
  thumbH_ = px2twY(rt::Screen::ToPixelsY(small ? 1525 : 1825));
}

int ThumbStrip::displaySide() const { return std::max(96, std::max(rt::Screen::ToPixelsX(1460), rt::Screen::ToPixelsY(1825))); }

double ThumbStrip::gridTop() const { return -200.0 * w_.scrollBar->value(); }

// ---- Layout -------------------------------------------------------------------------------------

void ThumbStrip::scrollToCurrent() {
  if (doc_.showsSinglePage()) return;
  const PageStore& pages = doc_.pages();
  int selected = -1;
  for (int i = 0; i < pages.count() && selected < 0; ++i)
    if (pages.page(i).selected) selected = i;
  if (selected < 0) return;
  const int row = selected / std::max(1, columns_);
  const double T = (thumbH_ + kPitch) * row + kPitch, H = thumbH_, V = w_.scrollBar->value(), P = tw::Height(w_.viewport);
  if (V * 200 + P < T + H + kPitch)
    w_.scrollBar->setValue(rt::CLng((T + H + kPitch - P) / 200));
  else if (T + kPitch < V * 200)
    w_.scrollBar->setValue(rt::CLng((T - kPitch) / 200));
}

void ThumbStrip::layOut() {
  if (doc_.showsSinglePage()) {
    columns_ = 1;
    scrolled();
    return;
  }
  const int n = count();
  const modView::ThumbGrid grid = modView::fnThumbGrid(tw::Width(w_.viewport), n);
  const int c = grid.columns, r = grid.rows;
  columns_ = std::max(1, c);
  if (tw::Height(w_.viewport) < r * 2105.0 + 280) {
    setViewportWidth(tw::Width(w_.pane) - 80 - tw::Width(w_.scrollBar));
    setThumbSize(tw::Width(w_.canvas) < 2020 && c == 1);
    gridHeight_ = (thumbH_ + kPitch) * r + kPitch;
    if (gridHeight_ > tw::Height(w_.viewport)) {
      tw::setLeft(w_.scrollBar, tw::Left(w_.viewport) + tw::Width(w_.viewport));
      tw::setTop(w_.scrollBar, tw::Top(w_.viewport));
      tw::setHeight(w_.scrollBar, tw::Height(w_.viewport));
      w_.scrollBar->setVisible(true);
      w_.scrollBar->setMaximum(rt::CLng((gridHeight_ - tw::Height(w_.viewport)) / 200));
    } else {
      setViewportWidth(tw::Width(w_.pane) - 80);
      gridHeight_ = tw::Height(w_.viewport);
      w_.scrollBar->setVisible(false);
    }
  } else {
    setViewportWidth(tw::Width(w_.pane) - 80);
    setThumbSize(false);
    w_.scrollBar->setVisible(false);
  }
  // A grid that fits fills the viewport and has nothing to scroll.
  if (!w_.scrollBar->isVisible()) {
    gridHeight_ = tw::Height(w_.viewport);
    w_.scrollBar->setValue(0);
  }
  scrolled();
}

void ThumbStrip::setViewportWidth(double twips) {
  const int before = w_.viewport->width();
  tw::setWidth(w_.viewport, twips);
  if (w_.viewport->width() != before) viewportResized();
}

void ThumbStrip::setViewportHeight(double twips) {
  const int before = w_.viewport->height();
  tw::setHeight(w_.viewport, twips);
  if (w_.viewport->height() != before) viewportResized();
}

void ThumbStrip::viewportResized() { w_.canvas->setGeometry(0, 0, w_.viewport->width(), w_.viewport->height()); }

void ThumbStrip::scrolled() {
  askForPictures();
  w_.canvas->update();
}

void ThumbStrip::resetScroll() {
  w_.scrollBar->setValue(0);
  w_.scrollBar->setMaximum(0);
  w_.scrollBar->setVisible(false);
  scrolled();
}

// ---- Geometry -----------------------------------------------------------------------------------

QRect ThumbStrip::slotRect(int index) const {
  const int col = index % columns_, row = index / columns_;
  const double left = (thumbW_ + kPitch) * col + kPitch, top = (thumbH_ + kPitch) * row + kPitch;
  return QRect(rt::Screen::ToPixelsX(left), rt::Screen::ToPixelsY(top) + rt::Screen::ToPixelsY(gridTop()),
               rt::Screen::ToPixelsX(thumbW_), rt::Screen::ToPixelsY(thumbH_));
}

QRect ThumbStrip::captionRect(int index) const {
  const QRect slot = slotRect(index);
  const QFontMetrics m = w_.canvas->fontMetrics();
  const QString text = doc_.pages().valid(index) ? doc_.pages().caption(index) : QString();
  return QRect(slot.left(), slot.bottom() + 1 + rt::Screen::ToPixelsY(kCaptionGap), m.horizontalAdvance(text), m.height());
}

std::pair<int, int> ThumbStrip::slotsWithin(double top, double bottom) const {
  const double pitch = thumbH_ + kPitch;
  const int rows = (count() + columns_ - 1) / columns_;
  const int first = std::clamp(static_cast<int>(std::floor((top - pitch) / pitch)), 0, rows);
  const int last = std::clamp(static_cast<int>(std::floor(bottom / pitch)) + 1, 0, rows);
  return {std::min(count(), first * columns_), std::min(count(), last * columns_)};
}

int ThumbStrip::slotAt(QPoint at) const {
  const double y = px2twY(at.y()) - gridTop();
  const auto [first, last] = slotsWithin(y, y);
  for (int i = first; i < last; ++i)
    if (slotRect(i).contains(at)) return i;
  return -1;
}

bool ThumbStrip::hasPicture(int index) const {
  if (!doc_.pages().valid(index)) return false;
  const auto it = thumbs_.find(doc_.pages().page(index).id);
  return it != thumbs_.end() && !it->second.isNull();
}

// ---- Painting -----------------------------------------------------------------------------------

void ThumbStrip::paint(QPainter& p, const QRect& area) {
  const PageStore& pages = doc_.pages();
  const double top = px2twY(area.top()) - gridTop(), bottom = px2twY(area.bottom() + 1) - gridTop();
  const auto [first, last] = slotsWithin(top, bottom);
  const QColor highlight = w_.canvas->palette().color(QPalette::Highlight);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  for (int i = first; i < last; ++i) {
    const QRect slot = slotRect(i);
    const QRect caption = captionRect(i);
    if (!slot.intersects(area) && !caption.intersects(area)) continue;
    const DocumentPage& page = pages.page(i);
    p.fillRect(slot, QColor::fromRgb(kSlotBack));
    const auto it = thumbs_.find(page.id);
    if (it != thumbs_.end() && !it->second.isNull()) {
      const QSize fitted = it->second.size().scaled(slot.size(), Qt::KeepAspectRatio);
      const QRect target(slot.left() + (slot.width() - fitted.width()) / 2, slot.top() + (slot.height() - fitted.height()) / 2,
                         fitted.width(), fitted.height());
      p.drawImage(target, it->second);
    }
    if (page.selected) {
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(highlight, 3));
      p.drawRect(QRectF(slot).adjusted(1.5, 1.5, -1.5, -1.5));
    }
    p.setPen(w_.canvas->palette().color(QPalette::WindowText));
    p.drawText(caption, Qt::AlignLeft | Qt::AlignTop, pages.caption(i));
  }
}

// ---- Pictures -----------------------------------------------------------------------------------

void ThumbStrip::pagesChanged() {
  if (count() == 0) {
    empty();
    return;
  }
  // Pictures of pages that are gone or have changed are let go.
  if (count() <= kPagesWithAllPictures && thumbs_.size() > static_cast<std::size_t>(count())) {
    std::unordered_set<uint64_t> ids;
    for (int i = 0; i < count(); ++i) ids.insert(doc_.pages().page(i).id);
    for (auto it = thumbs_.begin(); it != thumbs_.end();) it = ids.count(it->first) ? std::next(it) : thumbs_.erase(it);
  }
  askForPictures();
  w_.canvas->update();
}

void ThumbStrip::empty() {
  loader_.reset();
  w_.showProgress(QString());
  thumbs_.clear();
  making_.clear();
  waiting_.clear();
  columns_ = 1;
  resetScroll();
}

bool ThumbStrip::loadingPictures() const { return (loader_ && !loader_->finished()) || !making_.empty(); }

void ThumbStrip::startLoader(const QString& path) {
  loader_.reset();
  waiting_.clear();
  const PageStore& store = doc_.pages();
  int32_t filePages = 0;
  for (int i = 0; i < store.count(); ++i)
    if (store.page(i).file == path) filePages = std::max(filePages, store.page(i).filePage);
  loader_ = std::make_unique<img::PageThumbLoader>(
      path, filePages, displaySide(), [this](img::PageThumb& t) { pictureReady(t); }, 0,
      img::PageThumbLoader::Scope::OnlyAsked);
}

void ThumbStrip::askForPictures() {
  const PageStore& store = doc_.pages();
  // A strip the layout hides shows no pictures: they are asked for when it is laid out again.
  if (store.empty() || w_.pane->isHidden()) return;
  // Pages read from other files or other pages than before: what was asked by page number is
  // out of date.
  if (store.sources() != sources_) {
    loader_.reset();
    waiting_.clear();
    sources_ = store.sources();
  }
  const bool keepAll = store.count() <= kPagesWithAllPictures;
  // The slots in view first, then those within a view's height above and below it, then (for a
  // document whose pictures are all kept) the rest.
  const double view = tw::Height(w_.viewport), top = -gridTop();
  const auto [inFirst, inLast] = slotsWithin(top, top + view);
  const auto [nearFirst, nearLast] = slotsWithin(top - view, top + 2 * view);
  std::vector<int> order;
  for (int i = inFirst; i < inLast; ++i) order.push_back(i);
  for (int i = nearFirst; i < nearLast; ++i)
    if (i < inFirst || i >= inLast) order.push_back(i);
  if (keepAll)
    for (int i = 0; i < store.count(); ++i)
      if (i < nearFirst || i >= nearLast) order.push_back(i);

  // The file the pages are read from: where the first of them that needs a picture comes from.
  QString file;
  for (int i : order)
    if (const DocumentPage& p = store.page(i); !p.picture && !p.file.isEmpty() && !thumbs_.count(p.id)) {
      file = p.file;
      break;
    }
  if (!file.isEmpty() && (!loader_ || loader_->path() != file)) startLoader(file);

  std::vector<int32_t> asked;
  std::unordered_set<uint64_t> near;
  waiting_.clear();
  for (int i : order) {
    const DocumentPage& p = store.page(i);
    near.insert(p.id);
    if (thumbs_.count(p.id)) continue;
    if (p.picture) {
      if (making_.count(p.id)) continue;
      // A picture of the page's own is reduced on a worker: an edited page of 24 megapixels takes
      // a while, and the strip goes on meanwhile.
      making_.insert(p.id);
      std::weak_ptr<bool> alive = alive_;
      const std::shared_ptr<const OwnPicture> picture = p.picture;
      const uint64_t id = p.id;
      const int side = displaySide();
      QThreadPool::globalInstance()->start([this, alive, picture, id, side] {
        QImage made;
        try {
          made = img::makeThumbnail(picture->load(), side, side);
        } catch (const rt::RuntimeError&) {
        }
        // Back on the program's thread, where the strip is known to be alive or gone (and nowhere
        // once the program is ending).
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        QMetaObject::invokeMethod(
            app, [this, alive, id, made = std::move(made)]() mutable {
              if (alive.lock()) madeInBackground(id, std::move(made));
            },
            Qt::QueuedConnection);
      });
    } else if (loader_ && p.file == loader_->path()) {
      waiting_[p.filePage] = p.id;
      asked.push_back(p.filePage);
    }
  }
  if (loader_) loader_->prefer(asked);
  // A long document keeps only the pictures near its view.
  if (!keepAll)
    for (auto it = thumbs_.begin(); it != thumbs_.end();) it = near.count(it->first) ? std::next(it) : thumbs_.erase(it);
  showProgress();
}

// "Pages ready" counts the pictures of a document whose pictures are all made; a long document
// makes only those in view, and shows no count.
void ThumbStrip::showProgress() {
  const PageStore& store = doc_.pages();
  if (store.count() > kPagesWithAllPictures || !loadingPictures()) {
    w_.showProgress(QString());
    return;
  }
  int ready = 0;
  for (int i = 0; i < store.count(); ++i) ready += thumbs_.count(store.page(i).id) ? 1 : 0;
  w_.showProgress(QStringLiteral("Pages ready: %1 of %2").arg(ready).arg(store.count()));
}

void ThumbStrip::madeInBackground(uint64_t id, QImage picture) {
  // A picture of a page that is gone, or of a document closed meanwhile, is not kept.
  if (!making_.erase(id)) return;
  thumbs_[id] = std::move(picture);
  w_.canvas->update();
  showProgress();
}

void ThumbStrip::pictureReady(img::PageThumb& t) {
  const auto it = waiting_.find(t.page);
  if (it != waiting_.end()) {
    thumbs_[it->second] = t.decoded.bitmap.isNull() ? QImage() : img::makeThumbnail(t.decoded.bitmap, displaySide(), displaySide());
    waiting_.erase(it);
    w_.canvas->update();
  }
  showProgress();
}

QImage ThumbStrip::picture(int index) const {
  if (!doc_.pages().valid(index)) return QImage();
  const auto it = thumbs_.find(doc_.pages().page(index).id);
  return it == thumbs_.end() ? QImage() : it->second;
}

}  // namespace ws
