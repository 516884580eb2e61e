// The pages of the main window: the thumbnails' clicks, the page shown in the page view (its pointer
// and keys are workspace/page_view_input.h), the mouse modes, the pane divider and the three layouts.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "platform/windows/virtual_keys.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/page_annotations.h"
#include "workspace/page_view_input.h"
#include "workspace/thumb_strip.h"
#include "runtime/twips.h"

#include <QAction>
#include <QCursor>
#include <QKeyEvent>
#include <algorithm>
#include <QFrame>
#include <QMenu>

// ---- Thumbnail strip ------------------------------------------------------------------------------

void frmImgClntForm::ixTmb_Click(int32_t index) {
  if (!ws::document().pages().valid(index)) return;
  fnClearSelection();
  ws::document().clickPage(index, mblnShiftDown);
}

void frmImgClntForm::ixTmb_DblClick(int32_t index) {
  ixTmb_Click(index);
  if (!mblnShiftDown) showLayout(Layout::PageOnly);
}

void frmImgClntForm::ixTmb_MouseDown(int32_t index, int16_t button) {
  if (button != ws::kRightButton) return;
  ixTmb_Click(index);
  ws::document().state().popupPage = index;
  mnuPopTmb->popup(QCursor::pos());
}

void frmImgClntForm::goToPage(int index) {
  const ws::DocumentSession& doc = ws::document();
  if (!doc.hasPageStrip() || doc.pageCount() == 0) return;
  const int page = std::clamp(index, 0, doc.pageCount() - 1);
  if (page != doc.state().currentPage) ixTmb_Click(page);
}

// Home, End, Page Up and Page Down page through the document, from the page view as from the
// strip.
bool frmImgClntForm::pagingKey(int key) {
  const int current = ws::document().state().currentPage;
  switch (key) {
    case ws::kKeyHome: goToPage(0); return true;
    case ws::kKeyEnd: goToPage(ws::document().pageCount() - 1); return true;
    case ws::kKeyPageUp: goToPage(current - 1); return true;
    case ws::kKeyPageDown: goToPage(current + 1); return true;
    default: return false;
  }
}

// Besides paging, Delete and Escape work on the strip as on the page view.
bool frmImgClntForm::stripKey(QKeyEvent* e) {
  const int key = plat::VirtualKeyFromQtKey(e->key());
  if (pagingKey(key)) return true;
  if (key != ws::kKeyDelete && key != ws::kKeyEscape) return false;
  input_->keyDown(static_cast<int16_t>(key), 0);
  return true;
}

void frmImgClntForm::enablePageButtons(bool previous, bool next) {
  Button(tbrImage, "previous")->setEnabled(previous);
  Menu("mnuViewPrev")->setEnabled(previous);
  Button(tbrImage, "next")->setEnabled(next);
  Menu("mnuViewNext")->setEnabled(next);
}

void frmImgClntForm::fnClearSelection() { input_->clearSelection(); }

void frmImgClntForm::commitPendingEdit() { input_->commitPendingEdit(); }

void frmImgClntForm::floatPicture(const QImage& picture) { input_->floatPicture(picture); }

// ---- Mouse modes ----------------------------------------------------------------------------------

// Presses the mode's button and gives the page view the mode's pointer and annotation tool.
void frmImgClntForm::selectMode(ws::MouseMode mode) {
  const ws::ModeSettings settings = ws::fnModeSettings(mode);
  ws::pressModeButton(tbrMode, mode);
  input_->enterMode(mode);
  if (settings.closesPalette && Menu("mnuAnnPalette")->isChecked()) ws::closeAnnoPalette(*this);
  nxMain->setCurrentTool(settings.annotationTool);
}

void frmImgClntForm::resetModes(ws::DocState state) {
  if (state == ws::DocState::NoDocument) {
    ws::pressModeButton(tbrMode, ws::MouseMode::None);
    return;
  }
  if (ws::pressedMode(tbrMode) == ws::MouseMode::None) selectMode(ws::MouseMode::Hand);
}

