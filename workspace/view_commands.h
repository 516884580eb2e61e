#pragma once
// The View and Zoom menus: page to page, the three layouts, full screen, and the page view's zoom
// with the zoom panel of the status bar.
#include <cstdint>

class frmImgClntForm;

namespace ws {

void mnuViewNext_Click(frmImgClntForm& w);
void mnuViewPrev_Click(frmImgClntForm& w);
void mnuViewPageThumbs_Click(frmImgClntForm& w);
void mnuViewThumbsOnly_Click(frmImgClntForm& w);
void mnuViewPageOnly_Click(frmImgClntForm& w);
void mnuViewFullScreen_Click(frmImgClntForm& w);

// A fixed zoom factor (1 is 100%), and a fit of the page in the view (ws::FitMode); both show the
// new factor in the zoom panel.
void zoomFixed(frmImgClntForm& w, float factor);
void zoomFit(frmImgClntForm& w, int16_t how);
// The menu's fixed factors, in the order of the menu.
template <int Percent>
void mnuZoomTo(frmImgClntForm& w) {
  zoomFixed(w, static_cast<float>(Percent) / 100.0f);
}
// In and out by a tenth, within 20% and 400%.
void mnuZoomIn_Click(frmImgClntForm& w);
void mnuZoomOut_Click(frmImgClntForm& w);
void mnuZoomPage_Click(frmImgClntForm& w);
void mnuZoomWidth_Click(frmImgClntForm& w);
void mnuZoomHeight_Click(frmImgClntForm& w);

}  // namespace ws
