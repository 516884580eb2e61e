// The thumbnails of an opened multi-page document, made in the background: the strip is complete
// at once (every page has its slot, caption and place), each slot stands for its page of the file
// until its picture arrives, and the pages in view are made first.
#include "controls/imaging/imaging_control.h"
#include "runtime/twips.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"

#include <QFrame>
#include <QScrollBar>
#include <algorithm>

using namespace modVars;

bool frmImgClntForm::ThumbsLoading() const { return thumbLoader_ && !thumbLoader_->finished(); }

void frmImgClntForm::loadThumbs(const QString& path, int pages) {
  stopThumbs();
  thumbLoader_ = std::make_unique<img::PageThumbLoader>(path, pages, ixTmb(0)->displaySide(),
                                                        [this](img::PageThumb& t) { thumbReady(t); });
  preferVisibleThumbs();
  setStatusPanel(QStringLiteral("BODY"), QStringLiteral("Pages ready: 0 of %1").arg(pages));
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
  if (!slot || !slot->takeDisplayPage(path, t.page, t.decoded, t.fullWidth, t.fullHeight)) {
    for (int i = 0; i < thumbCount(); ++i)
      if (ixTmb(i)->isPendingSource() && ixTmb(i)->takeDisplayPage(path, t.page, t.decoded, t.fullWidth, t.fullHeight))
        break;
  }
  if (thumbLoader_->finished())
    setStatusPanel(QStringLiteral("BODY"), QString());
  else
    setStatusPanel(QStringLiteral("BODY"), QStringLiteral("Pages ready: %1 of %2")
                                               .arg(thumbLoader_->readyCount())
                                               .arg(thumbLoader_->pageCount()));
}

// The pages whose slots are in the strip's viewport, top to bottom, go ahead of the rest.
void frmImgClntForm::preferVisibleThumbs() {
  if (!thumbLoader_ || thumbLoader_->finished()) return;
  const double top = 200.0 * vsTmb->value(), bottom = top + tw::Height(picMain);
  std::vector<int32_t> pages;
  for (int i = 0; i < thumbCount(); ++i) {
    img::ImagingControl* t = ixTmb(i);
    if (t->isPendingSource() && t->Top() + t->Height() >= top && t->Top() <= bottom) pages.push_back(t->PageNumber());
  }
  thumbLoader_->prefer(pages);
}