// ---- Pane divider ---------------------------------------------------------------------------------

void frmImgClntForm::ixMain_DragDrop(QWidget* source, float x, float) {
  if (!source || source->objectName() != QLatin1String("imgDivider")) return;
  // Dropped within 2100 twips of the right edge: the page pane keeps 2100 twips.
  if (tw::Width(fraEdt) - x <= 2100)
    placeDivider(Width() - 2100 - tw::Width(imgDivider));
  else
    placeDivider(tw::Left(fraEdt) + x);
}

void frmImgClntForm::picChild_DragDrop(QWidget* source, float x, float) {
  if (!source || source->objectName() != QLatin1String("imgDivider")) return;
  placeDivider(x <= 2100 ? 2100 : x);
}

void frmImgClntForm::placeDivider(double left) {
  tw::setLeft(imgDivider, left);
  tw::setLeft(fraEdt, tw::Left(imgDivider) + tw::Width(imgDivider));
  tw::setWidth(fraEdt, Width() - tw::Left(fraEdt) - 130);
  tw::setWidth(ixMain, tw::Width(fraEdt) - 80);
  tw::setWidth(fraTmb, tw::Left(imgDivider) - tw::Left(fraTmb));
  strip_->setViewportWidth(tw::Width(fraTmb) - 80);
  layOutStrip();
}

// ---- Layouts --------------------------------------------------------------------------------------

void frmImgClntForm::showLayout(Layout layout) {
  // The check mark is on the layout's item only.
  const std::pair<Layout, const char*> items[] = {
      {Layout::PageAndThumbs, "mnuViewPageThumbs"}, {Layout::ThumbsOnly, "mnuViewThumbsOnly"}, {Layout::PageOnly, "mnuViewPageOnly"}};
  for (const auto& [l, name] : items)
    if (QAction* a = Menu(QString::fromLatin1(name))) a->setChecked(l == layout);
  switch (layout) {
    case Layout::PageAndThumbs:
      fraTmb->setVisible(true);
      fraEdt->setVisible(true);
      imgDivider->setVisible(true);
      tw::setWidth(fraTmb, tw::Left(imgDivider) - tw::Left(fraTmb));
      tw::setLeft(fraEdt, tw::Left(imgDivider) + tw::Width(imgDivider));
      if (Width() - tw::Left(fraEdt) - 130 > 0) tw::setWidth(fraEdt, Width() - tw::Left(fraEdt) - 130);
      if (tw::Height(fraTmb) - 180 != 0) strip_->setViewportHeight(tw::Height(fraTmb) - 180);
      if (tw::Width(fraTmb) - 80 != 0) strip_->setViewportWidth(tw::Width(fraTmb) - 80);
      if (tw::Height(fraEdt) - 180 != 0) tw::setHeight(ixMain, tw::Height(fraEdt) - 180);
      if (tw::Width(fraEdt) - 80 != 0) tw::setWidth(ixMain, tw::Width(fraEdt) - 80);
      layOutStrip();
      break;
    case Layout::ThumbsOnly:
      fraTmb->setVisible(true);
      fraEdt->setVisible(false);
      imgDivider->setVisible(false);
      tw::setWidth(fraTmb, Width() - tw::Left(fraTmb) - 130);
      strip_->setViewportHeight(tw::Height(fraTmb) - 180);
      strip_->setViewportWidth(tw::Width(fraTmb) - 80);
      layOutStrip();
      break;
    case Layout::PageOnly:
      fraTmb->setVisible(false);
      imgDivider->setVisible(false);
      fraEdt->setVisible(true);
      tw::setLeft(fraEdt, tw::Left(fraTmb));
      tw::setWidth(fraEdt, Width() - tw::Left(fraEdt) - 130);
      tw::setHeight(ixMain, tw::Height(fraEdt) - 180);
      tw::setWidth(ixMain, tw::Width(fraEdt) - 80);
      break;
  }
}
