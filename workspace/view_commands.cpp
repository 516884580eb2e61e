#include "workspace/view_commands.h"

#include "controls/imaging/imaging_control.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/page_view_state.h"
#include "workspace/view_text.h"
#include "workspace/window_openers.h"

namespace ws {

// Showing a page scrolls the strip to it and sets the page buttons.
void mnuViewNext_Click(frmImgClntForm& w) { w.goToPage(document().state().currentPage + 1); }
void mnuViewPrev_Click(frmImgClntForm& w) { w.goToPage(document().state().currentPage - 1); }

void mnuViewPageThumbs_Click(frmImgClntForm& w) { w.showLayout(frmImgClntForm::Layout::PageAndThumbs); }
void mnuViewThumbsOnly_Click(frmImgClntForm& w) { w.showLayout(frmImgClntForm::Layout::ThumbsOnly); }
void mnuViewPageOnly_Click(frmImgClntForm& w) { w.showLayout(frmImgClntForm::Layout::PageOnly); }

void mnuViewFullScreen_Click(frmImgClntForm&) { openWindow(QStringLiteral("frmFullScreen")); }

namespace {

void showZoomFactor(frmImgClntForm& w) { w.setStatusPanel(QStringLiteral("ZOOM"), modView::fnZoomText(w.ixMain->ZoomFactor())); }

}  // namespace

void zoomFixed(frmImgClntForm& w, float factor) {
  w.ixMain->SetZoom(factor);
  w.setStatusPanel(QStringLiteral("ZOOM"), modView::fnZoomText(factor));
}

void zoomFit(frmImgClntForm& w, int16_t how) {
  w.ixMain->setViewOffsetX(0);
  w.ixMain->setViewOffsetY(0);
  w.ixMain->ZoomToFit(how);
  showZoomFactor(w);
}

void mnuZoomIn_Click(frmImgClntForm& w) {
  img::ImagingControl* view = w.ixMain;
  view->SetZoom(static_cast<float>(static_cast<double>(view->ZoomFactor()) * 1.1));
  if (view->ZoomFactor() > 4.0f) view->SetZoom(4.0f);
  showZoomFactor(w);
}

void mnuZoomOut_Click(frmImgClntForm& w) {
  img::ImagingControl* view = w.ixMain;
  view->SetZoom(static_cast<float>(static_cast<double>(view->ZoomFactor()) * 0.9));
  if (view->ZoomFactor() < 0.2f) view->SetZoom(0.2f);
  showZoomFactor(w);
}

void mnuZoomPage_Click(frmImgClntForm& w) { zoomFit(w, kFitPage); }
void mnuZoomWidth_Click(frmImgClntForm& w) { zoomFit(w, kFitWidth); }
void mnuZoomHeight_Click(frmImgClntForm& w) { zoomFit(w, kFitHeight); }

}  // namespace ws
