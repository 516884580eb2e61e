#include "workspace/thumb_strip.h"

#include "controls/imaging/imaging_control.h"
#include "platform/text/native_path.h"
#include "runtime/conversions.h"
#include "runtime/twips.h"
#include "workspace/document/document_session.h"
#include "workspace/page_strip.h"
#include "workspace/page_view_state.h"
#include "workspace/view_text.h"

#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>
#include <optional>

namespace ws {

namespace {

// Up to this many pages every thumbnail keeps its picture; a longer document makes only the pictures
// of the thumbnails near the strip's view, and a thumbnail that leaves it lets its picture go, so
// that the memory a document takes does not grow with its page count.
constexpr int32_t kPagesWithAllPictures = 2000;

}  // namespace

ThumbStrip::ThumbStrip(Widgets widgets) : w_(std::move(widgets)) {}
ThumbStrip::~ThumbStrip() = default;

void ThumbStrip::scrollToCurrent() {
  if (document().showsSinglePage()) return;
  img::ImagingControl* selected = nullptr;
  for (int i = 0; i < count() && !selected; ++i)
    if (w_.thumbs(i)->HighlightBorder() == kThumbSelected) selected = w_.thumbs(i);
  if (!selected) return;
  const double T = tw::Top(selected), H = tw::Height(selected), V = w_.scrollBar->value(), P = tw::Height(w_.viewport);
  if (V * 200 + P < T + H + 280)
    w_.scrollBar->setValue(rt::CLng((T + H + 280 - P) / 200));
  else if (T + 280 < V * 200)
    w_.scrollBar->setValue(rt::CLng((T - 280) / 200));
}

void ThumbStrip::layOut() {
  img::ImagingControl* first = w_.thumbs(0);
  if (document().showsSinglePage()) {
    tw::setLeft(w_.captions(0), tw::Left(first));
    tw::setTop(w_.captions(0), tw::Top(first) + tw::Height(first) + 10);
    first->show();
    w_.captions(0)->show();
    return;
  }
  const int n = count();
  const modView::ThumbGrid grid = modView::fnThumbGrid(tw::Width(w_.viewport), n);
  const int c = grid.columns, r = grid.rows;
  auto sizeAll = [&](double w, double h) {
    for (int i = 0; i < n; ++i) {
      tw::setWidth(w_.thumbs(i), w);
      tw::setHeight(w_.thumbs(i), h);
    }
  };
  if (tw::Height(w_.viewport) < r * 2105.0 + 280) {
    setViewportWidth(tw::Width(w_.pane) - 80 - tw::Width(w_.scrollBar));
    if (tw::Width(w_.carrier) < 2020 && c == 1) sizeAll(1220, 1525);
    else sizeAll(1460, 1825);
    tw::setHeight(w_.carrier, (tw::Height(first) + 280) * r + 280);
    if (tw::Height(w_.carrier) > tw::Height(w_.viewport)) {
      tw::setLeft(w_.scrollBar, tw::Left(w_.viewport) + tw::Width(w_.viewport));
      tw::setTop(w_.scrollBar, tw::Top(w_.viewport));
      tw::setHeight(w_.scrollBar, tw::Height(w_.viewport));
      w_.scrollBar->setVisible(true);
      w_.scrollBar->setMaximum(rt::CLng((tw::Height(w_.carrier) - tw::Height(w_.viewport)) / 200));
    } else {
      setViewportWidth(tw::Width(w_.pane) - 80);
      tw::setHeight(w_.carrier, tw::Height(w_.viewport));
      w_.scrollBar->setVisible(false);
    }
  } else {
    setViewportWidth(tw::Width(w_.pane) - 80);
    sizeAll(1460, 1825);
    w_.scrollBar->setVisible(false);
  }
  // A grid that fits fills the viewport and has nothing to scroll; otherwise the carrier stands
  // where the scroll bar says.
  if (!w_.scrollBar->isVisible()) {
    tw::setHeight(w_.carrier, tw::Height(w_.viewport));
    w_.scrollBar->setValue(0);
  }
  for (int i = 0; i < n; ++i) {
    const int col = i % c, row = i / c;
    img::ImagingControl* t = w_.thumbs(i);
    tw::setLeft(t, (tw::Width(first) + 280) * col + 280);
    tw::setTop(t, (tw::Height(first) + 280) * row + 280);
    if (QLabel* l = w_.captions(i)) {
      tw::setLeft(l, tw::Left(t));
      tw::setTop(l, tw::Top(t) + tw::Height(t) + 10);
      l->adjustSize();
    }
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

// The carrier takes the viewport's new size (the layout then gives it the grid's height), so the
// thumbnails are sized for the strip as it is now, not as an earlier layout left it.
void ThumbStrip::viewportResized() { w_.carrier->setGeometry(0, 0, w_.viewport->width(), w_.viewport->height()); }

void ThumbStrip::scrolled() {
  tw::setTop(w_.carrier, -200.0 * w_.scrollBar->value());
  showSlotsNearView();
  preferVisible();
}

// With no pages there is nothing to scroll: the next document's strip starts at its top.
void ThumbStrip::resetScroll() {
  w_.scrollBar->setValue(0);
  w_.scrollBar->setMaximum(0);
  w_.scrollBar->setVisible(false);
  scrolled();
}

void ThumbStrip::fill(int pages, const QString& path, plat::HGLOBAL shownPicture) {
  img::ImagingControl* first = w_.thumbs(0);
  if (pages == 0) {
    first->setImageHandle(shownPicture);
    first->setHighlightBorder(kThumbSelected);
    w_.captions(0)->setText(fnPageCaption(0));
    return;
  }
  // Slots stay hidden here: the strip shows those near its view once it is laid out.
  const int64_t fileSize = plat::fileSize(path);
  for (int i = 0; i < pages; ++i) {
    if (i > 0) w_.thumbs.Load(i);
    img::ImagingControl* t = w_.thumbs(i);
    t->setThumbDisplayMode(1);
    t->setPageNumber(i + 1);
    t->setPendingSource(path, fileSize);
    t->setHighlightBorder(i == 0 ? kThumbSelected : kThumbUnselected);
    if (i > 0) w_.captions.Load(i);
    w_.captions(i)->setText(fnPageCaption(i));
  }
}

void ThumbStrip::rearrange(const PageEdit& edit, CaptionRule rule) {
  const int before = count();
  // The pictures that change places are taken before any slot is overwritten.
  // (Each handle taken here is handed over to its new slot below.)
  std::vector<std::optional<plat::HGLOBAL>> moved(static_cast<std::size_t>(edit.count()));
  for (int i = 0; i < edit.count(); ++i) {
    const int src = edit.from[static_cast<std::size_t>(i)];
    if (src != i && src >= 0 && src < before) moved[static_cast<std::size_t>(i)] = w_.thumbs(src)->ImageHandleCopy();
  }
  std::vector<QString> captions;
  for (int i = 0; i < before; ++i) captions.push_back(w_.captions(i) ? w_.captions(i)->text() : QString());
  const std::vector<QString> newCaptions = fnAlignCaptions(captions, edit, rule);

  for (int k = before - 1; k >= std::max(1, edit.count()); --k) {
    w_.thumbs.Unload(k);
    w_.captions.Unload(k);
  }
  for (int i = 0; i < edit.count(); ++i) {
    if (!w_.thumbs.Exists(i)) {
      w_.thumbs.Load(i);
      w_.thumbs(i)->setVisible(true);
    }
    if (!w_.captions.Exists(i)) {
      w_.captions.Load(i);
      w_.captions(i)->setVisible(true);
    }
    img::ImagingControl* t = w_.thumbs(i);
    const int src = edit.from[static_cast<std::size_t>(i)];
    if (src == kNewPage) t->setSourceFile(QString());
    else if (moved[static_cast<std::size_t>(i)]) t->setImageHandle(*moved[static_cast<std::size_t>(i)]);
    w_.captions(i)->setText(newCaptions[static_cast<std::size_t>(i)]);
    t->setHighlightBorder(i == edit.current ? kThumbSelected : kThumbUnselected);
  }
}

void ThumbStrip::empty() {
  stopPictures();
  w_.thumbs(0)->setSourceFile(QString());
  w_.thumbs(0)->setHighlightBorder(kThumbUnselected);
  w_.captions(0)->setText(QString());
  w_.thumbs.UnloadAll();
  w_.captions.UnloadAll();
  // No empty thumbnail stands in the strip without a document (the strip shows no slot that is
  // empty); laying out the next document shows it.
  resetScroll();
}

bool ThumbStrip::loadingPictures() const { return loader_ && !loader_->finished(); }

void ThumbStrip::loadPictures(const QString& path, int pages) {
  stopPictures();
  const bool all = pages <= kPagesWithAllPictures;
  if (!all)
    for (int i = 0; i < count(); ++i) w_.thumbs(i)->setReleasePictureWhenHidden(true);
  loader_ = std::make_unique<img::PageThumbLoader>(
      path, pages, w_.thumbs(0)->displaySide(), [this](img::PageThumb& t) { pictureReady(t); }, 0,
      all ? img::PageThumbLoader::Scope::AllPages : img::PageThumbLoader::Scope::OnlyAsked);
  preferVisible();
  if (all) w_.showProgress(QStringLiteral("Pages ready: 0 of %1").arg(pages));
}

void ThumbStrip::stopPictures() {
  if (!loader_) return;
  loader_.reset();
  w_.showProgress(QString());
}

void ThumbStrip::pictureReady(img::PageThumb& t) {
  const QString path = loader_->path();
  // Untouched pages keep their places; a page moved by an edit no longer waits for its picture.
  img::ImagingControl* slot = w_.thumbs.Exists(t.page - 1) ? w_.thumbs(t.page - 1) : nullptr;
  // A long document's picture that arrives after its thumbnail left the view is not kept; it is
  // asked for again when the thumbnail shows.
  const bool onlyShown = loader_->scope() == img::PageThumbLoader::Scope::OnlyAsked;
  auto take = [&](img::ImagingControl* c) {
    return c && (!onlyShown || !c->isHidden()) && c->isPendingSource() &&
           c->takeDisplayPage(path, t.page, t.decoded, t.fullWidth, t.fullHeight);
  };
  // Only a page that an edit moved away from its slot is looked for among the others: a long
  // document's strip would otherwise walk every thumbnail for each picture that arrives hidden.
  const bool waitsHere = slot && slot->isPendingSource() && slot->PageNumber() == t.page;
  if (!take(slot) && !waitsHere) {
    for (int i = 0; i < count(); ++i)
      if (take(w_.thumbs(i))) break;
  }
  if (onlyShown) return;
  if (loader_->finished())
    w_.showProgress(QString());
  else
    w_.showProgress(QStringLiteral("Pages ready: %1 of %2").arg(loader_->readyCount()).arg(loader_->pageCount()));
}

// Only the slots within a viewport's height of the visible part of the strip are shown: a strip of
// many thousand pages would otherwise make every repaint walk every thumbnail widget, and keep a
// scaled picture for each. Hidden slots keep their place, caption and picture.
void ThumbStrip::showSlotsNearView() {
  const double view = tw::Height(w_.viewport), top = 200.0 * w_.scrollBar->value() - view, bottom = top + 3 * view;
  // The one slot left without a document, with neither picture nor caption, stays out of sight.
  const bool empty = count() == 1 && !w_.thumbs(0)->hasImage() && w_.captions(0)->text().isEmpty();
  for (int i = 0; i < count(); ++i) {
    img::ImagingControl* t = w_.thumbs(i);
    const bool near = !empty && tw::Top(t) + tw::Height(t) + 280 >= top && tw::Top(t) <= bottom;
    if (t->isHidden() == near) t->setVisible(near);
    if (QLabel* l = w_.captions(i); l && l->isHidden() == near) l->setVisible(near);
  }
}

// The pages whose slots are in the strip's viewport, top to bottom, go ahead of the rest.
// A long document's strip asks for the shown slots after those in view.
void ThumbStrip::preferVisible() {
  if (!loader_) return;
  const bool onlyAsked = loader_->scope() == img::PageThumbLoader::Scope::OnlyAsked;
  if (!onlyAsked && loader_->finished()) return;
  const double top = 200.0 * w_.scrollBar->value(), bottom = top + tw::Height(w_.viewport);
  std::vector<int32_t> pages, near;
  for (int i = 0; i < count(); ++i) {
    img::ImagingControl* t = w_.thumbs(i);
    if (!t->isPendingSource()) continue;
    if (tw::Top(t) + tw::Height(t) >= top && tw::Top(t) <= bottom) pages.push_back(t->PageNumber());
    else if (onlyAsked && !t->isHidden()) near.push_back(t->PageNumber());
  }
  pages.insert(pages.end(), near.begin(), near.end());
  loader_->prefer(pages);
}

}  // namespace ws
