// The thumbnails of an opened multi-page document, made in the background: the strip is complete
// at once (every page has its slot, caption and place), each slot stands for its page of the file
// until its picture arrives, and the pages in view are made first.
#include "controls/imaging/imaging_control.h"
#include "runtime/twips.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"

#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>

using namespace modVars;

bool frmImgClntForm::ThumbsLoading() const { return thumbLoader_ && !thumbLoader_->finished(); }

// Up to this many pages every thumbnail keeps its picture; a longer document makes only the pictures
// of the thumbnails near the strip's view, and a thumbnail that leaves it lets its picture go, so
// that the memory a document takes does not grow with its page count.
constexpr int32_t kPagesWithAllPictures = 2000;

void frmImgClntForm::loadThumbs(const QString& path, int pages) {
  stopThumbs();
  const bool all = pages <= kPagesWithAllPictures;
  if (!all)
    for (int i = 0; i < thumbCount(); ++i) ixTmb(i)->setReleasePictureWhenHidden(true);
  thumbLoader_ = std::make_unique<img::PageThumbLoader>(
      path, pages, ixTmb(0)->displaySide(), [this](img::PageThumb& t) { thumbReady(t); }, 0,
      all ? img::PageThumbLoader::Scope::AllPages : img::PageThumbLoader::Scope::OnlyAsked);
  preferVisibleThumbs();
  if (all) setStatusPanel(QStringLiteral("BODY"), QStringLiteral("Pages ready: 0 of %1").arg(pages));
}

void frmImgClntForm::stopThumbs() {
  if (!thumbLoader_) return;
  thumbLoader_.reset();
  setStatusPanel(QStringLiteral("BODY"), QString());
}

void frmImgClntForm::thumbReady(img::PageThumb& t) {
  const QString path = thumbLoader_->path();
  // Untouched pages keep their places; a page moved by an edit no longer waits for its picture.
  img::ImagingControl* slot = ixTmb.Exists(t.page - 1) ? ixTmb(t.page - 1) : nullptr;
  // A long document's picture that arrives after its thumbnail left the view is not kept; it is
  // asked for again when the thumbnail shows.
  const bool onlyShown = thumbLoader_->scope() == img::PageThumbLoader::Scope::OnlyAsked;
  auto take = [&](img::ImagingControl* c) {
    return c && (!onlyShown || !c->isHidden()) && c->isPendingSource() &&
           c->takeDisplayPage(path, t.page, t.decoded, t.fullWidth, t.fullHeight);
  };
  if (!take(slot)) {
    for (int i = 0; i < thumbCount(); ++i)
      if (take(ixTmb(i))) break;
  }
  if (onlyShown) return;
  if (thumbLoader_->finished())
    setStatusPanel(QStringLiteral("BODY"), QString());
  else
    setStatusPanel(QStringLiteral("BODY"), QStringLiteral("Pages ready: %1 of %2")
                                               .arg(thumbLoader_->readyCount())
                                               .arg(thumbLoader_->pageCount()));
}

// Only the slots within a viewport's height of the visible part of the strip are shown: a strip of
// many thousand pages would otherwise make every repaint walk every thumbnail widget, and keep a
// scaled picture for each. Hidden slots keep their place, caption and picture.
void frmImgClntForm::showSlotsNearView() {
  const double view = tw::Height(picMain), top = 200.0 * vsTmb->value() - view, bottom = top + 3 * view;
  // The one slot left without a document, with neither picture nor caption, stays out of sight.
  const bool empty = thumbCount() == 1 && !ixTmb(0)->hasImage() && lblTmb(0)->text().isEmpty();
  for (int i = 0; i < thumbCount(); ++i) {
    img::ImagingControl* t = ixTmb(i);
    const bool near = !empty && tw::Top(t) + tw::Height(t) + 280 >= top && tw::Top(t) <= bottom;
    if (t->isHidden() == near) t->setVisible(near);
    if (QLabel* l = lblTmb(i); l && l->isHidden() == near) l->setVisible(near);
  }
}

// The pages whose slots are in the strip's viewport, top to bottom, go ahead of the rest.
// A long document's strip asks for the shown slots after those in view.
void frmImgClntForm::preferVisibleThumbs() {
  if (!thumbLoader_) return;
  const bool onlyAsked = thumbLoader_->scope() == img::PageThumbLoader::Scope::OnlyAsked;
  if (!onlyAsked && thumbLoader_->finished()) return;
  const double top = 200.0 * vsTmb->value(), bottom = top + tw::Height(picMain);
  std::vector<int32_t> pages, near;
  for (int i = 0; i < thumbCount(); ++i) {
    img::ImagingControl* t = ixTmb(i);
    if (!t->isPendingSource()) continue;
    if (tw::Top(t) + tw::Height(t) >= top && tw::Top(t) <= bottom) pages.push_back(t->PageNumber());
    else if (onlyAsked && !t->isHidden()) near.push_back(t->PageNumber());
  }
  pages.insert(pages.end(), near.begin(), near.end());
  thumbLoader_->prefer(pages);
}
